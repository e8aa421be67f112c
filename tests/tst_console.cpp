#include "support/ConsoleRig.h"

#include "app/StartupForm.h"
#include "discovery/SensorTable.h"
#include "params/BusyState.h"
#include "params/UserCommandWindow.h"
#include "logging/LogList.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

namespace {
QStringList lines(QListWidget *l)
{
    QStringList out;
    for (int i = 0; i < l->count(); ++i)
        out << l->item(i)->text();
    return out;
}
} // namespace

class TestConsole : public QObject
{
    Q_OBJECT
private slots:
    void startupWindow();
    void familySetup();
    void sensorTableBeforeScan();
    void scanOneSensor();
    void scanNoSensor();
    void scanWithClosedPort();
    void identificationAndDispatchCheck();
    void userCommandRouting();
    void quitQuestion();
    void timeoutReleasesRotaryTab();
};

void TestConsole::startupWindow()
{
    StartupForm f;
    QSignalSpy spy(&f, &StartupForm::chosen);
    f.EncoderConverterButton->click();
    f.LevelProbeButton->click();
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).value<StartupForm::Family>(), StartupForm::Family::EncoderConverter);
}

void TestConsole::familySetup()
{
    {
        ConsoleRig r(false);
        MainWindow &w = *r.w;
        for (int i = 0; i < 10; ++i) {
            QVERIFY(r.tab(i)->ParameterFrame->isVisibleTo(&w) == (i == w.currentTab()) || !r.tab(i)->isVisible());
            QVERIFY(!r.tab(i)->RotaryEncoderFrame->isVisibleTo(r.tab(i)));
            QVERIFY(!r.tab(i)->CalibrateFrame->isVisibleTo(r.tab(i)));
            QVERIFY(r.tab(i)->ParameterFrame->isVisibleTo(r.tab(i)));
            QVERIFY(r.tab(i)->LogListView->isVisibleTo(r.tab(i)));
            QVERIFY(!r.tab(i)->RotaryLogListView->isVisibleTo(r.tab(i)));
        }
        QComboBox *pu = r.tab(3)->PressUnitsCombo;
        QCOMPARE(pu->count(), 11);
        QCOMPARE(pu->itemText(8), QString("Inch Hg"));
        QCOMPARE(pu->itemData(8).toInt(), 12);
        QCOMPARE(pu->itemText(10), QString("KPa"));
        QCOMPARE(pu->itemData(10).toInt(), 14);
        QVERIFY(w.CalibrateCheck->isVisible());
        QVERIFY(w.mnuFilter->isVisible() && w.mnuReset->isVisible());
        QVERIFY(w.ListView->isVisible() && !w.RotaryListView->isVisible());
    }
    {
        ConsoleRig r(true);
        MainWindow &w = *r.w;
        for (int i = 0; i < 10; ++i) {
            QVERIFY(!r.tab(i)->ParameterFrame->isVisibleTo(r.tab(i)));
            QVERIFY(r.tab(i)->RotaryEncoderFrame->isVisibleTo(r.tab(i)));
            QVERIFY(r.tab(i)->RotaryLogListView->isVisibleTo(r.tab(i)));
            QVERIFY(!r.tab(i)->LogListView->isVisibleTo(r.tab(i)));
            QCOMPARE(r.tab(i)->RotaryLogPeriodCombo->count(), 9);
            QCOMPARE(r.tab(i)->RotaryLogPeriodCombo->currentText(), QString("Single Log"));
        }
        QCOMPARE(r.tab(0)->RotaryLogPeriodCombo->itemData(8).toInt(), 900);
        QVERIFY(!w.CalibrateCheck->isVisible());
        QVERIFY(!w.mnuFilter->isVisible() && !w.mnuReset->isVisible());
        QVERIFY(!w.ListView->isVisible() && w.RotaryListView->isVisible());
    }
}

void TestConsole::sensorTableBeforeScan()
{
    ConsoleRig r(false, 80, false);
    r.port.failNextOpen("busy");
    r.load();
    MainWindow &w = *r.w;
    QCOMPARE(w.ListView->topLevelItemCount(), 10);
    for (int i = 0; i < 10; ++i) {
        QTreeWidgetItem *item = w.ListView->topLevelItem(i);
        QCOMPARE(item->text(0), QString(9, ' ') + QString::number(i));
        for (int c = 1; c <= 8; ++c)
            QCOMPARE(item->text(c), QString());
    }
    // The port did not open: the message, no scan, nothing ticked.
    QCOMPARE(r.ui.texts(),
             QStringList{"Scan Sensors...|No sensors were found. Please check connections and addresses.\rCOM1: busy"});
    QCOMPARE(w.StatusBar1[1]->text(), QString("Not Connected. "));
    QVERIFY(!w.mnuCom[1]->isChecked());
    QVERIFY(!w.SensorTab->isEnabled());
    QVERIFY(r.sent().isEmpty());
    QCOMPARE(w.mnuCom[1]->text(), QString("COM1 - Test port /dev/null (COM1)"));
    QVERIFY(!w.mnuCom[3]->isEnabled());

    // The first port that opens runs the scan.
    w.mnuCom[2]->trigger();
    r.settle();
    QCOMPARE(w.StatusBar1[1]->text(), QString("Connected on Com Port 2, 1200, n, 7, 1. "));
    QVERIFY(r.sent().contains("0XUP!"));
    QVERIFY(w.mnuCom[2]->isChecked());
}

void TestConsole::scanOneSensor()
{
    ConsoleRig r(false, 80, false);
    r.levelSensor(4);
    r.load();
    MainWindow &w = *r.w;
    for (int i = 0; i < 10; ++i)
        QCOMPARE(w.SensorTab->isTabEnabled(i), i == 4);
    QCOMPARE(w.SensorTab->currentIndex(), 4);
    QCOMPARE(w.ListView->indexOfTopLevelItem(w.ListView->selectedItems().value(0)), 4);
    QCOMPARE(r.ui.beeps, 1);
    QVERIFY(r.ui.messages.isEmpty());

    QStringList forFour;
    for (const QString &c : r.sent())
        if (c.startsWith('4'))
            forFour << c;
    QCOMPARE(forFour, (QStringList{"4XUP!", "4XUT!", "4XP!", "4XE!", "4I!", "4XREV!", "4XLOF!", "4XRA!", "4XU0!",
                                   "4XANCALCV0!", "4XANCALCV1!", "4XMOR!", "4XLOC!", "4XSN!", "4XF!", "4M!", "4D0!"}));
    QTreeWidgetItem *row = w.ListView->topLevelItem(4);
    QStringList cells;
    for (int c = 0; c <= 8; ++c)
        cells << row->text(c);
    QCOMPARE(cells, (QStringList{"         4", "LT510234", "Compensated", "9.8067", "1.2345", "mH2O", "21.50",
                                 "Centigrade", "Idle"}));
    for (int a : {0, 3, 5, 9})
        QCOMPARE(w.ListView->topLevelItem(a)->text(1), QString());
    SensorTabWidget *t = r.tab(4);
    QCOMPARE(t->RangeText->text(), QString("10.0000"));
    QCOMPARE(t->MaxOverRangeText->text(), QString("12.0000"));
    QCOMPARE(t->LevelText->text(), QString("0.0000"));
    QCOMPARE(t->SGText->text(), QString("1"));
    QCOMPARE(t->ZeroCalibrationText->text(), QString("0.0"));
    QCOMPARE(t->SlopeCalibrationText->text(), QString("1.0"));
    QCOMPARE(t->SampleRateText->text(), QString("2 Seconds"));
    QCOMPARE(t->LogPeriodCombo->count(), 7);
    QCOMPARE(t->LogPeriodCombo->itemText(1), QString("5 Seconds"));
    QCOMPARE(t->PressureText->text(), QString("1.2345"));
    QCOMPARE(lines(t->SensorIDList), (QStringList{"SDI Version = 1.3", "Company Name = ORVANE  ",
                                                  "Sensor Model = LT-Q5 ", "Sensor Version = 102"}));
    QCOMPARE(t->LogListView->rowCount(), 1);
    QVERIFY(t->ClearLogBut->isEnabled());
    // The scan restored the command timeout and left the tab idle.
    QCOMPARE(w.link.commandTimeout(), 80);
    QVERIFY(t->RangeBut->isEnabled());
    QVERIFY(w.ScanBut->isEnabled());
    QVERIFY(!w.SkipLocalOffset_Flag);
    QVERIFY(w.ReplyBeep_Flag);
}

void TestConsole::scanNoSensor()
{
    ConsoleRig r(false, 50);
    MainWindow &w = *r.w;
    for (int i = 0; i < 10; ++i)
        QVERIFY(!w.SensorTab->isTabEnabled(i));
    QCOMPARE(w.SensorTab->currentIndex(), 0);
    QCOMPARE(r.ui.texts(),
             QStringList{"Scan Sensors...|No sensors were found. Please check connections and addresses."});
    QCOMPARE(r.ui.beeps, 1);
    QCOMPARE(r.sent().size(), 10);
}

void TestConsole::scanWithClosedPort()
{
    ConsoleRig r(false, 50);
    r.port.close();
    r.ui.clear();
    r.w->ButClearComms->click();
    // Once per scan, every scan.
    for (int scan = 1; scan <= 2; ++scan) {
        r.w->ScanBut->click();
        r.settle();
    }
    const QStringList once{"Connection.|Unable to connect to comm port.",
                           "Scan Sensors...|No sensors were found. Please check connections and addresses."};
    QCOMPARE(r.ui.texts(), once + once);
    QCOMPARE(r.w->CommsList->count(), 20);   // every command still logged
    QVERIFY(r.w->ScanBut->isEnabled());
}

void TestConsole::identificationAndDispatchCheck()
{
    ConsoleRig r(false, 80, false);
    r.levelSensor(0);
    r.load();
    MainWindow &w = *r.w;
    SensorTabWidget *t = r.tab(0);
    r.bus.replies["0I!"] = "013ACME    XY    7";
    t->IDQueryBut->click();
    QCOMPARE(t->SensorIDList->count(), 0);   // emptied at once
    QVERIFY(!t->IDQueryBut->isEnabled());
    r.settle();
    QCOMPARE(lines(t->SensorIDList), (QStringList{"SDI Version = 1.3", "Company Name = ACME    ",
                                                  "Sensor Model = XY    ", "Sensor Version = 7"}));
    QVERIFY(t->IDQueryBut->isEnabled());

    // An answer to 0I! while 1I! was the last command is ignored.
    w.link.strSent_Command = "1I!";
    w.link.LastCommand = 10;
    w.link.ResponseState = 0;
    r.port.feed("0I!013OTHER   ZZ    1\r\n");
    QCOMPARE(t->SensorIDList->count(), 4);
    QCOMPARE(w.link.ResponseState, 0);
    QVERIFY(r.ui.messages.isEmpty());

    // An unknown code: the decoder says so and releases the tab.
    w.link.strSent_Command = "0I!";
    w.link.LastCommand = 115;
    r.port.feed("0I!0\r\n");
    QCOMPARE(r.ui.texts(), QStringList{"SDI12 Message Error.|Command response not found."});
}

void TestConsole::userCommandRouting()
{
    ConsoleRig r(false, 80, false);
    r.levelSensor(0);
    r.load();
    MainWindow &w = *r.w;
    w.mnuUserCommand->trigger();
    QVERIFY(!w.isEnabled());
    w.UserCommand->UserText->setText("0I!");
    r.clearSent();
    w.UserCommand->SubmitBut->click();
    r.settle();
    QCOMPARE(r.sent(), QStringList{"0I!"});
    QCOMPARE(w.UserCommand->ReceivedText->text(), QString("0I!013ORVANE  LT-Q5 102"));
    QCOMPARE(w.UserCommand->UserCommandCount, 1);
    // Any line goes to the window in this mode, and nothing on the tab moves.
    r.port.feed("5XYZ\r\n");
    QCOMPARE(w.UserCommand->ReceivedText->text(), QString("5XYZ"));
    QCOMPARE(r.tab(0)->SensorIDList->count(), 4);
    QCOMPARE(w.UserCommand->UserCommandCount, 2);
    // Closing asks to rescan; No leaves things as they are.
    r.ui.answers = {false};
    w.UserCommand->close();
    QVERIFY(w.isEnabled());
    QVERIFY(!w.link.UserCommandFlag);
    QCOMPARE(r.ui.questions.last(),
             QString("User Command.|You may have altered sensor settings. Do you wish to rescan the sensors?"));
}

void TestConsole::quitQuestion()
{
    ConsoleRig r(false, 50);
    MainWindow &w = *r.w;
    r.ui.answers = {false};
    w.close();
    QCOMPARE(r.ui.questions, QStringList{"Quit.|Are you sure you want to quit?"});
    QVERIFY(w.isVisible());
    QVERIFY(r.port.isOpen());
    r.ui.answers = {true};
    w.close();
    QVERIFY(!w.isVisible());
    QVERIFY(!r.port.isOpen());
}

void TestConsole::timeoutReleasesRotaryTab()
{
    ConsoleRig r(true, 80, false);
    r.rotarySensor(2);
    r.load();
    MainWindow &w = *r.w;
    r.bus.replies.remove("2XCP!");
    r.tab(2)->QueryRotaryPulleyCircumfBut->click();
    QVERIFY(!r.tab(2)->RotaryPulleyCircumBut->isEnabled());
    r.settle();
    QVERIFY(r.tab(2)->RotaryPulleyCircumBut->isEnabled());
    QVERIFY(w.ScanBut->isEnabled());
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
