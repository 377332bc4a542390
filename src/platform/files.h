#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

// File access for the data file. replace() must never leave a half-written
// file behind: either the old content or the new one survives.
class Files
{
public:
    virtual ~Files() = default;
    // nullopt when the file does not exist, cannot be read, is not a regular
    // file or is larger than any data file we write.
    virtual std::optional<QByteArray> read(const QString &path) = 0;
    virtual bool exists(const QString &path) = 0;
    // As read(), but only a regular file of this user's, and no link followed.
    virtual std::optional<QByteArray> readOwn(const QString &path) = 0;
    // Atomically replaces path with bytes; on failure *error says why.
    virtual bool replace(const QString &path, const QByteArray &bytes, QString *error) = 0;
    // Removing a file that is already gone succeeds.
    virtual bool remove(const QString &path, QString *error) = 0;
    // Moves a damaged file out of the way without replacing an earlier one;
    // returns the new name, or empty when nothing was moved.
    virtual QString moveAside(const QString &path) = 0;
    // Removes the temporary files that saves of path killed midway left behind.
    virtual void removeStaleTemporaries(const QString &path) = 0;
};
