// Every Set and Query control of both families, the busy and idle tables in
// full, and every caption, tooltip, title and heading, each against one
// table: a wrong command, code, blanking, busy set or text fails a row.
#include "support/ConsoleRig.h"

#include "app/StartupForm.h"
#include "discovery/LogPeriods.h"
#include "discovery/SensorPollWindow.h"
#include "discovery/TimingWindow.h"
#include "logging/LogList.h"
#include "params/UserCommandWindow.h"
#include "params/BusyState.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <QTreeView>

namespace {
const QStringList levelBusy = {
    "PressUnitsQueryBut", "TempUnitsQueryBut", "DensityCorrQueryBut", "LocalGravityQueryBut", "PressUnitsBut",
    "TempUnitsBut", "DensityCorrBut", "LocalGravityBut", "IDQueryBut", "AddressCombo", "PressUnitsCombo",
    "TempUnitsCombo", "DensityCorrCombo", "LocalGravityText", "SensorIDList", "AddrBut", "StartLogBut",
    "LogPeriodCombo", "RangeText", "RangeQueryBut", "RangeBut", "MaxRangeBut", "MaxOverRangeText",
    "MaxOverRangeQueryBut", "LevelText", "LevelBut", "ReverseCombo", "ReverseBut", "LocalOffsetCheck",
    "ApplyQueryBut", "UnlockQueryBut", "UnlockCheck", "SampleRateText", "LevelOffsetText", "LevelOffsetBut",
    "AutoZeroBut", "SGText", "SGBut", "ClearOffsetsBut", "StageOneBut", "ZeroCalibrationBut",
    "SlopeCalibrationBut", "PressureBut", "CalibrationCompleteBut", "StopLogBut"};
const QStringList stageTwo = {"ZeroCalibrationBut", "SlopeCalibrationBut", "PressureBut", "CalibrationCompleteBut"};
const QStringList rotaryBusy = {
    "RotaryAddrBut", "RotaryCountsPerRevBut", "RotaryMeasurementUnitsBut", "RotaryPulleyCircumBut",
    "RotaryDirectionBut", "RotarySetZeroBut", "RotaryCurrentValueBut", "RotaryStartLogBut", "RotaryIDQueryBut",
    "RotaryAddressCombo", "RotaryMaxRangeText", "RotaryCountsPerRevText", "RotaryMeasurementResText",
    "RotaryMeasurementUnitsCombo", "RotaryPulleyCircumText", "RotaryDirectionCombo", "RotaryCurrentValueText",
    "RotaryLogPeriodCombo", "RotarySensorIDList", "RotaryStopLogBut"};
const QStringList windowLevel = {"ScanBut", "mnuCommsPort", "mnuQueryAddress", "mnuFilter", "mnuReset", "mnuHelp",
                                 "mnuUserCommand"};
const QStringList windowRotary = {"ScanBut", "mnuCommsPort", "mnuQueryAddress", "mnuHelp", "mnuUserCommand"};

// The tab's controls (by name, without "_<tab>") and the window-wide
// commands that are disabled of their own (or, with `disabledOnes` false,
// that are enabled).
QStringList named(MainWindow &w, int tab, bool disabledOnes = true)
{
    QStringList out;
    const QString suffix = "_" + QString::number(tab);
    for (QWidget *c : w.tab[size_t(tab)]->findChildren<QWidget *>())
        if (c->objectName().endsWith(suffix) && !c->objectName().startsWith("qt_") &&
            w.core.tab[size_t(tab)]->find(c->objectName().chopped(suffix.size())) &&
            c->testAttribute(Qt::WA_ForceDisabled) == disabledOnes)
            out << c->objectName().chopped(suffix.size());
    for (QAction *a : w.findChildren<QAction *>())
        if (a->objectName().startsWith("mnu") && !a->objectName().startsWith("mnuCom_") && a->isEnabled() != disabledOnes)
            out << a->objectName();
    if (w.ScanBut->testAttribute(Qt::WA_ForceDisabled) == disabledOnes)
        out << "ScanBut";
    out.sort();
    return out;
}

QStringList sorted(QStringList l)
{
    l.removeDuplicates();
    l.sort();
    return l;
}

void enableAll(MainWindow &w, bool on)
{
    for (auto &t : w.core.tab)
        for (Control *c : t->controls())
            c->setEnabled(on);
    for (Control *c : w.core.win.controls())
        c->setEnabled(on);
    for (QAction *a : w.findChildren<QAction *>())
        a->setEnabled(on);
}

QString shownText(QWidget *c)
{
    if (auto *e = qobject_cast<QLineEdit *>(c))
        return e->text();
    if (auto *b = qobject_cast<QComboBox *>(c))
        return combo::text(b);
    if (auto *l = qobject_cast<QListWidget *>(c))
        return QString::number(l->count());
    return "?";
}

struct Row {
    const char *control;              // pressed (clicked) on the tab
    std::function<void(SensorTabWidget *)> prepare;
    const char *bytes;                // written at once
    int code;                         // LastCommand
    const char *blanked;              // emptied at once ("" for none)
    QStringList then;                 // what the answer leads to
    int beeps;
};

// Presses every control of the table on tab `a`; `busy` is the family's
// busy table, `idleDisabled` what stays disabled once idle.
void pressAll(ConsoleRig &r, int a, const std::vector<Row> &rows, const QStringList &busy,
              const QStringList &window, const QStringList &idleDisabled)
{
    SensorTabWidget *t = r.tab(a);
    const QString suffix = "_" + QString::number(a);
    for (const Row &row : rows) {
        const QString name = QString(row.control) + " " + row.bytes;
        if (row.prepare)
            row.prepare(t);
        r.settle();
        r.clearSent();
        r.ui.clear();
        auto *b = t->findChild<QAbstractButton *>(row.control + suffix);
        QVERIFY2(b && b->isEnabled(), qPrintable(name));
        b->click();
        QCOMPARE(r.sent(), QStringList{row.bytes});
        QCOMPARE(r.w->core.link.LastCommand, row.code);
        if (*row.blanked)
            QVERIFY2(shownText(t->findChild<QWidget *>(row.blanked + suffix)) == (QString(row.blanked).endsWith("List") ? "0" : ""),
                     qPrintable(name));
        QCOMPARE(named(*r.w, a), sorted(busy + window));
        QVERIFY2(r.settle(), qPrintable(name));
        QCOMPARE(r.sent().mid(1), row.then);
        QCOMPARE(named(*r.w, a), sorted(idleDisabled));
        QVERIFY2(r.ui.beeps == row.beeps && r.ui.messages.isEmpty(), qPrintable(name));
    }
}
} // namespace

class TestControls : public QObject
{
    Q_OBJECT
private slots:
    void levelControls();
    void rotaryControls();
    void busyAndIdleTables();
    void textsEverywhere();
    void scanTimeoutsAndFlags();
};

void TestControls::levelControls()
{
    ConsoleRig r(false, 80, false);
    r.simulator().addSensor(3, sim::Family::Level);
    r.load();
    const QStringList reading{"3M!", "3D0!"};
    auto text = [](QLineEdit *SensorTabWidget::*field, const char *v) {
        return [field, v](SensorTabWidget *t) { (t->*field)->setText(v); };
    };
    auto pick = [](QComboBox *SensorTabWidget::*list, const char *item) {
        return [list, item](SensorTabWidget *t) { combo::select(t->*list, (t->*list)->findText(item)); };
    };
    const std::vector<Row> rows = {
        {"UnlockCheck", nullptr, "3XUNLK1!", 24, "", {}, 1},
        {"UnlockQueryBut", nullptr, "3XUNLK!", 23, "", {}, 1},
        {"RangeBut", text(&SensorTabWidget::RangeText, "12.5"), "3XRA12.5!", 14, "RangeText", {}, 1},
        {"RangeQueryBut", nullptr, "3XRA!", 13, "RangeText", {}, 1},
        {"MaxRangeBut", text(&SensorTabWidget::MaxOverRangeText, "20"), "3XMOR20!", 16, "MaxOverRangeText", {}, 1},
        {"MaxOverRangeQueryBut", nullptr, "3XMOR!", 15, "MaxOverRangeText", {}, 1},
        {"PressUnitsBut", pick(&SensorTabWidget::PressUnitsCombo, "Inch Hg"), "3XUP12!", 3, "PressUnitsCombo",
         {"3XP!", "3XE!", "3XLOF!", "3XRA!", "3XMOR!", "3M!", "3D0!"}, 1},
        {"PressUnitsQueryBut", nullptr, "3XUP!", 2, "PressUnitsCombo", {}, 1},
        {"TempUnitsBut", pick(&SensorTabWidget::TempUnitsCombo, "Fahrenheit"), "3XUT1!", 5, "TempUnitsCombo", reading, 1},
        {"TempUnitsQueryBut", nullptr, "3XUT!", 4, "TempUnitsCombo", {}, 1},
        {"DensityCorrBut", pick(&SensorTabWidget::DensityCorrCombo, "Uncompensated"), "3XP1!", 7, "DensityCorrCombo",
         reading, 1},
        {"DensityCorrQueryBut", nullptr, "3XP!", 6, "DensityCorrCombo", {}, 1},
        {"ReverseBut", pick(&SensorTabWidget::ReverseCombo, "On"), "3XREV1!", 18, "", reading, 1},
        {"ReverseQueryBut", nullptr, "3XREV!", 17, "", {}, 1},
        {"LevelBut", text(&SensorTabWidget::LevelText, "-1.5"), "3XLOF-1.5!", 20, "", reading, 1},
        {"LevelQueryBut", nullptr, "3XLOF!", 19, "LevelText", {}, 1},
        {"LocalOffsetCheck", nullptr, "3XLOC1!", 22, "", reading, 1},
        {"LocalOffsetCheck", nullptr, "3XLOC0!", 22, "", reading, 1},
        {"ApplyQueryBut", nullptr, "3XLOC!", 21, "", {}, 1},
        {"SGBut", text(&SensorTabWidget::SGText, "1.25"), "3XU0,0.8!", 29, "SGText", reading, 1},
        {"LocalGravityBut", text(&SensorTabWidget::LocalGravityText, "9.81"), "3XE9.81!", 9, "LocalGravityText",
         reading, 1},
        {"LocalGravityQueryBut", nullptr, "3XE!", 8, "LocalGravityText", {}, 1},
        {"IDQueryBut", nullptr, "3I!", 10, "SensorIDList", {}, 1},
        {"UnlockCheck", nullptr, "3XUNLK0!", 24, "", {}, 1},
    };
    pressAll(r, 3, rows, levelBusy, windowLevel, stageTwo);
    // What the answers showed.
    SensorTabWidget *t = r.tab(3);
    QCOMPARE(t->RangeText->text(), QString("12.5000"));
    QCOMPARE(combo::text(t->PressUnitsCombo), QString("Inch Hg"));
    QCOMPARE(t->SGText->text(), QString("1.25"));
    QCOMPARE(t->LevelText->text(), QString("-1.5000"));
    QVERIFY(!t->UnlockCheck->isChecked() && !t->LocalOffsetCheck->isChecked());
    // And what the sensor now holds.
    for (const auto &[letters, held] : {std::pair{"XRA", "12.5"}, {"XUP", "12"}, {"XU0", "0.8"}, {"XUT", "1"},
                                        {"XE", "9.81"}, {"XUNLK", "0"}})
        QCOMPARE(r.simBus->value(3, letters), QString(held));
}

void TestControls::rotaryControls()
{
    ConsoleRig r(true, 80, false);
    r.simulator().addSensor(2, sim::Family::Rotary);
    r.simulator().setMeasurementSeconds(2, 0);
    r.load();
    const QStringList reading{"2C!", "2D0!"};
    auto text = [](QLineEdit *SensorTabWidget::*field, const char *v) {
        return [field, v](SensorTabWidget *t) { (t->*field)->setText(v); };
    };
    auto pick = [](QComboBox *SensorTabWidget::*list, int i) {
        return [list, i](SensorTabWidget *t) { combo::select(t->*list, i); };
    };
    const std::vector<Row> rows = {
        {"RotaryCountsPerRevBut", text(&SensorTabWidget::RotaryCountsPerRevText, "1000"), "2XPC1000!", 109, "", reading, 1},
        {"QueryRotaryCountsPerRevBut", nullptr, "2XPC!", 108, "RotaryCountsPerRevText", {}, 1},
        {"RotaryPulleyCircumBut", text(&SensorTabWidget::RotaryPulleyCircumText, "150"), "2XCP150!", 105, "", reading, 1},
        {"QueryRotaryPulleyCircumfBut", nullptr, "2XCP!", 104, "RotaryPulleyCircumText", {}, 1},
        {"RotaryMeasurementUnitsBut", pick(&SensorTabWidget::RotaryMeasurementUnitsCombo, 3), "2XMU3!", 103,
         "RotaryMeasurementUnitsCombo", reading, 1},
        {"QueryRotaryMeasurementUnitsBut", nullptr, "2XMU!", 102, "RotaryMeasurementUnitsCombo", {}, 1},
        {"RotaryDirectionBut", pick(&SensorTabWidget::RotaryDirectionCombo, 0), "2XRD0!", 107, "RotaryDirectionCombo",
         reading, 1},
        {"QueryRotaryDirectionBut", nullptr, "2XRD!", 106, "RotaryDirectionCombo", {}, 1},
        {"RotaryCurrentValueBut", text(&SensorTabWidget::RotaryCurrentValueText, "5.5"), "2XCV5.5!", 111, "", reading, 1},
        {"QueryRotaryCurrentValueBut", nullptr, "2XCV!", 110, "RotaryCurrentValueText", {}, 1},
        {"RotarySetZeroBut", nullptr, "2XZE!", 114, "", reading, 1},
        {"RotaryIDQueryBut", nullptr, "2I!", 112, "RotarySensorIDList", {}, 1},
    };
    // The level family's menus stay off (they are hidden for this family).
    pressAll(r, 2, rows, rotaryBusy, windowRotary + QStringList{"mnuFilter", "mnuReset"}, {"mnuFilter", "mnuReset"});
    SensorTabWidget *t = r.tab(2);
    QCOMPARE(combo::text(t->RotaryMeasurementUnitsCombo), QString("Feet"));
    QCOMPARE(t->RotaryPulleyCircumText->text(), QString("150"));
    QCOMPARE(t->RotaryMeasurementResText->text(), QString("0.000"));
}

void TestControls::busyAndIdleTables()
{
    ConsoleRig r(false, 50);
    MainWindow &w = *r.w;
    BusyState &b = *w.core.busy;
    // Level probe: busy disables the table and the window's commands and
    // nothing else; idle enables them all but stage two (until stage one is
    // done), and the tab control; logging keeps start, period and address
    // off on every tab and the running tab's stop button on.
    for (bool logging : {false, true})
        for (bool stageOne : {false, true}) {
            const QString row = QString("logging %1 stage one %2").arg(logging).arg(stageOne);
            w.core.LoggingTab = logging ? 3 : 0;
            w.core.StageOne_Flag = stageOne;
            enableAll(w, true);
            w.core.tab[2]->StopLogBut.setEnabled(false);
            b.SetLevelBusy(5);
            QStringList busy = levelBusy;
            if (logging)
                busy.removeAll("StopLogBut");
            QVERIFY2(named(w, 5) == sorted(busy + windowLevel), qPrintable(row));
            QCOMPARE(!w.tab[2]->StopLogBut->testAttribute(Qt::WA_ForceDisabled), logging);
            enableAll(w, false);
            b.SetLevelIdle(5);
            QStringList idle = levelBusy;
            for (const QString &off : logging ? QStringList{"AddrBut", "StartLogBut", "LogPeriodCombo"} : QStringList{})
                idle.removeAll(off);
            if (!stageOne)
                for (const QString &off : stageTwo)
                    idle.removeAll(off);
            QVERIFY2(named(w, 5, false) == sorted(idle + windowLevel), qPrintable(row));
            QVERIFY(w.SensorTab->isEnabled());
        }
    // Rotary: the five Query buttons stay as they are both ways, and so do
    // the level family's menus.
    w.core.SensorType = true;
    for (bool logging : {false, true}) {
        w.core.LoggingTab = logging ? 3 : 0;
        enableAll(w, true);
        w.core.tab[2]->RotaryStopLogBut.setEnabled(false);
        b.SetRotaryBusy(1);
        QStringList busy = rotaryBusy;
        if (logging)
            busy.removeAll("RotaryStopLogBut");
        QCOMPARE(named(w, 1), sorted(busy + windowRotary));
        QCOMPARE(!w.tab[2]->RotaryStopLogBut->testAttribute(Qt::WA_ForceDisabled), logging);
        enableAll(w, false);
        b.SetRotaryIdle(1);
        QStringList idle = rotaryBusy;
        for (const QString &off :
             logging ? QStringList{"RotaryAddrBut", "RotaryStartLogBut", "RotaryLogPeriodCombo"} : QStringList{})
            idle.removeAll(off);
        QCOMPARE(named(w, 1, false), sorted(idle + windowRotary));
        QVERIFY(w.SensorTab->isEnabled());
    }
}

void TestControls::textsEverywhere()
{
    ConsoleRig level(false, 50);
    ConsoleRig rotary(true, 50);
    StartupForm startup;
    struct Text {
        const char *name;   // objectName; per-tab controls without "_<tab>"
        const char *property;
        const char *text;
    };
    const Text perTab[] = {
        {"RangeText", "toolTip", "Calibrated Range."}, {"RangeBut", "text", "Set"}, {"RangeBut", "toolTip", "Set Range."},
        {"RangeQueryBut", "text", "Query"}, {"MaxOverRangeText", "toolTip", "Maximum Useable Range."},
        {"MaxRangeBut", "text", "Set"}, {"MaxRangeBut", "toolTip", "Set Maximum Range."},
        {"MaxOverRangeQueryBut", "text", "Query"}, {"PressUnitsCombo", "toolTip", "Select Pressure Units."},
        {"PressUnitsBut", "toolTip", "Set Pressure Units."}, {"PressUnitsQueryBut", "toolTip", "Query Pressure Units."},
        {"TempUnitsCombo", "toolTip", "Select Temperature Units."}, {"TempUnitsBut", "toolTip", "Set Temperature Units."},
        {"TempUnitsQueryBut", "toolTip", "Query Temperature Units."},
        {"DensityCorrCombo", "toolTip", "Select Density Correction."},
        {"DensityCorrBut", "toolTip", "Set Density Correction."},
        {"DensityCorrQueryBut", "toolTip", "Query Density Correction."},
        {"ReverseCombo", "toolTip", "Enable Reverse output."}, {"ReverseBut", "toolTip", "Set Reverse."},
        {"ReverseQueryBut", "text", "Query"}, {"LevelText", "toolTip", "Enter Local Level Value."},
        {"LevelBut", "toolTip", "Set Local level."}, {"LevelQueryBut", "text", "Query"},
        {"LocalOffsetCheck", "text", "Apply"}, {"LocalOffsetCheck", "toolTip", "Apply Local Level Offset."},
        {"ApplyQueryBut", "toolTip", "Query Apply Local Level."}, {"UnlockCheck", "text", "Unlock"},
        {"UnlockCheck", "toolTip", "Check to Unlock Sensor."}, {"UnlockQueryBut", "text", "Unlock"},
        {"UnlockQueryBut", "toolTip", "Query Sensor Lock status."}, {"SGText", "toolTip", "Enter Specific Gravity."},
        {"SGBut", "toolTip", "Set SG."}, {"LocalGravityText", "toolTip", "Enter Local Gravity Value."},
        {"LocalGravityBut", "toolTip", "Set Local Gravity."}, {"LocalGravityQueryBut", "toolTip", "Query Local Gravity."},
        {"SampleRateText", "toolTip", "Max Sample Rate."}, {"StageOneBut", "text", "Go"},
        {"StageOneBut", "toolTip", "Set Stage 1 Parameters."}, {"ClearOffsetsBut", "toolTip", "Clear Offsets."},
        {"ZeroCalibrationBut", "toolTip", "Initiate Zero Calibration."},
        {"SlopeCalibrationBut", "toolTip", "Initiate Slope Calibration."}, {"PressureBut", "text", "Get"},
        {"PressureBut", "toolTip", "Get Pressure Reading."}, {"CalibrationCompleteBut", "text", "Yes"},
        {"CalibrationCompleteBut", "toolTip", "Complete Calibration."}, {"LevelOffsetText", "text", "0.00"},
        {"LevelOffsetText", "toolTip", "Enter Level Offset Value."}, {"LevelOffsetBut", "toolTip", "Set Level Offset."},
        {"AutoZeroBut", "toolTip", "Set Auto Zero."}, {"AddressCombo", "toolTip", "Select Sensor Address."},
        {"AddrBut", "toolTip", "Set Sensor Address."}, {"IDQueryBut", "toolTip", "Query Sensor Details."},
        {"ParameterFrame", "title", "Set Parameters"}, {"CalibrateFrame", "title", "Calibrate"},
        {"RotaryEncoderFrame", "title", "Set Parameters"}, {"StartLogBut", "text", "Start Log"},
        {"StopLogBut", "text", "Stop Log"}, {"RotaryStartLogBut", "text", "Start Log"},
        {"RotaryStopLogBut", "text", "Stop Log"}, {"ClearLogBut", "text", "Clear Log"}, {"SaveLogBut", "text", "Save Log"},
        {"SaveLogBut", "toolTip", "Save Log File."}, {"LogPeriodCombo", "toolTip", "Select Logging Period."},
        {"RotaryLogPeriodCombo", "toolTip", "Select Logging Period."}, {"RotaryCountsPerRevBut", "text", "Set"},
        {"QueryRotaryCountsPerRevBut", "text", "Query"}, {"RotaryPulleyCircumText", "toolTip", "Set Pulley Circumference."},
        {"RotaryPulleyCircumBut", "toolTip", "Set Pulley Circumference."},
        {"QueryRotaryPulleyCircumfBut", "toolTip", "Query Pulley Circumference."},
        {"RotaryMeasurementUnitsCombo", "toolTip", "Select Measurement Units."},
        {"RotaryMeasurementUnitsBut", "toolTip", "Set Measurement Units."},
        {"QueryRotaryMeasurementUnitsBut", "toolTip", "Query Measurement Units."},
        {"RotaryDirectionCombo", "toolTip", "Select Rotation Direction."},
        {"RotaryDirectionBut", "toolTip", "Set Rotation Direction."},
        {"QueryRotaryDirectionBut", "toolTip", "Query Rotation Direction."},
        {"RotaryCurrentValueText", "toolTip", "Set Current Value."},
        {"RotaryCurrentValueBut", "toolTip", "Set Output to Current Value."},
        {"QueryRotaryCurrentValueBut", "toolTip", "Query Current Value."},
        {"RotarySetZeroBut", "toolTip", "Set Output to Zero."}, {"RotaryAddressCombo", "toolTip", "Select Sensor Address."},
        {"RotaryAddrBut", "toolTip", "Set Sensor Address."}, {"RotaryIDQueryBut", "toolTip", "Query Sensor Details."},
    };
    for (ConsoleRig *r : {&level, &rotary})
        for (int tab : {0, 9})
            for (const Text &t : perTab) {
                QObject *o = r->w->findChild<QObject *>(QString(t.name) + "_" + QString::number(tab));
                QVERIFY2(o, t.name);
                QCOMPARE(o->property(t.property).toString(), QString(t.text));
            }
    QCOMPARE(level.tab(0)->LogFrame->title(), QString("Log"));
    QCOMPARE(level.tab(9)->LogFrame->title(), QString("Data Logging"));

    const Text windows[] = {
        {"Main", "windowTitle", "Orvane"}, {"StartupForm", "windowTitle", "Orvane"},
        {"CalibrateCheck", "text", "Calibrate Mode"},
        {"ScanBut", "text", "Re-Scan Sensors"}, {"ButClearComms", "text", "Clear Comms"},
        {"mnuFile", "text", "&File"}, {"mnuSaveAs", "text", "Save As..."}, {"mnuCommsPort", "text", "&Comms Port"},
        {"mnuReset", "text", "&Reset Sensor"}, {"mnuFilter", "text", "&Filter Settings"},
        {"mnuQueryAddress", "text", "&Query Sensor Address"}, {"mnuUserCommand", "text", "&User Command"},
        {"mnuHelp", "text", "&Help"}, {"submnuHelp", "text", "Help"}, {"submnuAbout", "text", "About"},
        {"StatusPanel1", "text", "    Connection Status: "}, {"Filter", "windowTitle", "Filter Settings"},
        {"Command1", "text", "Query"}, {"FilterSetingsBut", "text", "Set"}, {"Reset", "windowTitle", "Reset Sensor"},
        {"ResetBut", "text", "Reset Sensor"}, {"SensorPoll", "windowTitle", "Sensor Scan..."},
        {"About", "windowTitle", "Orvane"}, {"UserCommand", "windowTitle", "User Command Entry"},
        {"SubmitBut", "text", "Send"}, {"butApply", "text", "Apply"},
        {"butApply", "toolTip", "Click to apply modified settings."}, {"butDefault", "text", "Default"},
        {"butDefault", "toolTip", "Click to reset to default settings."}, {"Label1", "text", "SDI Configuration Software"},
        {"Label4", "text", "Version:"}, {"versionLabel", "text", "1.0.2"},
        {"LevelProbeButton", "text", "LT-Q5\nLevel Transmitter"},
        {"RotaryEncoderButton", "text", "RQ-9\nSDI-12 Rotary Encoder"},
        {"EncoderConverterButton", "text", "Corvexa\nSDI-12 Encoder Converter"},
    };
    const QList<QObject *> roots{level.w.get(), static_cast<QObject *>(level.w->Timing),
                                 static_cast<QObject *>(level.w->UserCommand), &startup};
    for (const Text &t : windows) {
        QObject *o = nullptr;
        for (QObject *root : roots)
            if (!o)
                o = root->objectName() == t.name ? root : root->findChild<QObject *>(t.name);
        QVERIFY2(o, t.name);
        QCOMPARE(o->property(t.property).toString(), QString(t.text));
    }
    for (int i = 1; i <= 16; ++i)
        QVERIFY(level.w->mnuCom[size_t(i)]->text().startsWith(QString("COM%1").arg(i)));
    for (const char *name : {"SensorTab", "ListView", "RotaryListView", "CommsList", "WindowScroll", "MainSplitter",
                             "ListSplitter", "FrameScroll_3", "LogSplitter_3", "LogCountLabel_3", "StatusLogging"})
        QVERIFY2(level.w->findChild<QWidget *>(name), name);

    // Headings of the sensor tables and the log lists.
    auto headings = [](QTreeView *t) {
        QStringList h;
        for (int c = 0; c < t->model()->columnCount(); ++c)
            h << t->model()->headerData(c, Qt::Horizontal).toString();
        return h;
    };
    QCOMPARE(headings(level.w->ListView), (QStringList{"Address", "Serial No.", "Density Correction", "Local Gravity",
                                                        "Pressure", "Units", "Temperature", "Units", "Log Status"}));
    QCOMPARE(headings(rotary.w->RotaryListView),
             (QStringList{"Address", "Serial No.", "Level", "Units", "Pulley Circum", "Direction", "Log Status", ""}));
    QCOMPARE(level.tab(4)->LogListView->headers(),
             (QStringList{"Date", "Time", "Pressure", "Units", "Temperature", "Units"}));
    QCOMPARE(rotary.tab(4)->RotaryLogListView->headers(), (QStringList{"Date", "Time", "Level", "Units"}));
    QCOMPARE(level.w->SensorTab->tabText(7), QString("Sensor 7"));

    // The labels of each frame, top to bottom.
    auto labels = [](QWidget *frame) {
        QStringList l;
        for (QLabel *label : frame->findChildren<QLabel *>())
            l << label->text();
        return l;
    };
    QCOMPARE(labels(level.tab(0)->ParameterFrame),
             (QStringList{"Sensor Address :", "Range :", "Max Over Range :", "Pressure Units :", "Temperature Units :",
                          "Density Correction :", "Reverse Output :", "Local Level :", "Local Level Offset :",
                          "Sensor Lock :", "S.G.", "Max Sample Rate :", "Level Offset:", "Auto Zero:",
                          "Sensor Details :"}));
    QCOMPARE(labels(level.tab(0)->CalibrateFrame),
             (QStringList{"Stage 1", "Clear Offsets :", "Stage 2", "Zero Calibration:", "Slope Calibration:",
                          "Pressure:", "Calibration Complete:", "Local Gravity :"}));
    QCOMPARE(labels(rotary.tab(0)->RotaryEncoderFrame),
             (QStringList{"Sensor Address :", "Counts Per Rev:", "Pulley Circumf (mm) :", "Measurement Units :",
                          "Rotation Direction :", "Set Current Value :", "Set Output to Zero :", "Maximum Range :",
                          "Measurement Res :", "Sensor Details :"}));
    QVERIFY(labels(level.tab(0)->LogFrame).startsWith("Logging Period :"));
    // The clock panel: date, one blank, time, two blanks.
    QTRY_COMPARE(level.w->StatusBar1[2]->text(), level.clock.shortDate() + " " + level.clock.timeOfDay() + "  ");
}

void TestControls::scanTimeoutsAndFlags()
{
    // The scan's measurement step runs on ten command timeouts, back to one
    // after it, answered or not; a found level probe's local-offset box is
    // set from its answer without sending it back.
    ConsoleRig r(false, 80, false);
    r.simulator().addSensor(3, sim::Family::Level);
    r.simBus->setValue(3, "XLOC", "1");
    QVector<int> timeoutAtM;
    bool skipAtLoc = false;
    const auto onWrite = r.port.onWrite;
    r.port.onWrite = [&](const QByteArray &b) {
        if (b == "3M!")
            timeoutAtM << r.w->core.link.commandTimeout();
        if (b == "3XLOC!")
            skipAtLoc = r.w->core.SkipLocalOffset_Flag;
        onWrite(b);
    };
    r.load();
    QVERIFY(skipAtLoc);
    QVERIFY(r.tab(3)->LocalOffsetCheck->isChecked());
    QVERIFY(!r.sent().contains("3XLOC1!"));
    QVERIFY(!r.w->core.SkipLocalOffset_Flag);
    r.simBus->faults().noAnswer.insert("3M!");
    QVector<int> progress;
    QObject::connect(r.w->SensorPoll->ProgressBar1, &QProgressBar::valueChanged, [&](int v) { progress << v; });
    r.w->ScanBut->click();
    QVERIFY(r.settle());
    QCOMPARE(timeoutAtM, (QVector<int>{800, 800}));
    QCOMPARE(progress, (QVector<int>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
    QCOMPARE(r.w->SensorPoll->ProgressBar1->maximum(), 9);
    QCOMPARE(r.w->core.link.commandTimeout(), 80);

    // The level probe's periods are those strictly longer than its sample
    // rate plus one second.
    const struct {
        const char *rate;
        QStringList periods;
    } limits[] = {
        {"4 Seconds", {"Single Log", "10 Seconds", "30 Seconds", "1 Minute", "5 Minutes", "15 Minutes"}},
        {"1 Second", {"Single Log", "5 Seconds", "10 Seconds", "30 Seconds", "1 Minute", "5 Minutes", "15 Minutes"}},
        {"0", {"Single Log", "2 Seconds", "5 Seconds", "10 Seconds", "30 Seconds", "1 Minute", "5 Minutes", "15 Minutes"}},
        {"-1", {"Single Log", "1 Second", "2 Seconds", "5 Seconds", "10 Seconds", "30 Seconds", "1 Minute",
                "5 Minutes", "15 Minutes"}},
        {"899 Seconds", {"Single Log"}},
    };
    FieldSet set(nullptr, 0);
    ListField list(set, "LogPeriodCombo");
    for (const auto &l : limits) {
        FillLogPeriods(list, l.rate);
        QCOMPARE(list.items(), l.periods);
        QCOMPARE(list.currentIndex(), 0);
    }
}

QTEST_MAIN(TestControls)
#include "tst_controls.moc"
