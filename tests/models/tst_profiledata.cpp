#include "support/TestEnvironment.h"

#include "models/ProfileDataWrapper.h"
#include "models/ProfileFiles.h"
#include "prefs/XmlShape.h"

#include <QFile>
#include <QVariant>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <future>
#include <thread>

#include <memory>
#include <stdexcept>

namespace {

ProfileData namedData(const std::string& device, const std::string& renderer,
                      const std::string& fileName)
{
    ProfileData data;
    data.setDevice(device);
    data.setRenderer(renderer);
    data.setFileName(fileName);
    return data;
}

QString errorOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const std::runtime_error& error) {
        return QString::fromStdString(error.what());
    }
    return QStringLiteral("<no error>");
}

} // namespace

class TestProfileData : public QObject
{
    Q_OBJECT

private slots:
    void displayName_data();
    void displayName();
    void namelessProfile();
    void identifier();
    void copiesAreDeepAndWritable();
    void readOnlyRefusesEditing();
    void readOnlyStaysReadOnlyWhenShared();
    void weakHandleTravelsInVariant();
    void findOrCreateNode();
    void onlyRegularFilesAreRead();
    void filesBeyondAnyProfileSizeAreSkipped_data();
    void filesBeyondAnyProfileSizeAreSkipped();
};

void TestProfileData::displayName_data()
{
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("renderer");
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QString>("expected");

    QTest::newRow("device wins") << "Slate"
                                 << "K210"
                                 << "a.xml"
                                 << "Slate";
    QTest::newRow("renderer only") << ""
                                   << "K210"
                                   << "a.xml"
                                   << "Generic K210";
    QTest::newRow("file name last") << ""
                                    << ""
                                    << "a.xml"
                                    << "a.xml";
}

void TestProfileData::displayName()
{
    QFETCH(QString, device);
    QFETCH(QString, renderer);
    QFETCH(QString, fileName);
    QFETCH(QString, expected);
    const ProfileData data =
        namedData(device.toStdString(), renderer.toStdString(), fileName.toStdString());
    QCOMPARE(QString::fromStdString(data.displayName()), expected);
}

void TestProfileData::namelessProfile()
{
    const ProfileData nameless = namedData("", "", "");
    QCOMPARE(errorOf([&] { nameless.displayName(); }), QStringLiteral("Profile has no name"));

    // A writable profile that was never saved is known by its (empty) file name; a read-only
    // one needs a name.
    QCOMPARE(ProfileDataWrapper(nameless).identifier(), std::string());
    const auto readOnly = ProfileDataWrapper::fromXml("<profile/>", false);
    QCOMPARE(errorOf([&] { readOnly.identifier(); }), QStringLiteral("Profile has no name"));
}

void TestProfileData::identifier()
{
    const std::string xml = "<profile><device>Slate</device></profile>";
    const auto writable = ProfileDataWrapper::fromXml(xml, true);
    writable.editableData()->setFileName("slate.xml");
    QCOMPARE(writable.identifier(), std::string("slate.xml"));

    const auto readOnly = ProfileDataWrapper::fromXml(xml, false);
    QCOMPARE(readOnly.identifier(), std::string("Slate"));
}

void TestProfileData::copiesAreDeepAndWritable()
{
    const auto source = ProfileDataWrapper::fromXml(
        "<profile><device>Slate</device><es version=\"2\"><extension>GL_b</extension>"
        "<max_texture_size>4096</max_texture_size></es></profile>",
        false);
    QVERIFY(!source.isWritable());

    const ProfileDataWrapper copy(source);
    QVERIFY(copy.isWritable());
    QVERIFY(copy.data() != source.data());
    QCOMPARE(*copy.data(), *source.data());

    const std::shared_ptr<ProfileData> edited = copy.editableData();
    edited->setDevice("Changed");
    edited->extensions[2].push_back("GL_c");
    edited->capabilities[2].front().value = "1";
    QCOMPARE(source.data()->device(), std::string("Slate"));
    QCOMPARE(source.data()->extensions.at(2).size(), std::size_t(1));
    QCOMPARE(source.data()->capabilities.at(2).front().value, std::string("4096"));

    // A copy of a copy is still independent.
    const ProfileDataWrapper second(copy);
    edited->setVendor("V");
    QVERIFY(second.data()->vendor().empty());
}

void TestProfileData::readOnlyRefusesEditing()
{
    const auto readOnly =
        ProfileDataWrapper::fromXml("<profile><renderer>K210</renderer></profile>", false);
    QCOMPARE(errorOf([&] { readOnly.editableData(); }),
             QStringLiteral("Tried to edit a read-only profile: 'Generic K210'"));

    const auto writable =
        ProfileDataWrapper::fromXml("<profile><renderer>K210</renderer></profile>", true);
    QCOMPARE(writable.editableData().get(), writable.data());
}

void TestProfileData::readOnlyStaysReadOnlyWhenShared()
{
    // The controller moves freshly read wrappers into shared pointers; that must not go through
    // the copy constructor, which would make a built-in profile writable.
    const auto shared = std::make_shared<ProfileDataWrapper>(
        ProfileDataWrapper::fromXml("<profile><device>Slate</device></profile>", false));
    QVERIFY(!shared->isWritable());
    QVERIFY_THROWS_EXCEPTION(std::runtime_error, shared->editableData());
}

void TestProfileData::weakHandleTravelsInVariant()
{
    const QMetaType type = QMetaType::fromName("std::weak_ptr<const ProfileDataWrapper>");
    QVERIFY(type.isValid());
    QCOMPARE(type, QMetaType::fromType<std::weak_ptr<const ProfileDataWrapper>>());

    auto shared = std::make_shared<ProfileDataWrapper>(ProfileData());
    const QVariant item = QVariant::fromValue(std::weak_ptr<const ProfileDataWrapper>(shared));
    QCOMPARE(item.value<std::weak_ptr<const ProfileDataWrapper>>().lock().get(), shared.get());
    shared.reset();
    QVERIFY(item.value<std::weak_ptr<const ProfileDataWrapper>>().expired());
}

void TestProfileData::findOrCreateNode()
{
    std::vector<ProfileNode> nodes{
        {"level", "0", {}}, {"max_pbuffer", "", {{"width", "4096", {}}}}, {"level", "1", {}}};

    // Only the missing node is appended, behind the existing child.
    ProfileNode* height = ::findOrCreateNode(nodes, {"max_pbuffer", "height"});
    QCOMPARE(nodes.size(), std::size_t(3));
    QCOMPARE(nodes[1].children.size(), std::size_t(2));
    QCOMPARE(nodes[1].children[0], (ProfileNode{"width", "4096", {}}));
    QCOMPARE(height, &nodes[1].children[1]);
    height->value = "2048";
    QCOMPARE(::findOrCreateNode(nodes, {"max_pbuffer", "height"}), height);
    QCOMPARE(height->value, std::string("2048"));

    // The first of two nodes with the same name is taken.
    QCOMPARE(::findOrCreateNode(nodes, {"level"}), &nodes[0]);

    ProfileNode* min = ::findOrCreateNode(nodes, {"swap_interval", "min"});
    QCOMPARE(nodes.size(), std::size_t(4));
    QCOMPARE(min, &nodes[3].children[0]);
    QCOMPARE(::findOrCreateNode(nodes[0], {}), &nodes[0]);

    // An empty path names no node in a list.
    QCOMPARE(::findOrCreateNode(nodes, {}), nullptr);
    QCOMPARE(nodes.size(), std::size_t(4));
}

void TestProfileData::onlyRegularFilesAreRead()
{
    // A FIFO in the profiles directory must be skipped at once, not waited on: were the read
    // still waiting after a long while, a writer opening and closing the FIFO releases it.
    const QString fifo = kolz::test::environment().profiles() + "/fifo.xml";
    QVERIFY(::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0);
    std::promise<bool> done;
    std::future<bool> threw = done.get_future();
    std::thread reader([&] {
        try {
            ProfileData::fromFile(fifo.toStdString());
            done.set_value(false);
        } catch (const std::runtime_error&) {
            done.set_value(true);
        }
    });
    const bool onItsOwn = threw.wait_for(std::chrono::seconds(10)) == std::future_status::ready;
    if (!onItsOwn) {
        const int fd = ::open(QFile::encodeName(fifo).constData(), O_WRONLY);
        if (fd >= 0)
            ::close(fd);
    }
    reader.join();
    QVERIFY(onItsOwn);
    QVERIFY(threw.get());
    QVERIFY(QFile::remove(fifo));
}

// A profile padded out past the bound (with blanks, then sparse, costing no disk) is no profile:
// read whole, a file of this size would exhaust memory (of tiny elements, one of 2 MiB already
// costs far too much). Nor is one with an element crowded with attributes, nested too deep, with
// a stray end tag (the parse would drop what follows) or a text longer than the editor's fields.
void TestProfileData::filesBeyondAnyProfileSizeAreSkipped_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<qint64>("size");
    QTest::addColumn<bool>("read");
    const QByteArray padded = "<profile><device>Padded</device></profile>";
    QTest::newRow("at the bound") << padded << qint64(maxProfileFileSize) << true;
    QTest::newRow("a byte past it") << padded << qint64(maxProfileFileSize + 1) << false;
    QTest::newRow("2 MiB") << padded << qint64(2 << 20) << false;
    QTest::newRow("64 GiB") << padded << (qint64(64) << 30) << false;
    QByteArray most = "<profile><device";
    for (std::size_t i = 0; i < maxXmlAttributesPerElement; ++i)
        most += " a" + QByteArray::number(qulonglong(i)) + "=\"\"";
    QTest::newRow("the most attributes an element may have")
        << most + ">Padded</device></profile>" << qint64(0) << true;
    QTest::newRow("one more") << most + " b=\"\">Padded</device></profile>" << qint64(0) << false;
    // Texts counted as the fields count them: a character beyond U+FFFF is two.
    const QByteArray wide = QString(maxHeaderTextLength, QChar(0x4E2D)).toUtf8();
    QTest::newRow("a device at the text bound")
        << "<profile><device>" + wide + "</device></profile>" << qint64(0) << true;
    const QByteArray head = padded.chopped(10); // without "</profile>"
    QTest::newRow("a vendor one past it")
        << head + "<vendor>" + QByteArray(maxHeaderTextLength - 1, 'n') +
               "\xF0\x9F\x98\x80</vendor></profile>"
        << qint64(0) << false;
    QTest::newRow("a stray end tag after the profile") << padded + "</junk>" << qint64(0) << false;
    const QByteArray deep = QByteArray("<a>").repeated(maxXmlElementDepth - 1) +
                            QByteArray("</a>").repeated(maxXmlElementDepth - 1);
    QTest::newRow("nested to the most levels") << head + deep + "</profile>" << qint64(0) << true;
    QTest::newRow("one level deeper")
        << head + "<a>" + deep + "</a></profile>" << qint64(0) << false;
}

void TestProfileData::filesBeyondAnyProfileSizeAreSkipped()
{
    QFETCH(QByteArray, content);
    QFETCH(qint64, size);
    QFETCH(bool, read);
    const QString path = kolz::test::environment().profiles() + "/padded.xml";
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    // Blanks up to a byte past the bound (a parse takes in trailing blanks), sparse beyond.
    const QByteArray blanked =
        content.leftJustified(std::min(size, qint64(maxProfileFileSize) + 1), ' ');
    QCOMPARE(file.write(blanked), blanked.size());
    QVERIFY(file.resize(std::max(size, qint64(content.size()))));
    file.close();

    const QString error = errorOf([&] {
        // Read whole: the device text as the file holds it.
        const QByteArray device = content.left(content.indexOf("</device>"));
        QCOMPARE(ProfileData::fromFile(path.toStdString()).device(),
                 device.mid(device.lastIndexOf('>') + 1).toStdString());
    });
    QVERIFY(QFile::remove(path));
    QCOMPARE(error, read ? QStringLiteral("<no error>")
                         : QStringLiteral("Failed to load profile data from file: '%1'").arg(path));
}

KOLZ_TEST_MAIN_CORE(TestProfileData)
#include "tst_profiledata.moc"
