#pragma once

#include "platform/display_platform.h"
#include "platform/services.h"

#include <QProcessEnvironment>

// Opens the desktop's own date and time settings as a program of its own.
// On Linux that is the first installed panel of the known desktops, those of
// the running desktop (XDG_CURRENT_DESKTOP) first, looked up on PATH.
class DesktopLauncher : public Launcher
{
public:
    // The panel gets the environment the program was started with, not the
    // platform choice the program made for itself.
    explicit DesktopLauncher(QProcessEnvironment environment = display_platform::givenEnvironment());
    void openDateTimeSettings() override;

private:
    QProcessEnvironment m_environment;
};
