#include "dialogs/SaveReadOnlyProfile.h"
#include "ui_SaveReadOnlyProfile.h"

namespace dialogs {

SaveReadOnlyProfile::SaveReadOnlyProfile(QWidget* parent)
    : QDialog(parent), ui(std::make_unique<Ui::SaveReadOnlyProfile>())
{
    ui->setupUi(this);
}

SaveReadOnlyProfile::~SaveReadOnlyProfile() = default;

} // namespace dialogs
