#pragma once

#include "fakes/memo_fixtures.h"

#include "entry/form1.h"
#include "platform/cp932_codec.h"
#include "platform/platform.h"
#include "platform/posix_files.h"
#include "platform/qt_services.h"
#include "scheduler/second_timer.h"
#include "shell/app.h"

#include <QCoreApplication>
#include <QStringList>
#include <QTemporaryDir>

// A clock that stands still until the test moves it.
struct FakeClock : Clock
{
    QDateTime now() const override { return moment; }
    void pause(int) const override { } // time stands still here too
    void set(const QDateTime &now) { moment = now; }
    void advance(qint64 msecs) { moment = moment.addMSecs(msecs); }
    QDateTime moment {QDate(2026, 12, 25), QTime(14, 29, 58)};
};

// One for each part: the program's folder is the test's, no other copy runs, no panel opens, sounds are counted.
struct FakeDesktop : ProgramDirectory, InstanceLock, Launcher, Beeper, SoundPlayer
{
    explicit FakeDesktop(const QString &where = {}) { folder = where; }
    QString path() const override { return folder; }
    bool acquire() override { return true; }
    void release() override { }
    void openDateTimeSettings() override { calls << QStringLiteral("date and time settings"); }
    void beep() override { ++beeps; }
    void close() override { calls << QStringLiteral("close"); }
    void play(const QString &path) override { calls << QStringLiteral("play ") + path; }
    QString folder;
    int beeps = 0;
    QStringList calls;
};

// Real files in the test's folder, with writes that can be made to fail.
struct FaultyFiles : PosixFiles
{
    bool replace(const QString &path, const QByteArray &bytes, QString *error) override
    {
        return failWrites ? (*error = QStringLiteral("No space left on device"), false)
                          : PosixFiles::replace(path, bytes, error);
    }
    bool failWrites = false;
};

struct FakeMessages : Messages
{
    void error(const QString &title, const QString &text) override { shown << title + QLatin1Char('|') + text; }
    QStringList shown;
};

struct FakeTray : TrayIcon
{
    void add(const QIcon &, const QString &) override { present = true; }
    void remove() override { present = false; }
    bool present = false;
};

// A whole program on fakes, in a fresh temporary folder; the App owns the fakes, tests reach them here.
class TestProgram
{
public:
    TestProgram() { installFakes(); }
    ~TestProgram() { stop(); }

    void writeDataFile(const QByteArray &bytes) { writeBytes(dataPath(), bytes); }
    QByteArray dataFile() const { return readBytes(dataPath()); }
    QString dataPath() const { return folder.filePath(QStringLiteral("rekuda31.dat")); }

    // Creates the App and runs start-up; false for a second instance.
    bool start()
    {
        app = std::make_unique<App>(std::move(m_platform));
        app->terminate = [this] { ++terminations; };
        app->quit = [this] { ++quits; };
        const bool started = app->startUp();
        if (started && app->forms.form1.loaded())
            form1().Timer1->stop(); // the test drives the timers, never the wall clock
        return started;
    }
    // Ends the App as the process would and starts one on the same folder, fresh fakes, the clock going on.
    bool restart()
    {
        const QDateTime now = clock->now();
        stop();
        terminations = quits = 0;
        installFakes();
        clock->set(now);
        return start();
    }
    // Moves the clock by msecs, ticking as often as the real timer would meanwhile.
    void advance(qint64 msecs)
    {
        const QDateTime end = clock->now().addMSecs(msecs);
        for (qint64 step; clock->now().addMSecs(step = clock->msecsToNextSecond()) <= end; tick())
            clock->advance(step);
        clock->set(end);
    }
    // One tick of form1.Timer1 now, through the timer's own signal, so that its wiring is tested too.
    void tick() { emit form1().Timer1->timeout(); }

    QTemporaryDir folder;
    FakeClock *clock = nullptr;
    FaultyFiles *files = nullptr;
    FakeDesktop *beeper = nullptr, *sound = nullptr, *launcher = nullptr;
    FakeMessages *messages = nullptr;
    FakeTray *tray = nullptr;
    std::unique_ptr<App> app;
    int terminations = 0, quits = 0;

private:
    void stop()
    {
        app.reset();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
    void installFakes()
    {
        m_platform.clock.reset(clock = new FakeClock);
        m_platform.directory = std::make_unique<FakeDesktop>(folder.path());
        m_platform.lock = std::make_unique<FileLock>(folder.path()); // the program's own, in its data folder
        m_platform.codec = std::make_unique<Cp932Codec>();
        m_platform.files.reset(files = new FaultyFiles);
        m_platform.beeper.reset(beeper = new FakeDesktop);
        m_platform.sound.reset(sound = new FakeDesktop);
        m_platform.launcher.reset(launcher = new FakeDesktop);
        m_platform.messages.reset(messages = new FakeMessages);
        m_platform.tray.reset(tray = new FakeTray);
    }

    Platform m_platform;
};
