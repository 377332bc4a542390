// The least a Qt Widgets program can do to sit in the notification area: the
// baseline the benchmarks compare rekuda31 with. Built a second time with
// REKUDA31_FLOOR_JAPANESE, it also shows what any Japanese tray program shows
// at start-up: a frameless window with one line of Japanese text for 0.8 s,
// in the font stack of rekuda31's splash.
#include <QApplication>
#include <QLabel>
#include <QPixmap>
#include <QSystemTrayIcon>
#include <QTimer>

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    QPixmap pixmap(32, 32);
    pixmap.fill(QColor(255, 160, 0));
    QSystemTrayIcon icon {QIcon(pixmap)};
    icon.show();
#ifdef REKUDA31_FLOOR_JAPANESE
    auto *notice = new QLabel(QStringLiteral("タスクトレイに常駐しました"));
    notice->setWindowFlags(Qt::SplashScreen | Qt::FramelessWindowHint);
    notice->setAttribute(Qt::WA_DeleteOnClose);
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("MS PGothic"), QStringLiteral("IPAPGothic"),
        QStringLiteral("Noto Sans CJK JP")});
    font.setPointSizeF(12);
    notice->setFont(font);
    notice->show();
    QTimer::singleShot(800, Qt::PreciseTimer, notice, &QWidget::close);
#endif
    return QApplication::exec();
}
