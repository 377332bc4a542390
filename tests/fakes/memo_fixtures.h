#pragma once

#include <QDir>
#include <QFile>
#include <QStringEncoder>
#include <QStringList>

// A data file holding these memo lines after their count, as Windows writes it: CR LF, code page 932.
inline QByteArray dataFileOf(const QStringList &memos)
{
    QStringEncoder encoder("windows-31j");
    QByteArray out;
    for (const QString &line : QStringList {QString::number(memos.size())} + memos)
        out += encoder.encode(line) + "\r\n";
    return out;
}

inline QString memoLine(
    int min, int hour, int day, int month, int year, const QString &text, int sound = 0, int week = 0)
{
    const auto n = [](int value) { return QString::number(value); };
    return QStringList {n(min), n(hour), n(day), n(month), n(year), u'"' + text + u'"', n(sound), n(week)}.join(u',');
}

// Writes the bytes to path, making its folder; false on any failure.
inline bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

// The bytes of the file, or "<missing>".
inline QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
