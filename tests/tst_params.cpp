#include "support/ConsoleRig.h"

#include "discovery/SensorTable.h"
#include "logging/LogList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

class TestParams : public QObject
{
    Q_OBJECT
private slots:
    void lockAndChoiceChecks();
    void pressureUnitChange();
    void oddAnswers();
    void checkBoxesSendTheirState();
    void keyFilters();
};

void TestParams::lockAndChoiceChecks()
{
    ConsoleRig r(false, {3});
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
    ConsoleRig r(false, {3});
    SensorTabWidget *t = r.tab(3);
    r.bus.replies["3XUP12!"] = "312";
    combo::select(t->PressUnitsCombo, t->PressUnitsCombo->findText("Inch Hg"));
    t->PressUnitsBut->click();
    r.settle();
    // The table row and the new reading show the new unit.
    QCOMPARE(r.w->core.table->cell(3, SensorTable::PressureUnits), QString("Inch Hg"));
    QCOMPARE(r.w->core.table->cell(3, SensorTable::LevelLogStatus), QString("Idle"));
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
    QCOMPARE(r.w->core.table->cell(3, SensorTable::SerialNo), QString());
    QVERIFY(r.w->core.ReplyBeep_Flag);
}

void TestParams::oddAnswers()
{
    ConsoleRig r(false, {3});
    SensorTabWidget *t = r.tab(3);
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
    // The specific-gravity query (sent by the scan) shows the reciprocal of U0.
    r.ui.clear();
    r.w->core.link.strSent_Command = "3XU0!";
    r.w->core.link.LastCommand = 30;
    r.port.feed("3XU0!3+0.97\r\n");
    QCOMPARE(t->SGText->text(), QString("1.030928"));
    // Zero: the raw answer stays and the failure is reported.
    r.port.feed("3XU0!3+0\r\n");
    QCOMPARE(t->SGText->text(), QString("+0"));
    QCOMPARE(r.ui.texts(), QStringList{"SDI12 Message Error.|Received command not recognised."});
    // Answers that do not read: a message, the tab released.
    r.ui.clear();
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
    ConsoleRig r(false, {3});
    MainWindow &w = *r.w;
    SensorTabWidget *t = r.tab(3);
    t->LocalOffsetCheck->setChecked(true);
    r.settle();
    // In calibrate mode the box sends nothing.
    w.core.Calibrate_Flag = true;
    r.clearSent();
    t->LocalOffsetCheck->setChecked(false);
    r.settle();
    QVERIFY(r.sent().isEmpty());
    w.core.Calibrate_Flag = false;

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
    ConsoleRig r(false, {3});
    SensorTabWidget *t = r.tab(3);
    // A second point, and a minus where none is allowed, are refused.
    for (const auto &[field, keys, typed] : {std::tuple{t->RangeText, "1.2.3", "1.23"}, {t->LevelText, "5-", "5-"},
                                             {t->LocalGravityText, "-", ""}}) {
        field->clear();
        QTest::keyClicks(field, keys);
        QCOMPARE(field->text(), QString(typed));
    }
    QCOMPARE(r.ui.beeps, 2);
    // Backspace works; Ctrl+V is refused like any other control key.
    QTest::keyClick(t->LevelText, Qt::Key_Backspace);
    QCOMPARE(t->LevelText->text(), QString("5"));
    QTest::keyClick(t->LevelText, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(r.ui.beeps, 3);
    // Delete, which X11 and Wayland send with the text "\x7f", deletes.
    t->LevelText->setCursorPosition(0);
    QTest::sendKeyEvent(QTest::Press, t->LevelText, Qt::Key_Delete, QString("\x7f"), Qt::NoModifier);
    QCOMPARE(t->LevelText->text(), QString());
    QCOMPARE(r.ui.beeps, 3);
    // Selected text counts: a point over a selected "1.5" is refused.
    t->SGText->setText("1.5");
    t->SGText->selectAll();
    QTest::keyClicks(t->SGText, ".");
    QCOMPARE(t->SGText->text(), QString("1.5"));
    QCOMPARE(r.ui.beeps, 4);
    // Leaving the field repairs a leading point; program text is not filtered.
    auto leave = [](QWidget *w) {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(w, &out);
    };
    for (const auto &[field, typed, left] : {std::tuple{t->LevelText, ".5", "0.5"}, {t->LevelText, "-.5", "-.5"},
                                             {t->LocalGravityText, ".98", "0.98"}, {t->RangeText, ".5", ".5"}}) {
        field->setText(typed);
        leave(field);
        QCOMPARE(field->text(), QString(left));
    }
}

QTEST_MAIN(TestParams)
#include "tst_params.moc"
