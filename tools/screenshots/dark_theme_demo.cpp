// A small form of everyday widgets in the dark theme, for looking at: renders itself and its
// recent-files menu to PNG files and quits. Run by tools/screenshots/dark_theme.sh under Xvfb.

#include "common_gui/AnimatedLabel.h"
#include "common_gui/ColourSelectButton.h"
#include "common_gui/DarkTheme.h"
#include "common_gui/LoadingSpinner.h"
#include "common_gui/RecentFiles.h"
#include "common_gui/RecentFilesMenu.h"
#include "prefs/KolPreferences.h"

#include <QApplication>
#include <QCheckBox>
#include <QDockWidget>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStandardItemModel>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QTreeView>
#include <QVBoxLayout>

#include <cstdio>

namespace {

QIcon squareIcon(const QColor& colour)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setBrush(colour);
    painter.setPen(Qt::NoPen);
    painter.drawRoundedRect(QRectF(1, 1, 14, 14), 3, 3);
    return QIcon(pixmap);
}

// Eight frames of a dot going round, two rows of four.
QPixmap dotStrip()
{
    QPixmap strip(128, 64);
    strip.fill(Qt::transparent);
    QPainter painter(&strip);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 8; ++i) {
        const QPointF centre((i % 4) * 32 + 16, (i / 4) * 32 + 16);
        painter.setPen(QPen(QColor(90, 90, 90), 2));
        painter.setBrush(Qt::NoBrush);
        painter.drawEllipse(centre, 11, 11);
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(42, 130, 218));
        const QLineF arm = QLineF::fromPolar(11, 90 - i * 45).translated(centre);
        painter.drawEllipse(arm.p2(), 4, 4);
    }
    return strip;
}

QWidget* controlsPage(QWidget* parent)
{
    auto* page = new QWidget(parent);
    auto* layout = new QHBoxLayout(page);

    auto* boxes = new QGroupBox(QStringLiteral("Check boxes"), page);
    auto* boxesLayout = new QVBoxLayout(boxes);
    auto* checked = new QCheckBox(QStringLiteral("Checked"), boxes);
    checked->setChecked(true);
    auto* partly = new QCheckBox(QStringLiteral("Partly"), boxes);
    partly->setTristate(true);
    partly->setCheckState(Qt::PartiallyChecked);
    auto* disabled = new QCheckBox(QStringLiteral("Disabled, checked"), boxes);
    disabled->setChecked(true);
    disabled->setEnabled(false);
    boxesLayout->addWidget(checked);
    boxesLayout->addWidget(new QCheckBox(QStringLiteral("Unchecked"), boxes));
    boxesLayout->addWidget(partly);
    boxesLayout->addWidget(disabled);
    layout->addWidget(boxes);

    auto* radios = new QGroupBox(QStringLiteral("Mode"), page);
    radios->setCheckable(true);
    auto* radiosLayout = new QVBoxLayout(radios);
    auto* strict = new QRadioButton(QStringLiteral("Strict"), radios);
    strict->setChecked(true);
    radiosLayout->addWidget(strict);
    radiosLayout->addWidget(new QRadioButton(QStringLiteral("Loose"), radios));
    auto* off = new QRadioButton(QStringLiteral("Disabled"), radios);
    off->setEnabled(false);
    radiosLayout->addWidget(off);
    radiosLayout->addStretch();
    layout->addWidget(radios);

    auto* form = new QGroupBox(QStringLiteral("Values"), page);
    auto* formLayout = new QFormLayout(form);
    formLayout->addRow(QStringLiteral("Name:"),
                       new QLineEdit(QStringLiteral("Orvel T20 handset"), form));
    auto* slider = new QSlider(Qt::Horizontal, form);
    slider->setValue(60);
    formLayout->addRow(QStringLiteral("Level:"), slider);
    formLayout->addRow(QStringLiteral("Colour:"),
                       new ColourSelectButton(QColor(230, 120, 40), form));
    auto* buttons = new QHBoxLayout;
    auto* ok = new QPushButton(QStringLiteral("OK"), form);
    ok->setDefault(true);
    auto* greyed = new QPushButton(QStringLiteral("Disabled"), form);
    greyed->setEnabled(false);
    buttons->addWidget(ok);
    buttons->addWidget(greyed);
    formLayout->addRow(buttons);
    auto* busy = new QHBoxLayout;
    auto* dots = new AnimatedLabel(dotStrip(), 32, 8, 100, form);
    dots->start();
    auto* spinner = new LoadingSpinner(form);
    spinner->setFixedSize(32, 32);
    spinner->start();
    busy->addWidget(dots);
    busy->addWidget(spinner);
    busy->addStretch();
    formLayout->addRow(QStringLiteral("Busy:"), busy);
    layout->addWidget(form);
    return page;
}

QWidget* treePage(QWidget* parent)
{
    auto* model = new QStandardItemModel(parent);
    model->setHorizontalHeaderLabels({QStringLiteral("Capability"), QStringLiteral("Value")});
    const char* versions[] = {"OpenGL ES 2.0", "OpenGL ES 3.0", "OpenGL ES 3.1"};
    for (const char* version : versions) {
        auto* item = new QStandardItem(QString::fromLatin1(version));
        for (const char* limit :
             {"GL_MAX_TEXTURE_SIZE", "GL_MAX_VIEWPORT_DIMS", "GL_MAX_SAMPLES"}) {
            auto* child = new QStandardItem(QString::fromLatin1(limit));
            child->appendRow({new QStandardItem(QStringLiteral("min")),
                              new QStandardItem(QStringLiteral("4096"))});
            item->appendRow({child, new QStandardItem(QStringLiteral("8192"))});
        }
        model->appendRow({item, new QStandardItem()});
    }
    auto* tree = new QTreeView(parent);
    tree->setModel(model);
    tree->setAlternatingRowColors(true);
    tree->expandAll();
    tree->collapse(model->index(2, 0));
    tree->setCurrentIndex(model->index(1, 0, model->index(0, 0)));
    tree->header()->resizeSection(0, 260);
    return tree;
}

QWidget* tablePage(QWidget* parent)
{
    auto* table = new QTableWidget(6, 3, parent);
    table->setHorizontalHeaderLabels(
        {QStringLiteral("Type"), QStringLiteral("Message"), QStringLiteral("Frame")});
    for (int row = 0; row < 6; ++row) {
        table->setItem(row, 0, new QTableWidgetItem(row % 2 ? "Warning" : "Error"));
        table->setItem(row, 1, new QTableWidgetItem(QStringLiteral("glDrawArrays: bad mode")));
        table->setItem(row, 2, new QTableWidgetItem(QString::number(120 + row)));
    }
    table->setAlternatingRowColors(true);
    return table;
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s window.png [menu.png]\n", argv[0]);
        return 2;
    }
    const QString windowShot = QString::fromLocal8Bit(argv[1]);
    const QString menuShot = argc > 2 ? QString::fromLocal8Bit(argv[2]) : QString();
    QApplication::setStyle(new DarkTheme);

    KolPreferences store("DarkThemeDemo", 0);
    std::string error;
    store.Load(error, false);
    RecentFiles recent(&store, 0, "Demo", 8);
    recent.clear();
    for (const char* path : {"/home/user/profiles/tablet.xml",
                             "/home/user/projects/alpha/beta/gamma/delta/epsilon/phone_profile.xml",
                             "/home/user/profiles/tv-box.xml"})
        recent.addFile(QString::fromLatin1(path));

    QMainWindow window;
    window.setWindowTitle(QStringLiteral("Dark theme"));
    auto* file = window.menuBar()->addMenu(QStringLiteral("&File"));
    file->addAction(QStringLiteral("&Open..."));
    auto* recentMenu = new RecentFilesMenu(QStringLiteral("Recent files"), file);
    recent.attachMenu(recentMenu);
    file->addMenu(recentMenu);
    auto* wire = file->addAction(QStringLiteral("Wireframe"));
    wire->setCheckable(true);
    wire->setChecked(true);
    window.menuBar()->addMenu(QStringLiteral("&Edit"));
    window.menuBar()->addMenu(QStringLiteral("&Help"));

    auto* tools = window.addToolBar(QStringLiteral("Tools"));
    tools->addAction(squareIcon(QColor(42, 170, 90)), QStringLiteral("Run"));
    tools->addAction(squareIcon(QColor(220, 80, 60)), QStringLiteral("Stop"))->setEnabled(false);
    tools->addSeparator();
    tools->addAction(squareIcon(QColor(230, 190, 60)), QStringLiteral("Save"));

    auto* tabs = new QTabWidget(&window);
    tabs->addTab(controlsPage(tabs), QStringLiteral("Controls"));
    tabs->addTab(treePage(tabs), QStringLiteral("Profile"));
    tabs->addTab(tablePage(tabs), QStringLiteral("Errors"));
    tabs->setTabEnabled(2, false);
    window.setCentralWidget(tabs);

    auto* dock = new QDockWidget(QStringLiteral("Profile tree"), &window);
    dock->setWidget(treePage(dock));
    window.addDockWidget(Qt::BottomDockWidgetArea, dock);
    window.statusBar()->showMessage(QStringLiteral("Connected: 2 applications"));
    window.resize(900, 640);
    window.show();

    QTimer::singleShot(800, &app, [&] {
        window.grab().save(windowShot);
        if (!menuShot.isEmpty()) {
            recentMenu->popup(window.mapToGlobal(QPoint(40, 40)));
            QTimer::singleShot(400, &app, [&] {
                recentMenu->setActiveAction(recentMenu->actions().value(1));
                recentMenu->grab().save(menuShot);
                app.quit();
            });
        } else {
            app.quit();
        }
    });
    return app.exec();
}
