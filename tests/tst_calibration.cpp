#include "support/ConsoleRig.h"

#include "discovery/SensorTable.h"
#include "discovery/SysData.h"
#include "discovery/TimingWindow.h"
#include "params/BusyState.h"
#include "params/Calibration.h"
#include "params/UpDown.h"
#include "params/FilterWindow.h"
#include "params/ResetWindow.h"
#include "params/UserCommandWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {
struct Cal : ConsoleRig {
    explicit Cal(int a = 3) : ConsoleRig(false, 80, false), a(a)
    {
        levelSensor(a);
        const QString s = QString::number(a);
        for (const char *cmd : {"XREV0!", "XU1,0.0!", "XLOF0!", "XANCALCV0,0.0!", "XANCALCV1,1.0!", "XLOC0!",
                                "XTRIMOF0.0!", "XTRIMON1!", "XANCALON1!", "XP1!", "XP0!"})
            bus.replies[s + cmd] = s + (QString(cmd).startsWith("XP") ? QString(cmd).mid(2, 1)
                                        : QString(cmd).startsWith("XREV") || QString(cmd).startsWith("XLOC") ? "0"
                                        : QString(cmd).startsWith("XLOF") ? "+0" : "");
        bus.replies[s + "XU0,1.0!"] = s + "0,+1.0";
        bus.replies[s + "XF0,10,0001!"] = s + ",10,0001";
        load();
        ui.clear();
        clearSent();
    }
    // Closes the next modal window once it runs, noting what was sent by then.
    void closeModalSoon(QDialog *d, QStringList *sentBefore)
    {
        QTimer::singleShot(50, d, [this, d, sentBefore] {
            if (sentBefore)
                *sentBefore = sent();
            d->reject();
        });
    }
    int a;
};
} // namespace

class TestCalibration : public QObject
{
    Q_OBJECT
private slots:
    void calibrateModeSwapsFrames();
    void stageOneStopsAtTimeout();
    void stageOneCompletes();
    void zeroCalibration();
    void slopeCalibration();
    void noAnswersAndMissingValues();
    void clearOffsetsAndSetPoints();
    void resetSequence();
    void filterWindow();
    void userCommandAndMaintenance();
    void timingWindow();
};

void TestCalibration::calibrateModeSwapsFrames()
{
    Cal r;
    MainWindow &w = *r.w;
    w.CalibrateCheck->setChecked(true);
    QVERIFY(w.Calibrate_Flag);
    for (int i = 0; i < 10; ++i) {
        QVERIFY(!r.tab(i)->ParameterFrame->isVisibleTo(r.tab(i)));
        QVERIFY(r.tab(i)->CalibrateFrame->isVisibleTo(r.tab(i)));
    }
    QVERIFY(!r.tab(3)->ZeroCalibrationBut->isEnabled());
    // Clearing the box directly sends nothing.
    w.CalibrateCheck->setChecked(false);
    QVERIFY(r.sent().isEmpty());
    QVERIFY(r.tab(3)->ParameterFrame->isVisibleTo(r.tab(3)));
    QVERIFY(!w.Calibrate_Flag);

    // "Calibration Complete" puts density correction back first.
    w.CalibrateCheck->setChecked(true);
    w.StageOne_Flag = true;
    r.w->busy->EnableCalibrationButtons(3);
    bool framesAtSend = false;
    r.port.onWrite = [&, prev = r.port.onWrite](const QByteArray &b) {
        framesAtSend = r.tab(3)->CalibrateFrame->isVisibleTo(r.tab(3));
        prev(b);
    };
    r.tab(3)->CalibrationCompleteBut->click();
    QCOMPARE(r.ui.questions, QStringList{"Calibration Complete.|Are you sure you wish to exit calibrate mode?"});
    QCOMPARE(r.sent().value(0), QString("3XP0!"));
    QVERIFY(framesAtSend);
    QVERIFY(!w.CalibrateCheck->isChecked());
    QVERIFY(r.tab(3)->ParameterFrame->isVisibleTo(r.tab(3)));
    r.settle();
}

void TestCalibration::stageOneStopsAtTimeout()
{
    Cal r;
    r.bus.replies.remove("3XTRIMOF0.0!");
    r.w->CalibrateCheck->setChecked(true);
    r.tab(3)->StageOneBut->click();
    r.settle();
    const QStringList sent = r.sent();
    // No reading of its own after the density-correction answer: the
    // unanswered trim-off ends the sequence there.
    QCOMPARE(sent, (QStringList{"3XREV0!", "3XU0,1.0!", "3XP1!", "3XTRIMOF0.0!"}));
    QVERIFY(!r.w->StageOne_Flag);
    QVERIFY(!r.tab(3)->ZeroCalibrationBut->isEnabled());
    QVERIFY(r.tab(3)->StageOneBut->isEnabled());
    QVERIFY(r.w->ReplyBeep_Flag);
    QVERIFY(r.ui.messages.isEmpty());
}

void TestCalibration::stageOneCompletes()
{
    Cal r;
    r.w->CalibrateCheck->setChecked(true);
    r.w->SkipLocalOffset_Flag = true;   // the local-offset step is sent regardless
    r.tab(3)->StageOneBut->click();
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3XREV0!", "3XU0,1.0!", "3XP1!", "3XTRIMOF0.0!", "3XANCALCV0,0.0!",
                                "3XANCALCV1,1.0!", "3XLOC0!", "3XU1,0.0!"}));
    QCOMPARE(r.ui.texts(),
             QStringList{"Stage One Calibration|Stage 1 of Re-Calibration complete, proceed to stage 2."});
    QCOMPARE(r.ui.messages[0].icon, Ui::Icon::Information);
    QCOMPARE(r.ui.beeps, 1);
    QVERIFY(r.w->StageOne_Flag);
    QVERIFY(r.tab(3)->ZeroCalibrationBut->isEnabled() && r.tab(3)->CalibrationCompleteBut->isEnabled());
    QVERIFY(r.w->Calibrate_Flag);   // still in calibrate mode
    QVERIFY(r.w->ReplyBeep_Flag);
}

void TestCalibration::zeroCalibration()
{
    Cal r(1);
    r.bus.replies["1D0!"] = "1+0.25+20.0";
    r.bus.replies["1XANCALCV0,-0.25!"] = "1";
    r.w->CalibrateCheck->setChecked(true);
    r.w->calibration->ZeroCalibrationBut_Click(1);
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"1XANCALCV0,0.0!", "1M!", "1D0!", "1XANCALCV0,-0.25!", "1M!", "1D0!"}));
    QCOMPARE(r.tab(1)->ZeroCalibrationText->text(), QString("-0.25"));
    QCOMPARE(r.ui.questions, QStringList{"Zero Calibration.|Is the instrument at the correct zero pressure?"});
    QCOMPARE(r.ui.texts(), QStringList{"Zero Calibration.|Zero calibration complete, proceed to slope calibration."});
    QVERIFY(r.w->ReplyBeep_Flag);
    QVERIFY(r.tab(1)->StageOneBut->isEnabled());
}

void TestCalibration::slopeCalibration()
{
    Cal r;
    r.bus.replies["3D0!"] = "3+8+20.0";
    r.bus.replies["3XANCALCV1,1.25!"] = "3";
    r.tab(3)->RangeText->setText("10");
    r.w->CalibrateCheck->setChecked(true);
    r.w->calibration->SlopeCalibrationBut_Click(3);
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3XANCALCV1,1.0!", "3M!", "3D0!", "3XANCALCV1,1.25!", "3M!", "3D0!"}));
    QCOMPARE(r.tab(3)->SlopeCalibrationText->text(), QString("1.25"));
    QCOMPARE(r.ui.texts(),
             (QStringList{"Slope Calibration.|Slope calibration complete.",
                          "Calibration.|To verify calibration use 'get pressure' function and check zero and "
                          "full-scale readings.\rOtherwise use 'Calibration Complete' button to exit calibration mode."}));
    // A full-scale reading of 0 gives the factor 0.
    r.clearSent();
    r.bus.replies["3D0!"] = "3+0+20.0";
    r.bus.replies["3XANCALCV1,0!"] = "3";
    r.w->calibration->SlopeCalibrationBut_Click(3);
    r.settle();
    QVERIFY(r.sent().contains("3XANCALCV1,0!"));
}

void TestCalibration::noAnswersAndMissingValues()
{
    Cal r;
    r.w->CalibrateCheck->setChecked(true);
    r.ui.answers = {false};
    r.w->calibration->ZeroCalibrationBut_Click(3);
    r.settle();
    QCOMPARE(r.sent(), QStringList{"3XANCALCV0,0.0!"});
    QVERIFY(r.w->ReplyBeep_Flag);
    QVERIFY(r.tab(3)->StageOneBut->isEnabled());

    // A reading that brings no pressure: nothing further is sent.
    r.clearSent();
    r.bus.replies["3D0!"] = "3";
    r.w->calibration->SlopeCalibrationBut_Click(3);
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3XANCALCV1,1.0!", "3M!", "3D0!"}));
    QCOMPARE(r.ui.messages.size(), 1);
    QVERIFY(r.ui.messages[0].text.contains("pressure"));
    QVERIFY(r.w->ReplyBeep_Flag);
    QVERIFY(r.tab(3)->StageOneBut->isEnabled());
    // An unknown range likewise.
    r.ui.clear();
    r.clearSent();
    r.bus.replies["3D0!"] = "3+8+20.0";
    r.tab(3)->RangeText->clear();
    r.w->calibration->SlopeCalibrationBut_Click(3);
    r.settle();
    QCOMPARE(r.sent().size(), 3);
    QVERIFY(r.ui.messages.value(0).text.contains("range"));
}

void TestCalibration::clearOffsetsAndSetPoints()
{
    Cal r;
    r.w->CalibrateCheck->setChecked(true);
    r.tab(3)->ClearOffsetsBut->click();
    r.settle();
    QCOMPARE(r.ui.questions, QStringList{"Clear Offsets.|Are you sure you wish to proceed?"});
    QCOMPARE(r.sent(), (QStringList{"3XTRIMOF0.0!", "3M!", "3D0!"}));
    // A second trim-off answer starts no second reading.
    r.clearSent();
    r.w->calibration->SendTrimOff(3);
    r.settle();
    QCOMPARE(r.sent(), QStringList{"3XTRIMOF0.0!"});
    r.w->busy->SetLevelIdle(3);   // that acknowledgement alone releases nothing
    r.w->CalibrateCheck->setChecked(false);

    r.clearSent();
    r.ui.answers = {false};
    r.tab(3)->LevelOffsetBut->click();
    QVERIFY(r.sent().isEmpty());
    r.tab(3)->LevelOffsetText->setText("1.5");
    r.bus.replies["3XSPM1.5!"] = "30002";
    r.tab(3)->LevelOffsetBut->click();
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3XSPM1.5!", "3D0!"}));
    QCOMPARE(r.tab(3)->LevelOffsetText->text(), QString("1.5"));
}

void TestCalibration::resetSequence()
{
    Cal r;
    r.w->mnuReset->setEnabled(true);
    // The window opens on the tab shown; the tests press its button.
    QStringList unused;
    r.closeModalSoon(r.w->Reset, &unused);
    r.w->mnuReset->trigger();
    QCOMPARE(r.w->Reset->SensorCombo->currentIndex(), 3);
    r.w->Reset->SensorCombo->setCurrentIndex(7);
    r.w->Reset->ResetBut->click();
    QCOMPARE(r.ui.texts(), QStringList{"Reset Sensor.|The selected sensor is not enabled."});
    QVERIFY(r.sent().isEmpty());
    r.ui.clear();
    r.w->Reset->SensorCombo->setCurrentIndex(3);
    r.w->Reset->ResetBut->click();
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3XREV0!", "3XU0,1.0!", "3XU1,0.0!", "3XLOF0!", "3XANCALCV0,0.0!",
                                    "3XANCALCV1,1.0!", "3XLOC0!", "3XTRIMOF0.0!", "3XTRIMON1!", "3XANCALON1!",
                                    "3XF0,10,0001!", "3M!", "3D0!"}));
    QCOMPARE(r.ui.texts(), QStringList{"Sensor Reset|Reset is Complete."});
    QCOMPARE(r.w->Reset->ResetIndex, 3);
    QVERIFY(!r.w->Calibrate_Flag);
    QVERIFY(r.w->ReplyBeep_Flag);
    QVERIFY(r.tab(3)->RangeBut->isEnabled());
    QCOMPARE(r.tab(3)->LevelText->text(), QString("0.0000"));

    // A step that times out ends the reset quietly, the tab released.
    r.ui.clear();
    r.clearSent();
    r.bus.replies.remove("3XTRIMON1!");
    r.w->calibration->ResetSensor(3);
    r.settle();
    QCOMPARE(r.sent().last(), QString("3XTRIMON1!"));
    QVERIFY(r.ui.messages.isEmpty());
    QVERIFY(r.tab(3)->RangeBut->isEnabled());
    QVERIFY(r.w->ReplyBeep_Flag);
    QVERIFY(!r.w->Calibrate_Flag);
}

void TestCalibration::filterWindow()
{
    Cal r(4);
    MainWindow &w = *r.w;
    w.mnuFilter->setEnabled(true);
    QStringList sentWhenShown;
    r.closeModalSoon(w.Filter, &sentWhenShown);
    w.mnuFilter->trigger();
    QCOMPARE(w.Filter->windowTitle(), QString("Filter Setings - Sensor 4"));
    QCOMPARE(sentWhenShown, QStringList{"4XF!"});
    QCOMPARE(w.Filter->NoOfReadingsText->text(), QString("10"));
    r.settle();

    w.Filter->setReadings(5);
    w.Filter->setInterval(250);
    r.bus.replies["4XF0,05,0250!"] = "4,05,0250";
    r.clearSent();
    w.Filter->FilterSetingsBut->click();
    r.settle();
    QCOMPARE(r.sent().value(0), QString("4XF0,05,0250!"));
    QCOMPARE(w.Filter->MaxSampleRateText->text(), QString("250"));
    QCOMPARE(r.tab(4)->SampleRateText->text(), QString("250 Seconds"));
    QCOMPARE(r.tab(4)->LogPeriodCombo->count(), 3);   // Single, 5 and 15 minutes

    // The up-down controls stay within the frame's digits.
    QCOMPARE(w.Filter->UpDown1->maximum(), 99);
    QCOMPARE(w.Filter->UpDown2->maximum(), 9999);
    // Empty or non-numeric fields are refused.
    r.clearSent();
    w.Filter->NoOfReadingsText->clear();
    w.Filter->FilterSetingsBut->click();
    w.Filter->NoOfReadingsText->setText("x");
    w.Filter->FilterSetingsBut->click();
    QVERIFY(r.sent().isEmpty());
    QCOMPARE(r.ui.messages.size(), 2);
    QCOMPARE(r.ui.messages[0].title, QString("Filter Settings."));
}

void TestCalibration::userCommandAndMaintenance()
{
    Cal r(0);
    MainWindow &w = *r.w;
    w.mnuUserCommand->trigger();
    // An unanswered command: no rescan question on closing.
    r.bus.replies.remove("0XZZ!");
    w.UserCommand->UserText->setText("0XZZ!");
    w.UserCommand->SubmitBut->click();
    r.settle();
    QCOMPARE(r.sent(), QStringList{"0XZZ!"});
    QCOMPARE(w.UserCommand->ReceivedText->text(), QString());
    w.UserCommand->close();
    QVERIFY(r.ui.questions.isEmpty());
    QVERIFY(w.isEnabled());

    // The maintenance code opens the timing window and sends nothing.
    r.clearSent();
    w.mnuUserCommand->trigger();
    w.UserCommand->UserText->setText("MAINTENANCE");
    QStringList unused;
    r.closeModalSoon(w.Timing, &unused);
    w.UserCommand->SubmitBut->click();
    QVERIFY(r.sent().isEmpty());
    QVERIFY(w.isEnabled());
    QVERIFY(!w.UserCommand->isVisible());
    // "maintenance" is an ordinary command.
    w.mnuUserCommand->trigger();
    w.UserCommand->UserText->setText("maintenance");
    w.UserCommand->SubmitBut->click();
    QCOMPARE(r.sent(), QStringList{"maintenance"});
    r.settle();
    w.UserCommand->close();
    // Yes to the rescan question after an answered command rescans.
    r.clearSent();
    w.mnuUserCommand->trigger();
    w.UserCommand->UserText->setText("0I!");
    w.UserCommand->SubmitBut->click();
    r.settle();
    r.ui.answers = {true};
    w.UserCommand->close();
    r.settle();
    QVERIFY(r.sent().contains("9XUP!"));
}

void TestCalibration::timingWindow()
{
    Cal r;
    MainWindow &w = *r.w;
    TimingWindow *t = w.Timing;
    QCOMPARE(t->TimeoutText->text(), QString("80"));
    t->TimeoutText->setText("0");
    t->butApply->click();
    QCOMPARE(r.ui.messages.size(), 1);
    QCOMPARE(w.link.commandTimeout(), 80);
    t->TimeoutText->setText("7000");
    t->butApply->click();
    QCOMPARE(w.link.commandTimeout(), 80);
    t->TimeoutText->setText("1000");
    t->MarkText->setText("12");
    t->butApply->click();
    QCOMPARE(w.link.commandTimeout(), 1000);
    QCOMPARE(w.link.MarkTiming, 12);
    SysDataRecord rec = sysdata::read(r.dir.filePath("Varno sysfile.cfg"));
    QCOMPARE(rec.commandTimeoutMs, qint16(1000));
    QCOMPARE(rec.markMs, qint16(12));
    QCOMPARE(rec.port, qint16(1));
    // Default takes effect at once; the file follows at the next port choice.
    t->butDefault->click();
    QCOMPARE(w.link.commandTimeout(), 400);
    QCOMPARE(w.link.BreakTiming, 20);
    QCOMPARE(sysdata::read(r.dir.filePath("Varno sysfile.cfg")).commandTimeoutMs, qint16(1000));
    w.mnuCom[2]->trigger();
    rec = sysdata::read(r.dir.filePath("Varno sysfile.cfg"));
    QCOMPARE(rec.port, qint16(2));
    QCOMPARE(rec.commandTimeoutMs, qint16(400));
    QCOMPARE(rec.breakMs, qint16(20));
    // Only digits are typed; anything else beeps.
    r.ui.clear();
    t->BreakText->clear();
    QTest::keyClicks(t->BreakText, "1a2-");
    QCOMPARE(t->BreakText->text(), QString("12"));
    QCOMPARE(r.ui.beeps, 2);
    // Shortcuts and keys that type nothing pass, with the texts X11 sends:
    // Ctrl+A selects all, Delete deletes, Escape is no character.
    QTest::sendKeyEvent(QTest::Press, t->BreakText, Qt::Key_A, QString("\x01"), Qt::ControlModifier);
    QTest::keyClicks(t->BreakText, "1000");
    QCOMPARE(t->BreakText->text(), QString("1000"));
    t->BreakText->setCursorPosition(0);
    QTest::sendKeyEvent(QTest::Press, t->BreakText, Qt::Key_Delete, QString("\x7f"), Qt::NoModifier);
    QTest::sendKeyEvent(QTest::Press, t->BreakText, Qt::Key_Escape, QString("\x1b"), Qt::NoModifier);
    QCOMPARE(t->BreakText->text(), QString("000"));
    QCOMPARE(r.ui.beeps, 2);
}

QTEST_MAIN(TestCalibration)
#include "tst_calibration.moc"
