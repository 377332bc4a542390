#pragma once

#include <QByteArray>
#include <QString>

// Code page 932 (Shift-JIS as Windows writes it), the data file's encoding.
class Codec
{
public:
    virtual ~Codec() = default;
    // false when this build cannot convert code page 932 at all (a Qt
    // without ICU): nothing may then be read from or written to the file.
    virtual bool available() const = 0;
    // Replaces characters that input methods produce but code page 932 spells
    // differently, and every character that still cannot be encoded with '?'.
    virtual QString encodable(const QString &text) const = 0;
    virtual QByteArray encode(const QString &text) const = 0;
    // false when bytes are not valid code page 932.
    virtual bool decode(const QByteArray &bytes, QString *text) const = 0;
};
