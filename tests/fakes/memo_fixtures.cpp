#include "fakes/memo_fixtures.h"

#include "alarm/display_form.h"
#include "entry/form1.h"
#include "shell/forms.h"

#include <QDir>
#include <QFile>
#include <QtEndian>
#include <QtTest>

#include <cmath>

QString settingVariables()
{
    const Form1 &f = form1();
    return QStringLiteral("%1/%2/%3 %4:%5 w%6")
        .arg(f.SetYear)
        .arg(f.SetMonth)
        .arg(f.SetDays)
        .arg(f.SetHure)
        .arg(f.SetMin)
        .arg(f.WeekFlag);
}

QString settingWindow()
{
    const Form1 &f = form1();
    const auto field = [](const QLabel *value, std::initializer_list<const QWidget *> rest) {
        int shown = value->isVisible();
        for (const QWidget *widget : rest)
            shown += widget->isVisible();
        if (shown == 0)
            return QStringLiteral("-");
        return shown == int(rest.size()) + 1 ? value->text() : QStringLiteral("?");
    };
    QString s = field(f.Label15, {f.Command12, f.Command13, f.Label6[1]}) + u'/'
        + field(f.Label14, {f.Command10, f.Command11, f.Label7[1]}) + u'/'
        + field(f.Label13, {f.Command8, f.Command9, f.Label8[1]}) + u' ' + field(f.Label12, {}) + u':'
        + field(f.Label11, {});
    for (const QCheckBox *box : {f.Check1, f.Check2, f.Check3})
        s += u' ' + QString::number(value(box)) + (box->isEnabled() ? QString() : QStringLiteral("x"));
    s += u' ';
    for (const QCheckBox *box : {f.Check4, f.Check5, f.Check6, f.Check7, f.Check8, f.Check9, f.Check10})
        s += value(box) ? box->text() : QStringLiteral("・");
    for (const QPushButton *button : {f.Command3, f.Command2, f.Command1}) {
        if (button->isVisible())
            s += u' ' + button->text();
    }
    return s;
}

bool alarmShown()
{
    return forms().Display.loaded() && forms().Display().isVisible();
}

void dismissAlarm()
{
    QTest::mouseDClick(forms().Display().Label1, Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

namespace {
template <class T> void put(QByteArray &out, T value)
{
    char bytes[sizeof(T)];
    qToLittleEndian(value, bytes);
    out.append(bytes, sizeof(T));
}
} // namespace

QByteArray waveFile(WaveEncoding encoding, int bits, int channels, int rate, bool extensible, double seconds)
{
    const bool isFloat = encoding == WaveEncoding::Float;
    const int blockAlign = channels * bits / 8;
    const int frames = static_cast<int>(rate * seconds);
    QByteArray samples;
    for (int f = 0; f < frames; ++f) {
        const double v = 0.5 * std::sin(2 * M_PI * 660 * f / rate);
        for (int c = 0; c < channels; ++c) {
            if (isFloat && bits == 32)
                put(samples, static_cast<float>(v));
            else if (isFloat)
                put(samples, v);
            else if (bits == 8)
                samples.append(static_cast<char>(static_cast<quint8>(128 + std::lround(v * 127))));
            else {
                const qint64 s = std::llround(v * double((qint64(1) << (bits - 1)) - 1));
                for (int b = 0; b < bits / 8; ++b)
                    samples.append(static_cast<char>((s >> (8 * b)) & 0xFF));
            }
        }
    }

    const quint16 tag = isFloat ? 3 : 1;
    QByteArray fmt;
    put<quint16>(fmt, extensible ? 0xFFFE : tag);
    put<quint16>(fmt, quint16(channels));
    put<quint32>(fmt, quint32(rate));
    put<quint32>(fmt, quint32(rate * blockAlign));
    put<quint16>(fmt, quint16(blockAlign));
    put<quint16>(fmt, quint16(bits));
    if (extensible) {
        put<quint16>(fmt, 22);
        put<quint16>(fmt, quint16(bits));
        put<quint32>(fmt, channels == 1 ? 0x4 : 0x3);
        put<quint32>(fmt, tag);
        fmt.append(QByteArray::fromHex("00001000800000aa00389b71"));
    }

    QByteArray out("RIFF");
    put<quint32>(out, quint32(4 + 8 + fmt.size() + 8 + samples.size()));
    out += "WAVEfmt ";
    put<quint32>(out, quint32(fmt.size()));
    out += fmt + "data";
    put<quint32>(out, quint32(samples.size()));
    return out + samples;
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
}
