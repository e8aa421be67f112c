// Both families' parameter controls on the core alone: bytes out, fields, table, log, busy state, reports, files.
#include "decode/Values.h"
#include "discovery/AddressOps.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "logging/LogExport.h"
#include "logging/LogModel.h"
#include "logging/ParameterProfile.h"
#include "logging/ParameterReport.h"
#include "params/BusyState.h"
#include "params/LevelParams.h"
#include "params/Parameters.h"
#include "params/RotaryParams.h"
#include "support/FileSizeLimit.h"
#include "support/Golden.h"
#include "support/Rig.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTest>
#include <QTimer>

namespace {
using Step = std::function<void(CoreRig &r, SensorFields &t, int a)>;
#define STEP(...) STEP_WITH(, __VA_ARGS__)
#define STEP_WITH(x, ...) [x](CoreRig &r, SensorFields &t, int a) { (void)r, (void)t, (void)a; __VA_ARGS__; }
#define LP(button) STEP(r.c->level->button##_Click(a))
#define RP(button) STEP(r.c->rotary->button##_Click(a))
#define AD(button) STEP(r.c->address->button##_Click(a))

// Fills the fields an address change moves: texts with their names, lists with their second entry.
const char *const moved[2] = {
    "LocalGravityText RangeText MaxOverRangeText LevelText SampleRateText SGText ZeroCalibrationText "
    "SlopeCalibrationText PressureText PressUnitsCombo TempUnitsCombo DensityCorrCombo ReverseCombo",
    "RotaryMaxRangeText RotaryCountsPerRevText RotaryMeasurementResText RotaryPulleyCircumText "
    "RotaryCurrentValueText RotaryMeasurementUnitsCombo RotaryDirectionCombo"};
void fill(const CoreRig &r, int a)
{
    for (const QString &f : QString(moved[r.c->SensorType]).split(' ')) {
        Control *x = r.tab(a).find(f);
        x->kind() == Control::Kind::Text ? static_cast<TextField *>(x)->setText(f) : static_cast<ListField *>(x)->select(1);
    }
}

// The messages shown, "!" in front of a warning, "i" of a notice.
QStringList said(const TestUi &ui)
{
    QStringList out;
    for (const TestUi::Message &m : ui.messages)
        out << (m.icon == Ui::Icon::Exclamation ? "!" : "i") + m.title + '|' + m.text;
    return out;
}

// Answers as the scripted sensors, noting the tab's busy state at each write and answer, and what the press has
// changed by the time `command`'s answer arrives.
struct Watch {
    QList<bool> busy;
    Watch(CoreRig &r, const char *command)
    {
        r.port.onWrite = [this, &r, command, before = stateOf(*r.c)](const QByteArray &b) {
            const int a = b.at(0) >= '0' && b.at(0) <= '9' ? b.at(0) - '0' : r.c->currentTab();
            busy << r.busy(a);
            const QString reply = r.bus.replies.value(QString::fromLatin1(b));
            const QByteArray out = reply.isNull() ? b : b + reply.toLatin1() + "\r\n";
            QTimer::singleShot(r.bus.delayMs, &r.port, [this, &r, a, out, b, command, before] {
                busy << r.busy(a);
                if (command && b == command)
                    noteLines(QStringList{"as " + b + " is answered"} + changes(before, stateOf(*r.c)));
                r.port.feed(out);
            });
        };
    }
};

// A press on a scanned bus, busy throughout and idle at the end; what it wrote, showed, said and beeped is kept.
struct Case {
    QByteArray name;
    const char *bus;   // the family (L level probe, R rotary), the sensors' addresses: the first is pressed
    QString replies;   // "command=answer" each, space separated; a command alone: no answer
    Step press, prepare = nullptr;
    const char *whenAnswered = nullptr;   // the command at whose answer the state is kept as well
};

const std::vector<Case> written = {
    // level probe: odd answers
    {"reverse beyond the list", "L3", "3XREV!=35", LP(ReverseQueryBut), STEP(t.ReverseCombo.select(1))},
    {"reverse set, then a reading", "L3", "3XREV1!=31", LP(ReverseBut), STEP(t.ReverseCombo.select(1))},
    {"reverse unchosen", "L3", {}, LP(ReverseBut), STEP(t.ReverseCombo.reset())},
    {"temperature beyond the list", "L3", "3XUT!=37", LP(TempUnitsQueryBut)},
    {"range without a value", "L3", "3XRA!=3", LP(RangeQueryBut)},
    {"level no number", "L3", "3XLOF!=3+1.2x", LP(LevelQueryBut)},
    {"local offset neither 0 nor 1", "L3", "3XLOC!=35", LP(ApplyQueryBut), STEP(t.LocalOffsetCheck.setChecked(false))},
    {"garbage after the echo", "L3", "3XRA!=\x01\x02zz9!!?", LP(RangeQueryBut)},
    // The scan's specific-gravity query shows 1/U0; zero, the raw answer.
    {"specific gravity", "L3", {},
     STEP(r.c->link.strSent_Command = "3XU0!"; r.c->link.LastCommand = 30; r.port.feed("3XU0!3+0.97\r\n"))},
    {"specific gravity zero", "L3", {},
     STEP(r.c->link.strSent_Command = "3XU0!"; r.c->link.LastCommand = 30; r.port.feed("3XU0!3+0\r\n"))},
    // A unit change re-reads what depends on it; a re-query that loses the sensor clears its row and stops, silent.
    {"pressure units", "L3", "3XUP12!=312", LP(PressUnitsBut), STEP(t.PressUnitsCombo.select(8))},
    {"re-query loses the sensor", "L3", "3XUP1!=31 3XP!", LP(PressUnitsBut), STEP(t.PressUnitsCombo.select(1))},
    // The lock answer ticks the box, which sends the state back: busy until that exchange is answered.
    {"lock answer sent back", "L3", "3XUNLK!=31 3XUNLK1!=31", LP(UnlockQueryBut), nullptr, "3XUNLK1!"},
    {"lock answer neither 0 nor 1", "L3", "3XUNLK!=32", LP(UnlockQueryBut), STEP(t.UnlockCheck.setChecked(true))},
    {"local offset set, then a reading", "L3", "3XLOC1!=31", LP(LocalOffsetCheck),
     STEP(t.LocalOffsetCheck.setChecked(true))},
    {"local-offset box in calibrate mode", "L3", {}, LP(LocalOffsetCheck),
     STEP(t.LocalOffsetCheck.setChecked(true); r.c->level->LocalOffsetCheck_Click(a); r.settle();
          r.c->Calibrate_Flag = true; t.LocalOffsetCheck.setChecked(false))},
    // level probe: refused, nothing sent
    {"range while locked", "L3", {}, LP(RangeBut), STEP(t.RangeText.setText("5"))},
    // A set that is never answered leaves the field empty, not showing the value as if taken.
    {"range set, no answer", "L3", "3XUNLK1!=31 3XRA5!", LP(RangeBut),
     STEP(t.UnlockCheck.setChecked(true); r.c->level->UnlockCheck_Click(a); r.settle(); t.RangeText.setText("5"))},
    {"maximum range while locked", "L3", {}, LP(MaxRangeBut)},
    {"temperature units blank", "L3", {}, LP(TempUnitsBut), STEP(t.TempUnitsCombo.blank())},
    {"pressure units unchosen", "L3", {}, LP(PressUnitsBut), STEP(t.PressUnitsCombo.reset())},
    {"density correction unchosen", "L3", {}, LP(DensityCorrBut), STEP(t.DensityCorrCombo.reset())},
    // A box changed while an answer is awaited sends its state once the bus is free; during a sequence it goes
    // back, with a beep.
    {"lock box while an answer is awaited", "L3", {},
     STEP(r.c->busy->SetLevelBusy(a); r.c->sendCommand("3I!", 10); t.UnlockCheck.setChecked(true);
          r.c->level->UnlockCheck_Click(a))},
    {"lock box during a sequence", "L3", {},
     STEP(r.c->busy->SetLevelBusy(a); r.c->sendCommand("3I!", 10); ++r.c->sequencesRunning;
          t.UnlockCheck.setChecked(true); r.c->level->UnlockCheck_Click(a); --r.c->sequencesRunning)},
    {"S.G. as the sensor took it", "L3", "3XU0,0.769231!=30,+0.8", LP(SGBut), STEP(t.SGText.setText("1.3"))},
    // addresses
    {"address unchosen", "L35", {}, AD(AddrBut), STEP(t.AddressCombo.reset())},
    {"address the sensor's own", "L35", {}, AD(AddrBut), STEP(t.AddressCombo.select(3))},
    {"address in use", "L35", {}, AD(AddrBut), STEP(t.AddressCombo.select(5))},
    {"address not accepted", "L35", "3A6!=3", AD(AddrBut), STEP(t.AddressCombo.select(6))},
    // Confirmed at the address it has (a user command, a garbled echo): nothing moves onto itself.
    {"address confirmed unchanged", "L35", "3A3!=3", STEP(r.c->busy->SetLevelBusy(a); r.c->sendCommand("3A3!", 1))},
    // An address that is not a digit (a user command): not understood, and no tab moves.
    {"address not a digit", "L35", "3Ax!=x", STEP(r.c->busy->SetLevelBusy(a); r.c->sendCommand("3Ax!", 1))},
    // The command repeated in the answer, as some sensors do: the new address is the one after the last "!".
    {"address taken, command repeated", "L3", "3A6!=3A6!6", AD(AddrBut), STEP(t.AddressCombo.select(6))},
    {"address query", "L3", "?!=3", STEP(r.c->address->mnuQueryAddress_Click())},
    {"address query, an empty line", "L3", {},
     STEP(r.c->link.strSent_Command = "?!"; r.c->link.LastCommand = 0; r.port.feed("?!\r\n"))},
    {"address query of two", "L18", {}, STEP(r.c->address->mnuQueryAddress_Click())},
    // A move takes the tab's fields, log rows (behind those there), list of details, period and table row to the
    // new address. The moved local-offset box sends nothing; the lock box sends its state to the sensor at its new
    // address.
    {"level probe moves", "L3", "3A6!=6", AD(AddrBut),
     STEP(t.LocalOffsetCheck.setChecked(true); r.c->level->LocalOffsetCheck_Click(a); r.settle();
          r.c->levelLog(a)->clear(); t.LogPeriodCombo.select(2); fill(r, a); t.AddressCombo.select(6);
          for (const char *time : {"10:00:01", "10:00:02", "10:00:03", "09:00:00"})   // the last on tab 6
              r.c->levelLog(time[1] == '0' ? 3 : 6)
                  ->insertTop(LogRow{"6/12/26", {time, "1.0", "mH2O", "20.0", "Centigrade"}})),
     "3A6!"},
    {"lock state follows the move", "L3", "3XUNLK1!=31 3A5!=5 5XUNLK1!=51", AD(AddrBut),
     STEP(r.c->levelLog(a)->clear(); t.UnlockCheck.setChecked(true); r.c->level->UnlockCheck_Click(a); r.settle();
          t.AddressCombo.select(5)),
     "5XUNLK1!"},
    {"rotary encoder moves", "R2", "2A5!=5", AD(RotaryAddrBut), STEP(fill(r, a); t.RotaryAddressCombo.select(5)),
     "2A5!"},
    // rotary: odd answers (some repeat the letters before the value); the direction blanked by the query and kept
    // so, the cell showing the list
    {"pulley, letters repeated", "R0", "0XCP!=0XCP250", RP(QueryRotaryPulleyCircumfBut)},
    {"direction beyond the list", "R0", "0XRD!=07", RP(QueryRotaryDirectionBut),
     STEP(t.RotaryDirectionCombo.select(0))},
    {"value", "R0", "0XCV!=0+123.4", RP(QueryRotaryCurrentValueBut)},
    {"value, letters repeated", "R0", "0XCV!=0XCV-5.0", RP(QueryRotaryCurrentValueBut)},
    // Set answers show what the sensor took, letters repeated or not.
    {"value set, as the sensor took it", "R0", "0XCV5.5!=0XCV+5.25", RP(RotaryCurrentValueBut),
     STEP(t.RotaryCurrentValueText.setText("5.5")), "0C!"},
    {"counts set, as the sensor took it", "R0", "0XPC1000!=0XPC999", RP(RotaryCountsPerRevBut),
     STEP(t.RotaryCountsPerRevText.setText("1000")), "0C!"},
    {"direction, letters repeated", "R0", "0XRD!=0XRD1", RP(QueryRotaryDirectionBut)},
    {"counts, letters repeated", "R0", "0XPC!=0XPC500", RP(QueryRotaryCountsPerRevBut)},
    {"direction set, letters repeated", "R0", "0XRD1!=0XRD1", RP(RotaryDirectionBut),
     STEP(t.RotaryDirectionCombo.select(1))},
    {"pulley set, letters repeated", "R0", "0XCP150!=0XCP150", RP(RotaryPulleyCircumBut),
     STEP(t.RotaryPulleyCircumText.setText("150")), "0C!"},
    {"units set, letters repeated", "R0", "0XMU3!=0XMU3", RP(RotaryMeasurementUnitsBut),
     STEP(t.RotaryMeasurementUnitsCombo.select(3)), "0C!"},
    // Set zero shows 0.000 until the new reading arrives.
    {"set zero", "R0", "0XZE!=0", RP(RotarySetZeroBut), nullptr, "0C!"},
    // rotary: refused, nothing sent
    {"direction unchosen", "R0", {}, RP(RotaryDirectionBut), STEP(t.RotaryDirectionCombo.reset())},
    {"units unchosen", "R0", {}, RP(RotaryMeasurementUnitsBut), STEP(t.RotaryMeasurementUnitsCombo.reset())},
};

// The rows above and the near duplicates: each a family of answers or texts.
const std::vector<Case> &cases()
{
    static const std::vector<Case> all = [] {
        std::vector<Case> v = written;
        for (const auto &g : {std::pair{"empty", ""}, {"zero", "0"}, {"no number", "-"}}) {
            const char *typed = g.second;
            v.push_back({QByteArray("S.G. ") + g.first, "L3", {}, LP(SGBut), STEP_WITH(typed, t.SGText.setText(typed))});
        }
        for (const auto &[name, answer] : {std::pair{"units", "02"}, {"units, letters repeated", "0XMU2"}})
            v.push_back({name, "R0", QString("0XMU!=") + answer, RP(QueryRotaryMeasurementUnitsBut)});
        // Counts of 0, none, not a number or too large to work with: the resolution kept.
        for (const auto &[what, answer] :
             {std::pair{"zero", "00"}, {"none", "0"}, {"no number", "0abc"}, {"too large to count", "01e308"}})
            v.push_back({QByteArray("counts ") + what, "R0", QString("0XPC!=") + answer, RP(QueryRotaryCountsPerRevBut)});
        // The address alone where a digit or value is due: not understood, the field as it was.
        const std::tuple<const char *, const char *, const char *, Step> addressAlone[] = {
            {"reverse", "L3", "3XREV!", LP(ReverseQueryBut)}, {"local offset", "L3", "3XLOC!", LP(ApplyQueryBut)},
            {"lock", "L3", "3XUNLK!", LP(UnlockQueryBut)}, {"direction", "R0", "0XRD!", RP(QueryRotaryDirectionBut)},
            {"S.G. set", "L3", "3XU0,0.769231!", STEP(t.SGText.setText("1.3"); r.c->level->SGBut_Click(a))}};
        for (const auto &[what, bus, command, press] : addressAlone)
            v.push_back({QByteArray(what) + ", address alone", bus, QString(command) + '=' + bus[1], press});
        // Each units set answer takes a fresh reading; the resolution in those units (a 304.8 m pulley).
        const char *units[] = {"metres", "millimetres", "inches", "feet"};
        for (int u = 0; u < 4; ++u)
            v.push_back({units[u], "R0",
                         QString("0XMU%1!=0%1").arg(u), RP(RotaryMeasurementUnitsBut),
                         STEP_WITH(u, t.RotaryPulleyCircumText.setText("304800");
                                   t.RotaryMeasurementUnitsCombo.select(u))});
        return v;
    }();
    return all;
}

// Every control of the window and the tabs enabled, or disabled.
void enableAll(Console &c, bool on)
{
    for (Control *x : c.win.controls())
        x->setEnabled(on);
    for (const auto &t : c.tab)
        for (Control *x : t->controls())
            x->setEnabled(on);
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size());
}

// The last dialog: filter, suffix, title, name proposed, filter chosen, whether it asks before replacing.
QStringList dialog(const TestUi &ui)
{
    const Ui::SaveDialog &d = ui.dialogs.last();
    return {d.filter, d.defaultSuffix, d.title, d.fileName, QString::number(d.filterIndex),
            d.overwritePrompt ? "asks" : "does not ask"};
}

// Tab 3 selected; "Save Log" and "Save As..." answered with the file given (none: cancelled).
struct Logged : CoreRig {
    explicit Logged(bool rotary = false) : CoreRig(rotary, {3}, 25) { c->setCurrentTab(3); }
    void save(const QString &name = {}, int filter = 1, bool report = false)
    {
        ui.saves = {Ui::SaveChoice{!name.isEmpty(), name.isEmpty() ? dir.filePath("typed, then cancelled") : name, filter}};
        report ? c->report->mnuSaveAs_Click() : c->exporter->SaveLogBut_Click(3);
    }
    void report(const QString &name = {}) { save(name, 1, true); }
    // Files beside the settings and the journal (temporary ones too).
    QStringList files() const
    {
        return QDir(dir.path()).entryList({"*.xls*", "*.csv", "*.txt", ".*"}, QDir::Files | QDir::Hidden);
    }
};
const QString logFilter = "Log Files (Excel pre '03)(*.xls)|*.xls|Log Files (Excel post '03)(*.xlsx)|*.xlsx|"
                          "Log Files (comma delimited)(*.csv)|*.csv";
} // namespace

class TestParameters : public QObject
{
    Q_OBJECT
    GoldenSections kept{"parameters.txt"};
private slots:
    void initTestCase() { QVERIFY(!QCoreApplication::instance()->inherits("QGuiApplication")); }
    // All that each row's presses and ticks changed, as kept in tests/golden/parameters.txt.
    void init() { takeChanges(); }
    void cleanup() { kept.compare(takeChanges()); }
    void presses_data();
    void presses();
    void busyAndIdle_data();
    void busyAndIdle();
    void rotaryScan();
    void byName_data();
    void byName();
    void applyReport();
    void files();
};

void TestParameters::presses_data()
{
    QTest::addColumn<int>("row");
    for (size_t i = 0; i < cases().size(); ++i)
        QTest::newRow(cases()[i].name.constData()) << int(i);
}

void TestParameters::presses()
{
    QFETCH(int, row);
    const Case &k = cases()[size_t(row)];
    const bool rotary = k.bus[0] == 'R';
    const int a = k.bus[1] - '0';
    CoreRig r(rotary, 25);
    for (const char *s = k.bus + 1; *s; ++s)
        rotary ? r.bus.rotarySensor(*s - '0') : r.bus.levelSensor(*s - '0');
    r.load();
    for (const QString &e : k.replies.split(' ', Qt::SkipEmptyParts))
        e.contains('=') ? void(r.bus.replies[e.section('=', 0, 0)] = e.section('=', 1)) : void(r.bus.replies.remove(e));
    SensorFields &t = r.tab(a);
    if (k.prepare) {
        k.prepare(r, t, a);
        QVERIFY(r.settle());
    }
    Watch watch(r, k.whenAnswered);
    r.ui.clear();
    r.press(a, [&] { k.press(r, t, a); });
    QCOMPARE(watch.busy, QList<bool>(2 * r.sent().size(), true));
    QVERIFY(!r.c->waiting() && r.c->ReplyBeep_Flag);
}

void TestParameters::busyAndIdle_data()
{
    QTest::addColumn<int>("bits");   // 4 rotary, 2 logging on tab 2, 1 stage one done
    for (int bits = 0; bits < 8; ++bits)
        QTest::addRow("%s%s%s", bits & 4 ? "rotary" : "level probe", bits & 2 ? ", logging" : "",
                      bits & 1 ? ", stage one done" : "") << bits;
}

// Busy disables the family's table and the window's commands and nothing else (logging keeps the running tab's
// stop button on); idle enables them and the tab control, all but stage two until stage one is done; logging keeps
// start, period and address off on every tab. A rotary tab's Query buttons, and the level family's menus, stay as
// they are both ways.
void TestParameters::busyAndIdle()
{
    QFETCH(int, bits);
    const bool rotary = bits & 4;
    CoreRig r(rotary, 50);
    Console &c = *r.c;
    c.LoggingTab = bits & 2 ? 3 : 0;
    c.StageOne_Flag = bits & 1;
    const int a = rotary ? 1 : 5;
    enableAll(c, true);
    c.tab[2]->find(rotary ? "RotaryStopLogBut" : "StopLogBut")->setEnabled(false);
    r.note("busy", [&] { rotary ? c.busy->SetRotaryBusy(a) : c.busy->SetLevelBusy(a); });
    enableAll(c, false);
    r.note("idle", [&] { rotary ? c.busy->SetRotaryIdle(a) : c.busy->SetLevelIdle(a); });
}

void TestParameters::rotaryScan()
{
    CoreRig r(true, {0, 1, 2, 5}, 25);
    // Query buttons stay enabled while a rotary tab is busy: one pressed in the middle of a scan is refused, and
    // every answer of the scan lands.
    bool queryOn = false;
    const auto onWrite = r.port.onWrite;
    r.port.onWrite = [&](const QByteArray &b) {
        onWrite(b);
        if (b == "5XCP!")
            QTimer::singleShot(0, &r.port, [&] {
                queryOn = r.tab(5).QueryRotaryDirectionBut.isEnabled();
                r.c->press(5, [&] { r.c->rotary->QueryRotaryDirectionBut_Click(5); });
            });
    };
    r.press(-1, [&] { r.c->scanner->Poll_Sensors(); });
    QVERIFY(queryOn);
    noteState(*r.c, {"5:", "table", "selected"});
    r.bus.replies.remove("5XRD!");   // a sensor that stops after its first answers keeps what it gave
    r.press(-1, [&] { r.c->scanner->Poll_Sensors(); });
    QCOMPARE(values::RoundIt(-1.5, 0), -1.0);
}

void TestParameters::byName_data()
{
    QTest::addColumn<bool>("rotary");
    QTest::addColumn<QString>("name");
    for (bool rotary : {false, true})
        for (const Parameter &p : parameters::all(rotary))
            QTest::addRow("%s %s", rotary ? "rotary" : "level", p.name) << rotary << QString(p.name);
}

// Each parameter by its readable name, as the command line and the reports use them: the query and the set its
// tab sends, what it shows, the entries it offers, what its field takes of a typed value and why it would refuse.
void TestParameters::byName()
{
    QFETCH(bool, rotary);
    QFETCH(QString, name);
    CoreRig r(rotary, {3}, 25);
    const Parameter &p = *parameters::find(rotary, name);
    r.press(3, [&] { p.query(*r.c, 3); });
    const QStringList offered = parameters::choices(*r.c, 3, p);
    // A switch takes each word for on and off, in any case; a number field what it would type.
    const QStringList typedIn = p.kind == Parameter::Kind::Switch
                                    ? QStringList{"On", "1", " yes", "TRUE", "off", "0", "No", "false", "2"}
                                : offered.isEmpty() ? QStringList{"-12.5x", "on", ".5", "2"}
                                                    : QStringList{offered.last(), "1", " " + offered.first().toUpper()};
    for (const QString &typed : typedIn) {
        QString why;
        const bool taken = parameters::put(*r.c, 3, p, typed, &why);
        noteLines({QString("put \"%1\": %2 %3").arg(typed).arg(taken).arg(why),
                   "shows " + parameters::value(*r.c, 3, p).replace('\n', '|')});
    }
    noteLines({"offers " + offered.join(';'), "refused: " + parameters::refusal(*r.c, 3, p)});
    if (p.set)
        r.press(3, [&] { p.set(*r.c, 3); });
}

// A report applied to the sensor of the tab shown: nothing to do, the differences asked about and set, and what the
// sensor did not take.
void TestParameters::applyReport()
{
    Logged r;
    const QString path = r.dir.filePath("report.txt");
    r.report(path);
    r.ui.opens = {path};
    r.press(3, [&] { r.c->profile->mnuApply_Click(); });
    QByteArray text = contents(path), original = text;
    put(path, text.replace("Reverse = Off", "Reverse = On").replace("Local Level = 0.0000", "Local Level = 1.5")
                  .replace("Density Correction = Compensated", "Density Correction = Uncompensated")
                  .replace("Maximium Over Range = 12.0000", "Maximium Over Range = 15"));
    // Unlocked, the sensor takes the level and the over range, and says so when asked; not the reverse.
    r.c->tab[3]->UnlockCheck.setChecked(true);
    r.bus.replies["3XLOF1.5!"] = "3+1.5";
    r.bus.replies["3XMOR15!"] = "3+15.000";
    r.port.onWrite = [&, onWrite = r.port.onWrite](const QByteArray &b) {
        if (b == "3XLOF1.5!")
            r.bus.replies["3XLOF!"] = "3+1.5";
        if (b == "3XMOR15!")
            r.bus.replies["3XMOR!"] = "3+15.000";
        onWrite(b);
    };
    r.ui.opens = {path, path};
    r.ui.answers = {false, true};
    for (int i = 0; i < 2; ++i) {
        r.c->comms.clear();
        r.press(3, [&] { r.c->profile->mnuApply_Click(); });
    }
    // A level the sensor no longer gives is not taken for the report's: it is listed as a change.
    r.bus.replies.remove("3XLOF!");
    r.ui.opens = {path};
    r.ui.answers = {false};
    r.c->comms.clear();
    r.press(3, [&] { r.c->profile->mnuApply_Click(); });
    // Taken whole, the report is what the sensor has now; a report that does not read, or a sensor gone, is named.
    original.replace("Local Level = 0.0000", "Local Level = 1.5").replace("Over Range = 12.0000", "Over Range = 15.0000");
    const QByteArray wrong = "Sensor Address = 3\r\nColour = Blue\r\n";
    for (const QByteArray &report : {original, wrong, original}) {
        put(path, report);
        r.ui.opens = {path};
        r.c->comms.clear();
        r.press(3, [&] { r.c->profile->mnuApply_Click(); });
        r.bus.replies.remove("3XUP!");
    }
    // A rotary encoder's report sets its own parameters, the counts per revolution among them.
    Logged rot(true);
    rot.report(path);
    put(path, contents(path).replace("Counts Per Revolution = 1024", "Counts Per Revolution = 2048"));
    rot.bus.replies["3XPC2048!"] = "32048";   // the sensor takes the new counts, and says so when asked
    rot.port.onWrite = [&, onWrite = rot.port.onWrite](const QByteArray &b) {
        if (b == "3XPC2048!")
            rot.bus.replies["3XPC!"] = "32048";
        onWrite(b);
    };
    rot.ui.opens = {path};
    rot.ui.answers = {true};
    rot.c->comms.clear();
    rot.press(3, [&] { rot.c->profile->mnuApply_Click(); });
}

// Saving a log and a parameter report, each family's.
void TestParameters::files()
{
    Logged r;
    r.save();   // cancelled: nothing written
    QCOMPARE(dialog(r.ui),
             (QStringList{logFilter, "xls", "Select Filename to Save to", "Level Probe Log 3", "1", "asks"}));
    QCOMPARE(r.files(), QStringList());
    r.save(r.dir.filePath("log"), 3);
    QVERIFY(contents(r.dir.filePath("log.csv")).startsWith("Date,Time,Pressure,Units,Temperature,Units\r\n\r\n"));
    QCOMPARE(r.ui.steps.first(), QString("Save Log|Saving log.csv ... 0/3"));
    QCOMPARE(r.files(), QStringList{"log.csv"});   // no temporary file stays behind
    QCOMPARE(r.c->levelLog(3)->size(), 1);         // the log is untouched
    // The name confirmed in the dialog gives way once the new file is complete.
    put(r.dir.filePath("old.csv"), "old");
    r.save(r.dir.filePath("old.csv"), 1);
    QVERIFY(!QFile::exists(r.dir.filePath("old.csv")));
    QVERIFY(contents(r.dir.filePath("old.xls")).startsWith("\xD0\xCF\x11\xE0"));
    // A file under the changed name is replaced only when the user agrees.
    put(r.dir.filePath("keep.xlsx"), "keep");
    r.ui.answers = {false};
    r.save(r.dir.filePath("keep.xls"), 2);
    QCOMPARE(contents(r.dir.filePath("keep.xlsx")), QByteArray("keep"));
    QCOMPARE(r.ui.questions, QStringList{"Save Log|keep.xlsx already exists.\rDo you want to replace it?"});
    r.ui.answers = {true};
    r.save(r.dir.filePath("keep.xls"), 2);
    QVERIFY(contents(r.dir.filePath("keep.xlsx")).startsWith("PK") && r.ui.messages.isEmpty());
    // A folder that does not exist: the message says why.
    r.save(r.dir.filePath("missing/old.csv"), 1);
    const QString why = said(r.ui).value(0), saying = "!Save Log|Error encountered while saving file. ";
    QVERIFY(said(r.ui).size() == 1 && why.startsWith(saying) && why.size() > saying.size());   // and the reason
    // A folder that cannot be written: the old file stays as it was.
    const QString kept = r.dir.filePath("kept.csv");
    put(kept, "old");
    QFile::setPermissions(r.dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool enforced = !QFile(r.dir.filePath("probe")).open(QIODevice::WriteOnly);
    r.ui.clear();
    r.save(kept, 1);
    QFile::setPermissions(r.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (enforced) {   // root ignores permissions
        QCOMPARE(r.ui.messages.size(), 1);
        QCOMPARE(contents(kept), QByteArray("old"));
        QVERIFY(!QFile::exists(r.dir.filePath("kept.xls")));
    }
    // The report: the identification and the parameter lines.
    const QString path = r.dir.filePath("report.txt");
    r.ui.clear();
    r.report(path);
    const QStringList d = {"Text Files(*.txt)|*.txt", "", "Select Filename to Save As", "Sensor_3_LT510233", "1",
                           "does not ask"};
    QCOMPARE(dialog(r.ui), d);
    QCOMPARE(contents(path), QByteArray("SDI Version = 1.3\r\nCompany Name = ORVANE  \r\nSensor Model = LT-Q5 \r\n"
                                        "Sensor Version = 102\r\nSerial Number = LT510233\r\nSensor Address = 3\r\n"
                                        "Range = 10.0000\r\nMaximium Over Range = 12.0000\r\nPressure Units = mH2O\r\n"
                                        "Temperature Units = Centigrade\r\nDensity Correction = Compensated\r\n"
                                        "Local Gravity = 9.8067\r\nLocal Level = 0.0000\r\nReverse = Off\r\n"
                                        "Max. Sample Rate = 2 Seconds\r\nLogging Period = Single Log\r\n"));
    // No identification yet, nothing chosen: the parameter lines only, as shown.
    r.tab(3).SensorIDList.clear();
    r.tab(3).ReverseCombo.reset();
    r.report(path);
    QCOMPARE(contents(path).count("\r\n"), 12);
    QVERIFY(contents(path).startsWith("Serial Number = LT510233\r\n") &&
            contents(path).contains("\r\nReverse = Select.....\r\n"));
    // Cancel writes nothing; a failure (no such folder, a full disk) says why and leaves the old report.
    put(path, "old");
    r.report();
    r.report(r.dir.filePath("no/such/dir/r.txt"));
    {
        const FileSizeLimit full(100);
        r.report(path);
    }
    QCOMPARE(contents(path), QByteArray("old"));
    QCOMPARE(said(r.ui).size(), 2);
    for (const QString &s : said(r.ui))
        QVERIFY2(s.startsWith("!Save Config|Error encountered while saving file. "), qPrintable(s));

    // A rotary encoder's: its own names, lines and columns.
    Logged rot(true);
    rot.report();
    QCOMPARE(dialog(rot.ui), QStringList(d).replaceInStrings("Sensor_3_LT510233", "Rotary Encoder_3_RQ910233"));
    QCOMPARE(rot.files(), QStringList());
    rot.report(rot.dir.filePath("rotary.txt"));
    QCOMPARE(contents(rot.dir.filePath("rotary.txt")),
             QByteArray("SDI Version = 1.3\r\nCompany Name = ORVANE  \r\nSensor Model = RQ-9  \r\n"
                        "Sensor Version = 102\r\nSerial Number = RQ910233\r\nSensor Address = 3\r\nMaximum Range = \r\n"
                        "Counts Per Revolution = 1024\r\nMeasurement Resolution = 0.049\r\n"
                        "Measurement Units = Millimetres\r\nPulley Circumference (mm) = 200\r\n"
                        "Rotation Direction = Clockwise\r\nLogging Period = Single Log\r\n"));
    rot.save(rot.dir.filePath("rot.csv"), 3);
    QCOMPARE(dialog(rot.ui)[3], QString("Rotary Encoder Log 3"));
    QVERIFY(contents(rot.dir.filePath("rot.csv")).startsWith("Date,Time,Level,Units\r\n\r\n"));
    QVERIFY(contents(rot.dir.filePath("rot.csv")).contains(",12.345,Millimetres\r\n"));
}

QTEST_GUILESS_MAIN(TestParameters)
#include "tst_parameters.moc"
