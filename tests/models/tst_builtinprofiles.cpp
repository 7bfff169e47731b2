#include "support/TestEnvironment.h"

class Tst_builtinprofiles : public QObject
{
    Q_OBJECT
};

KOLZ_TEST_MAIN_CORE(Tst_builtinprofiles)
#include "tst_builtinprofiles.moc"
