#pragma once

#include "shell/form.h"

// The hidden host of the wave playback.
class WaveForm : public Form
{
    Q_OBJECT
public:
    WaveForm();
    // Plays rekuda31.wav from its start, then beeps.
    void SoundPlay();
};
