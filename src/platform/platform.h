#pragma once

#include "platform/clock.h"
#include "platform/codec.h"
#include "platform/files.h"
#include "platform/services.h"

#include <memory>

// Every operating-system service the program uses, owned in one place.
struct Platform
{
    std::unique_ptr<Clock> clock;
    std::unique_ptr<ProgramDirectory> directory;
    std::unique_ptr<InstanceLock> lock;
    std::unique_ptr<Codec> codec;
    std::unique_ptr<Files> files;
    std::unique_ptr<Beeper> beeper;
    std::unique_ptr<SoundPlayer> sound;
    std::unique_ptr<Launcher> launcher;
    std::unique_ptr<Messages> messages;
    std::unique_ptr<TrayIcon> tray;

    // The real services, for the running program.
    static Platform system();
};
