#pragma once

#include <QIcon>
#include <QObject>
#include <QPoint>
#include <QString>

// Small operating-system services, each behind its own interface.

class ProgramDirectory
{
public:
    virtual ~ProgramDirectory() = default;
    // Folder that holds rekuda31.dat and rekuda31.wav, without a trailing separator.
    virtual QString path() const = 0;
    // Makes the folder if it does not exist yet, and says whether it did;
    // start-up calls it first, as the instance lock lives in it.
    virtual bool create() { return false; }
    // The program's own folder, which may hold memos of an earlier copy.
    virtual QString programPath() const { return path(); }
};

class InstanceLock
{
public:
    virtual ~InstanceLock() = default;
    // true when this process is the only running instance; held until exit.
    virtual bool acquire() = 0;
    // Lets the next instance start; the process is on its way out.
    virtual void release() = 0;
};

class Beeper
{
public:
    virtual ~Beeper() = default;
    virtual void beep() = 0;
};

class SoundPlayer
{
public:
    virtual ~SoundPlayer() = default;
    // Stops whatever plays; never blocks, never reports.
    virtual void close() = 0;
    // Starts the wave file from its beginning and returns at once.
    virtual void play(const QString &path) = 0;
};

class Launcher
{
public:
    virtual ~Launcher() = default;
    // Starts the system's date and time settings; returns at once.
    virtual void openDateTimeSettings() = 0;
};

class Messages
{
public:
    virtual ~Messages() = default;
    // A non-blocking error message to the user.
    virtual void error(const QString &title, const QString &text) = 0;
};

// The icon in the notification area (or the resident indicator that stands in
// for it). Emits leftButtonReleased with the pointer's global position.
class TrayIcon : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;
    virtual void add(const QIcon &icon, const QString &tip) = 0;
    virtual void remove() = 0;

signals:
    void leftButtonReleased(const QPoint &globalPos);
};
