#include "common_gui/AboutBoxDialog.h"
#include "ui_AboutBoxDialog.h"

#include "common_gui/KitBuild.h"
#include "prefs/KolPreferences.h"

#include <QApplication>
#include <QDesktopServices>
#include <QHBoxLayout>
#include <QImage>
#include <QLabel>
#include <QScreen>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

namespace {

const char* const showSplashSuffix = "/About/ShowSplash";
const char* const qtLicensingAddress = "https://www.qt.io/licensing/";
const char* const legalNotice = "\u00a9 2026 Tollerwaith Technologies";

struct MakerLink
{
    const char* caption;
    const char* address;
    const char* anchorText;
};

const MakerLink makerLinks[] = {
    {QT_TRANSLATE_NOOP("AboutBoxDialog", "License:"), "https://heliark.example/sdk-licence",
     "Heliark SDK Licence"},
    {QT_TRANSLATE_NOOP("AboutBoxDialog", "Support:"), "https://help.heliark.example",
     "help.heliark.example"},
    {QT_TRANSLATE_NOOP("AboutBoxDialog", "Developer Portal:"), "https://dev.heliark.example",
     "dev.heliark.example"},
    {QT_TRANSLATE_NOOP("AboutBoxDialog", "Website:"), "https://heliark.example", "heliark.example"},
};

QString styledAnchor(const QString& address, const QString& text)
{
    return QStringLiteral("<a href=\"%1\" style=\"color:#337ede;\">%2</a>").arg(address, text);
}

} // namespace

AboutBoxDialog::AboutBoxDialog(const QString& title, const QImage& logos, KolPreferences* store,
                               const QString& disclaimers, QWidget* parent, QWidget* customWidget)
    : QDialog(parent, Qt::FramelessWindowHint), form(new Ui::AboutBoxClass), store(store)
{
    // Both logos are cut from the one image; QImage::copy fills what lies outside with zeros.
    appLogo = QPixmap::fromImage(logos.copy(QRect(QPoint(0, 0), QPoint(599, 89))));
    makerLogo = QPixmap::fromImage(logos.copy(QRect(QPoint(0, 90), QPoint(239, 154))));
    initialise(title, disclaimers, customWidget);
}

AboutBoxDialog::AboutBoxDialog(const QString& title, const QIcon& appIcon, const QIcon& makerIcon,
                               KolPreferences* store, const QString& disclaimers, QWidget* parent,
                               QWidget* customWidget)
    : QDialog(parent, Qt::FramelessWindowHint), form(new Ui::AboutBoxClass), store(store),
      appIcon(appIcon), makerIcon(makerIcon)
{
    initialise(title, disclaimers, customWidget);
    form->TWX_Logo->setMargin(20);
}

AboutBoxDialog::~AboutBoxDialog()
{
    // A box destroyed while visible never sees its hide event; the application must not keep
    // calling into a half-destroyed filter.
    stopWatching();
    delete form;
}

void AboutBoxDialog::initialise(const QString& title, const QString& disclaimers,
                                QWidget* customWidget)
{
    form->setupUi(this);
    showSplashKey = title.toStdString() + showSplashSuffix;
    if (store) {
        bool show = showAtStartup;
        store->GetBool(showSplashKey, show, true);
        showAtStartup = show;
    }
    form->ShowAtStartUpCB->setChecked(showAtStartup);
    form->Header_label->setText(QStringLiteral("<big>") + title + QStringLiteral(" (Build ") +
                                QString::fromUtf8(kitBuildTag) + QStringLiteral(")</big>"));

    if (QLayout* old = form->custom_widget->layout()) {
        const auto children =
            form->custom_widget->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (QWidget* child : children)
            delete child;
        delete old;
    }
    auto* customLayout = new QHBoxLayout;
    customLayout->addWidget(customWidget ? customWidget : infoWidget(disclaimers));
    form->custom_widget->setLayout(customLayout);

    connect(form->ShowAtStartUpCB, SIGNAL(stateChanged(int)), this,
            SLOT(onCheckBoxStateChanged(int)));

    QPalette black = palette();
    black.setBrush(QPalette::All, QPalette::Window, QBrush(Qt::black, Qt::SolidPattern));
    black.setBrush(QPalette::All, QPalette::WindowText, QBrush(Qt::white, Qt::SolidPattern));
    setAutoFillBackground(true);
    setPalette(black);

    // Only the preference decides whether the box shows at start-up.
    form->ShowAtStartUpCB->hide();
    repaint();
    setModal(false);
}

QString AboutBoxDialog::styleSheet()
{
    return tr(
        "QLabel{border:0px; padding:0px;background:#000000;color:#F0F0F0}QToolTip{border:0px; "
        "background:#19232D;color:#F0F0F0;}QTextEdit,QListView,QTreeWidget{color:#F0F0F0;  "
        "background-color:black; border: 0px;}QScrollBar, QScrollBar::add-page, "
        "QScrollBar::sub-page {border: 0px; background: #000000; }QScrollBar::handle { "
        "border:0px; background: #19232D; }QScrollBar::add-line, QScrollBar::sub-line { "
        "width: 0px; height: 0px; }QScrollBar::up-arrow:vertical, "
        "QScrollBar::down-arrow:vertical, QScrollBar::left-arrow:horizonal, "
        "QScrollBar::right-arrow:horizontal { width: 0px; height: 0px; }QCheckBox "
        "{background:#000000;color:#F0F0F0}");
}

QWidget* AboutBoxDialog::infoWidget(QString disclaimers)
{
    auto* panel = new QWidget;
    const QString sheet = styleSheet();

    auto* qtLabel = new QLabel(
        QStringLiteral("Uses Qt version ") + QString::fromUtf8(qVersion()) + QStringLiteral("  ") +
        styledAnchor(QString::fromUtf8(qtLicensingAddress), QStringLiteral("license")));
    auto* noticeLabel = new QLabel(QString::fromUtf8(legalNotice));

    auto* captions = new QVBoxLayout;
    auto* links = new QVBoxLayout;
    QList<QLabel*> linkLabels;
    for (const MakerLink& link : makerLinks) {
        captions->addWidget(new QLabel(tr(link.caption)));
        const QString address = QString::fromUtf8(link.address);
        auto* label = new QLabel(styledAnchor(address, QString::fromUtf8(link.anchorText)));
        label->setToolTip(address);
        links->addWidget(label);
        linkLabels << label;
    }

    auto* browser = new QTextBrowser;
    browser->setOpenExternalLinks(true);
    browser->setCursorWidth(0);
    browser->setHtml(disclaimers);

    auto* linksPane = new QWidget;
    linksPane->setStyleSheet(sheet);
    auto* linksLayout = new QVBoxLayout(linksPane);
    linksLayout->addWidget(qtLabel);
    linksLayout->addWidget(noticeLabel);
    auto* rows = new QHBoxLayout;
    rows->addLayout(captions);
    rows->addLayout(links, 1);
    linksLayout->addLayout(rows);
    linksLayout->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding));

    auto* browserPane = new QWidget;
    browserPane->setStyleSheet(sheet);
    auto* browserLayout = new QVBoxLayout(browserPane);
    browserLayout->addWidget(browser);
    browserPane->setMinimumWidth(linksLayout->minimumSize().width());

    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addWidget(linksPane, 1);
    panelLayout->addWidget(browserPane, 1);

    connect(qtLabel, SIGNAL(linkActivated(QString)), this, SLOT(launchLink(QString)));
    for (QLabel* label : linkLabels)
        connect(label, SIGNAL(linkActivated(QString)), this, SLOT(launchLink(QString)));
    return panel;
}

void AboutBoxDialog::display(bool force)
{
    if (!force && !showAtStartup)
        return;
    // Laying out and placing the logos may still grow the box; centre what will be shown.
    if (QLayout* boxLayout = layout()) {
        boxLayout->activate();
        rescaleLogos();
        boxLayout->activate();
    }
    centreOverParent();
    show();
}

QWidget* AboutBoxDialog::customWidget() const
{
    QLayout* layout = form->custom_widget->layout();
    if (!layout || layout->count() == 0)
        return nullptr;
    return layout->itemAt(0)->widget();
}

void AboutBoxDialog::hideShowAtStartup(bool hide)
{
    form->ShowAtStartUpCB->setHidden(hide);
    repaint();
}

void AboutBoxDialog::hideProgress(bool hide)
{
    form->Progress->setHidden(hide);
    repaint();
}

void AboutBoxDialog::setProgressText(const QString& text)
{
    form->Progress->setText(QStringLiteral("<big>") + text + QStringLiteral("</big>"));
    repaint();
}

void AboutBoxDialog::onCheckBoxStateChanged(int state)
{
    if (sender() != form->ShowAtStartUpCB)
        return;
    showAtStartup = (state == Qt::Checked);
    if (store) {
        store->SetBool(showSplashKey, showAtStartup);
        store->Save(false);
    }
}

void AboutBoxDialog::launchLink(const QString& link)
{
    QDesktopServices::openUrl(QUrl(link));
}

void AboutBoxDialog::showEvent(QShowEvent* event)
{
    if (!watching) {
        qApp->installEventFilter(this);
        watching = true;
    }
    QDialog::showEvent(event);
}

void AboutBoxDialog::hideEvent(QHideEvent* event)
{
    stopWatching();
    QWidget::hideEvent(event);
}

void AboutBoxDialog::stopWatching()
{
    if (watching) {
        qApp->removeEventFilter(this);
        watching = false;
    }
}

bool AboutBoxDialog::eventFilter(QObject* watched, QEvent* event)
{
    if (QWidget* parent = parentWidget()) {
        QWidget* parentWindow = parent->window();
        if (event->type() == QEvent::MouseButtonPress) {
            if (watched->isWidgetType() && static_cast<QWidget*>(watched)->window() == parentWindow)
                hide();
        } else if ((watched == parent || watched == parentWindow) &&
                   (event->type() == QEvent::Move || event->type() == QEvent::Resize)) {
            centreOverParent();
        }
    }
    // Never consumes: the press that hides the box still reaches its target.
    return QDialog::eventFilter(watched, event);
}

void AboutBoxDialog::centreOverParent()
{
    const QSize box = geometry().size();
    if (QWidget* parent = parentWidget()) {
        const QWidget* window = parent->window();
        const QRect frame = window->frameGeometry();
        const QSize size = window->geometry().size();
        move(frame.x() + (size.width() - 1) / 2 - (box.width() - 1) / 2,
             frame.y() + (size.height() - 1) / 2 - (box.height() - 1) / 2);
        return;
    }
    // Without a parent window the box centres over its screen instead.
    if (const QScreen* screen = this->screen()) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - 1) / 2 - (box.width() - 1) / 2,
             area.y() + (area.height() - 1) / 2 - (box.height() - 1) / 2);
    }
}

void AboutBoxDialog::resizeEvent(QResizeEvent* event)
{
    rescaleLogos();
    QDialog::resizeEvent(event);
}

void AboutBoxDialog::rescaleLogos()
{
    const int width = form->App_Logo->contentsRect().width();
    const int makerWidth = static_cast<int>(static_cast<float>(width) * 0.4f + 0.5f);
    if (appLogo.isNull()) {
        form->App_Logo->setPixmap(appIcon.pixmap(width, width));
        form->TWX_Logo->setPixmap(makerIcon.pixmap(makerWidth, makerWidth));
        return;
    }
    form->App_Logo->setPixmap(appLogo.scaledToWidth(width, Qt::SmoothTransformation));
    form->TWX_Logo->setPixmap(makerLogo.scaledToWidth(makerWidth, Qt::SmoothTransformation));
}
