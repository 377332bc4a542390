#pragma once

#include "platform/services.h"

// One running copy per data folder: an exclusive lock on a hidden file of
// our own in the data folder itself, so two starts that would use the same
// rekuda31.dat meet at the same lock whatever their environment, and nobody
// else can take it first (the folder is the user's and closed to others).
// The kernel drops the lock when the process ends, however it ends, so a
// crashed copy never blocks the next start.
class FileLock : public InstanceLock
{
public:
    explicit FileLock(QString directory);
    ~FileLock() override;
    bool acquire() override;
    void release() override;
    // The lock file: the one file start-up adds beside the data file.
    QString fileName() const;
    // The process id of the copy holding the lock, or 0. Read from the
    // kernel's table of locks: no file is made, opened or locked, so a copy
    // starting meanwhile can never mistake the question for a running copy.
    qint64 holder() const;

private:
    QString m_directory;
    int m_fd = -1;
};

class MessageBoxes : public Messages
{
public:
    void error(const QString &title, const QString &text) override;
};
