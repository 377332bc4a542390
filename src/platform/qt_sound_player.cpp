#include "platform/qt_sound_player.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>

#include <algorithm>

namespace {

// A sound that has not said how long it is by then is given up.
constexpr int kStartTimeoutMs = 10000;
// The end of a sound is reported a little after its last sample has played.
constexpr qint64 kEndGraceMs = 5000;
constexpr qint64 kLongestWaitMs = 24 * 3600 * 1000;

} // namespace

// The media backend is not loaded before the first sound: it costs some ten
// megabytes that a reminder sitting idle in the tray does not need.
MediaSoundPlayer::MediaSoundPlayer() = default;

MediaSoundPlayer::~MediaSoundPlayer()
{
    ended = nullptr;
    QObject *playback = m_playback.get();
    if (playback && m_player) {
        QObject::disconnect(m_player, nullptr, playback, nullptr);
        m_player->stop();
    }
}

void MediaSoundPlayer::close()
{
    if (m_playback)
        release(m_playback.get(), Ending::Closed);
}

void MediaSoundPlayer::play(const QString &path)
{
    close();
    // Nothing to open, so no stream either.
    if (!QFileInfo(path).isFile()) {
        if (ended)
            ended(Ending::Failed);
        return;
    }

    auto playback = std::make_unique<QObject>();
    QObject *const token = playback.get();
    m_playback = std::move(playback);
    // Building the pipeline takes tens of milliseconds the first time; start
    // it once the caller has finished, so the alarm window is not held back.
    const QString file = QFileInfo(path).absoluteFilePath();
    QTimer::singleShot(0, token, [this, token, file] { start(token, file); });
}

void MediaSoundPlayer::start(QObject *token, const QString &file)
{
    if (m_playback.get() != token)
        return;
    auto *output = new QAudioOutput(token);
    auto *player = new QMediaPlayer(token);
    auto *watchdog = new QTimer(token);
    player->setAudioOutput(output);
    watchdog->setSingleShot(true);

    QObject::connect(player, &QMediaPlayer::mediaStatusChanged, token, [this, token](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            release(token, Ending::Finished);
        else if (status == QMediaPlayer::InvalidMedia)
            release(token, Ending::Failed);
    });
    QObject::connect(player, &QMediaPlayer::errorOccurred, token, [this, token] { release(token, Ending::Failed); });
    // A sound whose end is never reported must not hold its stream for ever.
    QObject::connect(player, &QMediaPlayer::durationChanged, token, [watchdog](qint64 ms) {
        if (ms > 0)
            watchdog->start(static_cast<int>(std::min(ms, kLongestWaitMs) + kEndGraceMs));
    });
    QObject::connect(watchdog, &QTimer::timeout, token, [this, token] { release(token, Ending::Failed); });

    m_player = player;
    m_watchdog = watchdog;
    watchdog->start(kStartTimeoutMs);
    player->setSource(QUrl::fromLocalFile(file));
    if (m_playback.get() == token)
        player->play();
}

void MediaSoundPlayer::release(QObject *playback, Ending how)
{
    if (!playback || m_playback.get() != playback)
        return;
    QMediaPlayer *player = m_player;
    m_player = nullptr;
    if (m_watchdog)
        m_watchdog->stop();
    m_watchdog = nullptr;
    if (player) {
        QObject::disconnect(player, nullptr, playback, nullptr);
        if (how == Ending::Closed)
            player->stop();
    }
    // Often called from the player's own signal: delete it once that returns.
    m_playback.release()->deleteLater();
    if (ended)
        ended(how);
}
