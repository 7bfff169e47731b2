#include "common_gui/FeedbackDialog.h"
#include "ui_FeedbackDialog.h"

#include "common_gui/CommonGUIResources.h"
#include "common_gui/KitBuild.h"
#include "common_gui/KolStats.h"
#include "prefs/KolPreferences.h"

#include <QDesktopServices>
#include <QUrl>

#include <array>
#include <vector>

namespace {

const char* const collectUsageKey = "Stats/CollectUsage";
const char* const forumAddress = "https://forum.heliark.example/kolzendra";
const char* const supportAddress = "devsupport@heliark.example";

constexpr std::size_t textsPerLanguage = 7;

struct FeedbackLanguage
{
    const char* name;
    std::array<const char*, textsPerLanguage> texts;
};

const std::array<FeedbackLanguage, 1> feedbackLanguages = {{
    {"British English",
     {"Feedback", "Post your feedback in the Heliark Forum", "Ok",
      "Please include the following text in your feedback",
      "Select text [Ctrl + A] and copy [Ctrl + C]", "Select text [Cmd + A] and copy [Cmd + C]",
      "Or write to the Heliark Developer Support team"}},
}};

std::int32_t currentLanguage = 0;

// Converted once; the strings live until the program ends.
const std::vector<QString>& languageTexts(std::size_t lang)
{
    static const std::vector<std::vector<QString>> converted = [] {
        std::vector<std::vector<QString>> all;
        for (const FeedbackLanguage& language : feedbackLanguages) {
            std::vector<QString> texts;
            for (const char* text : language.texts)
                texts.push_back(QString::fromUtf8(text));
            all.push_back(std::move(texts));
        }
        return all;
    }();
    return converted[lang];
}

} // namespace

QString feedbackText(int index)
{
    if (index < 0 || static_cast<std::size_t>(index) >= textsPerLanguage)
        return QString();
    return languageTexts(
        static_cast<std::size_t>(currentLanguage))[static_cast<std::size_t>(index)];
}

std::int32_t feedbackLanguageCount()
{
    return static_cast<std::int32_t>(feedbackLanguages.size());
}

void setFeedbackLanguage(std::int32_t lang)
{
    if (lang >= 0 && lang < feedbackLanguageCount())
        currentLanguage = lang;
}

FeedbackDialog::FeedbackDialog(const QString& appVersion, const QString& infoText,
                               KolPreferences* store, QWidget* parent, Qt::WindowFlags flags)
    : QDialog(parent, flags), form(new Ui::FeedbackClass), store(store)
{
    initCommonGUIResources();
    form->setupUi(this);

    form->RequiredText->clear();
    form->RequiredText->appendPlainText(appVersion + QStringLiteral(" (SDK build ") +
                                        QString::fromUtf8(kitBuildTag) + QStringLiteral(")"));
    form->RequiredText->appendPlainText(infoText);

    const QString forum = QString::fromUtf8(forumAddress);
    const QString support = QString::fromUtf8(supportAddress);
    form->ForumURL->setText(QStringLiteral("<a href=\"%1\">%1</a>").arg(forum));
    form->SupportURL->setText(QStringLiteral("<a href=\"mailto:%1\">%1</a>").arg(support));
    connect(form->ForumURL, SIGNAL(linkActivated(QString)), this, SLOT(launchLink(QString)));
    connect(form->SupportURL, SIGNAL(linkActivated(QString)), this, SLOT(launchLink(QString)));
    connect(form->buttonBox, SIGNAL(rejected()), this, SLOT(close()));

    translateUI(0);
    setWindowFlags(windowFlags() & ~Qt::WindowContextHelpButtonHint);

    // A store that cannot answer leaves the default in place.
    bool collect = true;
    store->GetBool(collectUsageKey, collect, true);
    form->usageStats_checkBox->setChecked(collect);
    collectWhenOpened = collect;
}

FeedbackDialog::~FeedbackDialog()
{
    const bool collect = form->usageStats_checkBox->isChecked();
    store->SetBool(collectUsageKey, collect);
    // Nothing else may save the store before the program ends, and the user's choice must
    // outlive an end that saves nothing.
    if (collect != collectWhenOpened)
        store->Save(false);
    delete form;
}

void FeedbackDialog::translateUI(std::int32_t lang)
{
    if (lang >= feedbackLanguageCount())
        return;
    form->ForumLabel->setText(feedbackText(1));
    form->SupportEmailLabel->setText(feedbackText(6));
    form->RequiredTextLabel->setText(feedbackText(3));
    form->SelectAndCopyLabel->setText(feedbackText(4));
    setWindowTitle(feedbackText(0));
}

int FeedbackDialog::exec(KolStats* stats)
{
    const bool before = form->usageStats_checkBox->isChecked();
    const int result = QDialog::exec();
    const bool after = form->usageStats_checkBox->isChecked();
    if (after != before && stats) {
        if (after)
            stats->enable();
        else
            stats->disable();
    }
    return result;
}

void FeedbackDialog::launchLink(const QString& link)
{
    QDesktopServices::openUrl(QUrl(link));
}
