#pragma once

#include "platform/services.h"

class DesktopLauncher : public Launcher
{
public:
    void openDateTimeSettings() override;
};
