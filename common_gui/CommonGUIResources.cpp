#include "common_gui/CommonGUIResources.h"

#include <QtCore/qglobal.h>

// Outside any namespace: the generated registration function is a global one.
static void registerCommonGUIResources()
{
    Q_INIT_RESOURCE(CommonGUIElements);
}

void initCommonGUIResources()
{
    static const bool registered = (registerCommonGUIResources(), true);
    (void)registered;
}
