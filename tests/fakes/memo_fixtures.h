#pragma once

#include <QByteArray>
#include <QString>

// The setting window's variables as "year/month/day hour:minute wWeekFlag".
QString settingVariables();

// The setting window as the user sees it: year/month/day (a field's value, "-"
// when hidden, "?" when only part of it shows), hour:minute, Check1 to Check3
// (value, "x" when disabled), the weekdays ticked, and the buttons shown.
QString settingWindow();

// The alarm window exists and is on screen.
bool alarmShown();
// Double-clicks the memo text of the alarm window, as the user dismisses it.
void dismissAlarm();

enum class WaveEncoding { Pcm, Float };
// A RIFF wave file holding a 660 Hz tone, as the usual editors write them.
QByteArray waveFile(
    WaveEncoding encoding, int bits, int channels, int rate, bool extensible = false, double seconds = 0.25);

// Writes the bytes to path, making its folder; false on any failure.
bool writeBytes(const QString &path, const QByteArray &bytes);
// The bytes of the file, or "<missing>".
QByteArray readBytes(const QString &path);
