#include "params/SensorTools.h"
#include "support/ConsoleRig.h"

#include "discovery/SysData.h"
#include "discovery/TimingWindow.h"
#include "params/BusyState.h"
#include "params/Calibration.h"
#include "params/UpDown.h"
#include "params/FilterWindow.h"
#include "params/ResetWindow.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

namespace {
struct Cal : ConsoleRig {
    explicit Cal(int a = 3) : ConsoleRig(false, {a})
    {
        // The answers to the calibration and reset steps.
        bus.answerAt(a, {{"XREV0!", "0"}, {"XU1,0.0!", ""}, {"XLOF0!", "+0"}, {"XANCALCV0,0.0!", ""},
                         {"XANCALCV1,1.0!", ""}, {"XLOC0!", "0"}, {"XTRIMOF0.0!", ""}, {"XTRIMON1!", ""},
                         {"XANCALON1!", ""}, {"XP1!", "1"}, {"XP0!", "0"}, {"XU0,1.0!", "0,+1.0"},
                         {"XF0,10,0001!", ",10,0001"}, {"XANCALCV0,-0.25!", ""}, {"XANCALCV1,1.25!", ""},
                         {"XANCALCV1,0!", ""}});
    }
};
} // namespace

class TestCalibration : public QObject
{
    Q_OBJECT
private slots:
    void calibrateModeSwapsFrames();
    void stageOne();
    void calibrationSteps_data();
    void calibrationSteps();
    void clearOffsetsAndSetPoints();
    void resetSequence();
    void filterWindow();
    void timingWindow();
};

void TestCalibration::calibrateModeSwapsFrames()
{
    Cal r;
    MainWindow &w = *r.w;
    // Stage two waits for stage one again, whatever an earlier run left.
    r.w->core.busy->EnableCalibrationButtons(3);
    w.CalibrateCheck->setChecked(true);
    QVERIFY(w.core.Calibrate_Flag);
    for (int i = 0; i < 10; ++i) {
        QVERIFY(!r.tab(i)->ParameterFrame->isVisibleTo(r.tab(i)));
        QVERIFY(r.tab(i)->CalibrateFrame->isVisibleTo(r.tab(i)));
    }
    QVERIFY(!r.tab(3)->ZeroCalibrationBut->isEnabled());
    // Clearing the box directly sends nothing.
    w.CalibrateCheck->setChecked(false);
    QVERIFY(r.sent().isEmpty());
    QVERIFY(r.tab(3)->ParameterFrame->isVisibleTo(r.tab(3)));
    QVERIFY(!w.core.Calibrate_Flag);

    // "Calibration Complete" puts density correction back first.
    w.CalibrateCheck->setChecked(true);
    w.core.StageOne_Flag = true;
    r.w->core.busy->EnableCalibrationButtons(3);
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

void TestCalibration::stageOne()
{
    Cal r;
    r.w->CalibrateCheck->setChecked(true);
    // An unanswered trim-off ends the sequence there, with no reading of
    // its own after the density-correction answer.
    r.bus.replies.remove("3XTRIMOF0.0!");
    r.tab(3)->StageOneBut->click();
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3XREV0!", "3XU0,1.0!", "3XP1!", "3XTRIMOF0.0!"}));
    QVERIFY(!r.w->core.StageOne_Flag);
    QVERIFY(!r.tab(3)->ZeroCalibrationBut->isEnabled());
    QVERIFY(r.tab(3)->StageOneBut->isEnabled());
    QVERIFY(r.w->core.ReplyBeep_Flag);
    QVERIFY(r.ui.messages.isEmpty());
    // Answered: every step, the local-offset step sent regardless.
    r.bus.replies["3XTRIMOF0.0!"] = "3";
    r.clearSent();
    r.w->core.SkipLocalOffset_Flag = true;
    r.tab(3)->StageOneBut->click();
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3XREV0!", "3XU0,1.0!", "3XP1!", "3XTRIMOF0.0!", "3XANCALCV0,0.0!",
                                    "3XANCALCV1,1.0!", "3XLOC0!", "3XU1,0.0!"}));
    QCOMPARE(r.ui.texts(),
             QStringList{"Stage One Calibration|Stage 1 of Re-Calibration complete, proceed to stage 2."});
    QCOMPARE(r.ui.messages[0].icon, Ui::Icon::Information);
    QCOMPARE(r.ui.beeps, 1);
    QVERIFY(r.w->core.StageOne_Flag);
    QVERIFY(r.tab(3)->ZeroCalibrationBut->isEnabled() && r.tab(3)->CalibrationCompleteBut->isEnabled());
    QVERIFY(r.w->core.Calibrate_Flag);   // still in calibrate mode
    QVERIFY(r.w->core.ReplyBeep_Flag);
}

void TestCalibration::calibrationSteps_data()
{
    QTest::addColumn<bool>("zero");
    QTest::addColumn<QString>("reading");   // the answer to D0
    QTest::addColumn<QString>("range");
    QTest::addColumn<bool>("yes");          // the answer to the question
    QTest::addColumn<QStringList>("sent");
    QTest::addColumn<QString>("shown");     // the zero or slope field after
    QTest::addColumn<QStringList>("texts");
    const QStringList slopeM{"3XANCALCV1,1.0!", "3M!", "3D0!"};
    const QStringList slopeDone{"Slope Calibration.|Slope calibration complete.",
                                "Calibration.|To verify calibration use 'get pressure' function and check zero and "
                                "full-scale readings.\rOtherwise use 'Calibration Complete' button to exit calibration "
                                "mode."};
    QTest::newRow("zero") << true << "3+0.25+20.0" << "10" << true
                          << QStringList{"3XANCALCV0,0.0!", "3M!", "3D0!", "3XANCALCV0,-0.25!", "3M!", "3D0!"} << "-0.25"
                          << QStringList{"Zero Calibration.|Zero calibration complete, proceed to slope calibration."};
    QTest::newRow("zero, not at zero") << true << "3+0.25+20.0" << "10" << false << QStringList{"3XANCALCV0,0.0!"}
                                       << "0.0" << QStringList{};
    QTest::newRow("slope") << false << "3+8+20.0" << "10" << true
                           << slopeM + QStringList{"3XANCALCV1,1.25!", "3M!", "3D0!"} << "1.25" << slopeDone;
    QTest::newRow("slope, full scale 0") << false << "3+0+20.0" << "10" << true
                                         << slopeM + QStringList{"3XANCALCV1,0!", "3M!", "3D0!"} << "0" << slopeDone;
    QTest::newRow("slope, not at full scale") << false << "3+8+20.0" << "10" << false
                                              << QStringList{"3XANCALCV1,1.0!"} << "1.0" << QStringList{};
    // A data answer with no values is asked once more, then missed.
    QTest::newRow("slope, no pressure")
        << false << "3" << "10" << true << slopeM + QStringList{"3D0!"} << "1.0" << QStringList{};
    QTest::newRow("slope, no range")
        << false << "3+8+20.0" << "" << true << slopeM << "1.0"
        << QStringList{"Slope Calibration.|The calibrated range is not known; query the range and try again."};
}

void TestCalibration::calibrationSteps()
{
    QFETCH(bool, zero);
    QFETCH(QString, reading);
    QFETCH(QString, range);
    QFETCH(bool, yes);
    QFETCH(QStringList, sent);
    QFETCH(QString, shown);
    QFETCH(QStringList, texts);
    Cal r;
    r.bus.replies["3D0!"] = reading;
    r.tab(3)->RangeText->setText(range);
    r.w->CalibrateCheck->setChecked(true);
    r.ui.answers = {yes};
    QStringList busyAt;   // commands written while the tab was busy
    r.port.onWrite = [&, prev = r.port.onWrite](const QByteArray &b) {
        if (!r.tab(3)->StageOneBut->isEnabled() && !r.w->mnuUserCommand->isEnabled())
            busyAt << QString(b);
        prev(b);
    };
    if (zero)
        r.w->core.calibration->ZeroCalibrationBut_Click(3);
    else
        r.w->core.calibration->SlopeCalibrationBut_Click(3);
    r.settle();
    QCOMPARE(r.sent(), sent);
    QCOMPARE(busyAt, sent);
    QCOMPARE((zero ? r.tab(3)->ZeroCalibrationText : r.tab(3)->SlopeCalibrationText)->text(), shown);
    QCOMPARE(r.ui.questions, QStringList{zero ? "Zero Calibration.|Is the instrument at the correct zero pressure?"
                                              : "Slope Calibration.|Is the instrument at the correct full-scale pressure?"});
    QCOMPARE(r.ui.texts(), texts);
    QVERIFY(r.w->core.ReplyBeep_Flag);
    QVERIFY(r.tab(3)->StageOneBut->isEnabled());
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
    r.w->core.calibration->SendTrimOff(3);
    r.settle();
    QCOMPARE(r.sent(), QStringList{"3XTRIMOF0.0!"});
    r.w->core.busy->SetLevelIdle(3);   // that acknowledgement alone releases nothing
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
    r.closeModalSoon(r.w->Reset);
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
    QCOMPARE(r.w->core.ResetIndex, 3);
    QVERIFY(!r.w->core.Calibrate_Flag);
    QVERIFY(r.w->core.ReplyBeep_Flag);
    QVERIFY(r.tab(3)->RangeBut->isEnabled());
    QCOMPARE(r.tab(3)->LevelText->text(), QString("0.0000"));

    // A step that times out ends the reset quietly, the tab released.
    r.ui.clear();
    r.clearSent();
    r.bus.replies.remove("3XTRIMON1!");
    r.w->core.calibration->ResetSensor(3);
    r.settle();
    QCOMPARE(r.sent().last(), QString("3XTRIMON1!"));
    QVERIFY(r.ui.messages.isEmpty());
    QVERIFY(r.tab(3)->RangeBut->isEnabled());
    QVERIFY(r.w->core.ReplyBeep_Flag);
    QVERIFY(!r.w->core.Calibrate_Flag);
}

void TestCalibration::filterWindow()
{
    Cal r(4);
    MainWindow &w = *r.w;
    r.bus.replies["4XF!"] = "4,10,0005";
    w.mnuFilter->setEnabled(true);
    QStringList sentWhenShown;
    r.closeModalSoon(w.Filter, &sentWhenShown);
    w.mnuFilter->trigger();
    QCOMPARE(w.Filter->windowTitle(), QString("Filter Setings - Sensor 4"));
    QCOMPARE(sentWhenShown, QStringList{"4XF!"});
    QCOMPARE(w.Filter->NoOfReadingsText->text(), QString("10"));
    QCOMPARE(w.Filter->ReadingIntervalText->text(), QString("5"));
    QCOMPARE(w.Filter->MaxSampleRateText->text(), QString("10"));
    QCOMPARE(r.tab(4)->SampleRateText->text(), QString("10 Seconds"));
    r.settle();
    // An answer with digits missing: a message, the field keeps its value.
    w.core.link.strSent_Command = "4XF!";
    w.core.link.LastCommand = 26;
    r.port.feed("4XF!4,07,00\r\n");
    QCOMPARE(w.Filter->NoOfReadingsText->text(), QString("7"));
    QCOMPARE(w.Filter->ReadingIntervalText->text(), QString("5"));
    QCOMPARE(r.ui.messages.size(), 1);
    r.ui.clear();

    w.core.tools->setFilterReadings(5);
    w.core.tools->setFilterInterval(250);
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

void TestCalibration::timingWindow()
{
    Cal r;
    MainWindow &w = *r.w;
    TimingWindow *t = w.Timing;
    const auto stored = [&] {
        const SysDataRecord rec = sysdata::read(r.dir.filePath("Varno sysfile.cfg"));
        return QList<int>{rec.port, rec.breakMs, rec.markMs, rec.commandTimeoutMs};
    };
    QCOMPARE(t->TimeoutText->text(), QString("80"));
    t->TimeoutText->setText("0");
    t->butApply->click();
    QCOMPARE(r.ui.messages.size(), 1);
    QCOMPARE(w.core.link.commandTimeout(), 80);
    t->TimeoutText->setText("7000");
    t->butApply->click();
    QCOMPARE(w.core.link.commandTimeout(), 80);
    t->TimeoutText->setText("1000");
    t->MarkText->setText("12");
    t->butApply->click();
    QCOMPARE(w.core.link.commandTimeout(), 1000);
    QCOMPARE(w.core.link.MarkTiming, 12);
    QCOMPARE(stored(), (QList<int>{1, 1, 12, 1000}));
    // Default takes effect at once; the file follows at the next port choice.
    t->butDefault->click();
    QCOMPARE(w.core.link.commandTimeout(), 400);
    QCOMPARE(w.core.link.BreakTiming, 20);
    QCOMPARE(stored(), (QList<int>{1, 1, 12, 1000}));
    w.mnuCom[2]->trigger();
    QCOMPARE(stored(), (QList<int>{2, 20, 15, 400}));
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
