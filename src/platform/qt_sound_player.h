#pragma once

#include "platform/services.h"

#include <QObject>

#include <functional>
#include <memory>

class QMediaPlayer;
class QTimer;

// Plays wave files through Qt Multimedia, which decodes every kind a user may
// drop in (PCM of any width, float, extensible headers), unlike QSoundEffect.
// A player and its audio output exist only while a sound plays: an idle audio
// stream would keep the sound server, and a laptop, awake.
class MediaSoundPlayer : public SoundPlayer
{
public:
    enum class Ending { Finished, Failed, Closed };

    MediaSoundPlayer();
    ~MediaSoundPlayer() override;

    void close() override;
    void play(const QString &path) override;

    // true from play() until the sound has ended, failed or been closed.
    bool isPlaying() const { return m_playback != nullptr; }
    // Told how each sound ended.
    std::function<void(Ending)> ended;

private:
    void release(QObject *playback, Ending how);

    void start(QObject *token, const QString &file);

    std::unique_ptr<QObject> m_playback;
    QMediaPlayer *m_player = nullptr;
    QTimer *m_watchdog = nullptr;
};
