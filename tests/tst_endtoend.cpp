// The console as a user starts it, against the simulated bus: in-process
// behind the port double, and as the sdi12-sim program on a pseudo-terminal.
#include "support/ConsoleRig.h"

#include "app/Widgets.h"
#include "discovery/SensorTable.h"
#include "discovery/SysData.h"
#include "link/HardwarePort.h"
#include "link/PortDirectory.h"
#include "logging/LogList.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

class TestEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void rotaryEncodersInProcess();
    void consoleOnPseudoTerminal_data();
    void consoleOnPseudoTerminal();
};

void TestEndToEnd::rotaryEncodersInProcess()
{
    ConsoleRig r(true, 80, false);
    sim::SimBus &bus = r.simulator();
    bus.addSensor(2, sim::Family::Rotary);
    bus.addSensor(7, sim::Family::Rotary);
    bus.faults().repeatLetters = true;
    r.load();
    MainWindow &w = *r.w;
    for (int i = 0; i < 10; ++i)
        QCOMPARE(w.SensorTab->isTabEnabled(i), i == 2 || i == 7);
    QCOMPARE(w.RotaryListView->topLevelItem(7)->text(SensorTable::RotaryUnits), QString("Millimetres"));
    QCOMPARE(r.tab(7)->RotaryMeasurementResText->text(), QString("0.049"));
    SensorTabWidget *t = r.tab(7);
    t->RotaryPulleyCircumText->setText("400");
    t->RotaryPulleyCircumBut->click();
    r.settle();
    QCOMPARE(bus.value(7, "XCP"), QString("400"));
    QCOMPARE(t->RotaryMeasurementResText->text(), QString("0.098"));
    combo::select(t->RotaryMeasurementUnitsCombo, 0);
    t->RotaryMeasurementUnitsBut->click();
    r.settle();
    QCOMPARE(bus.value(7, "XMU"), QString("0"));
    QCOMPARE(t->RotaryMeasurementResText->text(), QString("0.000"));
    t->RotaryStartLogBut->click();
    r.settle();
    QCOMPARE(t->RotaryLogListView->text(0, 3), QString("Metres"));
}

void TestEndToEnd::consoleOnPseudoTerminal_data()
{
    QTest::addColumn<bool>("rotary");
    QTest::newRow("level probes at 0 and 4") << false;
    QTest::newRow("rotary encoders at 2 and 7") << true;
}

void TestEndToEnd::consoleOnPseudoTerminal()
{
    QFETCH(bool, rotary);
    QTemporaryDir runtime;
    QFile::setPermissions(runtime.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QString dir = runtime.path() + "/sdi12-ports";
    QProcess simulator;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("XDG_RUNTIME_DIR", runtime.path());
    simulator.setProcessEnvironment(env);
    simulator.start(QStringLiteral(SDI12_SIM_PATH),
                    rotary ? QStringList{"--com", "1", "--rotary", "2,7"} : QStringList{"--com", "1", "--level", "0,4"});
    QElapsedTimer t;
    t.start();
    while (!QFileInfo(dir + "/COM1").isSymLink() && t.elapsed() < 5000)
        QTest::qWait(20);
    QVERIFY(QFileInfo(dir + "/COM1").isSymLink());

    QTemporaryDir home;
    SysDataRecord rec;
    rec.commandTimeoutMs = 250;
    const QString settings = home.filePath("Varno sysfile.cfg");
    sysdata::write(settings, rec, nullptr);
    TestUi ui;
    Clock clock;
    auto catalogue = std::make_shared<PortCatalogue>();
    HardwarePort port([catalogue](int n) { return catalogue->devices.value(n); });
    MainWindow::Platform p;
    p.ui = &ui;
    p.clock = &clock;
    p.port = &port;
    p.settingsPath = settings;
    p.catalogue = [catalogue, dir] {
        *catalogue = ports::numberDevices(portdir::linkedPorts(dir), {});
        return *catalogue;
    };
    MainWindow w(p);
    if (rotary)
        w.setRotaryEncoderSensorType();
    else
        w.setLevelProbeSensorType();
    w.Form_Load();   // opens COM1 and scans before it returns
    QVERIFY(w.mnuCom[1]->text().startsWith("COM1 - SDI-12 port link /dev/"));
    QVERIFY(w.mnuCom[1]->isChecked());
    QCOMPARE(w.StatusBar1[1]->text(), QString("Connected on Com Port 1, 1200, n, 7, 1. "));
    QVERIFY(ui.messages.isEmpty());
    const QList<int> found = rotary ? QList<int>{2, 7} : QList<int>{0, 4};
    for (int i = 0; i < 10; ++i)
        QCOMPARE(w.SensorTab->isTabEnabled(i), found.contains(i));
    QCOMPARE(w.SensorTab->currentIndex(), found[0]);
    QTreeWidget *table = rotary ? w.RotaryListView : w.ListView;
    QCOMPARE(table->topLevelItem(found[1])->text(rotary ? int(SensorTable::RotaryUnits) : int(SensorTable::PressureUnits)),
             QString(rotary ? "Millimetres" : "mH2O"));
    QCOMPARE(table->topLevelItem(found[1])->text(rotary ? int(SensorTable::RotaryLogStatus) : int(SensorTable::LevelLogStatus)),
             QString("Idle"));
    QVERIFY(w.CommsList->count() > 10);
    port.close();
    simulator.terminate();
    QVERIFY(simulator.waitForFinished(3000));
}

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
