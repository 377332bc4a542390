#pragma once

#include "platform/platform.h"
#include "platform/posix_files.h"
#include "shell/app.h"

#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <memory>

// A clock that stands still until the test moves it.
class FakeClock : public Clock
{
public:
    QDateTime now() const override { return m_now; }
    void set(const QDateTime &now) { m_now = now; }
    void set(int y, int mo, int d, int h, int mi, int s = 0, int ms = 0)
    {
        m_now = QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms));
    }
    void advance(qint64 msecs) { m_now = m_now.addMSecs(msecs); }

private:
    QDateTime m_now {QDate(2026, 12, 25), QTime(14, 29, 58)};
};

class FakeDirectory : public ProgramDirectory
{
public:
    QString path() const override { return folder; }
    QString folder;
};

class FakeLock : public InstanceLock
{
public:
    bool acquire() override { return !otherInstanceRuns; }
    void release() override
    {
        if (log)
            *log << QStringLiteral("release lock");
    }
    bool otherInstanceRuns = false;
    QStringList *log = nullptr; // to see the release in order with other calls
};

// Real files in the test's folder, with writes that can be made to fail.
class FaultyFiles : public PosixFiles
{
public:
    bool replace(const QString &path, const QByteArray &bytes, QString *error) override
    {
        ++writes;
        if (failWrites) {
            *error = QStringLiteral("No space left on device");
            return false;
        }
        return PosixFiles::replace(path, bytes, error);
    }
    bool failWrites = false;
    int writes = 0;
};

class FakeBeeper : public Beeper
{
public:
    void beep() override
    {
        ++beeps;
        if (log)
            *log << QStringLiteral("beep");
    }
    int beeps = 0;
    QStringList *log = nullptr; // to see beeps in order with other calls
};

class FakeSound : public SoundPlayer
{
public:
    void close() override { calls << QStringLiteral("close"); }
    void play(const QString &path) override { calls << QStringLiteral("play ") + path; }
    QStringList calls;
};

class FakeLauncher : public Launcher
{
public:
    void openDateTimeSettings() override { ++launches; }
    int launches = 0;
};

class FakeMessages : public Messages
{
public:
    void error(const QString &title, const QString &text) override { shown << title + QLatin1Char('|') + text; }
    QStringList shown;
};

class FakeTray : public TrayIcon
{
    Q_OBJECT
public:
    void add(const QIcon &icon, const QString &tip) override
    {
        ++adds;
        present = true;
        this->icon = icon;
        this->tip = tip;
        if (onAdd)
            onAdd();
    }
    void remove() override
    {
        present = false;
        if (onRemove)
            onRemove();
    }
    void release(const QPoint &pos = QPoint(100, 100)) { emit leftButtonReleased(pos); }

    int adds = 0;
    bool present = false;
    QIcon icon;
    QString tip;
    std::function<void()> onAdd;
    std::function<void()> onRemove;
};

// A whole program on fakes, in a fresh temporary folder. Tests reach the fakes
// through the typed pointers; the App owns them.
class TestProgram
{
public:
    TestProgram();
    ~TestProgram();

    // Writes rekuda31.dat (raw bytes) into the program's folder.
    void writeDataFile(const QByteArray &bytes);
    QByteArray dataFile() const;
    bool dataFileExists() const;
    QString dataPath() const;

    // Creates the App and runs start-up; false for a second instance.
    bool start();
    // Ends the App as the process would end and starts a new one on the same
    // folder with fresh fakes; the clock goes on from where it was.
    bool restart();
    // The same with these memo lines in the data file (none: no file) and the clock at `when`.
    bool start(const QStringList &memos, const QDateTime &when);
    // Moves the clock by msecs and delivers the one-second tick as often as
    // the real timer would have fired in that time.
    void advance(qint64 msecs);
    // Delivers one tick of form1.Timer1 at the present clock reading.
    void tick();

    QTemporaryDir folder;
    FakeClock *clock = nullptr;
    FakeLock *lock = nullptr;
    FaultyFiles *files = nullptr;
    FakeBeeper *beeper = nullptr;
    FakeSound *sound = nullptr;
    FakeLauncher *launcher = nullptr;
    FakeMessages *messages = nullptr;
    FakeTray *tray = nullptr;
    std::unique_ptr<App> app;
    int terminations = 0;
    int quits = 0;

private:
    void installFakes();

    Platform m_platform;
};

// Windows-style data-file bytes: lines joined with CR LF, encoded in code page 932.
QByteArray cp932Lines(const QStringList &lines);
// A data file holding these memo lines, after their count.
QByteArray dataFileOf(const QStringList &memos);
// One memo as a line of the data file.
QString memoLine(int min, int hour, int day, int month, int year, const QString &text, int sound = 0, int week = 0);
