#include "platform/system_check_probes.h"

#include "platform/posix_files.h"
#include "platform/program_directory.h"
#include "platform/qt_services.h"
#include "platform/sound_library_functions.h"
#include "platform/sound_services.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFont>
#include <QFontDatabase>
#include <QFontMetrics>
#include <QLibraryInfo>
#include <QStandardPaths>

#include <pulse/context.h>
#include <pulse/mainloop.h>
#include <sndfile.h>
#include <xcb/xcb.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <memory>

using namespace check;

namespace {

// Whether a Wayland compositor accepts a connection on its socket; nothing is said on it.
bool waylandAnswers(const QByteArray &name)
{
    const QByteArray runtime = qgetenv("XDG_RUNTIME_DIR");
    const QByteArray path = name.startsWith('/') ? name : runtime + '/' + name;
    sockaddr_un address = {};
    if (runtime.isEmpty() && !name.startsWith('/'))
        return false;
    if (size_t(path.size()) >= sizeof address.sun_path)
        return false;
    address.sun_family = AF_UNIX;
    memcpy(address.sun_path, path.constData(), size_t(path.size()));
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    const bool answers = fd >= 0 && ::connect(fd, reinterpret_cast<const sockaddr *>(&address), sizeof address) == 0;
    if (fd >= 0)
        ::close(fd);
    return answers;
}

xcb_atom_t atom(xcb_connection_t *c, const char *name)
{
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 1, uint16_t(strlen(name)), name), nullptr), &free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

using PropertyReply = std::unique_ptr<xcb_get_property_reply_t, decltype(&free)>;
PropertyReply property(xcb_connection_t *c, xcb_window_t window, xcb_atom_t name, xcb_atom_t type)
{
    return {xcb_get_property_reply(c, xcb_get_property(c, 0, window, name, type, 0, 4096), nullptr), &free};
}

// The window a property names, as _NET_SUPPORTING_WM_CHECK does.
xcb_window_t windowIn(const PropertyReply &reply)
{
    if (!reply || reply->format != 32 || xcb_get_property_value_length(reply.get()) < 4)
        return XCB_WINDOW_NONE;
    return *static_cast<const xcb_window_t *>(xcb_get_property_value(reply.get()));
}

// A StatusNotifier host, which Qt prefers to the XEmbed tray. No bus is
// started to ask: a session without one has no such host.
bool statusNotifierHost()
{
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
        && (runtime.isEmpty() || !QFileInfo::exists(runtime + QLatin1String("/bus"))))
        return false;
    QDBusMessage get = QDBusMessage::createMethodCall(QStringLiteral("org.kde.StatusNotifierWatcher"),
        QStringLiteral("/StatusNotifierWatcher"), QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("Get"));
    get << QStringLiteral("org.kde.StatusNotifierWatcher") << QStringLiteral("IsStatusNotifierHostRegistered");
    const QDBusReply<QDBusVariant> reply = QDBusConnection::sessionBus().call(get, QDBus::Block, 300);
    return reply.isValid() && reply.value().variant().toBool();
}

QString subtypeName(int subtype)
{
    switch (subtype) {
    case SF_FORMAT_PCM_S8:
    case SF_FORMAT_PCM_U8:
        return QStringLiteral("PCM 8 ビット");
    case SF_FORMAT_PCM_16:
        return QStringLiteral("PCM 16 ビット");
    case SF_FORMAT_PCM_24:
        return QStringLiteral("PCM 24 ビット");
    case SF_FORMAT_PCM_32:
        return QStringLiteral("PCM 32 ビット");
    case SF_FORMAT_FLOAT:
        return QStringLiteral("浮動小数点 32 ビット");
    case SF_FORMAT_DOUBLE:
        return QStringLiteral("浮動小数点 64 ビット");
    case SF_FORMAT_ULAW:
        return QStringLiteral("µ-law");
    case SF_FORMAT_ALAW:
        return QStringLiteral("A-law");
    case SF_FORMAT_IMA_ADPCM:
        return QStringLiteral("IMA ADPCM");
    case SF_FORMAT_MS_ADPCM:
        return QStringLiteral("MS ADPCM");
    case SF_FORMAT_GSM610:
        return QStringLiteral("GSM 6.10");
    }
    return QStringLiteral("符号化 0x%1").arg(subtype, 4, 16, QLatin1Char('0'));
}

// The folder itself, or when it does not exist yet the nearest folder above that does.
QString nearestExisting(const QString &path)
{
    QString folder = QDir::cleanPath(path);
    while (!QFileInfo(folder).isDir() && folder != QFileInfo(folder).path())
        folder = QFileInfo(folder).path();
    return folder;
}

} // namespace

SystemCheckProbes::~SystemCheckProbes()
{
    if (m_x11)
        xcb_disconnect(m_x11);
}

DisplayFacts SystemCheckProbes::display()
{
    if (m_display)
        return *m_display;
    DisplayFacts facts;
    const QByteArray x11 = qgetenv("DISPLAY");
    const QByteArray wayland = qgetenv("WAYLAND_DISPLAY");
    const bool waylandSession = !wayland.isEmpty() || qgetenv("XDG_SESSION_TYPE").toLower() == "wayland";
    // The program runs as an X11 client wherever X answers, unless the user chose Wayland.
    if (!x11.isEmpty() && !qgetenv("QT_QPA_PLATFORM").startsWith("wayland")) {
        m_x11 = xcb_connect(x11.constData(), &m_screen);
        if (xcb_connection_has_error(m_x11) == 0)
            facts.kind = waylandSession ? DisplayKind::XWayland : DisplayKind::X11;
        else
            xcb_disconnect(std::exchange(m_x11, nullptr));
    }
    if (facts.kind == DisplayKind::Unreachable && !wayland.isEmpty() && waylandAnswers(wayland))
        facts.kind = DisplayKind::WaylandOnly;
    facts.name = QString::fromLocal8Bit(facts.kind == DisplayKind::WaylandOnly || x11.isEmpty() ? wayland : x11);
    m_display = facts;
    return facts;
}

WindowManagerFacts SystemCheckProbes::windowManager()
{
    WindowManagerFacts facts;
    if (!m_x11)
        return facts;
    const xcb_setup_t *setup = xcb_get_setup(m_x11);
    xcb_screen_iterator_t screens = xcb_setup_roots_iterator(setup);
    for (int i = 0; i < m_screen && screens.rem; ++i)
        xcb_screen_next(&screens);
    const xcb_window_t root = screens.data->root;
    // A window manager is the one client that redirects the root's children;
    // one that does not follow the desktop conventions is still one.
    std::unique_ptr<xcb_get_window_attributes_reply_t, decltype(&free)> attributes(
        xcb_get_window_attributes_reply(m_x11, xcb_get_window_attributes(m_x11, root), nullptr), &free);
    facts.running = attributes && (attributes->all_event_masks & XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT);
    const xcb_atom_t check = atom(m_x11, "_NET_SUPPORTING_WM_CHECK");
    const xcb_window_t wm = windowIn(property(m_x11, root, check, XCB_ATOM_WINDOW));
    // A window manager that has gone leaves its properties on the root; its check window goes with it.
    if (wm == XCB_WINDOW_NONE || windowIn(property(m_x11, wm, check, XCB_ATOM_WINDOW)) != wm)
        return facts;
    facts.running = true;
    const PropertyReply name = property(m_x11, wm, atom(m_x11, "_NET_WM_NAME"), atom(m_x11, "UTF8_STRING"));
    if (name)
        facts.name = QString::fromUtf8(
            static_cast<const char *>(xcb_get_property_value(name.get())), xcb_get_property_value_length(name.get()));
    const PropertyReply supported = property(m_x11, root, atom(m_x11, "_NET_SUPPORTED"), XCB_ATOM_ATOM);
    const xcb_atom_t above = atom(m_x11, "_NET_WM_STATE_ABOVE");
    if (supported && supported->format == 32) {
        const auto *atoms = static_cast<const xcb_atom_t *>(xcb_get_property_value(supported.get()));
        facts.keepsAbove = std::find(atoms, atoms + supported->value_len, above) != atoms + supported->value_len;
    }
    return facts;
}

TrayKind SystemCheckProbes::tray()
{
    if (statusNotifierHost())
        return TrayKind::StatusNotifier;
    if (!m_x11)
        return TrayKind::None;
    const QByteArray selection = "_NET_SYSTEM_TRAY_S" + QByteArray::number(m_screen);
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&free)> owner(
        xcb_get_selection_owner_reply(
            m_x11, xcb_get_selection_owner(m_x11, atom(m_x11, selection.constData())), nullptr),
        &free);
    return owner && owner->owner != XCB_WINDOW_NONE ? TrayKind::XEmbed : TrayKind::None;
}

QString SystemCheckProbes::japaneseFont(const QString &texts)
{
    const QList<uint> characters = texts.toUcs4();
    for (const QString &family : QFontDatabase::families(QFontDatabase::Japanese)) {
        QFont font(family);
        // The family alone: a character it lacks must not be found in another.
        font.setStyleStrategy(QFont::NoFontMerging);
        const QFontMetrics metrics(font);
        if (std::all_of(characters.begin(), characters.end(), [&](uint c) { return metrics.inFontUcs4(c); }))
            return family;
    }
    return {};
}

SoundServerFacts SystemCheckProbes::soundServer()
{
    SoundServerFacts facts;
    facts.server = qEnvironmentVariable("PULSE_SERVER");
    void *pulse = ::dlopen("libpulse.so.0", RTLD_NOW | RTLD_LOCAL);
    if (!pulse)
        return facts;
#define REKUDA31_CHECK_PULSE(X)                                                                                        \
    X(pa_mainloop_new)                                                                                                 \
    X(pa_mainloop_get_api)                                                                                             \
    X(pa_mainloop_prepare)                                                                                             \
    X(pa_mainloop_poll)                                                                                                \
    X(pa_mainloop_dispatch)                                                                                            \
    X(pa_mainloop_free)                                                                                                \
    X(pa_context_new)                                                                                                  \
    X(pa_context_connect)                                                                                              \
    X(pa_context_get_state)                                                                                            \
    X(pa_context_get_server)                                                                                           \
    X(pa_context_disconnect)                                                                                           \
    X(pa_context_unref)
#define REKUDA31_RESOLVE(name) const auto name = reinterpret_cast<decltype(&::name)>(::dlsym(pulse, #name));
    REKUDA31_CHECK_PULSE(REKUDA31_RESOLVE)
#undef REKUDA31_RESOLVE
#define REKUDA31_FOUND(name) &&name
    if (!(true REKUDA31_CHECK_PULSE(REKUDA31_FOUND)))
        return facts;
#undef REKUDA31_FOUND
#undef REKUDA31_CHECK_PULSE
    pa_mainloop *loop = pa_mainloop_new();
    pa_context *context = pa_context_new(pa_mainloop_get_api(loop), "rekuda31 --check");
    // Asking must not start a server where none runs.
    if (context && pa_context_connect(context, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) >= 0) {
        using namespace std::chrono;
        const auto deadline = steady_clock::now() + milliseconds(400);
        pa_context_state_t state = PA_CONTEXT_CONNECTING;
        while (PA_CONTEXT_IS_GOOD(state) && state != PA_CONTEXT_READY && steady_clock::now() < deadline) {
            const auto left = duration_cast<microseconds>(deadline - steady_clock::now()).count();
            if (pa_mainloop_prepare(loop, int(std::max<decltype(left)>(left, 0))) < 0 || pa_mainloop_poll(loop) < 0
                || pa_mainloop_dispatch(loop) < 0)
                break;
            state = pa_context_get_state(context);
        }
        facts.answers = state == PA_CONTEXT_READY;
        if (facts.answers && facts.server.isEmpty())
            facts.server = QString::fromLocal8Bit(pa_context_get_server(context));
        pa_context_disconnect(context);
    }
    if (context)
        pa_context_unref(context);
    pa_mainloop_free(loop);
    return facts;
}

WaveFacts SystemCheckProbes::wave(const QString &path)
{
    WaveFacts facts;
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    facts.exists = ::stat(name.constData(), &st) == 0;
    if (!facts.exists)
        return facts;
    // As the player does: only a regular file is opened, and never waited on.
    if (!S_ISREG(st.st_mode)) {
        facts.problem = QStringLiteral("普通のファイルではありません");
        return facts;
    }
    void *sndfile = ::dlopen(REKUDA31_SNDFILE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    const auto open = sndfile ? reinterpret_cast<decltype(&::sf_open_fd)>(::dlsym(sndfile, "sf_open_fd")) : nullptr;
    const auto close = sndfile ? reinterpret_cast<decltype(&::sf_close)>(::dlsym(sndfile, "sf_close")) : nullptr;
    if (!open || !close) {
        facts.problem = QStringLiteral("libsndfile がありません (libsndfile1 を入れてください)");
        return facts;
    }
    const int fd = ::open(name.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    SF_INFO info = {};
    SNDFILE *sound = fd >= 0 ? open(fd, SFM_READ, &info, SF_TRUE) : nullptr;
    if (!sound) {
        if (fd >= 0)
            ::close(fd);
        facts.problem
            = fd < 0 ? QStringLiteral("読めません (権限)") : QStringLiteral("libsndfile が読める音声ではありません");
        return facts;
    }
    close(sound);
    const int major = info.format & SF_FORMAT_TYPEMASK;
    facts.format = (major == SF_FORMAT_WAV            ? QStringLiteral("WAVE")
                           : major == SF_FORMAT_WAVEX ? QStringLiteral("WAVE 拡張")
                                                      : QStringLiteral("形式 0x%1").arg(major >> 16, 0, 16))
        + QStringLiteral("、") + subtypeName(info.format & SF_FORMAT_SUBMASK);
    facts.channels = info.channels;
    facts.rate = info.samplerate;
    facts.seconds = info.samplerate > 0 ? double(info.frames) / info.samplerate : 0;
    if (info.channels < 1 || info.channels > 32)
        facts.problem = QStringLiteral("チャンネル数 %1 は再生できません (1〜32)").arg(info.channels);
    else if (info.frames <= 0)
        facts.problem = QStringLiteral("音が入っていません");
    return facts;
}

QString SystemCheckProbes::bellSound()
{
    for (const QString &file : BellBeeper::themeSounds()) {
        if (QFileInfo(file).isFile())
            return file;
    }
    return {};
}

DataFolderFacts SystemCheckProbes::dataFolder()
{
    const QString program = QCoreApplication::applicationDirPath();
    DataFolderFacts facts;
    facts.path = ApplicationDirectory().path();
    if (facts.path != program)
        facts.reason = data_folder::isInstallLocation(program) ? FolderReason::InstallLocation
            : !data_folder::isOwnedAndClosed(program)          ? FolderReason::SharedProgramFolder
                                                               : FolderReason::ReadOnlyProgramFolder;
    facts.exists = QFileInfo(facts.path).isDir();
    facts.writable = data_folder::isWritable(nearestExisting(facts.path));
    return facts;
}

DataFileFacts SystemCheckProbes::dataFile(const QString &path)
{
    DataFileFacts facts;
    const QByteArray name = QFile::encodeName(path);
    struct stat st = {};
    facts.exists = ::lstat(name.constData(), &st) == 0;
    if (!facts.exists || ::stat(name.constData(), &st) != 0 || !S_ISREG(st.st_mode)
        || st.st_size > PosixFiles::kSizeLimit)
        return facts;
    QFile file(path);
    facts.readable = file.open(QIODevice::ReadOnly);
    facts.bytes = file.readAll();
    return facts;
}

qint64 SystemCheckProbes::runningCopy(const QString &folder)
{
    return FileLock(folder).holder();
}

AutostartFacts SystemCheckProbes::autostart()
{
    QString home = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (!home.startsWith(QLatin1Char('/')))
        home = QDir::homePath() + QLatin1String("/.config");
    QString system = qEnvironmentVariable("XDG_CONFIG_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/etc/xdg");
    AutostartFacts facts;
    // The user's entry of the same name replaces the system's, even to switch it off.
    for (const QString &folder : QStringList {home} + system.split(QLatin1Char(':'), Qt::SkipEmptyParts)) {
        QFile entry(folder + QLatin1String("/autostart/rekuda31.desktop"));
        if (!entry.open(QIODevice::ReadOnly))
            continue;
        facts.path = entry.fileName();
        bool inEntry = false;
        for (const QByteArray &raw : entry.readAll().split('\n')) {
            const QByteArray line = raw.trimmed();
            if (line.startsWith('['))
                inEntry = line == "[Desktop Entry]";
            else if (inEntry && (line == "Hidden=true" || line == "X-GNOME-Autostart-enabled=false"))
                facts.switchedOff = true;
        }
        break;
    }
    return facts;
}

InputMethodFacts SystemCheckProbes::inputMethod()
{
    InputMethodFacts facts;
    facts.module = qEnvironmentVariable("QT_IM_MODULE");
    // fcitx5's Qt 6 plugin answers to "fcitx" and "fcitx5" alike.
    const QString key = facts.module.startsWith(QLatin1String("fcitx")) ? QStringLiteral("fcitx") : facts.module;
    const QDir plugins(QLibraryInfo::path(QLibraryInfo::PluginsPath) + QLatin1String("/platforminputcontexts"));
    for (const QString &file : plugins.entryList(QDir::Files))
        facts.pluginFound = facts.pluginFound || (!key.isEmpty() && file.contains(key));
    return facts;
}
