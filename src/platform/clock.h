#pragma once

#include <QDateTime>

// The only way the program reads the present moment. Everything that shows or
// compares a time goes through here, so tests can replace it with a fake.
class Clock
{
public:
    virtual ~Clock() = default;
    virtual QDateTime now() const = 0;
    // Waits a moment, for another program to finish what it is doing.
    virtual void pause(int msecs) const = 0;

    int year() const { return now().date().year(); }
    int month() const { return now().date().month(); }
    int day() const { return now().date().day(); }
    int hour() const { return now().time().hour(); }
    int minute() const { return now().time().minute(); }
    int second() const { return now().time().second(); }
    // 1 = Sunday ... 7 = Saturday.
    int weekday() const { return now().date().dayOfWeek() % 7 + 1; }
    // Milliseconds until the wall clock next passes a whole second.
    int msecsToNextSecond() const { return 1000 - now().time().msec(); }
};
