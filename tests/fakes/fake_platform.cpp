#include "fakes/fake_platform.h"
#include "fakes/memo_fixtures.h"

#include "entry/form1.h"
#include "platform/cp932_codec.h"
#include "scheduler/second_timer.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QStringEncoder>

namespace {
template <class Fake, class Service> Fake *install(std::unique_ptr<Service> &slot)
{
    auto fake = std::make_unique<Fake>();
    Fake *raw = fake.get();
    slot = std::move(fake);
    return raw;
}
} // namespace

void TestProgram::installFakes()
{
    clock = install<FakeClock>(m_platform.clock);
    install<FakeDirectory>(m_platform.directory)->folder = folder.path();
    install<FakeLock>(m_platform.lock);
    m_platform.codec = std::make_unique<Cp932Codec>();
    files = install<FaultyFiles>(m_platform.files);
    beeper = install<FakeBeeper>(m_platform.beeper);
    sound = install<FakeSound>(m_platform.sound);
    install<FakeLauncher>(m_platform.launcher);
    messages = install<FakeMessages>(m_platform.messages);
    tray = install<FakeTray>(m_platform.tray);
}

TestProgram::~TestProgram()
{
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void TestProgram::writeDataFile(const QByteArray &bytes)
{
    writeBytes(dataPath(), bytes);
}

QByteArray TestProgram::dataFile() const
{
    return readBytes(dataPath());
}

bool TestProgram::start()
{
    app = std::make_unique<App>(std::move(m_platform));
    app->terminate = [this] { ++terminations; };
    app->quit = [this] { ++quits; };
    const bool started = app->startUp();
    // Timers are driven by the test, never by the wall clock.
    if (started && app->forms.form1.loaded())
        form1().Timer1->stop();
    return started;
}

bool TestProgram::restart()
{
    const QDateTime now = clock->now();
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    terminations = quits = 0;
    installFakes();
    clock->set(now);
    return start();
}

void TestProgram::tick()
{
    // Through the timer's own signal, so that its wiring is tested too.
    emit form1().Timer1->timeout();
}

void TestProgram::advance(qint64 msecs)
{
    const QDateTime end = clock->now().addMSecs(msecs);
    for (qint64 step = clock->msecsToNextSecond(); clock->now().addMSecs(step) <= end;
         step = clock->msecsToNextSecond()) {
        clock->advance(step);
        tick();
    }
    clock->set(end);
}

QByteArray cp932Lines(const QStringList &lines)
{
    QStringEncoder encoder("windows-31j");
    QByteArray out;
    for (const QString &line : lines)
        out += encoder.encode(line) + "\r\n";
    return out;
}

QByteArray dataFileOf(const QStringList &memos)
{
    return cp932Lines(QStringList {QString::number(memos.size())} + memos);
}

QString memoLine(int min, int hour, int day, int month, int year, const QString &text, int sound, int week)
{
    const auto n = [](int value) { return QString::number(value); };
    return QStringList {n(min), n(hour), n(day), n(month), n(year), u'"' + text + u'"', n(sound), n(week)}.join(u',');
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
