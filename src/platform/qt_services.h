#pragma once

#include "platform/services.h"

#include <vector>

// One running instance per data folder: an exclusive lock on a file in a
// folder only this user can change (the runtime folder, else one in the
// user's cache folder, else one in /tmp). The kernel drops the lock when the
// process ends, however it ends, so a crashed instance never blocks the next
// start and a long-running one never goes stale. Nothing in the data folder
// is touched, and the folder need not exist yet.
class FileLock : public InstanceLock
{
public:
    explicit FileLock(QString directory);
    ~FileLock() override;
    bool acquire() override;
    void release() override;
    // The lock file's name, the same for every instance on this data folder.
    QString fileName() const;
    // The process id of the instance holding the lock, or 0. Read from the
    // kernel's table of locks: no file is made, opened or locked, so a copy
    // starting meanwhile can never mistake the question for a running copy.
    qint64 holder() const;

private:
    QString m_directory;
    std::vector<int> m_fds;
};

class MessageBoxes : public Messages
{
public:
    void error(const QString &title, const QString &text) override;
};
