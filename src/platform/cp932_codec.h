#pragma once

#include "platform/codec.h"

// Code page 932 through Qt's ICU-backed "windows-31j" codec.
class Cp932Codec : public Codec
{
public:
    bool available() const override;
    QString encodable(const QString &text) const override;
    QByteArray encode(const QString &text) const override;
    bool decode(const QByteArray &bytes, QString *text) const override;
};
