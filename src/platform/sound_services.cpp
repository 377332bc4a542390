#include "platform/sound_services.h"

#include <QApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace {
constexpr int kBellRingOutMs = 1000;
}

void WavePlayer::close()
{
    streams.stopAll();
}

void WavePlayer::play(const QString &path)
{
    streams.stopAll();
    streams.start(path, "rekuda31.wav");
}

BellBeeper::BellBeeper()
    : BellBeeper(themeSounds())
{ }

BellBeeper::BellBeeper(const QStringList &candidates)
    : displayBell([] { QApplication::beep(); })
{
    for (const QString &file : candidates) {
        if (QFileInfo(file).isFile()) {
            m_soundFile = file;
            break;
        }
    }
    streams.ended = [this](SoundStreams::Outcome how) {
        if (how == SoundStreams::Outcome::NoServer || how == SoundStreams::Outcome::Unreadable)
            displayBell();
    };
}

BellBeeper::~BellBeeper()
{
    // The exit's bell: the event loop has ended, so a fallback is rung from here.
    if (streams.waitIdle(kBellRingOutMs))
        streams.reportNow();
    streams.ended = nullptr;
}

QStringList BellBeeper::themeSounds()
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

void BellBeeper::beep()
{
    if (m_soundFile.isEmpty())
        displayBell();
    else
        streams.start(m_soundFile, "bell");
}
