#include "support/TestEnvironment.h"

#include "common_gui/FeedbackDialog.h"
#include "common_gui/KitTestHelpers.h"
#include "common_gui/KolStats.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QUrl>

#include <stdexcept>

namespace {

// A statistics back-end that logs what it is told.
class RecordingStats : public KolStatsInterface
{
public:
    RecordingStats(QStringList& log, QString name, bool accept)
        : log(log), name(std::move(name)), accept(accept)
    {}
    bool enable() override { return (log << name + ":enable", accept); }
    bool disable() override { return (log << name + ":disable", true); }
    bool record(const std::string&, const std::string&, std::int64_t) override
    {
        return (log << name + ":record", false);
    }

private:
    QStringList& log;
    QString name;
    bool accept;
};

// Stands in for the desktop's browser and mail program.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

QCheckBox* usageSwitch(QWidget* dialog)
{
    return dialog->findChild<QCheckBox*>("usageStats_checkBox");
}

} // namespace

class TestFeedback : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void statisticsCompositeForwardsInKeyOrder();
    void switchIsStoredAndStatisticsHearOnlyOfAChange();
    void linksOpenTheForumAndTheSupportAddress();

private:
    std::unique_ptr<KolPreferences> store;
};

void TestFeedback::init()
{
    store = kolz::test::loadedStore("KitFeedback");
    QVERIFY(store);
    store->Remove("Stats");
    store->Save(true);
}

void TestFeedback::statisticsCompositeForwardsInKeyOrder()
{
    QVERIFY_THROWS_EXCEPTION(std::logic_error, KolStats(nullptr, "1", nullptr, 0));
    KolStats empty("KolZendra", "10.17.3", store.get(), 4);
    QVERIFY(empty.enable() && empty.disable() && empty.record("a", "b", 1));

    QStringList log;
    {
        KolStats stats("KolZendra", "10.17.3", store.get(), 4);
        stats.addChild(3, std::make_unique<RecordingStats>(log, "c", true));
        stats.addChild(1, std::make_unique<RecordingStats>(log, "a", true));
        stats.addChild(2, std::make_unique<RecordingStats>(log, "b", false));
        // Enabling stops at the first refusal; recording goes to all.
        QVERIFY(!stats.enable());
        QVERIFY(stats.record("x", "y", 2));
        QCOMPARE(log, (QStringList{"a:enable", "b:enable", "a:record", "b:record", "c:record"}));
        log.clear();
    }
    // Destruction switches every back-end off first.
    QCOMPARE(log, (QStringList{"a:disable", "b:disable", "c:disable"}));
}

void TestFeedback::switchIsStoredAndStatisticsHearOnlyOfAChange()
{
    QStringList log;
    KolStats stats("KolZendra", "10.17.3", store.get(), 4);
    stats.addChild(1, std::make_unique<RecordingStats>(log, "s", true));
    auto run = [&](std::vector<bool> clicks, bool viaEscape) {
        FeedbackDialog dialog("KolZendra 10.17.3", QString(), store.get());
        kolz::test::answerModal<FeedbackDialog>([&](FeedbackDialog* shown) {
            for (bool checked : clicks)
                usageSwitch(shown)->setChecked(checked);
            if (viaEscape)
                QTest::keyClick(shown, Qt::Key_Escape);
            else
                shown->findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Close)->click();
        });
        return dialog.exec(&stats);
    };

    // Closed unchanged, or changed and changed back, the statistics hear nothing.
    QCOMPARE(run({}, false), int(QDialog::Rejected));
    QCOMPARE(run({false, true}, true), int(QDialog::Rejected));
    QVERIFY(log.isEmpty());
    // Switched off: the file says so at once, however the program ends afterwards, and the
    // next dialog starts unchecked.
    run({false}, false);
    bool collect = true;
    kolz::test::loadedStore("KitFeedback")->GetBool("Stats/CollectUsage", collect, true);
    QVERIFY(!collect);
    QVERIFY(!usageSwitch(std::make_unique<FeedbackDialog>("", "", store.get()).get())->isChecked());
    run({true}, false);
    QCOMPARE(log, (QStringList{"s:disable", "s:enable"}));

    // A store that never loaded leaves the box checked. The text to quote: the version with the
    // kit's build, then the extra text.
    KolPreferences unloaded("KitFeedbackUnloaded", 0);
    FeedbackDialog fresh("KolZendra 10.17.3", "extra info", &unloaded);
    QVERIFY(usageSwitch(&fresh)->isChecked());
    const QStringList lines =
        fresh.findChild<QPlainTextEdit*>("RequiredText")->toPlainText().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith("KolZendra 10.17.3 (SDK build ") && lines[0].endsWith(")"));
    QCOMPARE(lines[1], QStringLiteral("extra info"));
}

void TestFeedback::linksOpenTheForumAndTheSupportAddress()
{
    UrlRecorder recorder;
    QDesktopServices::setUrlHandler("https", &recorder, "open");
    QDesktopServices::setUrlHandler("mailto", &recorder, "open");
    FeedbackDialog dialog("KolZendra 10.17.3", QString(), store.get());
    // Activated as a click on the label would: with the link the label shows.
    for (const char* name : {"ForumURL", "SupportURL"}) {
        auto* label = dialog.findChild<QLabel*>(name);
        QVERIFY(label);
        emit label->linkActivated(
            QRegularExpression("href=\"([^\"]*)\"").match(label->text()).captured(1));
    }
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
    QCOMPARE(recorder.opened, (QList<QUrl>{QUrl("https://forum.heliark.example/kolzendra"),
                                           QUrl("mailto:devsupport@heliark.example")}));
}

KOLZ_TEST_MAIN_WIDGETS(TestFeedback)
#include "tst_feedback.moc"
