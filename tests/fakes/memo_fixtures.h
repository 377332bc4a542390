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

// Writes the bytes to path, making its folder; false on any failure.
bool writeBytes(const QString &path, const QByteArray &bytes);
// The bytes of the file, or "<missing>".
QByteArray readBytes(const QString &path);
