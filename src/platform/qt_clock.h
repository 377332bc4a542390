#pragma once

#include "platform/clock.h"

#include <QThread>

class SystemClock : public Clock
{
public:
    QDateTime now() const override { return QDateTime::currentDateTime(); }
    void pause(int msecs) const override { QThread::msleep(msecs); }
};
