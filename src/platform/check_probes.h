#pragma once

#include <QByteArray>
#include <QString>

// What `rekuda31 --check` asks of the machine, one question per item of its
// report. Every answer is read without writing anything, starting anything
// or taking the lock from a running copy.
namespace check {

enum class DisplayKind { Unreachable, X11, XWayland, WaylandOnly };
struct DisplayFacts
{
    DisplayKind kind = DisplayKind::Unreachable;
    QString name; // DISPLAY, or WAYLAND_DISPLAY when only Wayland answers
};

struct WindowManagerFacts
{
    bool running = false;
    QString name; // empty when it does not say
    bool keepsAbove = false; // lists _NET_WM_STATE_ABOVE in _NET_SUPPORTED
};

enum class TrayKind { None, XEmbed, StatusNotifier };

struct SoundServerFacts
{
    bool answers = false;
    QString server; // PULSE_SERVER when set, else the server that answered
};

struct WaveFacts
{
    bool exists = false;
    QString problem; // why it cannot be played; empty when it can
    QString format; // container and encoding
    int channels = 0;
    int rate = 0;
    double seconds = 0;
};

enum class FolderReason { BesideProgram, InstallLocation, SharedProgramFolder, ReadOnlyProgramFolder };
struct DataFolderFacts
{
    QString path;
    FolderReason reason = FolderReason::BesideProgram;
    bool exists = false;
    bool writable = false; // or, when missing, can be made
};

struct DataFileFacts
{
    bool exists = false;
    bool readable = false; // a regular file within the size the program reads
    QByteArray bytes;
};

struct AutostartFacts
{
    QString path; // the entry that counts, empty when there is none
    bool switchedOff = false;
};

struct InputMethodFacts
{
    QString module; // QT_IM_MODULE
    bool pluginFound = false;
};

} // namespace check

class CheckProbes
{
public:
    virtual ~CheckProbes() = default;
    virtual check::DisplayFacts display() = 0;
    virtual check::WindowManagerFacts windowManager() = 0;
    virtual check::TrayKind tray() = 0;
    // A font family that draws every character of the program's texts, or empty.
    virtual QString japaneseFont(const QString &texts) = 0;
    virtual check::SoundServerFacts soundServer() = 0;
    virtual check::WaveFacts wave(const QString &path) = 0;
    // The bell's sound file, empty when the sound theme has none.
    virtual QString bellSound() = 0;
    virtual check::DataFolderFacts dataFolder() = 0;
    virtual check::DataFileFacts dataFile(const QString &path) = 0;
    // The process id of a copy running on the folder, or 0.
    virtual qint64 runningCopy(const QString &folder) = 0;
    virtual check::AutostartFacts autostart() = 0;
    virtual check::InputMethodFacts inputMethod() = 0;
};
