// Saves two different tables over each other as fast as it can, until killed.
#include "platform/posix_files.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdio>

int main(int argc, char *argv[])
{
    if (argc != 4)
        return 2;
    const QString path = QString::fromLocal8Bit(argv[1]);
    QFile a(QString::fromLocal8Bit(argv[2]));
    QFile b(QString::fromLocal8Bit(argv[3]));
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly))
        return 2;
    const QByteArray contents[2] = {a.readAll(), b.readAll()};
    PosixFiles files;
    QString error;
    std::puts("ready");
    std::fflush(stdout);
    for (unsigned long n = 0;; ++n) {
        if (!files.replace(path, contents[n % 2], &error))
            return 3;
    }
}
