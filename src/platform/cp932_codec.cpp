#include "platform/cp932_codec.h"

#include <QStringDecoder>
#include <QStringEncoder>

#include <optional>
#include <unordered_map>

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

    // One character, each tried once however often the text repeats it: a
    // long text in a script the code page lacks fails everywhere.
    bool character(char16_t c)
    {
        const auto known = m_known.find(c);
        if (known != m_known.end())
            return known->second;
        const bool survives = (*this)(QStringView(&c, 1));
        m_known.emplace(c, survives);
        return survives;
    }

private:
    std::unordered_map<char16_t, bool> m_known;
    std::optional<QStringEncoder> m_encoder {std::in_place, kName};
    std::optional<QStringDecoder> m_decoder {std::in_place, kName};
};

// Replaces, in place, every character that does not survive a round trip.
// Code page 932 has no shift states, so a text that survives as a whole
// survives character by character: only a text that fails is looked into.
void replaceUnencodable(QString &text)
{
    RoundTrip roundTrips;
    if (roundTrips(text))
        return;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).unicode() >= 0x80 && !roundTrips.character(text.at(i).unicode()))
            text[i] = QLatin1Char('?');
    }
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
    if (!result.isEmpty())
        replaceUnencodable(result);
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
