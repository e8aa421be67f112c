#include "support/ConsoleRig.h"

#include "params/BusyState.h"
#include "discovery/SensorTable.h"
#include "logging/LogList.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

namespace {
LogRow row(const QString &time)
{
    LogRow r;
    r.date = "6/12/26";
    r.cells = {time, "1.0", "mH2O", "20.0", "Centigrade"};
    return r;
}

QStringList times(LogList *l)
{
    QStringList out;
    for (int i = 0; i < l->rowCount(); ++i)
        out << l->text(i, 1);
    return out;
}
// The fields a move copies: texts, and list selections.
const QStringList levelTexts = {"LocalGravityText", "RangeText", "MaxOverRangeText", "LevelText", "SampleRateText",
                                "SGText", "ZeroCalibrationText", "SlopeCalibrationText", "PressureText"};
const QStringList levelLists = {"PressUnitsCombo", "TempUnitsCombo", "DensityCorrCombo", "ReverseCombo"};
const QStringList rotaryTexts = {"RotaryMaxRangeText", "RotaryCountsPerRevText", "RotaryMeasurementResText",
                                 "RotaryPulleyCircumText", "RotaryCurrentValueText"};
const QStringList rotaryLists = {"RotaryMeasurementUnitsCombo", "RotaryDirectionCombo"};

// Each field a value of its own, each list its second entry.
void setEveryField(SensorTabWidget *t, int a, const QStringList &texts, const QStringList &lists)
{
    for (const QString &f : texts)
        t->findChild<QLineEdit *>(f + "_" + QString::number(a))->setText(f + " value");
    for (const QString &f : lists)
        combo::select(t->findChild<QComboBox *>(f + "_" + QString::number(a)), 1);
}

void checkEveryField(SensorTabWidget *t, int a, const QStringList &texts, const QStringList &lists)
{
    for (const QString &f : texts)
        QCOMPARE(t->findChild<QLineEdit *>(f + "_" + QString::number(a))->text(), f + " value");
    for (const QString &f : lists)
        QCOMPARE(t->findChild<QComboBox *>(f + "_" + QString::number(a))->currentIndex(), 1);
}
} // namespace

class TestAddress : public QObject
{
    Q_OBJECT
private slots:
    void moveLevelProbe();
    void refusedChanges();
    void queryAddress();
    void moveRotary();
};

void TestAddress::moveLevelProbe()
{
    ConsoleRig r(false, {3});
    MainWindow &w = *r.w;
    SensorTabWidget *o = r.tab(3), *n = r.tab(6);
    o->LogListView->clear();
    for (const char *t : {"10:00:01", "10:00:02", "10:00:03"})
        o->LogListView->insertTop(row(t));
    n->LogListView->insertTop(row("09:00:00"));   // a row already there stays in front
    o->LocalOffsetCheck->setChecked(true);
    r.settle();
    o->LogPeriodCombo->setCurrentIndex(2);
    setEveryField(o, 3, levelTexts, levelLists);
    r.bus.replies["3A6!"] = "6";
    r.ui.clear();
    r.clearSent();
    combo::select(o->AddressCombo, 6);
    o->AddrBut->click();
    QCOMPARE(w.core.link.LastCommand, 1);
    r.settle();
    // The local-offset box on tab 6 was ticked by the move: nothing sent.
    QCOMPARE(r.sent(), QStringList{"3A6!"});
    QCOMPARE(r.ui.beeps, 1);

    QCOMPARE(times(n->LogListView), (QStringList{"09:00:00", "10:00:03", "10:00:02", "10:00:01"}));
    QCOMPARE(o->LogListView->rowCount(), 0);
    QVERIFY(n->ClearLogBut->isEnabled() && n->SaveLogBut->isEnabled());
    QVERIFY(o->ClearLogBut->testAttribute(Qt::WA_ForceDisabled) && o->SaveLogBut->testAttribute(Qt::WA_ForceDisabled));
    QVERIFY(n->LocalOffsetCheck->isChecked());
    checkEveryField(n, 6, levelTexts, levelLists);
    QCOMPARE(n->SensorIDList->count(), 4);
    QCOMPARE(o->SensorIDList->count(), 0);
    QCOMPARE(combo::text(o->AddressCombo), QString("Select....."));
    QCOMPARE(n->LogPeriodCombo->currentIndex(), 2);
    QCOMPARE(o->LogPeriodCombo->count(), 0);
    QVERIFY(w.SensorTab->isTabEnabled(6) && !w.SensorTab->isTabEnabled(3));
    QCOMPARE(w.SensorTab->currentIndex(), 6);
    // Row 7 holds every cell row 4 held; row 4 keeps only its address.
    const auto oldRow = [&](int c) { return w.core.table->cell(3, c); };
    const auto newRow = [&](int c) { return w.core.table->cell(6, c); };
    QCOMPARE(newRow(SensorTable::SerialNo), QString("LT510233"));
    QCOMPARE(newRow(SensorTable::Pressure), QString("1.2345"));
    QCOMPARE(newRow(SensorTable::LevelLogStatus), QString("Idle"));
    QCOMPARE(newRow(0), QString("         6"));
    QCOMPARE(oldRow(0), QString("         3"));
    for (int c = 1; c <= 8; ++c)
        QCOMPARE(oldRow(c), QString());
    QVERIFY(w.ScanBut->isEnabled());

    // On, with an empty log and the sensor unlocked: the lock state copied is
    // sent to the sensor at its new address.
    n->LogListView->clear();
    r.bus.replies["6XUNLK1!"] = "61";
    n->UnlockCheck->setChecked(true);
    r.settle();
    r.bus.replies["6A5!"] = "5";
    r.bus.replies["5XUNLK1!"] = "51";
    r.clearSent();
    combo::select(n->AddressCombo, 5);
    n->AddrBut->click();
    r.settle();
    QCOMPARE(r.sent(), (QStringList{"6A5!", "5XUNLK1!"}));
    QVERIFY(!r.tab(5)->ClearLogBut->isEnabled() && !r.tab(5)->SaveLogBut->isEnabled());
    QVERIFY(r.tab(5)->UnlockCheck->isChecked());
    QVERIFY(r.tab(5)->RangeBut->isEnabled());
}

void TestAddress::refusedChanges()
{
    ConsoleRig r(false, {3, 5});
    MainWindow &w = *r.w;
    SensorTabWidget *t = r.tab(3);
    t->AddrBut->click();
    combo::select(t->AddressCombo, 3);
    t->AddrBut->click();
    combo::select(t->AddressCombo, 5);
    t->AddrBut->click();
    QCOMPARE(r.ui.texts(), (QStringList{"Set Sensor Address.|Please select sensor address.",
                                        "Set Sensor Address.|Sensor is already set to address 3.",
                                        "Set Sensor Address.|Unable to set sensor to this address as address is "
                                        "already in use."}));
    QVERIFY(r.sent().isEmpty());

    r.bus.replies["3A6!"] = "3";   // the sensor kept its address
    r.ui.clear();
    combo::select(r.tab(3)->AddressCombo, 6);
    r.tab(3)->AddrBut->click();
    r.settle();
    QCOMPARE(r.ui.texts(), QStringList{"Set Sensor Address.|The sensor did not accept the new address."});
    QCOMPARE(r.ui.messages[0].icon, Ui::Icon::Exclamation);
    QVERIFY(w.SensorTab->isTabEnabled(3) && !w.SensorTab->isTabEnabled(6));
    QCOMPARE(r.tab(3)->SensorIDList->count(), 4);
    QCOMPARE(w.core.table->cell(3, SensorTable::SerialNo), QString("LT510233"));
    QCOMPARE(r.tab(3)->LogListView->rowCount(), 1);
    QVERIFY(r.tab(3)->AddrBut->isEnabled());

    // A change confirmed at the address the sensor already has (a user
    // command, or a garbled echo) moves nothing onto itself.
    r.bus.replies["3A3!"] = "3";
    r.ui.clear();
    w.core.busy->SetLevelBusy(3);
    w.core.sendCommand("3A3!", 1);
    r.settle();
    QVERIFY(r.ui.texts().isEmpty());
    QVERIFY(w.SensorTab->isTabEnabled(3));
    QCOMPARE(r.tab(3)->SensorIDList->count(), 4);
    QCOMPARE(r.tab(3)->LogListView->rowCount(), 1);
    QVERIFY(r.tab(3)->ClearLogBut->isEnabled());
    QCOMPARE(w.core.table->cell(3, SensorTable::SerialNo), QString("LT510233"));
    QVERIFY(r.tab(3)->AddrBut->isEnabled());
}

void TestAddress::queryAddress()
{
    ConsoleRig r(false, {3});
    r.bus.replies["?!"] = "3";
    r.w->mnuQueryAddress->trigger();
    r.settle();
    QCOMPARE(r.sent(), QStringList{"?!"});
    QCOMPARE(r.ui.texts(), QStringList{"Query Sensor Address.|Sensor Address is 3."});
    QCOMPARE(r.ui.beeps, 0);
    QVERIFY(r.w->ScanBut->isEnabled());

    ConsoleRig two(false, {1, 8});
    two.w->mnuQueryAddress->trigger();
    QVERIFY(two.sent().isEmpty());
    QCOMPARE(two.ui.texts(), QStringList{"Query Sensor Address.|Unable to query sensor address when more than one "
                                         "sensor is connected."});
}

void TestAddress::moveRotary()
{
    ConsoleRig r(true, {2});
    MainWindow &w = *r.w;
    r.bus.replies["2A5!"] = "5";
    setEveryField(r.tab(2), 2, rotaryTexts, rotaryLists);
    r.clearSent();
    combo::select(r.tab(2)->RotaryAddressCombo, 5);
    r.tab(2)->RotaryAddrBut->click();
    QCOMPARE(w.core.link.LastCommand, 101);
    r.settle();
    SensorTabWidget *n = r.tab(5);
    checkEveryField(n, 5, rotaryTexts, rotaryLists);
    QCOMPARE(n->RotaryLogListView->rowCount(), 1);
    QVERIFY(n->SaveLogBut->isEnabled());
    QCOMPARE(w.core.table->cell(5, SensorTable::RotarySerialNo), QString("RQ910232"));
    QCOMPARE(w.core.table->cell(2, SensorTable::RotarySerialNo), QString());
    QCOMPARE(w.SensorTab->currentIndex(), 5);
    QVERIFY(r.tab(2)->RotaryLogPeriodCombo->count() == 9);   // the rotary lists stay
    QVERIFY(n->RotaryAddrBut->isEnabled());
}

QTEST_MAIN(TestAddress)
#include "tst_address.moc"
