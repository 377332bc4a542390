#pragma once

#include <QByteArray>
#include <QStringList>

// Windows-style data-file bytes: lines joined with CR LF, encoded in code page 932.
QByteArray cp932Lines(const QStringList &lines);
// A data file holding these memo lines, after their count.
QByteArray dataFileOf(const QStringList &memos);
// One memo as a line of the data file.
QString memoLine(int min, int hour, int day, int month, int year, const QString &text, int sound = 0, int week = 0);
// Writes the bytes to path, making its folder; false on any failure.
bool writeBytes(const QString &path, const QByteArray &bytes);
// The bytes of the file, or "<missing>".
QByteArray readBytes(const QString &path);
