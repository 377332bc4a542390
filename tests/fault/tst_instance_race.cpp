// Twenty copies started at the same moment: exactly one stays, every round.
#include <QDir>
#include <QProcess>
#include <QtTest>

#include <memory>
#include <vector>

class TestInstanceRace : public QObject
{
    Q_OBJECT
private slots:
    void exactlyOneStays();
};

void TestInstanceRace::exactlyOneStays()
{
    QTemporaryDir dir;
    const QString binary = dir.filePath(QStringLiteral("rekuda31"));
    QVERIFY(QFile::copy(QStringLiteral(REKUDA31_BINARY), binary));
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));

    for (int round = 0; round < 20; ++round) {
        std::vector<std::unique_ptr<QProcess>> copies;
        for (int i = 0; i < 20; ++i) {
            auto process = std::make_unique<QProcess>();
            process->setProcessEnvironment(env);
            process->start(binary, {});
            copies.push_back(std::move(process));
        }
        for (auto &process : copies)
            QVERIFY(process->waitForStarted(5000));
        // Every copy but one ends by itself.
        QElapsedTimer timer;
        timer.start();
        int running = 20;
        while (timer.elapsed() < 20000) {
            running = 0;
            for (auto &process : copies) {
                process->waitForFinished(0);
                if (process->state() == QProcess::Running)
                    ++running;
            }
            if (running <= 1)
                break;
            QTest::qWait(50);
        }
        // ... and the one that stays keeps running.
        QTest::qWait(300);
        running = 0;
        for (auto &process : copies) {
            if (process->state() == QProcess::Running)
                ++running;
            else
                QCOMPARE(process->exitCode(), 0);
        }
        for (auto &process : copies) {
            process->kill();
            process->waitForFinished(5000);
        }
        QVERIFY2(running == 1, qPrintable(QStringLiteral("round %1: %2 copies running").arg(round).arg(running)));
    }
}

QTEST_GUILESS_MAIN(TestInstanceRace)
#include "tst_instance_race.moc"
