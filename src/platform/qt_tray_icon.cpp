#include "platform/qt_tray_icon.h"

#include <QCursor>
#include <QSystemTrayIcon>

SystemTrayIcon::SystemTrayIcon(QObject *parent)
    : TrayIcon(parent)
{ }

SystemTrayIcon::~SystemTrayIcon() = default;

void SystemTrayIcon::add(const QIcon &icon, const QString &tip)
{
    m_icon = std::make_unique<QSystemTrayIcon>(icon);
    m_icon->setToolTip(tip);
    connect(m_icon.get(), &QSystemTrayIcon::activated, this, [this](QSystemTrayIcon::ActivationReason reason) {
        if (reason == QSystemTrayIcon::Trigger)
            emit leftButtonReleased(QCursor::pos());
    });
    m_icon->show();
}

void SystemTrayIcon::remove()
{
    if (m_icon)
        m_icon->hide();
    m_icon.reset();
}
