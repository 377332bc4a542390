#include "platform/cp932_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>

namespace {

const char *const kName = "windows-31j";

// Characters that Linux input methods produce where Windows uses another code
// point for the same glyph; ICU's encoder writes garbage for the former.
char16_t windowsForm(char16_t c)
{
    switch (c) {
    case 0x301C:
        return 0xFF5E; // wave dash -> fullwidth tilde
    case 0x2016:
        return 0x2225; // double vertical line -> parallel to
    case 0x2212:
        return 0xFF0D; // minus sign -> fullwidth hyphen-minus
    case 0x00A2:
        return 0xFFE0; // cent
    case 0x00A3:
        return 0xFFE1; // pound
    case 0x00AC:
        return 0xFFE2; // not sign
    default:
        return c;
    }
}

// One converter pair for a whole text: opening one costs more than converting
// a character.
class RoundTrip
{
public:
    bool operator()(QStringView piece)
    {
        // resetState() clears neither the error nor, perhaps, a character held
        // back, and assigning one converter to another keeps its state: a
        // fresh converter after each failure.
        const QByteArray bytes = m_encoder->encode(piece);
        if (m_encoder->hasError()) {
            m_encoder.emplace(kName);
            return false;
        }
        const QString back = m_decoder->decode(bytes);
        if (m_decoder->hasError()) {
            m_decoder.emplace(kName);
            return false;
        }
        if (back == piece)
            return true;
        m_encoder.emplace(kName);
        m_decoder.emplace(kName);
        return false;
    }

private:
    std::optional<QStringEncoder> m_encoder {std::in_place, kName};
    std::optional<QStringDecoder> m_decoder {std::in_place, kName};
};

// Replaces, in place, every character of the piece that does not survive a
// round trip. Code page 932 has no shift states, so a piece that survives
// as a whole survives character by character: only the halves that fail are
// looked into, down to short runs that are taken character by character.
void replaceUnencodable(RoundTrip &roundTrips, QString &text, qsizetype from, qsizetype length)
{
    if (roundTrips(QStringView(text).mid(from, length)))
        return;
    if (length <= 8) {
        for (qsizetype i = from; i < from + length; ++i) {
            if (text.at(i).unicode() >= 0x80 && !roundTrips(QStringView(text).mid(i, 1)))
                text[i] = QLatin1Char('?');
        }
        return;
    }
    const qsizetype half = length / 2;
    replaceUnencodable(roundTrips, text, from, half);
    replaceUnencodable(roundTrips, text, from + half, length - half);
}

} // namespace

bool Cp932Codec::available() const
{
    return QStringEncoder(kName).isValid() && QStringDecoder(kName).isValid();
}

QString Cp932Codec::encodable(const QString &text) const
{
    QString result;
    result.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            result += QLatin1Char('?'); // nothing outside the BMP is in code page 932
            ++i;
            continue;
        }
        result += QChar(windowsForm(c.unicode()));
    }
    RoundTrip roundTrips;
    if (!result.isEmpty())
        replaceUnencodable(roundTrips, result, 0, result.size());
    return result;
}

QByteArray Cp932Codec::encode(const QString &text) const
{
    QStringEncoder encoder(kName);
    return encoder.encode(encodable(text));
}

bool Cp932Codec::decode(const QByteArray &bytes, QString *text) const
{
    QStringDecoder decoder(kName);
    *text = decoder.decode(bytes);
    return !decoder.hasError();
}
