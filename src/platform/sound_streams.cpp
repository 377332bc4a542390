#include "platform/sound_streams.h"

#include "platform/sound_library_functions.h"

#include <QCoreApplication>
#include <QFile>

#include <pulse/simple.h>
#include <sndfile.h>

#include <dlfcn.h>
#include <fcntl.h>
#include <link.h>
#include <malloc.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <set>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

using Outcome = SoundStreams::Outcome;
using std::chrono::milliseconds;
using std::chrono::steady_clock;

struct SoundStreams::Shared
{
    std::mutex mutex;
    std::condition_variable finished;
    // Null once the owner is being destroyed: nothing is reported any more.
    QObject *receiver = nullptr;
};

struct SoundStreams::Stream
{
    std::thread thread;
    std::atomic<bool> stop {false};
    bool done = false; // guarded by Shared::mutex
};

namespace {

// Written in small pieces so that a stop is noticed within one of them.
constexpr int kChunkMs = 20;
// What the server holds ahead of the speaker: all a flush has to drop.
constexpr int kBufferMs = 150;
// Playing starts once this much is buffered, well within the first chunks.
constexpr int kStartMs = 40;
constexpr milliseconds kJoinLimit {500};
constexpr int kMostStuck = 4;

// The sound libraries' functions, resolved when the first sound plays.
struct SoundLibraries
{
#define REKUDA31_MEMBER(name) decltype(&::name) name = nullptr;
    REKUDA31_SNDFILE_FUNCTIONS(REKUDA31_MEMBER)
    REKUDA31_PULSE_FUNCTIONS(REKUDA31_MEMBER)
#undef REKUDA31_MEMBER
    bool complete = false;
    // Code and constants of the libraries and of what they brought with them.
    std::vector<std::pair<uintptr_t, size_t>> readOnlyPages;
};

std::set<std::string> loadedObjects()
{
    std::set<std::string> names;
    ::dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            static_cast<std::set<std::string> *>(data)->insert(info->dlpi_name ? info->dlpi_name : "");
            return 0;
        },
        &names);
    return names;
}

bool hasTextRelocations(const dl_phdr_info *info)
{
    for (int i = 0; i < info->dlpi_phnum; ++i) {
        if (info->dlpi_phdr[i].p_type != PT_DYNAMIC)
            continue;
        const auto *entry = reinterpret_cast<const ElfW(Dyn) *>(info->dlpi_addr + info->dlpi_phdr[i].p_vaddr);
        for (; entry->d_tag != DT_NULL; ++entry) {
            if (entry->d_tag == DT_TEXTREL || (entry->d_tag == DT_FLAGS && (entry->d_un.d_val & DF_TEXTREL)))
                return true;
        }
    }
    return false;
}

// The whole pages of the read-only segments (code and constants) of every
// object loaded since `before`. Nothing ever writes to them, so the pages can
// be dropped and read again from the files at any time.
std::vector<std::pair<uintptr_t, size_t>> readOnlyPagesLoadedSince(const std::set<std::string> &before)
{
    struct Walk
    {
        const std::set<std::string> &before;
        std::vector<std::pair<uintptr_t, size_t>> pages;
        uintptr_t pageSize;
    } walk {before, {}, uintptr_t(::sysconf(_SC_PAGESIZE))};
    ::dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *data) {
            auto &walk = *static_cast<Walk *>(data);
            if (walk.before.count(info->dlpi_name ? info->dlpi_name : "") || hasTextRelocations(info))
                return 0;
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr) &segment = info->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W))
                    continue;
                // Rounded inwards: a page shared with a writable segment is left alone.
                const uintptr_t start = (info->dlpi_addr + segment.p_vaddr + walk.pageSize - 1) & ~(walk.pageSize - 1);
                const uintptr_t end = (info->dlpi_addr + segment.p_vaddr + segment.p_filesz) & ~(walk.pageSize - 1);
                if (end > start)
                    walk.pages.emplace_back(start, end - start);
            }
            return 0;
        },
        &walk);
    return walk.pages;
}

template <class F> bool resolve(void *library, const char *name, F &function)
{
    function = library ? reinterpret_cast<F>(::dlsym(library, name)) : nullptr;
    return function != nullptr;
}

SoundLibraries openSoundLibraries()
{
    SoundLibraries lib;
    const std::set<std::string> before = loadedObjects();
    // Opened by their sonames from the system's library path and never
    // closed: PulseAudio's client library keeps thread-local state.
    void *sndfile = ::dlopen(REKUDA31_SNDFILE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    void *pulse = ::dlopen(REKUDA31_PULSE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    bool complete = true;
#define REKUDA31_RESOLVE_SNDFILE(name) complete = resolve(sndfile, #name, lib.name) && complete;
#define REKUDA31_RESOLVE_PULSE(name) complete = resolve(pulse, #name, lib.name) && complete;
    REKUDA31_SNDFILE_FUNCTIONS(REKUDA31_RESOLVE_SNDFILE)
    REKUDA31_PULSE_FUNCTIONS(REKUDA31_RESOLVE_PULSE)
#undef REKUDA31_RESOLVE_SNDFILE
#undef REKUDA31_RESOLVE_PULSE
    lib.complete = complete;
    lib.readOnlyPages = readOnlyPagesLoadedSince(before);
    return lib;
}

// Null when a library is missing: then nothing can be played.
const SoundLibraries *soundLibraries()
{
    static const SoundLibraries lib = openSoundLibraries();
    return lib.complete ? &lib : nullptr;
}

std::atomic<int> g_playing {0};

// Between sounds the libraries' code is let go: it is needed only while a
// sound plays, and an idle tray program should stay small. The pages are
// unchanged copies of the files (mostly shared with the sound server), so the
// next sound simply maps them again from the page cache.
class PlayingGuard
{
public:
    explicit PlayingGuard(const SoundLibraries &lib)
        : lib(lib)
    {
        ++g_playing;
    }
    ~PlayingGuard()
    {
        if (--g_playing != 0)
            return;
        for (const auto &[start, length] : lib.readOnlyPages)
            ::madvise(reinterpret_cast<void *>(start), length, MADV_DONTNEED);
    }
    PlayingGuard(const PlayingGuard &) = delete;
    PlayingGuard &operator=(const PlayingGuard &) = delete;

private:
    const SoundLibraries &lib;
};

class SoundFile
{
public:
    explicit SoundFile(const SoundLibraries &lib)
        : lib(lib)
    { }
    ~SoundFile()
    {
        if (sound)
            lib.sf_close(sound);
        if (fd >= 0)
            ::close(fd);
    }
    const SoundLibraries &lib;
    int fd = -1;
    SNDFILE *sound = nullptr;
};

class Connection
{
public:
    explicit Connection(const SoundLibraries &lib)
        : lib(lib)
    { }
    ~Connection()
    {
        if (out)
            lib.pa_simple_free(out);
    }
    const SoundLibraries &lib;
    pa_simple *out = nullptr;
};

pa_usec_t usec(int ms)
{
    return pa_usec_t(ms) * 1000;
}

// Lets the buffered end of the sound play out, listening for a stop meanwhile.
void waitForTail(const SoundLibraries &lib, pa_simple *out, const std::atomic<bool> &stop)
{
    const auto deadline = steady_clock::now() + milliseconds(kBufferMs + 1000);
    pa_usec_t before = pa_usec_t(-1);
    while (!stop && steady_clock::now() < deadline) {
        int error = 0;
        const pa_usec_t latency = lib.pa_simple_get_latency(out, &error);
        // What is left once it stops shrinking is the sink's, which the drain waits for.
        if (latency == pa_usec_t(-1) || latency <= usec(kChunkMs) || latency >= before)
            return;
        before = latency;
        std::this_thread::sleep_for(milliseconds(10));
    }
}

Outcome playFile(const QByteArray &path, const std::string &name, const std::atomic<bool> &stop)
{
    const SoundLibraries *const libraries = soundLibraries();
    if (!libraries)
        return Outcome::NoServer;
    const SoundLibraries &lib = *libraries;
    const PlayingGuard playing(lib);
    SoundFile file(lib);
    // Only a regular file is read: a device is never opened at all (opening
    // one can have effects of its own), and the open does not block, so that
    // a FIFO put in the file's place meanwhile cannot hold it.
    struct stat st = {};
    if (::stat(path.constData(), &st) != 0 || !S_ISREG(st.st_mode))
        return Outcome::Unreadable;
    file.fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (file.fd < 0 || ::fstat(file.fd, &st) != 0 || !S_ISREG(st.st_mode))
        return Outcome::Unreadable;
    SF_INFO info = {};
    file.sound = lib.sf_open_fd(file.fd, SFM_READ, &info, SF_FALSE);
    if (!file.sound || info.channels < 1 || info.channels > int(PA_CHANNELS_MAX) || info.samplerate < 1)
        return Outcome::Unreadable;
    pa_sample_spec sampleFormat = {};
    sampleFormat.format = PA_SAMPLE_FLOAT32NE;
    sampleFormat.rate = uint32_t(info.samplerate);
    sampleFormat.channels = uint8_t(info.channels);
    if (!lib.pa_sample_spec_valid(&sampleFormat))
        return Outcome::Unreadable;

    const sf_count_t chunkFrames = std::max<sf_count_t>(1, sf_count_t(sampleFormat.rate) * kChunkMs / 1000);
    std::vector<float> chunk(size_t(chunkFrames) * sampleFormat.channels);
    // Read before connecting: a file without a single frame never opens a stream.
    sf_count_t frames = lib.sf_readf_float(file.sound, chunk.data(), chunkFrames);
    if (frames <= 0)
        return Outcome::Unreadable;

    pa_channel_map map;
    lib.pa_channel_map_init_extend(&map, sampleFormat.channels, PA_CHANNEL_MAP_WAVEEX);
    pa_buffer_attr buffer;
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(lib.pa_usec_to_bytes(usec(kBufferMs), &sampleFormat));
    buffer.prebuf = uint32_t(lib.pa_usec_to_bytes(usec(kStartMs), &sampleFormat));
    buffer.minreq = uint32_t(-1);
    buffer.fragsize = uint32_t(-1);
    Connection server(lib);
    int error = 0;
    server.out = lib.pa_simple_new(
        nullptr, "rekuda31", PA_STREAM_PLAYBACK, nullptr, name.c_str(), &sampleFormat, &map, &buffer, &error);
    if (!server.out)
        return Outcome::NoServer;

    sf_count_t written = 0;
    while (frames > 0 && !stop) {
        if (lib.pa_simple_write(server.out, chunk.data(), size_t(frames) * lib.pa_frame_size(&sampleFormat), &error)
            < 0)
            return Outcome::Broken;
        written += frames;
        frames = lib.sf_readf_float(file.sound, chunk.data(), chunkFrames);
    }
    // A sound shorter than the start threshold only plays once drained.
    if (written >= sf_count_t(sampleFormat.rate) * kStartMs / 1000)
        waitForTail(lib, server.out, stop);
    if (stop) {
        lib.pa_simple_flush(server.out, nullptr);
        return Outcome::Stopped;
    }
    return lib.pa_simple_drain(server.out, &error) < 0 ? Outcome::Broken : Outcome::Played;
}

} // namespace

SoundStreams::SoundStreams()
    : m_shared(std::make_shared<Shared>())
{
    m_shared->receiver = &m_receiver;
}

SoundStreams::~SoundStreams()
{
    {
        std::lock_guard lock(m_shared->mutex);
        m_shared->receiver = nullptr;
    }
    stopAll();
    waitIdle(int(kJoinLimit.count()));
    // A thread stuck in a server that stopped answering is left to the end
    // of the process rather than holding up the exit.
    for (const auto &stream : m_streams)
        stream->thread.detach();
}

void SoundStreams::start(const QString &path, const char *streamName)
{
    reap();
    // Threads that never finish mean a server that took the connection and
    // stopped answering: more of them would only pile up.
    if (active() >= kMostStuck) {
        QMetaObject::invokeMethod(
            &m_receiver, [this] { finish(Outcome::NoServer); }, Qt::QueuedConnection);
        return;
    }
    auto stream = std::make_shared<Stream>();
    const std::shared_ptr<Shared> shared = m_shared;
    try {
        stream->thread
            = std::thread([this, shared, stream, file = QFile::encodeName(path), name = std::string(streamName)] {
                  const Outcome outcome = playFile(file, name, stream->stop);
                  std::lock_guard lock(shared->mutex);
                  stream->done = true;
                  shared->finished.notify_all();
                  // The receiver, and with it this object, lives while it is set.
                  if (shared->receiver)
                      QMetaObject::invokeMethod(
                          shared->receiver, [this, outcome] { finish(outcome); }, Qt::QueuedConnection);
              });
    } catch (const std::system_error &) {
        QMetaObject::invokeMethod(
            &m_receiver, [this] { finish(Outcome::Broken); }, Qt::QueuedConnection);
        return;
    }
    m_streams.push_back(std::move(stream));
}

void SoundStreams::stopAll()
{
    for (const auto &stream : m_streams)
        stream->stop = true;
}

bool SoundStreams::waitIdle(int msecs)
{
    bool idle = false;
    {
        std::unique_lock lock(m_shared->mutex);
        idle = m_shared->finished.wait_for(lock, milliseconds(msecs),
            [this] { return std::all_of(m_streams.begin(), m_streams.end(), [](const auto &s) { return s->done; }); });
    }
    reap();
    return idle;
}

int SoundStreams::active() const
{
    std::lock_guard lock(m_shared->mutex);
    return int(std::count_if(m_streams.begin(), m_streams.end(), [](const auto &s) { return !s->done; }));
}

void SoundStreams::reportNow()
{
    QCoreApplication::sendPostedEvents(&m_receiver, QEvent::MetaCall);
}

void SoundStreams::finish(Outcome outcome)
{
    reap();
    // The threads' malloc arenas keep what the sound needed; an idle tray
    // program has no use for it.
    if (m_streams.empty())
        ::malloc_trim(0);
    if (ended)
        ended(outcome);
}

void SoundStreams::reap()
{
    std::vector<std::shared_ptr<Stream>> finished;
    {
        std::lock_guard lock(m_shared->mutex);
        const auto running
            = std::stable_partition(m_streams.begin(), m_streams.end(), [](const auto &s) { return !s->done; });
        finished.assign(running, m_streams.end());
        m_streams.erase(running, m_streams.end());
    }
    // Each has returned from its work; joining only collects the thread.
    for (const auto &stream : finished)
        stream->thread.join();
}
