#include "support/TestEnvironment.h"

class Tst_profiledata : public QObject
{
    Q_OBJECT
};

KOLZ_TEST_MAIN_CORE(Tst_profiledata)
#include "tst_profiledata.moc"
