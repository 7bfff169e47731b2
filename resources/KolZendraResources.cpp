#include "resources/KolZendraResources.h"

#include <QtCore/qglobal.h>

// Outside any namespace: the generated registration function is a global one.
static void registerKolZendraResources()
{
    Q_INIT_RESOURCE(KolZendraResources);
}

void initKolZendraResources()
{
    static const bool registered = (registerKolZendraResources(), true);
    (void)registered;
}
