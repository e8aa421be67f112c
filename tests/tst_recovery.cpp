// Readings that survive: a console killed while logging gives its readings
// back at the next start.
#include "support/ConsoleRig.h"

#include "discovery/LogPeriods.h"
#include "logging/JournalKeeper.h"
#include "logging/LogExport.h"
#include "logging/LogList.h"
#include "logging/LoggingEngine.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QTextStream>


namespace {
QString rowText(const LogRow &r)
{
    QStringList cells{r.date};
    for (const QString &c : r.cells)
        cells << c;
    return cells.join('|');
}

// The child: a console logging a simulated level probe once every 50 ms
// into `journal`, printing each row as its list shows it, until killed.
int logUntilKilled(const QString &journal)
{
    ConsoleRig r(false, 80, false, journal);
    r.simulator().addSensor(3, sim::Family::Level);
    QTextStream out(stdout);
    LogList *log = r.tab(3)->LogListView;
    QObject::connect(log->logModel(), &QAbstractItemModel::rowsInserted, [&](const QModelIndex &, int first, int last) {
        for (int i = last; i >= first; --i)
            out << "ROW " << rowText(log->rows().at(i)) << Qt::endl;
    });
    r.load();
    fillAllLogPeriods(r.w->core.tab[3]->LogPeriodCombo);
    r.tab(3)->LogPeriodCombo->setCurrentIndex(1);   // every tick
    r.w->core.logging->SecondTimer.setInterval(50);
    r.tab(3)->StartLogBut->click();
    return QCoreApplication::exec();
}

QStringList shown(LogList *log)
{
    QStringList rows;
    for (int i = 0; i < log->rowCount(); ++i)
        rows << rowText(log->rows().at(i));
    return rows;
}
} // namespace

class TestRecovery : public QObject
{
    Q_OBJECT
private slots:
    void killedWhileLogging();
};

void TestRecovery::killedWhileLogging()
{
    QTemporaryDir dir;
    const QString journal = dir.filePath("journal.sqlite");
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {"--log-until-killed", journal});
    QStringList printed;   // oldest first
    QElapsedTimer t;
    t.start();
    while (printed.size() < 25 && t.elapsed() < 30000 && child.state() != QProcess::NotRunning) {
        child.waitForReadyRead(200);
        while (child.canReadLine()) {
            const QString line = QString::fromUtf8(child.readLine()).trimmed();
            if (line.startsWith("ROW "))
                printed << line.mid(4);
        }
    }
    child.kill();   // SIGKILL
    QVERIFY(child.waitForFinished(5000));
    while (child.canReadLine())
        if (const QString line = QString::fromUtf8(child.readLine()).trimmed(); line.startsWith("ROW "))
            printed << line.mid(4);
    QVERIFY(printed.size() >= 25);

    // The next start offers them all, the count as a plain number; Yes
    // brings them back exactly as they were shown, newest first.
    ConsoleRig r(false, 80, false, journal);
    r.load();
    QCOMPARE(r.ui.questions.size(), 1);
    const QString question = r.ui.questions[0];
    QVERIFY2(question.startsWith("Restore Readings.|The journal holds "), qPrintable(question));
    LogList *log = r.tab(3)->LogListView;
    QStringList newestFirst = printed;
    std::reverse(newestFirst.begin(), newestFirst.end());
    const QStringList restored = shown(log);
    QVERIFY(restored == newestFirst || restored == newestFirst.mid(1));
    QVERIFY2(question.contains(QString(" holds %1 readings ").arg(restored.size())), qPrintable(question));
    QVERIFY(question.contains(QString("\rSensor 3: %1 readings, ").arg(restored.size())));
    QVERIFY(r.tab(3)->SaveLogBut->isEnabledTo(r.tab(3)));

    // Saved, they are offered no more, in this run or the next.
    r.ui.saves = {{true, r.dir.filePath("run.csv"), 3}};
    r.w->core.exporter->SaveLogBut_Click(3);
    r.w->core.journal->offerRestore(true);
    QCOMPARE(r.ui.texts().last(), QString("Restore Readings.|There are no unsaved readings to restore."));
    r.w.reset();
    ConsoleRig next(false, 80, true, journal);
    QVERIFY(next.ui.questions.isEmpty());
}

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc == 3 && QByteArray(argv[1]) == "--log-until-killed")
        return logUntilKilled(QString::fromLocal8Bit(argv[2]));
    TestRecovery test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_recovery.moc"
