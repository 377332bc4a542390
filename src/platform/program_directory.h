#pragma once

#include "platform/services.h"

#include <optional>

namespace data_folder {
// Where rekuda31.dat and rekuda31.wav live: beside the program when it was
// unpacked into a folder of the user's, otherwise the user's data folder.
// Creates nothing.
QString choose(const QString &programDirectory, const QString &userDataDirectory);

// A place programs are installed to, where data files do not belong even
// when this process could write there (root can write to /usr/bin).
bool isInstallLocation(const QString &directory);

// Whether files may be created in the directory, by this process and by its
// permissions: root writes anywhere, but a folder marked read-only stays so.
bool isWritable(const QString &directory);

// Owned by this user and not writable by everyone: nobody else can plant
// files or links in it (a folder such as /tmp is not).
bool isOwnedAndClosed(const QString &directory);
} // namespace data_folder

// The folder of the data and wave files, decided on first use and kept: the
// start-up paths and the single-instance key must agree for the whole run.
class ApplicationDirectory : public ProgramDirectory
{
public:
    // The program's own directory and the user's data folder.
    ApplicationDirectory();
    ApplicationDirectory(QString programDirectory, QString userDataDirectory);
    QString path() const override;
    // Makes the missing folders of path() private (0700).
    bool create() override;
    QString programPath() const override { return m_programDirectory; }

private:
    QString m_programDirectory;
    QString m_userDataDirectory;
    mutable std::optional<QString> m_path;
};
