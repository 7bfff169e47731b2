#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class SaveReadOnlyProfile;
}

namespace dialogs {

// "Save changes": offered when a read-only profile is saved. Accepted ("Copy") means that a
// writable copy is to be made; rejected ("Cancel") leaves everything as it was.
class SaveReadOnlyProfile : public QDialog
{
    Q_OBJECT

public:
    explicit SaveReadOnlyProfile(QWidget* parent = nullptr);
    ~SaveReadOnlyProfile() override;

private:
    std::unique_ptr<Ui::SaveReadOnlyProfile> ui;
};

} // namespace dialogs
