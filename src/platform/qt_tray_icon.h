#pragma once

#include "platform/services.h"

#include <QTimer>

#include <functional>
#include <memory>

class QSystemTrayIcon;
class ResidentIndicator;

// The icon in the desktop's notification area, or the resident indicator
// while the desktop has none. Either one reports the release of the left
// button over it; the icon moves between the two as a notification area comes
// and goes.
class SystemTrayIcon : public TrayIcon
{
    Q_OBJECT
public:
    explicit SystemTrayIcon(QObject *parent = nullptr);
    ~SystemTrayIcon() override;
    void add(const QIcon &icon, const QString &tip) override;
    void remove() override;

    // Puts the icon where it belongs now; runs every few seconds while added.
    void followTray();
    bool inTray() const { return m_trayIcon != nullptr; }
    QSystemTrayIcon *trayIcon() const { return m_trayIcon.get(); }
    ResidentIndicator *indicator() const { return m_indicator.get(); }

    // Whether the desktop has a notification area; replaceable for tests.
    std::function<bool()> trayAvailable;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void showInTray();
    void showIndicator();
    void onTrayActivated(int reason);
    void stopAwaitingRelease();

    bool m_added = false;
    QIcon m_icon;
    QString m_tip;
    std::unique_ptr<QSystemTrayIcon> m_trayIcon;
    std::unique_ptr<ResidentIndicator> m_indicator;
    QTimer m_trayWatch;
    bool m_awaitingRelease = false;
};
