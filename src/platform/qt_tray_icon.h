#pragma once

#include "platform/services.h"

#include <memory>

class QSystemTrayIcon;

// The icon in the desktop's notification area.
class SystemTrayIcon : public TrayIcon
{
    Q_OBJECT
public:
    explicit SystemTrayIcon(QObject *parent = nullptr);
    ~SystemTrayIcon() override;
    void add(const QIcon &icon, const QString &tip) override;
    void remove() override;

private:
    std::unique_ptr<QSystemTrayIcon> m_icon;
};
