#pragma once

#include "platform/services.h"

class MediaSoundPlayer : public SoundPlayer
{
public:
    void close() override;
    void play(const QString &path) override;
};
