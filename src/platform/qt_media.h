#pragma once

#include "platform/services.h"

class SystemBeeper : public Beeper
{
public:
    void beep() override;
};

class MediaSoundPlayer : public SoundPlayer
{
public:
    void close() override;
    void play(const QString &path) override;
};

class DesktopLauncher : public Launcher
{
public:
    void openDateTimeSettings() override;
};
