#include "platform/sound_streams.h"

#include <QCoreApplication>
#include <QFile>

#include <pulse/simple.h>
#include <sndfile.h>

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
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

class SoundFile
{
public:
    ~SoundFile()
    {
        if (sound)
            sf_close(sound);
        if (fd >= 0)
            ::close(fd);
    }
    int fd = -1;
    SNDFILE *sound = nullptr;
};

class Connection
{
public:
    ~Connection()
    {
        if (out)
            pa_simple_free(out);
    }
    pa_simple *out = nullptr;
};

pa_usec_t usec(int ms)
{
    return pa_usec_t(ms) * 1000;
}

// Lets the buffered end of the sound play out, listening for a stop meanwhile.
void waitForTail(pa_simple *out, const std::atomic<bool> &stop)
{
    const auto deadline = steady_clock::now() + milliseconds(kBufferMs + 1000);
    pa_usec_t before = pa_usec_t(-1);
    while (!stop && steady_clock::now() < deadline) {
        int error = 0;
        const pa_usec_t latency = pa_simple_get_latency(out, &error);
        // What is left once it stops shrinking is the sink's, which the drain waits for.
        if (latency == pa_usec_t(-1) || latency <= usec(kChunkMs) || latency >= before)
            return;
        before = latency;
        std::this_thread::sleep_for(milliseconds(10));
    }
}

Outcome playFile(const QByteArray &path, const std::string &name, const std::atomic<bool> &stop)
{
    SoundFile file;
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
    file.sound = sf_open_fd(file.fd, SFM_READ, &info, SF_FALSE);
    if (!file.sound || info.channels < 1 || info.channels > int(PA_CHANNELS_MAX) || info.samplerate < 1)
        return Outcome::Unreadable;
    pa_sample_spec spec = {};
    spec.format = PA_SAMPLE_FLOAT32NE;
    spec.rate = uint32_t(info.samplerate);
    spec.channels = uint8_t(info.channels);
    if (!pa_sample_spec_valid(&spec))
        return Outcome::Unreadable;

    const sf_count_t chunkFrames = std::max<sf_count_t>(1, sf_count_t(spec.rate) * kChunkMs / 1000);
    std::vector<float> chunk(size_t(chunkFrames) * spec.channels);
    // Read before connecting: a file without a single frame never opens a stream.
    sf_count_t frames = sf_readf_float(file.sound, chunk.data(), chunkFrames);
    if (frames <= 0)
        return Outcome::Unreadable;

    pa_channel_map map;
    pa_channel_map_init_extend(&map, spec.channels, PA_CHANNEL_MAP_WAVEEX);
    pa_buffer_attr buffer;
    buffer.maxlength = uint32_t(-1);
    buffer.tlength = uint32_t(pa_usec_to_bytes(usec(kBufferMs), &spec));
    buffer.prebuf = uint32_t(pa_usec_to_bytes(usec(kStartMs), &spec));
    buffer.minreq = uint32_t(-1);
    buffer.fragsize = uint32_t(-1);
    Connection server;
    int error = 0;
    server.out
        = pa_simple_new(nullptr, "rekuda31", PA_STREAM_PLAYBACK, nullptr, name.c_str(), &spec, &map, &buffer, &error);
    if (!server.out)
        return Outcome::NoServer;

    sf_count_t written = 0;
    while (frames > 0 && !stop) {
        if (pa_simple_write(server.out, chunk.data(), size_t(frames) * pa_frame_size(&spec), &error) < 0)
            return Outcome::Broken;
        written += frames;
        frames = sf_readf_float(file.sound, chunk.data(), chunkFrames);
    }
    // A sound shorter than the start threshold only plays once drained.
    if (written >= sf_count_t(spec.rate) * kStartMs / 1000)
        waitForTail(server.out, stop);
    if (stop) {
        pa_simple_flush(server.out, nullptr);
        return Outcome::Stopped;
    }
    return pa_simple_drain(server.out, &error) < 0 ? Outcome::Broken : Outcome::Played;
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
