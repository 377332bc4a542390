#include "platform/qt_beeper.h"

#include <QApplication>
#include <QAudioOutput>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QStandardPaths>
#include <QTimer>
#include <QUrl>

namespace {
// A player that neither ends nor fails within this time is given up.
constexpr int kLongestSoundMs = 10000;
// The end of the media is reached while the audio server still holds the
// last part of the sound; closing the player at once would cut it off.
constexpr int kDrainMs = 500;
// The exit beep is sounded just before the process ends.
constexpr int kExitGraceMs = 2000;
} // namespace

SystemBeeper::SystemBeeper()
    : SystemBeeper(themeSounds())
{ }

SystemBeeper::SystemBeeper(const QStringList &candidates)
{
    for (const QString &file : candidates) {
        if (QFileInfo(file).isFile()) {
            m_soundFile = file;
            break;
        }
    }
}

SystemBeeper::~SystemBeeper()
{
    if (m_playing.children().isEmpty() || !QCoreApplication::instance())
        return;
    // Let it be heard rather than cut off by the end of the process.
    QEventLoop loop;
    QTimer poll;
    const QDeadlineTimer deadline(kExitGraceMs);
    QObject::connect(&poll, &QTimer::timeout, &loop, [&] {
        if (m_playing.children().isEmpty() || deadline.hasExpired())
            loop.quit();
    });
    poll.start(20);
    loop.exec();
    for (QObject *player : m_playing.children())
        QObject::disconnect(player, nullptr, nullptr, nullptr);
}

QStringList SystemBeeper::themeSounds()
{
    QStringList files;
    for (const char *name : {"bell", "complete", "dialog-warning"}) {
        const QString file = QStandardPaths::locate(QStandardPaths::GenericDataLocation,
            QStringLiteral("sounds/freedesktop/stereo/%1.oga").arg(QLatin1String(name)));
        if (!file.isEmpty())
            files << file;
    }
    return files;
}

int SystemBeeper::activeSounds() const
{
    return int(m_playing.children().size());
}

void SystemBeeper::beep()
{
    if (m_soundFile.isEmpty()) {
        QApplication::beep();
        return;
    }
    auto *player = new QMediaPlayer(&m_playing);
    player->setAudioOutput(new QAudioOutput(player));
    const auto fail = [this, player] {
        if (release(player))
            QApplication::beep();
    };
    QObject::connect(
        player, &QMediaPlayer::mediaStatusChanged, player, [this, player, fail](QMediaPlayer::MediaStatus status) {
            if (status == QMediaPlayer::EndOfMedia)
                QTimer::singleShot(kDrainMs, player, [this, player] { release(player); });
            else if (status == QMediaPlayer::InvalidMedia)
                fail();
        });
    QObject::connect(player, &QMediaPlayer::errorOccurred, player, fail);
    QTimer::singleShot(kLongestSoundMs, player, [this, player] { release(player); });
    player->setSource(QUrl::fromLocalFile(m_soundFile));
    player->play();
}

bool SystemBeeper::release(QMediaPlayer *player)
{
    if (player->parent() != &m_playing)
        return false;
    player->setParent(&m_finished);
    player->stop();
    // Often called from the player's own signal: delete it once that returns.
    player->deleteLater();
    return true;
}
