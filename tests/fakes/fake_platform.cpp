#include "fakes/fake_platform.h"

#include "entry/form1.h"
#include "platform/cp932_codec.h"
#include "scheduler/second_timer.h"

#include <QCoreApplication>
#include <QFile>
#include <QStringEncoder>

TestProgram::TestProgram()
{
    auto clockPtr = std::make_unique<FakeClock>();
    clock = clockPtr.get();
    m_platform.clock = std::move(clockPtr);
    m_platform.directory = std::make_unique<FakeDirectory>(folder.path());
    auto lockPtr = std::make_unique<FakeLock>();
    lock = lockPtr.get();
    m_platform.lock = std::move(lockPtr);
    m_platform.codec = std::make_unique<Cp932Codec>();
    auto filesPtr = std::make_unique<FaultyFiles>();
    files = filesPtr.get();
    m_platform.files = std::move(filesPtr);
    auto beeperPtr = std::make_unique<FakeBeeper>();
    beeper = beeperPtr.get();
    m_platform.beeper = std::move(beeperPtr);
    auto soundPtr = std::make_unique<FakeSound>();
    sound = soundPtr.get();
    m_platform.sound = std::move(soundPtr);
    auto launcherPtr = std::make_unique<FakeLauncher>();
    launcher = launcherPtr.get();
    m_platform.launcher = std::move(launcherPtr);
    auto messagesPtr = std::make_unique<FakeMessages>();
    messages = messagesPtr.get();
    m_platform.messages = std::move(messagesPtr);
    auto trayPtr = std::make_unique<FakeTray>();
    tray = trayPtr.get();
    m_platform.tray = std::move(trayPtr);
}

TestProgram::~TestProgram()
{
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

QString TestProgram::dataPath() const
{
    return folder.path() + QLatin1String("/rekuda31.dat");
}

void TestProgram::writeDataFile(const QByteArray &bytes)
{
    QFile file(dataPath());
    if (file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        file.write(bytes);
}

QByteArray TestProgram::dataFile() const
{
    QFile file(dataPath());
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

bool TestProgram::dataFileExists() const
{
    return QFile::exists(dataPath());
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

void TestProgram::tick()
{
    form1().Timer1_Timer();
}

void TestProgram::advance(qint64 msecs)
{
    const QDateTime end = clock->now().addMSecs(msecs);
    while (true) {
        const qint64 step = clock->msecsToNextSecond();
        if (clock->now().addMSecs(step) > end)
            break;
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
