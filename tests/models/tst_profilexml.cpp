#include "support/TestEnvironment.h"

class Tst_profilexml : public QObject
{
    Q_OBJECT
};

KOLZ_TEST_MAIN_CORE(Tst_profilexml)
#include "tst_profilexml.moc"
