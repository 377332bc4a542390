#include "scheduler/second_timer.h"

#include "platform/clock.h"

namespace {
// Fire a little after the second turns, never just before it.
constexpr int kMargin = 5;
} // namespace

SecondTimer::SecondTimer(const Clock &clock, QObject *parent)
    : QObject(parent)
    , m_clock(clock)
    , m_timer(this)
{
    m_timer.setSingleShot(true);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        arm();
        emit timeout();
    });
}

void SecondTimer::start()
{
    arm();
}

void SecondTimer::stop()
{
    m_timer.stop();
}

void SecondTimer::arm()
{
    m_timer.start(m_clock.msecsToNextSecond() + kMargin);
}
