// Saves killed with SIGKILL at random moments. Catches: a data file written in place, renamed over before its bytes
// are down, or left holding neither the old memos nor the new.
#include "fakes/memo_fixtures.h"

#include "platform/posix_files.h"

#include <QtTest>

#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

class TestInterruptedSave : public QObject
{
    Q_OBJECT
private slots:
    void killedSavesLeaveOldOrNew()
    {
        QTemporaryDir dir;
        const QString target = dir.filePath(QStringLiteral("rekuda31.dat"));
        const QByteArray small = "1\r\n30,14,25,12,2026,\"abc\",1,0\r\n", large(4400, 'x');
        PosixFiles files;
        QString error;
        QVERIFY(files.replace(target, small, &error));
        int seen[2] = {0, 0};
        for (int round = 0; round < 200; ++round) {
            const pid_t saver = ::fork();
            // The child saves the two over each other as fast as it can, until killed.
            for (unsigned n = 0; saver == 0; ++n)
                if (!files.replace(target, n % 2 ? large : small, &error))
                    ::_exit(3);
            QVERIFY(saver > 0);
            QTest::qSleep(int(QRandomGenerator::global()->bounded(1, 15)));
            ::kill(saver, SIGKILL);
            int status = 0;
            QVERIFY(::waitpid(saver, &status, 0) == saver && WIFSIGNALED(status));
            const QByteArray now = readBytes(target);
            QVERIFY2(now == small || now == large, qPrintable(QStringLiteral("round %1").arg(round)));
            ++seen[now == large];
        }
        QVERIFY(seen[0] > 0 && seen[1] > 0);
    }
};

QTEST_GUILESS_MAIN(TestInterruptedSave)
#include "tst_interrupted_save.moc"
