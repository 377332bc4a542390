#pragma once

#include <QObject>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

// Sound files played on threads of their own: decoded with libsndfile and
// written to the sound server through PulseAudio's simple API. A sound
// connects when it starts and disconnects when it ends, so an idle program
// holds no stream, and nothing a file or the server does can hold up or end
// the thread that starts it.
class SoundStreams
{
public:
    enum class Outcome {
        Played, // to its last sample
        Stopped, // by stopAll() or the destructor
        Unreadable, // not a regular file libsndfile can decode
        NoServer, // no sound server answered
        Broken, // the server went away or refused the stream mid-sound
    };

    SoundStreams();
    // Stops every sound and waits for its thread, half a second at most.
    ~SoundStreams();
    SoundStreams(const SoundStreams &) = delete;
    SoundStreams &operator=(const SoundStreams &) = delete;

    // Starts playing the file on a new thread and returns at once.
    void start(const QString &path, const char *streamName);
    // Tells every sound to stop; returns at once.
    void stopAll();
    // Waits until every sound has ended, msecs at most; true when they have.
    bool waitIdle(int msecs);
    // Sounds whose thread has not finished yet.
    int active() const;
    // Tells `ended` now what it would be told once control is back in the event loop.
    void reportNow();

    // Told on the owner's thread how each sound ended.
    std::function<void(Outcome)> ended;

    struct Stream;
    struct Shared;

private:
    void finish(Outcome outcome);
    void reap();

    std::shared_ptr<Shared> m_shared;
    std::vector<std::shared_ptr<Stream>> m_streams;
    QObject m_receiver;
};
