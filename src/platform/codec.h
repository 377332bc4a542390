#pragma once

#include <QByteArray>
#include <QString>

// Code page 932 (Shift-JIS as Windows writes it), the data file's encoding.
class Codec
{
public:
    virtual ~Codec() = default;
    // Replaces characters that input methods produce but code page 932 spells
    // differently, and every character that still cannot be encoded with '?'.
    virtual QString encodable(const QString &text) const = 0;
    virtual QByteArray encode(const QString &text) const = 0;
    // false when bytes are not valid code page 932.
    virtual bool decode(const QByteArray &bytes, QString *text) const = 0;
};
