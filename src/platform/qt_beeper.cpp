#include "platform/qt_beeper.h"

#include <QApplication>

void SystemBeeper::beep()
{
    QApplication::beep();
}
