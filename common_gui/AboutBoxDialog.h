#pragma once

#include <QDialog>
#include <QIcon>
#include <QPixmap>

#include <string>

class KolPreferences;
class QImage;

namespace Ui {
class AboutBoxClass;
}

// The about window, which is also the start-up splash: frameless and black, the application's
// logo on top, an information panel, the maker's logo at the bottom. While visible it stays
// centred over its parent's window and a press anywhere in that window hides it. Whether it
// shows at start-up is the boolean preference title + "/About/ShowSplash".
class AboutBoxDialog : public QDialog
{
    Q_OBJECT

public:
    // logos holds the application's logo in its top 600 x 90 pixels and the maker's logo in the
    // 240 x 65 pixels below. store may be null (the box then always shows at start-up).
    AboutBoxDialog(const QString& title, const QImage& logos, KolPreferences* store,
                   const QString& disclaimers, QWidget* parent, QWidget* customWidget = nullptr);
    AboutBoxDialog(const QString& title, const QIcon& appIcon, const QIcon& makerIcon,
                   KolPreferences* store, const QString& disclaimers, QWidget* parent,
                   QWidget* customWidget = nullptr);
    ~AboutBoxDialog() override;

    // Shows the box centred over the parent's window when force is set or the start-up
    // preference is on; otherwise does nothing.
    void display(bool force);

    QWidget* customWidget() const;
    void hideShowAtStartup(bool hide);
    void hideProgress(bool hide);
    void setProgressText(const QString& text);
    // The style sheet of the information panel.
    static QString styleSheet();

    bool showsAtStartup() const { return showAtStartup; }
    const std::string& showSplashPreferenceKey() const { return showSplashKey; }

public slots:
    void onCheckBoxStateChanged(int state);
    void launchLink(const QString& link);
    // A new parentless information panel holding the disclaimers (HTML).
    QWidget* infoWidget(QString disclaimers);

protected slots:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void initialise(const QString& title, const QString& disclaimers, QWidget* customWidget);
    void centreOverParent();
    void rescaleLogos();
    void stopWatching();

    Ui::AboutBoxClass* form;
    KolPreferences* store;
    std::string showSplashKey;
    QPixmap appLogo;
    QPixmap makerLogo;
    QIcon appIcon;
    QIcon makerIcon;
    bool showAtStartup = true;
    bool watching = false;
};
