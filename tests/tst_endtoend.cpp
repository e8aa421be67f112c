// The console as a user starts it, against the sdi12-sim program on a
// pseudo-terminal, through the real serial code.
#include "support/ConsoleRig.h"
#include "support/SimProcess.h"

#include "discovery/SensorTable.h"
#include "link/HardwarePort.h"
#include "link/PortDirectory.h"

#include <QAction>
#include <QLabel>
#include <QTabWidget>
#include <QTest>

class TestEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void consoleOnPseudoTerminal_data();
    void consoleOnPseudoTerminal();
};

void TestEndToEnd::consoleOnPseudoTerminal_data()
{
    QTest::addColumn<bool>("rotary");
    QTest::newRow("level probes at 0 and 4") << false;
    QTest::newRow("rotary encoders at 2 and 7") << true;
}

void TestEndToEnd::consoleOnPseudoTerminal()
{
    QFETCH(bool, rotary);
    SimProcess sim;
    QVERIFY(sim.start(rotary ? QStringList{"--com", "1", "--rotary", "2,7"} : QStringList{"--com", "1", "--level", "0,4"}));
    PtyConsole c(rotary, [&sim] { return ports::numberDevices(portdir::linkedPorts(sim.portDir()), {}); });
    MainWindow &w = *c.w;
    TestUi &ui = c.ui;
    w.Form_Load();   // opens COM1 and scans before it returns
    QVERIFY(w.mnuCom[1]->text().startsWith("COM1 - SDI-12 port link /dev/"));
    QVERIFY(w.mnuCom[1]->isChecked());
    QCOMPARE(w.StatusBar1[1]->text(), QString("Connected on Com Port 1, 1200, n, 7, 1. "));
    QVERIFY(ui.messages.isEmpty());
    const QList<int> found = rotary ? QList<int>{2, 7} : QList<int>{0, 4};
    for (int i = 0; i < 10; ++i)
        QCOMPARE(w.SensorTab->isTabEnabled(i), found.contains(i));
    QCOMPARE(w.SensorTab->currentIndex(), found[0]);
    QCOMPARE(w.core.table->cell(found[1], rotary ? int(SensorTable::RotaryUnits) : int(SensorTable::PressureUnits)),
             QString(rotary ? "Millimetres" : "mH2O"));
    QCOMPARE(w.core.table->cell(found[1], w.core.table->logStatusColumn()), QString("Idle"));
    QVERIFY(w.core.comms.count() > 10);
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
