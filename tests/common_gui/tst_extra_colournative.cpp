#include "support/TestEnvironment.h"

#include "common_gui/ColourSelectButton.h"
#include "common_gui/NativeFunctions.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QTimer>
#include <QUrl>

#include <functional>

namespace {

// Answers the next modal dialog of type T from the event loop it runs in: modal dialogs block
// the test until answered. Gives up (and the test then hangs no longer than the dialog lives)
// after about two seconds.
template <typename T> void answerDialog(std::function<void(T*)> answer, int triesLeft = 200)
{
    QTimer::singleShot(10, [answer, triesLeft] {
        if (auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget())) {
            answer(dialog);
            return;
        }
        if (triesLeft > 0)
            answerDialog<T>(answer, triesLeft - 1);
    });
}

// QFileDialog hides the accept it overrides.
void accept(QFileDialog* dialog)
{
    static_cast<QDialog*>(dialog)->accept();
}

QString makeFile(const QString& name)
{
    const QString path = kolz::test::environment().tmp() + QLatin1Char('/') + name;
    QFile file(path);
    return file.open(QIODevice::WriteOnly) ? path : QString();
}

// Stands in for the desktop: records the URLs it is asked to open.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> urls;

public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

// The colour button's swatch, dialog and signals; the file dialogs and folder opener behind
// NativeFunctions.
class TestColourAndNative : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();

    void swatchCoversItsRectangle();
    void dialogChangesTheColourUnlessCancelled();
    void openAndSaveDialogs();
    void showInFolderOpensAnAbsoluteFolder();
};

void TestColourAndNative::initTestCase()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
}

void TestColourAndNative::swatchCoversItsRectangle()
{
    ColourSelectButton defaulted;
    QCOMPARE(defaulted.colour(), QColor(Qt::transparent));

    const QColor green(10, 200, 30);
    ColourSelectButton button(green);
    button.resize(40, 20);
    const QImage image = button.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const QColor outline(Qt::black);

    // Outline from (5, 5) to (33, 13), filled inside, nothing of it beyond.
    for (const QPoint corner : {QPoint(5, 5), QPoint(33, 5), QPoint(5, 13), QPoint(33, 13)})
        QCOMPARE(image.pixelColor(corner), outline);
    for (int y = 6; y <= 12; ++y) {
        for (int x = 6; x <= 32; ++x)
            QCOMPARE(image.pixelColor(x, y), green);
    }
    for (const QPoint outside : {QPoint(34, 9), QPoint(19, 14), QPoint(4, 9), QPoint(19, 4)}) {
        QVERIFY(image.pixelColor(outside) != outline);
        QVERIFY(image.pixelColor(outside) != green);
    }

    // Too small for a swatch: the plain button.
    button.resize(10, 10);
    QVERIFY(!button.grab().isNull());
}

void TestColourAndNative::dialogChangesTheColourUnlessCancelled()
{
    const QColor start(200, 10, 10);
    ColourSelectButton button(start);
    QSignalSpy changed(&button, &ColourSelectButton::ColourChanged);
    QSignalSpy userChanged(&button, &ColourSelectButton::UserColourChanged);

    QColor offered;
    answerDialog<QColorDialog>([&offered](QColorDialog* dialog) {
        offered = dialog->currentColor();
        dialog->setCurrentColor(QColor(0, 255, 0));
        dialog->reject();
    });
    button.click();
    QCOMPARE(offered, start);
    QCOMPARE(button.colour(), start);
    QCOMPARE(changed.size(), 0);
    QCOMPARE(userChanged.size(), 0);

    answerDialog<QColorDialog>([](QColorDialog* dialog) {
        dialog->setCurrentColor(QColor(0, 0, 255));
        dialog->accept();
    });
    button.click();
    QCOMPARE(button.colour(), QColor(0, 0, 255));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(userChanged.size(), 1);

    // A change from code is not the user's.
    button.SetColour(QColor(1, 2, 3));
    QCOMPARE(button.colour(), QColor(1, 2, 3));
    QCOMPARE(changed.size(), 2);
    QCOMPARE(userChanged.size(), 1);
}

void TestColourAndNative::openAndSaveDialogs()
{
    const QString dir = kolz::test::environment().tmp();
    const QString first = makeFile(QStringLiteral("first.txt"));
    const QString second = makeFile(QStringLiteral("second.txt"));
    QVERIFY(!first.isEmpty() && !second.isEmpty());
    const QString filter = QStringLiteral("Text files (*.txt);;All files (*)");
    const QFileDialog::Options options = QFileDialog::DontUseNativeDialog;
    NativeFunctions native;

    // One file: a list of one, or an empty list when cancelled.
    QString selectedFilter;
    answerDialog<QFileDialog>([&first](QFileDialog* dialog) {
        dialog->selectFile(first);
        accept(dialog);
    });
    QCOMPARE(native.getOpenFileNames(nullptr, QStringLiteral("Open"), dir, filter, false,
                                     &selectedFilter, options),
             QStringList{first});
    QCOMPARE(selectedFilter, QStringLiteral("Text files (*.txt)"));

    answerDialog<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    QVERIFY(native.getOpenFileNames(nullptr, QString(), dir, filter, false, nullptr, options)
                .isEmpty());

    // Several files at once.
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    answerDialog<QFileDialog>([&mode](QFileDialog* dialog) {
        mode = dialog->fileMode();
        if (auto* name = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
            name->setText(QStringLiteral("\"first.txt\" \"second.txt\""));
        accept(dialog);
    });
    QStringList both =
        native.getOpenFileNames(nullptr, QString(), dir, filter, true, nullptr, options);
    both.sort();
    QCOMPARE(mode, QFileDialog::ExistingFiles);
    QCOMPARE(both, (QStringList{first, second}));

    // Saving: the chosen name, or the empty text when cancelled.
    const QString target = dir + QStringLiteral("/saved.txt");
    QFileDialog::AcceptMode acceptMode = QFileDialog::AcceptOpen;
    answerDialog<QFileDialog>([&target, &acceptMode](QFileDialog* dialog) {
        acceptMode = dialog->acceptMode();
        dialog->selectFile(target);
        accept(dialog);
    });
    QCOMPARE(native.getSaveFileName(nullptr, QStringLiteral("Save"), dir, filter, true, nullptr,
                                    options),
             target);
    QCOMPARE(acceptMode, QFileDialog::AcceptSave);
    answerDialog<QFileDialog>([](QFileDialog* dialog) { dialog->reject(); });
    QCOMPARE(native.getSaveFileName(nullptr, QString(), dir, filter, false, nullptr, options),
             QString());
}

void TestColourAndNative::showInFolderOpensAnAbsoluteFolder()
{
    UrlRecorder desktop;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
    NativeFunctions native;
    native.showInFolder(QStringLiteral("/a/b/c.txt"));
    native.showInFolder(QStringLiteral("c.txt"));
    native.showInFolder(QStringLiteral("sub/c.txt"));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    QCOMPARE(desktop.urls.size(), 3);
    QCOMPARE(desktop.urls[0], QUrl::fromLocalFile(QStringLiteral("/a/b")));
    // A bare or relative name is taken from the current directory.
    QCOMPARE(desktop.urls[1].toLocalFile(), QDir::currentPath());
    QCOMPARE(desktop.urls[2].toLocalFile(), QDir::currentPath() + QStringLiteral("/sub"));
    for (const QUrl& url : desktop.urls)
        QVERIFY(QDir::isAbsolutePath(url.toLocalFile()));
}

KOLZ_TEST_MAIN_WIDGETS(TestColourAndNative)
#include "tst_extra_colournative.moc"
