#include "common_gui/CommonGUIExtraResources.h"

#include <QtCore/qglobal.h>

// Outside any namespace: the generated registration function is a global one.
static void registerCommonGUIExtraResources()
{
    Q_INIT_RESOURCE(CommonGUIExtras);
}

void initCommonGUIExtraResources()
{
    static const bool registered = (registerCommonGUIExtraResources(), true);
    (void)registered;
}
