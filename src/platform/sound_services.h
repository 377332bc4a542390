#pragma once

#include "platform/services.h"
#include "platform/sound_streams.h"

#include <QStringList>

#include <functional>

// The alarm's wave file: one sound at a time, each new one stopping the last.
class WavePlayer : public SoundPlayer
{
public:
    void close() override;
    void play(const QString &path) override;

    SoundStreams streams;
};

// The desktop's alert sound from the freedesktop sound theme, played like the
// wave file and alongside it; Qt's own beep is silent on many Linux desktops
// and is only the fallback when no theme sound is installed or no sound
// server answers.
class BellBeeper : public Beeper
{
public:
    BellBeeper();
    // The first of the files that exists is the alert sound.
    explicit BellBeeper(const QStringList &candidates);
    // A bell still sounding (the exit's) is let ring out, a second at most.
    ~BellBeeper() override;

    void beep() override;
    QString soundFile() const { return m_soundFile; }

    // The theme's alert sounds, most suitable first, wherever XDG_DATA_DIRS puts them.
    static QStringList themeSounds();

    SoundStreams streams;
    // The display's bell; tests replace it.
    std::function<void()> displayBell;

private:
    QString m_soundFile;
};
