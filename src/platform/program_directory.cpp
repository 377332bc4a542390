#include "platform/program_directory.h"

#include <QCoreApplication>

QString ApplicationDirectory::path() const
{
    return QCoreApplication::applicationDirPath();
}
