#include "platform/qt_sound_player.h"

void MediaSoundPlayer::close() {}

void MediaSoundPlayer::play(const QString &) {}
