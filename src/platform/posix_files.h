#pragma once

#include "platform/files.h"

// Files on a POSIX file system; replace() writes a temporary file beside the
// target, checks every write, syncs it, renames it over the target and syncs
// the folder, so a crash or a full disk leaves the old file or the new one.
class PosixFiles : public Files
{
public:
    std::optional<QByteArray> read(const QString &path) override;
    bool exists(const QString &path) override;
    bool replace(const QString &path, const QByteArray &bytes, QString *error) override;
    bool remove(const QString &path, QString *error) override;
    QString moveAside(const QString &path) override;
};
