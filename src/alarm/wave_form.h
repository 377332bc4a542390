#pragma once

#include "shell/form.h"

// The hidden host of the wave playback; it is never shown.
class WaveForm : public Form
{
    Q_OBJECT
public:
    WaveForm();
    // Plays rekuda31.wav from its start and beeps at once; reports nothing,
    // whether or not the file can be played.
    void SoundPlay();
};
