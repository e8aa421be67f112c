// The console as a user starts it: the start-up window, a family chosen, the main window against the sdi12-sim
// program on a pseudo-terminal, through the real serial code.
#include "support/Rig.h"
#include "support/SimProcess.h"

#include "app/Launch.h"
#include "discovery/SensorTable.h"
#include "link/PortDirectory.h"

#include <QAction>
#include <QLabel>
#include <QPushButton>
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
    QTest::addColumn<QString>("button");
    QTest::addColumn<bool>("rotary");
    QTest::newRow("level probes at 0 and 4") << "LevelProbeButton" << false;
    QTest::newRow("encoder converters at 2 and 7") << "EncoderConverterButton" << true;
}

void TestEndToEnd::consoleOnPseudoTerminal()
{
    QFETCH(QString, button);
    QFETCH(bool, rotary);
    SimProcess sim;
    QVERIFY(sim.start(rotary ? QStringList{"--com", "1", "--rotary", "2,7"} : QStringList{"--com", "1", "--level", "0,4"}));
    PtyBase edges;
    MainWindow::Platform p;
    static_cast<Console::Platform &>(p) = edges.platform(250);
    p.windowStatePath = edges.home.filePath("window.ini");
    Launch launch(p, [&sim] { return ports::numberDevices(portdir::linkedPorts(sim.portDir()), {}); });
    launch.startup.show();
    auto *family = launch.startup.findChild<QPushButton *>(button);
    QVERIFY(family);
    family->click();   // opens COM1 and scans before it returns
    QVERIFY(launch.startup.isHidden());
    MainWindow &w = *launch.main;
    QVERIFY(w.isVisible());
    QCOMPARE(w.core.SensorType, rotary);
    QVERIFY(w.mnuCom[1]->text().startsWith("COM1 - SDI-12 port link /dev/"));
    QVERIFY(w.mnuCom[1]->isChecked());
    QCOMPARE(w.StatusBar1[1]->text(), QString("Connected on Com Port 1, 1200, n, 7, 1. "));
    QVERIFY(edges.ui.messages.isEmpty());
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
