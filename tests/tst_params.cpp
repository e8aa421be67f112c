#include "support/ConsoleRig.h"

#include "app/Widgets.h"
#include "discovery/SensorTable.h"
#include "logging/LogList.h"
#include "params/FilterWindow.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

namespace {
// A level probe at 3, scanned.
struct Level3 : ConsoleRig {
    Level3() : ConsoleRig(false, {3}) {}
};
} // namespace

class TestParams : public QObject
{
    Q_OBJECT
private slots:
    void lockAndChoiceChecks();
    void pressureUnitChange();
    void listAnswers();
    void specificGravity();
    void filterAnswers();
    void badAnswers();
    void checkBoxesSendTheirState();
    void keyFilters();
};

void TestParams::lockAndChoiceChecks()
{
    Level3 r;
    SensorTabWidget *t = r.tab(3);
    t->RangeText->setText("5");
    t->RangeBut->click();
    t->MaxRangeBut->click();
    QCOMPARE(r.ui.texts(),
             (QStringList{"Set Range Value.|Unable to set range value whilst sensor is locked.\rPlease unlock sensor and "
                          "try again.",
                          "Set Maximum Range Value.|Unable to set maximum range value whilst sensor is locked.\rPlease "
                          "unlock sensor and try again."}));
    QCOMPARE(r.ui.messages[0].icon, Ui::Icon::Exclamation);
    QVERIFY(r.sent().isEmpty());
    QCOMPARE(t->RangeText->text(), QString("5"));

    // A set with no entry chosen sends nothing and says what to choose.
    r.ui.clear();
    combo::blank(t->TempUnitsCombo);
    t->TempUnitsBut->click();
    combo::reset(t->PressUnitsCombo);
    t->PressUnitsBut->click();
    QCOMPARE(r.ui.texts(), (QStringList{"Set Temperature Units.|Please select the temperature units.",
                                        "Set Pressure Units.|Please select the pressure units."}));
    QVERIFY(r.sent().isEmpty());
    QVERIFY(t->TempUnitsBut->isEnabled());

    // S.G. empty, zero or not a number: nothing sent.
    r.ui.clear();
    for (const char *sg : {"", "0", "-"}) {
        t->SGText->setText(sg);
        t->SGBut->click();
    }
    QCOMPARE(r.ui.messages.size(), 3);
    QCOMPARE(r.ui.messages[0].text, QString("Please enter a specific gravity other than zero."));
    QVERIFY(r.sent().isEmpty());
}

void TestParams::pressureUnitChange()
{
    Level3 r;
    SensorTabWidget *t = r.tab(3);
    r.bus.replies["3XUP12!"] = "312";
    combo::select(t->PressUnitsCombo, t->PressUnitsCombo->findText("Inch Hg"));
    t->PressUnitsBut->click();
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3XUP12!", "3XP!", "3XE!", "3XLOF!", "3XRA!", "3XMOR!", "3M!", "3D0!"}));
    QCOMPARE(combo::text(t->PressUnitsCombo), QString("Inch Hg"));
    QCOMPARE(r.w->ListView->topLevelItem(3)->text(SensorTable::PressureUnits), QString("Inch Hg"));
    QCOMPARE(r.w->ListView->topLevelItem(3)->text(SensorTable::LevelLogStatus), QString("Idle"));
    QCOMPARE(r.ui.beeps, 1);
    QVERIFY(r.w->ReplyBeep_Flag);
    QVERIFY(t->PressUnitsBut->isEnabled());
    // The new reading is logged with the new unit.
    QCOMPARE(t->LogListView->text(0, 3), QString("Inch Hg"));

    // A re-query that loses the sensor clears its row and stops without a beep.
    r.ui.clear();
    r.clearSent();
    r.bus.replies["3XUP1!"] = "31";
    r.bus.replies.remove("3XP!");
    combo::select(t->PressUnitsCombo, 1);
    t->PressUnitsBut->click();
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"3XUP1!", "3XP!"}));
    QCOMPARE(r.ui.beeps, 0);
    QCOMPARE(r.w->ListView->topLevelItem(3)->text(SensorTable::SerialNo), QString());
    QVERIFY(r.w->ReplyBeep_Flag);
}

void TestParams::listAnswers()
{
    Level3 r;
    SensorTabWidget *t = r.tab(3);
    // Two digits after the address: the two-digit code.
    r.bus.replies["3XUP!"] = "314";
    r.press(t->PressUnitsQueryBut);
    QCOMPARE(combo::text(t->PressUnitsCombo), QString("KPa"));
    // Three digits: code 0.
    r.bus.replies["3XUP!"] = "3123";
    r.press(t->PressUnitsQueryBut);
    QCOMPARE(combo::text(t->PressUnitsCombo), QString("mH2O"));
    // A reverse digit beyond the list: no selection, still answered.
    combo::select(t->ReverseCombo, 1);
    r.bus.replies["3XREV!"] = "35";
    r.press(t->ReverseQueryBut);
    QCOMPARE(t->ReverseCombo->currentIndex(), 1);
    QVERIFY(r.ui.messages.isEmpty());
    // A temperature digit beyond the list is a failed step.
    r.bus.replies["3XUT!"] = "37";
    r.press(t->TempUnitsQueryBut);
    QCOMPARE(r.ui.texts(), QStringList{"SDI12 Message Error.|Received command not recognised."});
    QVERIFY(t->TempUnitsQueryBut->isEnabled());
}

void TestParams::specificGravity()
{
    Level3 r;
    SensorTabWidget *t = r.tab(3);
    t->SGText->setText("1.25");
    r.clearSent();
    t->SGBut->click();
    QCOMPARE(r.sent().value(0), QString("3XU0,0.8!"));
    QCOMPARE(t->SGText->text(), QString());
    r.bus.replies["3XU0,0.8!"] = "30,+0.8";
    r.settle();
    // Already answered by the default responder with no reply: now a real one.
    r.clearSent();
    t->SGText->setText("1.25");
    t->SGBut->click();
    r.settle();
    QCOMPARE(t->SGText->text(), QString("1.25"));
    QCOMPARE(r.sent(), (QStringList{"3XU0,0.8!", "3M!", "3D0!"}));

    // The query (sent by the scan) shows the reciprocal of U0.
    r.w->link.strSent_Command = "3XU0!";
    r.w->link.LastCommand = 30;
    r.port.feed("3XU0!3+0.97\r\n");
    QCOMPARE(t->SGText->text(), QString("1.030928"));
    // Zero: the raw answer stays and the failure is reported.
    r.port.feed("3XU0!3+0\r\n");
    QCOMPARE(t->SGText->text(), QString("+0"));
    QCOMPARE(r.ui.texts(), QStringList{"SDI12 Message Error.|Received command not recognised."});
}

void TestParams::filterAnswers()
{
    Level3 r;
    MainWindow &w = *r.w;
    w.link.strSent_Command = "3XF!";
    w.link.LastCommand = 26;
    r.port.feed("3XF!3,10,0005\r\n");
    QCOMPARE(w.Filter->NoOfReadingsText->text(), QString("10"));
    QCOMPARE(w.Filter->ReadingIntervalText->text(), QString("5"));
    QCOMPARE(w.Filter->MaxSampleRateText->text(), QString("10"));
    QCOMPARE(r.tab(3)->SampleRateText->text(), QString("10 Seconds"));
    r.port.feed("3XF!3,05,0001\r\n");
    QCOMPARE(r.tab(3)->SampleRateText->text(), QString("1 Second"));
    // Missing digits: a message, the field keeps its value.
    r.port.feed("3XF!3,07,00\r\n");
    QCOMPARE(w.Filter->NoOfReadingsText->text(), QString("7"));
    QCOMPARE(w.Filter->ReadingIntervalText->text(), QString("1"));
    QCOMPARE(r.ui.messages.size(), 1);
    // The set answer rebuilds the logging periods.
    w.link.strSent_Command = "3XF0,20,0005!";
    w.link.LastCommand = 27;
    r.port.feed("3XF0,20,0005!3,20,0005\r\n");
    QCOMPARE(r.tab(3)->SampleRateText->text(), QString("20 Seconds"));
    QCOMPARE(r.tab(3)->LogPeriodCombo->count(), 5);   // Single, 30 s, 1, 5, 15 min
    QCOMPARE(r.tab(3)->LogPeriodCombo->itemText(1), QString("30 Seconds"));
}

void TestParams::badAnswers()
{
    Level3 r;
    SensorTabWidget *t = r.tab(3);
    r.bus.replies["3XRA!"] = "3";
    r.press(t->RangeQueryBut);
    QCOMPARE(r.ui.texts(), QStringList{"SDI12 Message Error.|Received command not recognised."});
    QCOMPARE(t->RangeText->text(), QString());
    QVERIFY(t->RangeQueryBut->isEnabled());
    r.ui.clear();
    r.bus.replies["3XLOF!"] = "3+1.2x";
    r.press(t->LevelQueryBut);
    QCOMPARE(r.ui.messages.size(), 1);
    r.ui.clear();
    r.bus.replies["3XLOC!"] = "35";
    t->LocalOffsetCheck->setChecked(false);
    r.settle();
    r.press(t->ApplyQueryBut);
    QCOMPARE(r.ui.texts(), QStringList{"SDI12 Message Error.|Invalid Local Offset value."});
    QVERIFY(!t->LocalOffsetCheck->isChecked());
    QVERIFY(t->ApplyQueryBut->isEnabled());
    // Garbage after the echo: one message, the exchange still ends.
    r.ui.clear();
    r.bus.replies["3XRA!"] = QStringLiteral("\x01\x02zz9!!?");
    r.press(t->RangeQueryBut);
    QVERIFY(t->RangeQueryBut->isEnabled());
    QCOMPARE(r.ui.messages.size(), 1);
}

void TestParams::checkBoxesSendTheirState()
{
    Level3 r;
    MainWindow &w = *r.w;
    SensorTabWidget *t = r.tab(3);
    t->LocalOffsetCheck->setChecked(true);
    r.settle();
    // In calibrate mode the box sends nothing.
    w.Calibrate_Flag = true;
    r.clearSent();
    t->LocalOffsetCheck->setChecked(false);
    r.settle();
    QVERIFY(r.sent().isEmpty());
    w.Calibrate_Flag = false;
    // A program change under the skip flag sends nothing and re-arms.
    w.SkipLocalOffset_Flag = true;
    t->LocalOffsetCheck->setChecked(true);
    r.settle();
    QVERIFY(r.sent().isEmpty());
    QVERIFY(!w.SkipLocalOffset_Flag);

    // The lock answer changes the box, which sends the state back; the tab
    // stays busy until that exchange is answered.
    r.bus.replies["3XUNLK!"] = "31";
    r.bus.delayMs = 20;
    r.clearSent();
    t->UnlockQueryBut->click();
    QTRY_VERIFY(t->UnlockCheck->isChecked());
    QCOMPARE(r.sent(), (QStringList{"3XUNLK!", "3XUNLK1!"}));
    QVERIFY(!t->UnlockQueryBut->isEnabled());
    r.settle();
    QVERIFY(t->UnlockQueryBut->isEnabled());
    QCOMPARE(r.sent().size(), 2);
}

void TestParams::keyFilters()
{
    Level3 r;
    SensorTabWidget *t = r.tab(3);
    t->RangeText->clear();
    QTest::keyClicks(t->RangeText, "1.2.3");
    QCOMPARE(t->RangeText->text(), QString("1.23"));
    QCOMPARE(r.ui.beeps, 1);
    r.ui.clear();
    t->LevelText->clear();
    QTest::keyClicks(t->LevelText, "5-");
    QCOMPARE(t->LevelText->text(), QString("5-"));
    QTest::keyClicks(t->LocalGravityText, "-");
    QCOMPARE(t->LocalGravityText->text(), QString("9.8067"));
    QCOMPARE(r.ui.beeps, 1);
    // Backspace works; Ctrl+V is refused like any other control key.
    QTest::keyClick(t->LevelText, Qt::Key_Backspace);
    QCOMPARE(t->LevelText->text(), QString("5"));
    QTest::keyClick(t->LevelText, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(r.ui.beeps, 2);
    // Delete, which X11 and Wayland send with the text "\x7f", deletes.
    t->LevelText->setCursorPosition(0);
    QTest::sendKeyEvent(QTest::Press, t->LevelText, Qt::Key_Delete, QString("\x7f"), Qt::NoModifier);
    QCOMPARE(t->LevelText->text(), QString());
    QCOMPARE(r.ui.beeps, 2);
    // Selected text counts: a point over a selected "1.5" is refused.
    t->SGText->setText("1.5");
    t->SGText->selectAll();
    QTest::keyClicks(t->SGText, ".");
    QCOMPARE(t->SGText->text(), QString("1.5"));
    QCOMPARE(r.ui.beeps, 3);
    // Leaving the field repairs a leading point; program text is not filtered.
    auto leave = [](QWidget *w) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(w, &out);
    };
    t->LevelText->setText(".5");
    leave(t->LevelText);
    QCOMPARE(t->LevelText->text(), QString("0.5"));
    t->LevelText->setText("-.5");
    leave(t->LevelText);
    QCOMPARE(t->LevelText->text(), QString("-.5"));
    t->LocalGravityText->setText(".98");
    leave(t->LocalGravityText);
    QCOMPARE(t->LocalGravityText->text(), QString("0.98"));
    t->RangeText->setText(".5");
    leave(t->RangeText);
    QCOMPARE(t->RangeText->text(), QString(".5"));
}

QTEST_MAIN(TestParams)
#include "tst_params.moc"
