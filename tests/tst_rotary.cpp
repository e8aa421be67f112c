#include "support/ConsoleRig.h"

#include "decode/Values.h"
#include "discovery/SensorTable.h"
#include "logging/LogList.h"

#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

namespace {
struct Rotary : ConsoleRig {
    Rotary() : ConsoleRig(true, {0, 1, 2, 5}) {}
    QString cell(int a, int c) const { return w->core.table->cell(a, c); }
};
} // namespace

class TestRotary : public QObject
{
    Q_OBJECT
private slots:
    void scanFillsTabAndRow();
    void commandBytes();
    void repeatedLetters();
    void resolution();
    void valueAnswers();
};

void TestRotary::scanFillsTabAndRow()
{
    Rotary r;
    // Query buttons stay enabled while a rotary tab is busy: one pressed in
    // the middle of a scan is refused, and every answer of the scan lands.
    const auto onWrite = r.port.onWrite;
    r.port.onWrite = [&](const QByteArray &b) {
        onWrite(b);
        if (b == "5XCP!")
            QTimer::singleShot(0, r.tab(5)->QueryRotaryDirectionBut, &QPushButton::click);
    };
    r.w->ScanBut->click();
    r.settle();
    QCOMPARE(r.ui.beeps, 2);   // the refused press, the end of the scan
    QStringList forFive;
    for (const QString &c : r.sent())
        if (c.startsWith('5'))
            forFive << c;
    QCOMPARE(forFive, (QStringList{"5XMU!", "5XCP!", "5XRD!", "5XPC!", "5XCV!", "5XSN!", "5I!", "5C!", "5D0!"}));
    SensorTabWidget *t = r.tab(5);
    QCOMPARE(combo::text(t->RotaryMeasurementUnitsCombo), QString("Millimetres"));
    QCOMPARE(t->RotaryPulleyCircumText->text(), QString("200"));
    QCOMPARE(combo::text(t->RotaryDirectionCombo), QString("Clockwise"));
    QCOMPARE(t->RotaryCountsPerRevText->text(), QString("1024"));
    QCOMPARE(t->RotaryMeasurementResText->text(), QString("0.049"));
    QCOMPARE(t->RotaryCurrentValueText->text(), QString("12.345"));
    QCOMPARE(t->RotarySensorIDList->count(), 4);
    QStringList cells;
    for (int c = 0; c <= 6; ++c)
        cells << r.cell(5, c);
    QCOMPARE(cells, (QStringList{"         5", "RQ910235", "12.345", "Millimetres", "200", "Clockwise", "Idle"}));
    QVERIFY(t->RotaryPulleyCircumBut->isEnabled());
    QCOMPARE(r.w->SensorTab->currentIndex(), 0);
    for (int a = 0; a < 10; ++a)
        QCOMPARE(r.w->SensorTab->isTabEnabled(a), a == 0 || a == 1 || a == 2 || a == 5);

    // A sensor that stops after its first answers keeps what it gave.
    r.bus.replies.remove("5XRD!");
    r.clearSent();
    r.w->ScanBut->click();
    r.settle();
    QVERIFY(r.w->SensorTab->isTabEnabled(5));
    QCOMPARE(r.cell(5, SensorTable::RotaryPulleyCircum), QString("200"));
    QVERIFY(!r.sent().contains("5XPC!"));
}

void TestRotary::commandBytes()
{
    Rotary r;
    // A set with no entry chosen sends nothing.
    r.ui.clear();
    combo::reset(r.tab(0)->RotaryDirectionCombo);
    r.clearSent();
    r.tab(0)->RotaryDirectionBut->click();
    combo::reset(r.tab(0)->RotaryMeasurementUnitsCombo);
    r.tab(0)->RotaryMeasurementUnitsBut->click();
    QVERIFY(r.sent().isEmpty());
    QCOMPARE(r.ui.texts(), (QStringList{"Set Rotation Direction.|Please select the rotation direction.",
                                        "Set Measurement Units.|Please select the measurement units."}));
}

void TestRotary::repeatedLetters()
{
    Rotary r;
    for (const char *answer : {"02", "0XMU2"}) {
        r.bus.replies["0XMU!"] = answer;
        r.press(r.tab(0)->QueryRotaryMeasurementUnitsBut);
        QCOMPARE(r.tab(0)->RotaryMeasurementUnitsCombo->currentIndex(), 2);
        QCOMPARE(r.cell(0, SensorTable::RotaryUnits), QString("Inches"));
        // The query answer returns the tab to idle.
        QVERIFY(r.tab(0)->RotaryMeasurementUnitsBut->isEnabled());
    }
    r.bus.replies["0XCP!"] = "0XCP250";
    r.press(r.tab(0)->QueryRotaryPulleyCircumfBut);
    QCOMPARE(r.tab(0)->RotaryPulleyCircumText->text(), QString("250"));
    // A digit beyond the list keeps the selection; the cell shows the list.
    r.bus.replies["0XRD!"] = "07";
    combo::select(r.tab(0)->RotaryDirectionCombo, 0);
    r.press(r.tab(0)->QueryRotaryDirectionBut);
    QCOMPARE(r.tab(0)->RotaryDirectionCombo->currentIndex(), -1);   // blanked by the query, kept
    QCOMPARE(r.cell(0, SensorTable::RotaryDirection), QString());
    QVERIFY(r.ui.messages.isEmpty());
}

void TestRotary::resolution()
{
    Rotary r;
    SensorTabWidget *t = r.tab(0);
    r.bus.replies["0XMU0!"] = "00";
    r.bus.replies["0XMU1!"] = "01";
    r.bus.replies["0XMU2!"] = "02";
    const QStringList expected = {"0.000", "0.049", "0.002"};
    for (int unit = 0; unit < 3; ++unit) {
        combo::select(t->RotaryMeasurementUnitsCombo, unit);
        const QString cmd = r.press(t->RotaryMeasurementUnitsBut);
        QCOMPARE(cmd, QString("0XMU%1!").arg(unit));
        QCOMPARE(t->RotaryMeasurementResText->text(), expected[unit]);
        // each set answer takes a fresh reading
        QVERIFY(r.sent().contains("0C!"));
    }
    // Counts of 0, empty or not a number: the message, the field kept.
    for (const char *counts : {"00", "0", "0abc"}) {
        r.ui.clear();
        r.bus.replies["0XPC!"] = counts;
        r.press(t->QueryRotaryCountsPerRevBut);
        QCOMPARE(r.ui.texts(), QStringList{"SDI12 Message Error.|Received command not recognised."});
        QCOMPARE(t->RotaryMeasurementResText->text(), QString("0.002"));
        QVERIFY(t->RotaryCountsPerRevBut->isEnabled());
    }
    QCOMPARE(values::RoundIt(-1.5, 0), -1.0);
}

void TestRotary::valueAnswers()
{
    Rotary r;
    SensorTabWidget *t = r.tab(1);
    r.bus.replies["1XCV!"] = "1+123.4";
    r.press(t->QueryRotaryCurrentValueBut);
    QCOMPARE(t->RotaryCurrentValueText->text(), QString("123.4"));
    r.bus.replies["1XCV!"] = "1XCV-5.0";
    r.press(t->QueryRotaryCurrentValueBut);
    QCOMPARE(t->RotaryCurrentValueText->text(), QString("-5.0"));
    // Set zero shows 0.000 before the new reading arrives.
    r.bus.replies["1XZE!"] = "1";
    r.bus.delayMs = 30;
    t->RotarySetZeroBut->click();
    QTRY_COMPARE(t->RotaryCurrentValueText->text(), QString("0.000"));
    QCOMPARE(r.sent().last(), QString("1C!"));
    r.settle();
    QCOMPARE(t->RotaryCurrentValueText->text(), QString("12.345"));
    QCOMPARE(t->RotaryLogListView->text(0, 2), QString("12.345"));
}

QTEST_MAIN(TestRotary)
#include "tst_rotary.moc"
