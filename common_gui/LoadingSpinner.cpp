#include "common_gui/LoadingSpinner.h"

#include "common_gui/CommonGUIExtraResources.h"

namespace {

// The image is read while the base is built, so the resources must be there before that.
QString spinnerImage()
{
    initCommonGUIExtraResources();
    return QStringLiteral(":/CommonGUIElements/Spinner.svg");
}

} // namespace

LoadingSpinner::LoadingSpinner(QWidget* parent) : AnimatedSvgWidget(spinnerImage(), 24, parent)
{
    hide();
}

void LoadingSpinner::start()
{
    AnimatedSvgWidget::start();
    show();
}

void LoadingSpinner::stop()
{
    AnimatedSvgWidget::stop();
    hide();
}
