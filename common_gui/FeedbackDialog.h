#pragma once

#include <QDialog>

#include <cstdint>

class KolPreferences;
class KolStats;

namespace Ui {
class FeedbackClass;
}

// The texts of the feedback dialog in the current language (entries 0 to 6); the empty text for
// any other index.
QString feedbackText(int index);
// The number of languages the feedback texts come in.
std::int32_t feedbackLanguageCount();
// Selects the language of feedbackText; indices out of range are ignored.
void setFeedbackLanguage(std::int32_t lang);

// Where feedback goes, the text to include in it, and the usage-statistics switch, which is
// remembered under "Stats/CollectUsage".
class FeedbackDialog : public QDialog
{
    Q_OBJECT

public:
    // store must not be null.
    FeedbackDialog(const QString& appVersion, const QString& infoText, KolPreferences* store,
                   QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());
    // Writes the switch to the store, and saves the store when the user changed it.
    ~FeedbackDialog() override;

    using QDialog::exec;

public slots:
    void translateUI(std::int32_t lang);
    // Runs the dialog modally; stats hears of the switch only when the user changed it.
    int exec(KolStats* stats);
    void launchLink(const QString& link);

private:
    Ui::FeedbackClass* form;
    KolPreferences* store;
    bool collectWhenOpened = true;
};
