#include "platform/qt_launcher.h"

void DesktopLauncher::openDateTimeSettings() {}
