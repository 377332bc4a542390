#pragma once

#include "platform/files.h"

// Files on a POSIX file system; replace() writes a temporary file beside the
// target, checks every write, syncs it, renames it over the target and syncs
// the folder, so a crash or a full disk leaves the old file or the new one.
//
// The user's own links are followed, so a data file linked elsewhere stays
// there; a link owned by anyone else is never followed: a save replaces the
// link itself and a deletion removes it. New files are private (0600).
class PosixFiles : public Files
{
public:
    // Far above 21 memos of 100,000 kanji each; a larger file is not ours.
    static constexpr qint64 kSizeLimit = 16 * 1024 * 1024;

    std::optional<QByteArray> read(const QString &path) override;
    bool exists(const QString &path) override;
    std::optional<QByteArray> readOwn(const QString &path) override;
    bool replace(const QString &path, const QByteArray &bytes, QString *error) override;
    bool remove(const QString &path, QString *error) override;
    QString moveAside(const QString &path) override;
    void removeStaleTemporaries(const QString &path) override;

private:
    static std::optional<QByteArray> readRegular(const QByteArray &path, bool ownOnly);
};
