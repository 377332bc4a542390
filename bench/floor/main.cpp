// The least a Qt Widgets program can do to sit in the notification area: the
// baseline the benchmarks compare rekuda31 with.
#include <QApplication>
#include <QPixmap>
#include <QSystemTrayIcon>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(255, 160, 0));
    QSystemTrayIcon icon {QIcon(pixmap)};
    icon.show();
    return QApplication::exec();
}
