#include "platform/qt_tray_icon.h"

#include "platform/resident_indicator.h"

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QSystemTrayIcon>
#include <QWidget>

#include <xcb/xcb.h>

// On X11 the notification area reports a left click as soon as the button goes
// down. Opening the menu then would let the matching release land on the menu
// and choose whatever item lies under the pointer, so the press only arms a
// watch for its own release: the release is delivered to the same icon window,
// and counts when it happens over the icon. Where the activation comes after
// the button is already up (D-Bus trays, Windows) it counts at once.

namespace {
constexpr int trayWatchMs = 3000;

// Qt sends its requests to the X server when the event loop next runs; the
// icon's are sent now, so the tray docks it while start-up goes on.
void sendToDisplayNow()
{
    if (!qGuiApp || QGuiApplication::platformName() != QLatin1String("xcb"))
        return;
    // Other platforms may answer for X11 without a connection (offscreen does).
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (xcb_connection_t *connection = x11 ? x11->connection() : nullptr)
        xcb_flush(connection);
}
} // namespace

SystemTrayIcon::SystemTrayIcon(QObject *parent)
    : TrayIcon(parent)
    , trayAvailable([] { return QSystemTrayIcon::isSystemTrayAvailable(); })
{
    m_trayWatch.setInterval(trayWatchMs);
    connect(&m_trayWatch, &QTimer::timeout, this, &SystemTrayIcon::followTray);
}

SystemTrayIcon::~SystemTrayIcon()
{
    stopAwaitingRelease();
}

void SystemTrayIcon::add(const QIcon &icon, const QString &tip)
{
    m_icon = icon;
    m_tip = tip;
    m_added = true;
    followTray();
    m_trayWatch.start();
}

void SystemTrayIcon::remove()
{
    m_added = false;
    m_trayWatch.stop();
    stopAwaitingRelease();
    if (m_trayIcon)
        m_trayIcon->hide();
    m_trayIcon.reset();
    m_indicator.reset();
}

void SystemTrayIcon::followTray()
{
    if (!m_added)
        return;
    const bool available = trayAvailable();
    if (available && !m_trayIcon)
        showInTray();
    else if (!available && !m_indicator)
        showIndicator();
}

void SystemTrayIcon::showInTray()
{
    m_indicator.reset();
    m_trayIcon = std::make_unique<QSystemTrayIcon>(m_icon);
    m_trayIcon->setToolTip(m_tip);
    connect(m_trayIcon.get(), &QSystemTrayIcon::activated, this,
        [this](QSystemTrayIcon::ActivationReason reason) { onTrayActivated(reason); });
    m_trayIcon->show();
    sendToDisplayNow();
}

void SystemTrayIcon::showIndicator()
{
    stopAwaitingRelease();
    if (m_trayIcon)
        m_trayIcon->hide();
    m_trayIcon.reset();
    m_indicator = std::make_unique<ResidentIndicator>(m_icon, m_tip);
    connect(m_indicator.get(), &ResidentIndicator::leftButtonReleased, this, &TrayIcon::leftButtonReleased);
    m_indicator->show();
    sendToDisplayNow();
}

void SystemTrayIcon::onTrayActivated(int reason)
{
    // A left click soon after the previous one (say, right after closing the
    // menu) arrives as a double click and must open the menu all the same.
    if (reason != QSystemTrayIcon::Trigger && reason != QSystemTrayIcon::DoubleClick)
        return;
    if (!(QGuiApplication::mouseButtons() & Qt::LeftButton)) {
        emit leftButtonReleased(QCursor::pos());
        return;
    }
    if (!m_awaitingRelease) {
        m_awaitingRelease = true;
        QCoreApplication::instance()->installEventFilter(this);
    }
}

void SystemTrayIcon::stopAwaitingRelease()
{
    if (!m_awaitingRelease)
        return;
    m_awaitingRelease = false;
    if (QCoreApplication::instance())
        QCoreApplication::instance()->removeEventFilter(this);
}

bool SystemTrayIcon::eventFilter(QObject *watched, QEvent *event)
{
    switch (event->type()) {
    case QEvent::MouseButtonPress:
        // A new press starts another gesture; a release lost on the way must
        // not turn some later click elsewhere into a tray click.
        stopAwaitingRelease();
        break;
    case QEvent::MouseButtonRelease: {
        const auto *mouse = static_cast<QMouseEvent *>(event);
        const auto *widget = qobject_cast<QWidget *>(watched);
        // The window-level copy of the event comes first; the icon widget's own follows.
        if (mouse->button() != Qt::LeftButton || !widget)
            break;
        stopAwaitingRelease();
        if (widget->rect().contains(mouse->position().toPoint()))
            emit leftButtonReleased(mouse->globalPosition().toPoint());
        break;
    }
    default:
        break;
    }
    return false;
}
