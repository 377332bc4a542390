#pragma once

#include "platform/services.h"

// One running instance per program directory: an exclusive lock on a file in
// the user's runtime folder. The kernel drops the lock when the process ends,
// however it ends, so a crashed instance never blocks the next start and a
// long-running one never goes stale.
class FileLock : public InstanceLock
{
public:
    explicit FileLock(QString directory);
    ~FileLock() override;
    bool acquire() override;
    void release() override;

private:
    QString m_directory;
    int m_fd = -1;
};

class MessageBoxes : public Messages
{
public:
    void error(const QString &title, const QString &text) override;
};
