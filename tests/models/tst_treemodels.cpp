#include "support/TestEnvironment.h"

#include "models/Profile.h"
#include "models/ProfileDataWrapper.h"

#include <QAbstractItemModelTester>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QSortFilterProxyModel>

#include <limits>
#include <memory>

class TestTreeModels : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void structure();
    void flagsFollowEditMode();
    void capabilityKeyEdits();
    void rowInsertionAndRemoval();
    void modelTester();

private:
    std::shared_ptr<ProfileDataWrapper> wrapper;
    std::unique_ptr<models::Profile> profile;
};

namespace {

ProfileNode leaf(const char* name, const char* value)
{
    return ProfileNode{name, value, {}};
}

ProfileNode inner(const char* name, std::vector<ProfileNode> children)
{
    return ProfileNode{name, "", std::move(children)};
}

QStringList column0(const QAbstractItemModel& model, const QModelIndex& parent, int role)
{
    QStringList texts;
    for (int r = 0; r < model.rowCount(parent); ++r)
        texts << model.index(r, 0, parent).data(role).toString();
    return texts;
}

// Records every structural and data signal of a model, in order, with its arguments.
struct SignalLog : QObject
{
    QStringList events;

    explicit SignalLog(QAbstractItemModel* m)
    {
        auto rows = [this](const char* what) {
            return [this, what](const QModelIndex& parent, int first, int last) {
                events << QString("%1 %2 %3-%4").arg(what).arg(parent.row()).arg(first).arg(last);
            };
        };
        connect(m, &QAbstractItemModel::rowsInserted, this, rows("inserted"));
        connect(m, &QAbstractItemModel::rowsRemoved, this, rows("removed"));
        connect(m, &QAbstractItemModel::layoutAboutToBeChanged, this,
                [this] { events << "layout("; });
        connect(m, &QAbstractItemModel::layoutChanged, this, [this] { events << "layout)"; });
        connect(m, &QAbstractItemModel::dataChanged, this,
                [this](const QModelIndex& a, const QModelIndex& b, const QList<int>& roles) {
                    events << QString("data %1 %2 %3").arg(a.row()).arg(a == b).arg(roles.size());
                });
    }
};

} // namespace

void TestTreeModels::init()
{
    ProfileData data;
    data.setDevice("Sample");
    data.capabilities[2] = {
        leaf("max_texture_size", "4096"),
        inner("aliased_point_size_range", {leaf("min", "1"), leaf("max", "64")})};
    data.capabilities[3] = {};
    data.extensions[1] = {"GL_OES_a", "GL_OES_b"};
    data.eglConfigs[1] = {
        leaf("red_size", "8"),
        inner("max_pbuffer", {leaf("height", "2048"), leaf("width", "4096")}),
        inner("transparency",
              {leaf("type", "EGL_NONE"), leaf("red", "0"), leaf("green", "0"), leaf("blue", "0")}),
        leaf("unknown_attribute", "5"),
        inner("swap_interval", {inner("max", {leaf("deeper", "1")})}),
        leaf("surface_type", "EGL_WINDOW_BIT"),
        leaf("surface_type", "EGL_PBUFFER_BIT"),
    };
    profile.reset();
    wrapper = std::make_shared<ProfileDataWrapper>(data);
    profile = std::make_unique<models::Profile>(nullptr, wrapper);
}

void TestTreeModels::structure()
{
    const auto& caps = *profile->capabilityTree();
    QCOMPARE(column0(caps, {}, Qt::DisplayRole), (QStringList{"OpenGL ES 2.0", "OpenGL ES 3.0"}));
    const QModelIndex v2 = caps.index(0, 0);
    // Column 1 exists only for rows without children.
    QVERIFY(!caps.index(0, 1).isValid());
    QVERIFY(caps.index(1, 1).isValid());
    QVERIFY(caps.index(0, 1, v2).isValid());
    QVERIFY(!caps.index(1, 1, v2).isValid());
    const QModelIndex range = caps.index(1, 0, v2);
    const QModelIndex max = caps.index(1, 1, range);
    QCOMPARE(max.data(), QVariant("64"));
    QCOMPARE(caps.parent(max), range);
    QCOMPARE(caps.parent(range), v2);
    QVERIFY(!caps.parent(v2).isValid());
    QCOMPARE(caps.rowCount(caps.index(0, 1, v2)), 0);

    const auto& extensions = *profile->extensionTree();
    QCOMPARE(extensions.rowCount(extensions.index(0, 0)), 2);
    QVERIFY(!extensions.index(0, 1, extensions.index(0, 0)).isValid());

    // EGL attribute leaves hang flat under their configuration; unknown or too deep leaves give
    // no row, a repeated bit-mask attribute one row per element.
    const auto& configs = *profile->eglConfigTree();
    const QModelIndex config = configs.index(0, 0);
    QCOMPARE(config.data(), QVariant("Config 1"));
    QCOMPARE(column0(configs, config, Qt::DisplayRole),
             (QStringList{"EGL_RED_SIZE", "EGL_MAX_PBUFFER_HEIGHT", "EGL_MAX_PBUFFER_WIDTH",
                          "EGL_TRANSPARENT_TYPE", "EGL_TRANSPARENT_RED", "EGL_TRANSPARENT_GREEN",
                          "EGL_TRANSPARENT_BLUE", "EGL_SURFACE_TYPE", "EGL_SURFACE_TYPE"}));
    QCOMPARE(configs.index(3, 1, config).data(Qt::EditRole), QVariant(0x3038));
}

void TestTreeModels::flagsFollowEditMode()
{
    const QList<QAbstractItemModel*> trees{profile->capabilityTree(), profile->extensionTree(),
                                           profile->eglConfigTree()};
    for (int expected : {33, 35, 33}) {
        profile->setEditable(expected == 35);
        for (const QAbstractItemModel* tree : trees) {
            QCOMPARE(int(tree->flags({})), 0);
            QCOMPARE(int(tree->flags(tree->index(0, 0))), expected);
            QCOMPARE(int(tree->flags(tree->index(1, 0, tree->index(0, 0)))), expected);
        }
    }
}

void TestTreeModels::capabilityKeyEdits()
{
    auto& caps = *profile->capabilityTree();
    QSortFilterProxyModel proxy;
    proxy.setSourceModel(&caps);
    const QModelIndex v2 = caps.index(0, 0);
    const QPersistentModelIndex row = caps.index(0, 0, v2); // max_texture_size 4096
    const QPersistentModelIndex proxyRow = proxy.index(0, 0, proxy.index(0, 0));
    SignalLog log(&caps);

    // A limit with sub-keys clears the value and gets them as announced rows.
    QVERIFY(caps.setData(row, "aliased_point_size_range", Qt::EditRole));
    QCOMPARE(log.events, (QStringList{"layout(", "inserted 0 0-1", "data 0 1 0", "layout)"}));
    QCOMPARE(column0(caps, row, Qt::EditRole), (QStringList{"min", "max"}));
    QVERIFY(caps.itemFromIndex(row)->data(1, Qt::EditRole).toString().isNull());
    QVERIFY(!caps.index(0, 1, row).data(Qt::EditRole).isValid());
    QCOMPARE(proxy.rowCount(proxyRow), 2);

    // Committing the key a row already has (a delegate's Enter) keeps its sub-key values.
    QVERIFY(caps.setData(caps.index(1, 1, row), "64"));
    log.events.clear();
    QVERIFY(caps.setData(row, QString("aliased_point_size_range"), Qt::EditRole));
    QCOMPARE(log.events, (QStringList{"layout(", "data 0 1 0", "layout)"}));
    QCOMPARE(caps.index(1, 1, row).data(), QVariant("64"));

    // Other sub-keys replace them, each removal announced; a plain limit drops them and keeps
    // the value; unknown texts and texts on version rows change no rows.
    log.events.clear();
    QVERIFY(caps.setData(row, "max_viewport_dims", Qt::EditRole));
    QCOMPARE(log.events, (QStringList{"layout(", "removed 0 0-0", "removed 0 0-0", "inserted 0 0-1",
                                      "data 0 1 0", "layout)"}));
    QCOMPARE(proxy.index(1, 0, proxyRow).data(), QVariant("height"));
    QVERIFY(caps.setData(row, "max_lights", Qt::EditRole));
    QCOMPARE(caps.rowCount(row), 0);
    QCOMPARE(proxy.rowCount(proxyRow), 0);
    QVERIFY(caps.setData(caps.index(1, 0, v2), "no_such_limit", Qt::EditRole));
    QCOMPARE(caps.rowCount(caps.index(1, 0, v2)), 2);
    QVERIFY(caps.setData(v2, "max_viewport_dims", Qt::EditRole));
    QCOMPARE(caps.rowCount(v2), 2);

    // Only Qt::EditRole on a valid index stores anything.
    log.events.clear();
    QVERIFY(!caps.setData(row, "max_lights", Qt::DisplayRole));
    QVERIFY(!caps.setData({}, "max_lights", Qt::EditRole));
    auto& configs = *profile->eglConfigTree();
    SignalLog configLog(&configs);
    QVERIFY(configs.setData(configs.index(0, 1, configs.index(0, 0)), "EGL_DONT_CARE"));
    QCOMPARE(configs.index(0, 1, configs.index(0, 0)).data(Qt::EditRole), QVariant(-1));
    QCOMPARE(log.events, QStringList());
    QCOMPARE(configLog.events, QStringList{"data 0 1 0"});
}

void TestTreeModels::rowInsertionAndRemoval()
{
    // Out-of-range positions and counts are refused without a signal.
    for (QAbstractItemModel* tree : QList<QAbstractItemModel*>{
             profile->capabilityTree(), profile->extensionTree(), profile->eglConfigTree()}) {
        SignalLog refused(tree);
        const QModelIndex top = tree->index(0, 0);
        const int rows = tree->rowCount(top);
        constexpr int huge = std::numeric_limits<int>::max();
        QVERIFY(!tree->insertRows(-1, 1, {}) && !tree->insertRows(tree->rowCount() + 1, 1, {}));
        QVERIFY(!tree->insertRows(0, 0, top) && !tree->insertRows(0, huge, top));
        QVERIFY(!tree->removeRows(tree->rowCount(), 1, {}) && !tree->removeRows(-1, 1, {}));
        QVERIFY(!tree->removeRows(rows - 1, 2, top) && !tree->removeRows(1, huge, top));
        QVERIFY(!tree->removeRows(0, 0, top));
        QCOMPARE(refused.events, QStringList());
        QCOMPARE(tree->rowCount(top), rows);
    }

    auto& configs = *profile->eglConfigTree();
    SignalLog log(&configs);
    QVERIFY(configs.insertRows(0, 1, {}));
    QCOMPARE(log.events, (QStringList{"layout(", "inserted -1 0-0", "layout)"}));
    QCOMPARE(configs.index(0, 0).data(), QVariant(""));
    QVERIFY(!configs.index(0, 0).data(Qt::EditRole).toString().isNull());
    const QModelIndex config = configs.index(1, 0);
    QVERIFY(configs.insertRows(1, 2, config));
    QCOMPARE(configs.index(2, 1, config).data(Qt::EditRole), QVariant(""));
    QCOMPARE(configs.index(3, 0, config).data(), QVariant("EGL_MAX_PBUFFER_HEIGHT"));

    const int n = configs.rowCount(config);
    log.events.clear();
    QVERIFY(configs.removeRows(n - 1, 1, config));
    QCOMPARE(log.events, QStringList{QString("removed 1 %1-%1").arg(n - 1)});
    QCOMPARE(configs.rowCount(config), n - 1);
}

namespace {

QStringList testerReports;

void collectTesterReports(QtMsgType type, const QMessageLogContext& context, const QString& text)
{
    if (type != QtDebugMsg && qstrcmp(context.category, "qt.modeltest") == 0)
        testerReports << text;
}

} // namespace

void TestTreeModels::modelTester()
{
    testerReports.clear();
    const QtMessageHandler previous = qInstallMessageHandler(collectTesterReports);
    {
        using Mode = QAbstractItemModelTester::FailureReportingMode;
        auto& caps = *profile->capabilityTree();
        auto& extensions = *profile->extensionTree();
        auto& configs = *profile->eglConfigTree();
        QAbstractItemModelTester capsTester(&caps, Mode::Warning);
        QAbstractItemModelTester extensionTester(&extensions, Mode::Warning);
        QAbstractItemModelTester configTester(&configs, Mode::Warning);
        const QModelIndex v2 = caps.index(0, 0);
        caps.setData(caps.index(0, 0, v2), "smooth_line_width_range");
        caps.setData(caps.index(0, 0, v2), "max_lights");
        caps.insertRows(1, 2, v2);
        caps.removeRows(0, 2, v2);
        caps.removeRows(1, 1, {});
        extensions.insertRows(0, 1, extensions.index(0, 0));
        extensions.setData(extensions.index(0, 0), 31);
        extensions.removeRows(0, 1, {});
        configs.insertRows(0, 3, configs.index(0, 0));
        configs.removeRows(0, 1, {});
    }
    qInstallMessageHandler(previous);

    // Two kinds of report are tolerated, both by design of these trees:
    // - a row with children has no column 1, while the tester expects every column of every
    //   row to exist ("Got invalid index ... col= 1", "a.isValid()" and the like);
    // - insertRows and key edits announce their rows inside a layout change, and the tester
    //   wants no row change while a layout change (4) is in flight.
    // The tester gives up on a change at its first report, so the spies above check those
    // changes instead. Anything else it reports is a fault.
    const QRegularExpression tolerated(
        R"(^(Got invalid index at row= \d+ col= 1 |FAIL! (index|a|topIndex1)\.isValid\(\) )"
        R"(|FAIL! Compared values are not the same:\n   Actual \(changeInFlight\) 4\n))");
    QStringList unexpected;
    for (const QString& report : std::as_const(testerReports))
        if (!tolerated.match(report).hasMatch())
            unexpected << report;
    QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join('\n')));
    QVERIFY(!testerReports.isEmpty()); // the tolerated reports did occur: the tester ran
}

KOLZ_TEST_MAIN_CORE(TestTreeModels)
#include "tst_treemodels.moc"
