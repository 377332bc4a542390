#pragma once

#include "platform/services.h"

#include <QObject>
#include <QStringList>

class QMediaPlayer;

// The desktop's alert sound from the freedesktop sound theme, played like the
// wave file; Qt's own beep is silent on many Linux desktops and is only the
// fallback when no theme sound is installed or it cannot be played.
class SystemBeeper : public Beeper
{
public:
    SystemBeeper();
    // The first of the files that exists is the alert sound.
    explicit SystemBeeper(const QStringList &candidates);
    ~SystemBeeper() override;

    void beep() override;
    QString soundFile() const { return m_soundFile; }
    // Players that have not finished yet.
    int activeSounds() const;

    // The theme's alert sounds, most suitable first, wherever XDG_DATA_DIRS puts them.
    static QStringList themeSounds();

private:
    // false when the player was released before.
    bool release(QMediaPlayer *player);

    QString m_soundFile;
    QObject m_playing;
    QObject m_finished;
};
