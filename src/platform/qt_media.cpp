#include "platform/qt_media.h"

#include <QApplication>

void SystemBeeper::beep()
{
    QApplication::beep();
}

void MediaSoundPlayer::close() { }

void MediaSoundPlayer::play(const QString &) { }

void DesktopLauncher::openDateTimeSettings() { }
