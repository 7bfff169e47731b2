#include "support/TestEnvironment.h"

#include "common_gui/FeedbackDialog.h"
#include "common_gui/KitTestHelpers.h"
#include "common_gui/KolStats.h"
#include "prefs/KolPreferences.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QUrl>

#include <stdexcept>

namespace {

struct Calls
{
    QStringList log;
};

// A statistics back-end that logs what it is told.
class RecordingStats : public KolStatsInterface
{
public:
    RecordingStats(Calls& calls, QString name, bool accept)
        : calls(calls), name(std::move(name)), accept(accept)
    {}
    bool enable() override
    {
        calls.log << name + ":enable";
        return accept;
    }
    bool disable() override
    {
        calls.log << name + ":disable";
        return true;
    }
    bool record(const std::string&, const std::string&, std::int64_t) override
    {
        calls.log << name + ":record";
        return false;
    }

private:
    Calls& calls;
    QString name;
    bool accept;
};

class LinkCatcher : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

class TestFeedback : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void statisticsCompositeForwardsInKeyOrder();
    void switchStartsFromTheStore();
    void statisticsHearOnlyOfAChange();
    void closingStoresTheSwitchWithoutSaving();
    void textsAndLinks();

private:
    std::unique_ptr<KolPreferences> store;
};

void TestFeedback::init()
{
    store = std::make_unique<KolPreferences>("KitFeedback", 0);
    std::string error;
    QVERIFY(store->Load(error, false));
    store->Remove("Stats");
    store->Save(true);
}

void TestFeedback::statisticsCompositeForwardsInKeyOrder()
{
    QVERIFY_THROWS_EXCEPTION(std::logic_error, KolStats(nullptr, "1", nullptr, 0));

    KolStats empty("KolZendra", "10.17.3", store.get(), 4);
    QVERIFY(empty.enable());
    QVERIFY(empty.disable());
    QVERIFY(empty.record("a", "b", 1));

    Calls calls;
    {
        KolStats stats("KolZendra", "10.17.3", store.get(), 4);
        stats.addChild(3, std::make_unique<RecordingStats>(calls, "c", true));
        stats.addChild(1, std::make_unique<RecordingStats>(calls, "a", true));
        stats.addChild(2, std::make_unique<RecordingStats>(calls, "b", false));
        QVERIFY(!stats.enable());
        QCOMPARE(calls.log, (QStringList{"a:enable", "b:enable"}));
        calls.log.clear();
        QVERIFY(stats.record("x", "y", 2));
        QCOMPARE(calls.log, (QStringList{"a:record", "b:record", "c:record"}));
        calls.log.clear();
    }
    // Destruction switches every back-end off first.
    QCOMPARE(calls.log, (QStringList{"a:disable", "b:disable", "c:disable"}));
}

void TestFeedback::switchStartsFromTheStore()
{
    {
        FeedbackDialog dialog("KolZendra 10.17.3", QString(), store.get());
        QVERIFY(dialog.findChild<QCheckBox*>("usageStats_checkBox")->isChecked());
    }
    store->SetBool("Stats/CollectUsage", false);
    FeedbackDialog dialog("KolZendra 10.17.3", QString(), store.get());
    QVERIFY(!dialog.findChild<QCheckBox*>("usageStats_checkBox")->isChecked());

    // A store that never loaded leaves the box checked.
    KolPreferences unloaded("KitFeedbackUnloaded", 0);
    FeedbackDialog fresh("KolZendra 10.17.3", QString(), &unloaded);
    QVERIFY(fresh.findChild<QCheckBox*>("usageStats_checkBox")->isChecked());
}

void TestFeedback::statisticsHearOnlyOfAChange()
{
    Calls calls;
    KolStats stats("KolZendra", "10.17.3", store.get(), 4);
    stats.addChild(1, std::make_unique<RecordingStats>(calls, "s", true));

    auto run = [&](std::function<void(QCheckBox*)> touch, bool viaEscape) {
        FeedbackDialog dialog("KolZendra 10.17.3", QString(), store.get());
        kolz::test::answerModal<FeedbackDialog>([&](FeedbackDialog* shown) {
            touch(shown->findChild<QCheckBox*>("usageStats_checkBox"));
            if (viaEscape)
                QTest::keyClick(shown, Qt::Key_Escape);
            else
                shown->findChild<QDialogButtonBox*>("buttonBox")
                    ->button(QDialogButtonBox::Close)
                    ->click();
        });
        return dialog.exec(&stats);
    };

    QCOMPARE(run([](QCheckBox*) {}, false), int(QDialog::Rejected));
    QCOMPARE(run(
                 [](QCheckBox* box) {
                     box->setChecked(false);
                     box->setChecked(true);
                 },
                 true),
             int(QDialog::Rejected));
    QVERIFY(calls.log.isEmpty());

    run([](QCheckBox* box) { box->setChecked(false); }, false);
    QCOMPARE(calls.log, QStringList{"s:disable"});
    calls.log.clear();
    run([](QCheckBox* box) { box->setChecked(true); }, false);
    QCOMPARE(calls.log, QStringList{"s:enable"});
}

void TestFeedback::closingStoresTheSwitchWithoutSaving()
{
    {
        FeedbackDialog dialog("KolZendra 10.17.3", QString(), store.get());
        dialog.findChild<QCheckBox*>("usageStats_checkBox")->setChecked(false);
    }
    bool collect = true;
    store->GetBool("Stats/CollectUsage", collect, true);
    QVERIFY(!collect);

    // Written to the store only; the file learns it at the store's next save.
    KolPreferences onDisk("KitFeedback", 0);
    std::string error;
    QVERIFY(onDisk.Load(error, false));
    QVERIFY(!onDisk.Exists("Stats/CollectUsage"));
    store->Save(false);
    QVERIFY(onDisk.Load(error, false));
    QVERIFY(onDisk.Exists("Stats/CollectUsage"));
}

void TestFeedback::textsAndLinks()
{
    FeedbackDialog dialog("KolZendra 10.17.3", "extra info", store.get());
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Feedback"));
    QCOMPARE(dialog.findChild<QLabel*>("ForumLabel")->text(),
             QStringLiteral("Post your feedback in the Heliark Forum"));
    QCOMPARE(dialog.findChild<QLabel*>("SelectAndCopyLabel")->text(),
             QStringLiteral("Select text [Ctrl + A] and copy [Ctrl + C]"));
    const QStringList lines =
        dialog.findChild<QPlainTextEdit*>("RequiredText")->toPlainText().split('\n');
    QCOMPARE(lines.size(), 2);
    QVERIFY(lines[0].startsWith("KolZendra 10.17.3 (SDK build "));
    QVERIFY(lines[0].endsWith(")"));
    QCOMPARE(lines[1], QStringLiteral("extra info"));
    QVERIFY(!(dialog.windowFlags() & Qt::WindowContextHelpButtonHint));

    dialog.setWindowTitle("changed");
    dialog.translateUI(1);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("changed"));
    dialog.translateUI(-3);
    QCOMPARE(dialog.windowTitle(), QStringLiteral("Feedback"));

    LinkCatcher catcher;
    QDesktopServices::setUrlHandler("https", &catcher, "open");
    QDesktopServices::setUrlHandler("mailto", &catcher, "open");
    for (const char* name : {"ForumURL", "SupportURL"}) {
        QLabel* label = dialog.findChild<QLabel*>(name);
        const QString text = label->text();
        const QString href = text.section('"', 1, 1);
        QVERIFY(QMetaObject::invokeMethod(label, "linkActivated", Q_ARG(QString, href)));
    }
    QDesktopServices::unsetUrlHandler("https");
    QDesktopServices::unsetUrlHandler("mailto");
    QCOMPARE(catcher.urls.size(), 2);
    QCOMPARE(catcher.urls[0].scheme(), QStringLiteral("https"));
    QCOMPARE(catcher.urls[1].scheme(), QStringLiteral("mailto"));
}

KOLZ_TEST_MAIN_WIDGETS(TestFeedback)
#include "tst_feedback.moc"
