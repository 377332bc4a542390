#include "platform/cp932_codec.h"
#include "platform/platform.h"
#include "platform/posix_files.h"
#include "platform/program_directory.h"
#include "platform/qt_clock.h"
#include "platform/qt_launcher.h"
#include "platform/qt_services.h"
#include "platform/qt_tray_icon.h"
#include "platform/sound_services.h"

Platform Platform::system()
{
    Platform p;
    p.clock = std::make_unique<SystemClock>();
    p.directory = std::make_unique<ApplicationDirectory>();
    p.lock = std::make_unique<FileLock>(p.directory->path());
    p.codec = std::make_unique<Cp932Codec>();
    p.files = std::make_unique<PosixFiles>();
    p.beeper = std::make_unique<BellBeeper>();
    p.sound = std::make_unique<WavePlayer>();
    p.launcher = std::make_unique<DesktopLauncher>();
    p.messages = std::make_unique<MessageBoxes>();
    p.tray = std::make_unique<SystemTrayIcon>();
    return p;
}
