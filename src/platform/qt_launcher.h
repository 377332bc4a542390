#pragma once

#include "platform/services.h"

// Opens the desktop's own date and time settings as a program of its own.
// On Linux that is the first installed panel of the known desktops, those of
// the running desktop (XDG_CURRENT_DESKTOP) first, looked up on PATH.
class DesktopLauncher : public Launcher
{
public:
    void openDateTimeSettings() override;
};
