#include "support/TestEnvironment.h"

#include "common_gui/ColourSelectButton.h"
#include "common_gui/KitTestHelpers.h"
#include "common_gui/NativeFunctions.h"

#include <QColorDialog>
#include <QDesktopServices>
#include <QSignalSpy>
#include <QStyleFactory>
#include <QUrl>

using kolz::test::answerFileDialog;
using kolz::test::answerModal;

namespace {

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
    void swatchCoversItsRectangle();
    void dialogChangesTheColourUnlessCancelled();
    void fileDialogsGiveTheChoiceOrNothing();
    void showInFolderOpensAnAbsoluteFolder();
};

void TestColourAndNative::swatchCoversItsRectangle()
{
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    const QColor green(10, 200, 30);
    ColourSelectButton button(green);
    button.resize(40, 20);
    const QImage image = button.grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Outline from (5, 5) to (33, 13), filled inside, nothing of it beyond.
    for (const QPoint corner : {QPoint(5, 5), QPoint(33, 5), QPoint(5, 13), QPoint(33, 13)})
        QCOMPARE(image.pixelColor(corner), QColor(Qt::black));
    for (int y = 6; y <= 12; ++y) {
        for (int x = 6; x <= 32; ++x)
            QCOMPARE(image.pixelColor(x, y), green);
    }
    for (const QPoint outside : {QPoint(34, 9), QPoint(19, 14), QPoint(4, 9), QPoint(19, 4)}) {
        const QColor colour = image.pixelColor(outside);
        QVERIFY(colour != QColor(Qt::black) && colour != green);
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
    answerModal<QColorDialog>([&offered](QColorDialog* dialog) {
        offered = dialog->currentColor();
        dialog->setCurrentColor(QColor(0, 255, 0));
        dialog->reject();
    });
    button.click();
    QCOMPARE(offered, start);
    QCOMPARE(button.colour(), start);
    QCOMPARE(changed.size() + userChanged.size(), 0);

    answerModal<QColorDialog>([](QColorDialog* dialog) {
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

void TestColourAndNative::fileDialogsGiveTheChoiceOrNothing()
{
    const QString dir = kolz::test::environment().tmp();
    const QString file = kolz::test::writeFile(dir + "/first.txt");
    const QFileDialog::Options options = QFileDialog::DontUseNativeDialog;
    NativeFunctions native;

    // One file: a list of one, or an empty list when cancelled.
    answerFileDialog(file);
    QCOMPARE(native.getOpenFileNames(nullptr, "Open", dir, {}, false, nullptr, options),
             QStringList{file});
    answerFileDialog(QString());
    QVERIFY(native.getOpenFileNames(nullptr, {}, dir, {}, false, nullptr, options).isEmpty());

    // Several files are asked for as such.
    QFileDialog::FileMode mode = QFileDialog::AnyFile;
    answerModal<QFileDialog>([&mode](QFileDialog* dialog) {
        mode = dialog->fileMode();
        dialog->reject();
    });
    native.getOpenFileNames(nullptr, {}, dir, {}, true, nullptr, options);
    QCOMPARE(mode, QFileDialog::ExistingFiles);

    // Saving gives the chosen name, or the empty text when cancelled.
    answerFileDialog(dir + "/saved.txt");
    QCOMPARE(native.getSaveFileName(nullptr, "Save", dir, {}, true, nullptr, options),
             dir + "/saved.txt");
    answerFileDialog(QString());
    QCOMPARE(native.getSaveFileName(nullptr, {}, dir, {}, false, nullptr, options), QString());
}

void TestColourAndNative::showInFolderOpensAnAbsoluteFolder()
{
    UrlRecorder desktop;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &desktop, "open");
    NativeFunctions native;
    for (const char* path : {"/a/b/c.txt", "c.txt", "sub/c.txt"})
        native.showInFolder(QString::fromLatin1(path));
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));

    // A bare or relative name is taken from the current directory.
    const QString here = QDir::currentPath();
    QCOMPARE(desktop.urls, (QList<QUrl>{QUrl::fromLocalFile("/a/b"), QUrl::fromLocalFile(here),
                                        QUrl::fromLocalFile(here + "/sub")}));
}

KOLZ_TEST_MAIN_WIDGETS(TestColourAndNative)
#include "tst_extra_colournative.moc"
