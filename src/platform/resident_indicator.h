#pragma once

#include <QIcon>
#include <QPoint>
#include <QWidget>

// Stands in for the notification-area icon on desktops that have none (GNOME
// without an indicator extension, a bare window manager), so the program never
// ends up running with no way to reach it: a small always-on-top window in a
// corner of the screen that opens the menu like the icon and can be dragged
// out of the way.
class ResidentIndicator : public QWidget
{
    Q_OBJECT
public:
    ResidentIndicator(const QIcon &icon, const QString &tip);

    // The bottom-right corner of the primary screen's work area, where trays usually sit.
    void placeInCorner();

signals:
    void leftButtonReleased(const QPoint &globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    QIcon m_icon;
    bool m_pressed = false;
    bool m_dragging = false;
    QPoint m_pressGlobal;
    QPoint m_pressWindowPos;
};
