#pragma once

#include <QObject>
#include <QTimer>

class Clock;

// A one-second timer aligned to the wall clock: it fires just after each whole
// second of the clock and re-arms itself from the clock every time, so it does
// not drift and catches up after the clock is changed or the machine resumes.
class SecondTimer : public QObject
{
    Q_OBJECT
public:
    SecondTimer(const Clock &clock, QObject *parent = nullptr);
    void start();
    void stop();

signals:
    void timeout();

private:
    void arm();

    const Clock &m_clock;
    QTimer m_timer;
};
