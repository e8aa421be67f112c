#include "support/ConsoleRig.h"

#include "app/StartupForm.h"
#include "discovery/TimingWindow.h"
#include "discovery/SensorTable.h"
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
    void scanFindsNothing();
    void answerToAnotherCommand();
    void userCommandWindow();
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
    for (bool rotary : {false, true}) {
        ConsoleRig r(rotary);
        MainWindow &w = *r.w;
        for (int i = 0; i < 10; ++i) {
            SensorTabWidget *t = r.tab(i);
            QCOMPARE(t->ParameterFrame->isVisibleTo(t), !rotary);
            QCOMPARE(t->LogListView->isVisibleTo(t), !rotary);
            QCOMPARE(t->RotaryEncoderFrame->isVisibleTo(t), rotary);
            QCOMPARE(t->RotaryLogListView->isVisibleTo(t), rotary);
            QVERIFY(!t->CalibrateFrame->isVisibleTo(t));
            if (rotary) {
                QCOMPARE(t->RotaryLogPeriodCombo->count(), 9);
                QCOMPARE(t->RotaryLogPeriodCombo->currentText(), QString("Single Log"));
                QCOMPARE(t->RotaryLogPeriodCombo->itemData(8).toInt(), 900);
            }
        }
        QCOMPARE(w.CalibrateCheck->isVisible(), !rotary);
        QCOMPARE(w.mnuFilter->isVisible(), !rotary);
        QCOMPARE(w.mnuReset->isVisible(), !rotary);
        QCOMPARE(w.ListView->isVisible(), !rotary);
        QCOMPARE(w.RotaryListView->isVisible(), rotary);
    }
    ConsoleRig r(false);
    QComboBox *pu = r.tab(3)->PressUnitsCombo;
    QCOMPARE(pu->count(), 11);
    QCOMPARE(pu->itemText(8), QString("Inch Hg"));
    QCOMPARE(pu->itemData(8).toInt(), 12);
    QCOMPARE(pu->itemText(10), QString("KPa"));
    QCOMPARE(pu->itemData(10).toInt(), 14);
}

void TestConsole::sensorTableBeforeScan()
{
    ConsoleRig r(false, 80, false);
    r.port.failNextOpen("busy");
    r.load();
    MainWindow &w = *r.w;
    QCOMPARE(w.ListView->model()->rowCount(), 10);
    for (int i = 0; i < 10; ++i) {
        QCOMPARE(w.core.table->cell(i, 0), QString(9, ' ') + QString::number(i));
        for (int c = 1; c <= 8; ++c)
            QCOMPARE(w.core.table->cell(i, c), QString());
    }
    // The port did not open: the message, no scan, nothing ticked.
    QCOMPARE(r.ui.texts(),
             QStringList{"Scan Sensors...|No sensors were found. Please check connections and addresses.\rCOM1: busy"});
    QCOMPARE(w.StatusBar1[1]->text(), QString("Not Connected. "));
    QVERIFY(!w.mnuCom[1]->isChecked());
    QVERIFY(!w.SensorTab->isEnabled());
    QVERIFY(r.sent().isEmpty());

    // The first port that opens runs the scan.
    w.mnuCom[2]->trigger();
    r.settle();
    QCOMPARE(w.StatusBar1[1]->text(), QString("Connected on Com Port 2, 1200, n, 7, 1. "));
    QVERIFY(r.sent().contains("0XUP!"));
    QVERIFY(w.mnuCom[2]->isChecked());
    // Quitting asks first; Yes closes the window and the port.
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

void TestConsole::scanOneSensor()
{
    ConsoleRig r(false, 80, false);
    r.levelSensor(4);
    r.load();
    MainWindow &w = *r.w;
    for (int i = 0; i < 10; ++i)
        QCOMPARE(w.SensorTab->isTabEnabled(i), i == 4);
    QCOMPARE(w.SensorTab->currentIndex(), 4);
    QCOMPARE(w.ListView->currentIndex().row(), 4);
    QCOMPARE(r.ui.beeps, 1);
    QVERIFY(r.ui.messages.isEmpty());

    QStringList forFour;
    for (const QString &c : r.sent())
        if (c.startsWith('4'))
            forFour << c;
    QCOMPARE(forFour, (QStringList{"4XUP!", "4XUT!", "4XP!", "4XE!", "4I!", "4XREV!", "4XLOF!", "4XRA!", "4XU0!",
                                   "4XANCALCV0!", "4XANCALCV1!", "4XMOR!", "4XLOC!", "4XSN!", "4XF!", "4M!", "4D0!"}));
    QStringList cells;
    for (int c = 0; c <= 8; ++c)
        cells << w.core.table->cell(4, c);
    QCOMPARE(cells, (QStringList{"         4", "LT510234", "Compensated", "9.8067", "1.2345", "mH2O", "21.50",
                                 "Centigrade", "Idle"}));
    for (int a : {0, 3, 5, 9})
        QCOMPARE(w.core.table->cell(a, 1), QString());
    SensorTabWidget *t = r.tab(4);
    QCOMPARE((QStringList{t->RangeText->text(), t->MaxOverRangeText->text(), t->LevelText->text(), t->SGText->text(),
                          t->ZeroCalibrationText->text(), t->SlopeCalibrationText->text(), t->SampleRateText->text()}),
             (QStringList{"10.0000", "12.0000", "0.0000", "1", "0.0", "1.0", "2 Seconds"}));
    QCOMPARE(t->LogPeriodCombo->count(), 7);
    QCOMPARE(t->LogPeriodCombo->itemText(1), QString("5 Seconds"));
    QCOMPARE(t->PressureText->text(), QString("1.2345"));
    QCOMPARE(lines(t->SensorIDList), (QStringList{"SDI Version = 1.3", "Company Name = ORVANE  ",
                                                  "Sensor Model = LT-Q5 ", "Sensor Version = 102"}));
    QCOMPARE(t->LogListView->rowCount(), 1);
    QVERIFY(t->ClearLogBut->isEnabled());
    QVERIFY(w.core.ReplyBeep_Flag);
}

void TestConsole::scanFindsNothing()
{
    ConsoleRig r(false, 50);
    MainWindow &w = *r.w;
    const QString none = "Scan Sensors...|No sensors were found. Please check connections and addresses.";
    for (int i = 0; i < 10; ++i)
        QVERIFY(!w.SensorTab->isTabEnabled(i));
    QCOMPARE(w.SensorTab->currentIndex(), 0);
    QCOMPARE(r.ui.texts(), QStringList{none});
    QCOMPARE(r.ui.beeps, 1);
    QCOMPARE(r.sent().size(), 10);
    // A closed port: said once per scan, every scan, every command still logged.
    r.port.close();
    r.ui.clear();
    w.ButClearComms->click();
    for (int scan = 1; scan <= 2; ++scan) {
        w.ScanBut->click();
        r.settle();
    }
    const QStringList once{"Connection.|Unable to connect to comm port.", none};
    QCOMPARE(r.ui.texts(), once + once);
    QCOMPARE(w.core.comms.count(), 20);
    QVERIFY(w.ScanBut->isEnabled());
}

void TestConsole::answerToAnotherCommand()
{
    ConsoleRig r(false, {0});
    MainWindow &w = *r.w;
    // An answer to 0I! while 1I! was the last command is ignored.
    w.core.link.strSent_Command = "1I!";
    w.core.link.LastCommand = 10;
    w.core.link.ResponseState = 0;
    r.port.feed("0I!013OTHER   ZZ    1\r\n");
    QCOMPARE(r.tab(0)->SensorIDList->item(1)->text(), QString("Company Name = ORVANE  "));
    QCOMPARE(w.core.link.ResponseState, 0);
    QVERIFY(r.ui.messages.isEmpty());
    // An unknown code: the decoder says so.
    w.core.link.strSent_Command = "0I!";
    w.core.link.LastCommand = 115;
    r.port.feed("0I!0\r\n");
    QCOMPARE(r.ui.texts(), QStringList{"SDI12 Message Error.|Command response not found."});
}

void TestConsole::userCommandWindow()
{
    ConsoleRig r(false, {0});
    MainWindow &w = *r.w;
    UserCommandWindow *u = w.UserCommand;
    auto submit = [&](const char *text) {
        u->UserText->setText(text);
        u->SubmitBut->click();
        r.settle();
    };
    // An unanswered command: no rescan question on closing.
    w.mnuUserCommand->trigger();
    QVERIFY(!w.isEnabled());
    submit("0XZZ!");
    QCOMPARE(r.sent(), QStringList{"0XZZ!"});
    QCOMPARE(u->ReceivedText->text(), QString());
    u->close();
    QVERIFY(r.ui.questions.isEmpty());
    QVERIFY(w.isEnabled());
    // The maintenance code opens the timing window and sends nothing;
    // "maintenance" is an ordinary command.
    r.clearSent();
    w.mnuUserCommand->trigger();
    r.closeModalSoon(w.Timing);
    submit("MAINTENANCE");
    QVERIFY(r.sent().isEmpty());
    QVERIFY(w.isEnabled());
    QVERIFY(!u->isVisible());
    w.mnuUserCommand->trigger();
    submit("maintenance");
    QCOMPARE(r.sent(), QStringList{"maintenance"});
    u->close();
    // Any line goes to the window in this mode, and nothing on the tab moves.
    r.clearSent();
    w.mnuUserCommand->trigger();
    submit("0I!");
    QCOMPARE(r.sent(), QStringList{"0I!"});
    QCOMPARE(u->ReceivedText->text(), QString("0I!013ORVANE  LT-Q5 102"));
    QCOMPARE(w.core.UserCommandCount, 1);
    r.port.feed("5XYZ\r\n");
    QCOMPARE(u->ReceivedText->text(), QString("5XYZ"));
    QCOMPARE(r.tab(0)->SensorIDList->count(), 4);
    QCOMPARE(w.core.UserCommandCount, 2);
    submit("0XZZ!");   // unanswered: the last answer is not left standing as its
    QCOMPARE(u->ReceivedText->text(), QString());
    // Closing after an answer asks to rescan: No leaves things as they are,
    // Yes rescans.
    r.ui.answers = {false};
    u->close();
    r.settle();
    QVERIFY(w.isEnabled());
    QVERIFY(!w.core.link.UserCommandFlag);
    QCOMPARE(r.ui.questions,
             QStringList{"User Command.|You may have altered sensor settings. Do you wish to rescan the sensors?"});
    QCOMPARE(r.sent(), (QStringList{"0I!", "0XZZ!"}));
    w.mnuUserCommand->trigger();
    submit("0I!");
    r.ui.answers = {true};
    u->close();
    r.settle();
    QVERIFY(r.sent().contains("9XUP!"));
}

void TestConsole::timeoutReleasesRotaryTab()
{
    ConsoleRig r(true, {2});
    r.bus.replies.remove("2XCP!");
    r.tab(2)->QueryRotaryPulleyCircumfBut->click();
    QVERIFY(!r.tab(2)->RotaryPulleyCircumBut->isEnabled());
    r.settle();
    QVERIFY(r.tab(2)->RotaryPulleyCircumBut->isEnabled());
    QVERIFY(r.w->ScanBut->isEnabled());
}

QTEST_MAIN(TestConsole)
#include "tst_console.moc"
