#include "platform/resident_indicator.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

namespace {
constexpr int iconSize = 32;
constexpr int border = 2;
constexpr int screenMargin = 4;
} // namespace

ResidentIndicator::ResidentIndicator(const QIcon &icon, const QString &tip)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint | Qt::WindowDoesNotAcceptFocus)
    , m_icon(icon)
{
    setObjectName(QStringLiteral("residentIndicator"));
    setWindowTitle(tip.trimmed());
    setToolTip(tip);
    setWindowIcon(icon);
    setFixedSize(iconSize + 2 * border, iconSize + 2 * border);
    setAttribute(Qt::WA_ShowWithoutActivating);
    placeInCorner();
}

void ResidentIndicator::placeInCorner()
{
    const QScreen *screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.right() - width() - screenMargin + 1, area.bottom() - height() - screenMargin + 1);
}

void ResidentIndicator::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
    painter.setPen(palette().color(QPalette::Dark));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
    m_icon.paint(&painter, QRect(border, border, iconSize, iconSize));
}

void ResidentIndicator::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_dragging = false;
    m_pressGlobal = event->globalPosition().toPoint();
    m_pressWindowPos = pos();
}

void ResidentIndicator::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_pressed)
        return;
    const QPoint offset = event->globalPosition().toPoint() - m_pressGlobal;
    if (!m_dragging && offset.manhattanLength() < QApplication::startDragDistance())
        return;
    if (!m_dragging) {
        m_dragging = true;
        // A window manager that can move windows itself does it best; without
        // one the window follows the pointer by hand.
        if (windowHandle() && windowHandle()->startSystemMove()) {
            m_pressed = false;
            return;
        }
    }
    move(m_pressWindowPos + offset);
}

void ResidentIndicator::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_pressed)
        return;
    m_pressed = false;
    if (!m_dragging && rect().contains(event->position().toPoint()))
        emit leftButtonReleased(event->globalPosition().toPoint());
}

void ResidentIndicator::closeEvent(QCloseEvent *event)
{
    // Closing it would leave the program without a way in; only "終了" ends it.
    event->ignore();
}
