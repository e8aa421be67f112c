// The windows as views of the run (what each step changed in it is kept in tests/golden/window.txt): bindings, menus,
// buttons, the start-up window, the windows of their own, the quit question, the entry keys, log list and chart.
#include "support/ConsoleRig.h"
#include "support/Golden.h"

#include "app/AboutWindow.h"
#include "app/StartupForm.h"
#include "discovery/AddressOps.h"
#include "discovery/SensorTable.h"
#include "discovery/TimingWindow.h"
#include "logging/LogChart.h"
#include "logging/LogList.h"
#include "params/FilterWindow.h"
#include "params/ResetWindow.h"
#include "params/UpDown.h"
#include "params/UserCommandWindow.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QChartView>
#include <QDateTimeAxis>
#include <QCheckBox>
#include <QClipboard>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QListWidget>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QValueAxis>

namespace {
// What a widget shows: text, entry/count, box 0/g/1, list box lines, menu caption and mark, bar value; "off:" first
// when disabled.
QString shown(QObject *o)
{
    if (auto *a = qobject_cast<QAction *>(o))
        return (a->isEnabled() ? "" : "off:") + a->text() + (a->isChecked() ? " [x]" : " [ ]");
    auto *w = qobject_cast<QWidget *>(o);
    QString v;
    if (auto *e = qobject_cast<QLineEdit *>(w))
        v = e->text();
    else if (auto *l = qobject_cast<QLabel *>(w))
        v = l->text();
    else if (auto *c = qobject_cast<QComboBox *>(w))
        v = (c->currentIndex() >= 0 ? c->currentText() : c->placeholderText()) + "/" + QString::number(c->count());
    else if (auto *x = qobject_cast<QCheckBox *>(w))
        v = QString("0g1").at(x->checkState());
    else if (auto *l = qobject_cast<QListWidget *>(w))
        for (int i = 0; i < l->count(); ++i)
            v += (i ? "|" : "") + l->item(i)->text();
    else if (auto *p = qobject_cast<QProgressBar *>(w))
        v = QString::number(p->value());
    return (w->isEnabled() ? "" : "off:") + v;
}

QObject *widget(MainWindow &w, const QString &name)
{
    for (QObject *root : QList<QObject *>{&w, w.Timing, w.UserCommand})
        if (QObject *o = root->findChild<QObject *>(name))
            return o;
    return nullptr;
}

// A widget and its field (tab 3's): the run's change shows; the user's edit (none: it only shows) is the field's too.
struct Bound {
    const char *name;
    std::function<void(Console &)> set;
    const char *shown;
    std::function<void(QObject *)> edit;
    const char *held;
};
#define SET(...) [](Console &c) { SensorFields &t = *c.tab[3]; (void)t; __VA_ARGS__; }
#define KEYS(...) [](QObject *o) { auto *x = qobject_cast<QLineEdit *>(o); __VA_ARGS__; }
const auto click = [](QObject *o) { QMetaObject::invokeMethod(o, qobject_cast<QAction *>(o) ? "trigger" : "click"); };
const auto pick = [](int i) { return [i](QObject *o) { qobject_cast<QComboBox *>(o)->setCurrentIndex(i); }; };
const std::vector<Bound> bound = {
    {"RangeText_3", SET(t.RangeText.setText("12.5")), "12.5", KEYS(QTest::keyClicks(x, "7")), "12.57"},
    {"PressUnitsCombo_3", SET(t.PressUnitsCombo.select(8)), "Inch Hg/11", pick(10), "KPa/11"},
    {"TempUnitsCombo_3", SET(t.TempUnitsCombo.blank()), "/2", pick(1), "Fahrenheit/2"},
    {"LogPeriodCombo_3", SET(t.LogPeriodCombo.setItems({"Single Log", "5 Seconds"}, {0, 5})), "Select...../2", pick(1),
     "5 Seconds/2"},
    {"LocalOffsetCheck_3", SET(t.LocalOffsetCheck.setChecked(true)), "1", click, "0"},
    {"UnlockCheck_3", SET(t.UnlockCheck.setCheckState(Qt::PartiallyChecked)), "g", click, "1"},
    {"SensorIDList_3", SET(t.SensorIDList.clear(); t.SensorIDList.addItems({"SDI Version = 1.3", "Sensor Model = X"})),
     "SDI Version = 1.3|Sensor Model = X", nullptr, ""},
    {"RangeBut_3", SET(t.RangeBut.setEnabled(false)), "off:", nullptr, ""},
    {"StatusPanel2", SET(c.win.StatusPanel2.setText("Not Connected. ")), "Not Connected. ", nullptr, ""},
    {"ProgressBar1", SET(c.win.ProgressBar1.setValue(5)), "5", nullptr, ""},
    {"NoOfReadingsText", SET(c.win.NoOfReadingsText.setText("12")), "12",
     KEYS(x->selectAll(); QTest::keyClicks(x, "7")), "7"},
    {"mnuCom_2", SET(c.win.mnuCom[2].setCaption("COM2 - USB adapter")), "COM2 - USB adapter [ ]", click,
     "COM2 - USB adapter [x]"},
    // The entry chosen already keeps its mark, whatever the action toggles.
    {"mnuCom_1", SET(c.win.mnuCom[1].setCaption("COM1 - chosen")), "COM1 - chosen [x]", click, "COM1 - chosen [x]"},
};
#undef SET
#undef KEYS

const qint64 t0 = QDateTime(QDate(2026, 12, 6), QTime(9, 0)).toMSecsSinceEpoch();
LogRow reading(int second, const QString &pressure, const QString &units = "mH2O", const QString &temperature = "21.5")
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(t0 + second * 1000LL);
    return {Clock::dateText(at.date()), {at.time().toString("hh:mm:ss"), pressure, units, temperature, "Centigrade"},
            at.toMSecsSinceEpoch()};
}

// The points the chart draws for the series named `name`..., segment by segment, each on the time axis and its own.
QStringList drawn(LogChart *chart, const QString &name)
{
    chart->redraw();
    QStringList out;
    for (QLineSeries *s : chart->shownSeries())
        if (s->name().startsWith(name)) {
            out << s->name() + (s->attachedAxes().size() == 2 ? ":" : " (not drawn on both axes):");
            for (const QPointF &p : s->points())
                out.last() += QString(" %1=%2").arg((qint64(p.x()) - t0) / 1000).arg(p.y());
        }
    return out;
}
} // namespace

class TestWindow : public QObject
{
    Q_OBJECT
    GoldenSections kept{"window.txt"};
private slots:
    // All that each row's presses changed in the run, as kept in tests/golden/window.txt.
    void init() { takeChanges(); }
    void cleanup() { kept.compare(takeChanges()); }
    void familySetup();
    void bindings_data();
    void bindings();
    void tabsAndTable();
    void tabButtons_data();
    void tabButtons();
    void menusAndWindows();
    void userCommandWindow();
    void quitQuestion();
    void keyFilters();
    void logListAndChart();
    void platformDialogs();
};

void TestWindow::familySetup()
{
    // The start-up window names the family (each family's frames, lists and menus are in the screens' copies).
    using F = StartupForm::Family;
    StartupForm startup;
    QList<F> chosen;
    connect(&startup, &StartupForm::chosen, this, [&](F family) { chosen << family; });
    for (QPushButton *b : {startup.EncoderConverterButton, startup.LevelProbeButton, startup.RotaryEncoderButton})
        b->click();
    QCOMPARE(chosen, (QList<F>{F::EncoderConverter, F::LevelProbe, F::RotaryEncoder}));
    // Its title stands out: bold, and larger than the rest by 40 %.
    QVERIFY(startup.Label1->font().bold() && !startup.Label4->font().bold());
    QCOMPARE(startup.Label1->font().pointSizeF(), startup.Label4->font().pointSizeF() * 1.4);
}

void TestWindow::bindings_data()
{
    QTest::addColumn<int>("row");
    for (size_t i = 0; i < bound.size(); ++i)
        QTest::newRow(bound[i].name) << int(i);
}

void TestWindow::bindings()
{
    QFETCH(int, row);
    const Bound &b = bound[size_t(row)];
    ConsoleRig r(false, {3});
    QObject *o = widget(*r.w, b.name);
    Control *f = QString(b.name).endsWith("_3") ? r.w->core.tab[3]->find(QString(b.name).chopped(2))
                                                : r.w->core.win.find(b.name);
    QVERIFY(o && f);
    // The run's change shows at once, and nothing of it comes back.
    QString atOnce;
    r.note(QString("run's change of ") + b.name, [&] { b.set(r.w->core); atOnce = shown(o); });
    QCOMPARE(atOnce, QString(b.shown));
    if (!b.edit)
        return;
    // The user's change is the field's, told once (a box that sends is also greyed and back while its command runs).
    QSignalSpy changes(&r.w->core, &Console::changed);
    const bool sent = !r.note(QString("edit of ") + b.name, [&] { b.edit(o); }).isEmpty();
    QCOMPARE(shown(o), QString(b.held));
    QCOMPARE(changes.count(QList<QVariant>{f->tab(), f->id()}), QString(b.held) == b.shown ? 0 : sent ? 3 : 1);
}

void TestWindow::tabsAndTable()
{
    // The tabs and the table show the selected tab and row (the sensors present: the screens' copies); a tab picked
    // is the run's.
    ConsoleRig r(false, {3, 5});
    MainWindow &w = *r.w;
    QCOMPARE(w.SensorTab->currentIndex(), w.core.currentTab());
    w.core.setCurrentTab(5);
    QCOMPARE(w.SensorTab->currentIndex(), 5);
    w.SensorTab->setCurrentIndex(3);
    QCOMPARE(w.core.currentTab(), 3);
    // A sensor gone from the tab shown leaves the run's choice as it was.
    w.core.table->setPresent(3, false);
    QVERIFY(w.core.currentTab() == 3 && w.SensorTab->currentIndex() == 3 && !w.SensorTab->isTabEnabled(3));
    w.core.selectRow(0);
    QVERIFY(w.ListView->selectionModel()->isRowSelected(0, {}));
    w.core.selectRow(5);
    QCOMPARE(w.ListView->currentIndex().row(), 5);
    w.core.selectRow(-1);
    QVERIFY(!w.ListView->selectionModel()->hasSelection());
    // A text longer than its column widens the column at once: the serial number reads whole.
    const QString serial = "LT5102330000000000000";
    w.core.table->setCell(3, 1, serial);
    QVERIFY(w.tableView()->header()->sectionSize(1) > w.tableView()->fontMetrics().horizontalAdvance(serial));
    // Once the user has moved the divider, a column that widens leaves the table as wide as the user made it.
    w.ListSplitter->setSizes({300, w.ListSplitter->width() - 300});
    emit w.ListSplitter->splitterMoved(300, 1);
    const int given = w.ListSplitter->sizes().value(0);
    w.core.table->setCell(3, 2, serial + serial);
    QCoreApplication::processEvents();
    QCOMPARE(w.ListSplitter->sizes().value(0), given);
}

void TestWindow::tabButtons_data()
{
    // Each press: the button, and a "field=entry" set on the widget first (the commands are in the kept copy).
    QTest::addColumn<bool>("rotary");
    QTest::addColumn<QStringList>("presses");
    QTest::newRow("level probe") << false << QStringList{
        "UnlockCheck", "UnlockQueryBut", "RangeBut|RangeText=12.5", "RangeQueryBut", "MaxRangeBut|MaxOverRangeText=20",
        "MaxOverRangeQueryBut", "PressUnitsBut|PressUnitsCombo=Inch Hg", "PressUnitsQueryBut",
        "TempUnitsBut|TempUnitsCombo=Fahrenheit", "TempUnitsQueryBut", "DensityCorrBut|DensityCorrCombo=Uncompensated",
        "DensityCorrQueryBut", "ReverseBut|ReverseCombo=On", "ReverseQueryBut", "LevelBut|LevelText=-1.5",
        "LevelQueryBut", "LocalOffsetCheck", "ApplyQueryBut", "SGBut|SGText=1.25",
        "LocalGravityBut|LocalGravityText=9.81", "LocalGravityQueryBut", "IDQueryBut", "StartLogBut", "UnlockCheck"};
    QTest::newRow("rotary") << true << QStringList{
        "RotaryCountsPerRevBut|RotaryCountsPerRevText=1000", "QueryRotaryCountsPerRevBut",
        "RotaryPulleyCircumBut|RotaryPulleyCircumText=150", "QueryRotaryPulleyCircumfBut",
        "RotaryMeasurementUnitsBut|RotaryMeasurementUnitsCombo=Feet", "QueryRotaryMeasurementUnitsBut",
        "RotaryDirectionBut|RotaryDirectionCombo=Anticlockwise", "QueryRotaryDirectionBut",
        "RotaryCurrentValueBut|RotaryCurrentValueText=5.5", "QueryRotaryCurrentValueBut", "RotarySetZeroBut",
        "RotaryIDQueryBut", "RotaryStartLogBut"};
}

void TestWindow::tabButtons()
{
    QFETCH(bool, rotary);
    QFETCH(QStringList, presses);
    const int a = rotary ? 2 : 3;
    ConsoleRig r(rotary, 80, false);
    r.simulator().addSensor(a, rotary ? sim::Family::Rotary : sim::Family::Level);
    r.simulator().setMeasurementSeconds(a, 0);
    r.load();
    // Every operation of the tab has its button on every tab.
    for (const Console::TabOperation &op : Console::tabOperations())
        for (int t : {0, 9})
            QVERIFY2(r.tab(t)->findChild<QAbstractButton *>(op.control + QString("_%1").arg(t)), op.control);
    r.ui.clear();
    const auto child = [&](const QString &name) { return r.tab(a)->findChild<QObject *>(name + '_' + QChar('0' + a)); };
    for (const QString &p : presses) {
        const QString field = p.section('|', 1), value = field.section('=', 1);
        QObject *o = field.isEmpty() ? nullptr : child(field.section('=', 0, 0));
        if (auto *e = qobject_cast<QLineEdit *>(o))
            e->setText(value);
        else if (auto *c = qobject_cast<QComboBox *>(o))
            c->setCurrentIndex(c->findText(value));
        else if (!field.isEmpty())
            QFAIL(qPrintable(field));
        auto *b = qobject_cast<QAbstractButton *>(child(p.section('|', 0, 0)));
        QVERIFY2(b && b->isEnabled(), qPrintable(p));
        r.press(b);
    }
}

void TestWindow::menusAndWindows()
{
    ConsoleRig r(false, {3});
    MainWindow &w = *r.w;
    // Clicks buttons or triggers menu entries, each noted: the commands and messages are in the kept copy.
    const auto clicks = [&](const QList<QObject *> &controls) {
        for (QObject *c : controls)
            r.note("click of " + c->objectName(), [c] { click(c); });
    };
    clicks({w.ScanBut, w.mnuQueryAddress, w.ButClearComms});
    // Filter Settings: modal, named for the tab shown, queried as it opens.
    QStringList sentWhenShown;
    r.closeModalSoon(w.Filter, &sentWhenShown);
    clicks({w.mnuFilter});
    QVERIFY(w.Filter->isModal() && !w.Filter->isVisible());
    QCOMPARE(QStringList{w.Filter->windowTitle()} + sentWhenShown, (QStringList{"Filter Setings - Sensor 3", "3XF!"}));
    clicks({w.Filter->Command1, w.Filter->FilterSetingsBut});
    // Its arrows step a field by one, within the field's range.
    w.Filter->NoOfReadingsText->setText("98");
    w.Filter->ReadingIntervalText->setText("5");
    QStringList stepped;
    const auto step = [&](UpDown *arrows, QLineEdit *field, QList<Qt::ArrowType> presses) {
        for (Qt::ArrowType arrow : presses)
            for (QToolButton *b : arrows->findChildren<QToolButton *>())
                if (b->arrowType() == arrow) {
                    b->click();
                    stepped << field->text();
                }
    };
    step(w.Filter->UpDown1, w.Filter->NoOfReadingsText, {Qt::UpArrow, Qt::UpArrow, Qt::DownArrow});
    step(w.Filter->UpDown2, w.Filter->ReadingIntervalText, {Qt::DownArrow, Qt::UpArrow});
    QCOMPARE(stepped, (QStringList{"99", "99", "98", "4", "5"}));
    // File: Save As... and Apply Parameters... ask through their dialogs, Restore... says what there is.
    r.ui.opens = {"/nonexistent/missing.txt"};
    clicks({w.mnuSaveAs, w.mnuApply, w.mnuRestore});
    QCOMPARE((QStringList{r.ui.dialogs.last().title, r.ui.dialogs.last().fileName}),
             (QStringList{"Select Filename to Save As", "Sensor_3_LT510233"}));
    QVERIFY(r.ui.opens.isEmpty());
    // Comms Port lists the system's devices as they are when it opens.
    r.devices.names << "USB adapter (COM5)";
    r.devices.devices.insert(5, "/dev/ttyUSB0");
    r.note("Comms Port shown", [&] { emit w.mnuCommsPort->menu()->aboutToShow(); });
    // Help: About (the guide is shown in the screens' copy).
    w.submnuAbout->trigger();
    QVERIFY(w.About->isVisible());
    // Timing Settings: Apply refuses a timeout out of range, showing the one in effect; Default restores.
    w.Timing->TimeoutText->setText("0");
    clicks({w.Timing->butApply, w.Timing->butDefault});
    // Calibrate Mode ticked on the window runs its handler, Stage One taking the focus; the run's own change of the
    // box does not.
    SensorTabWidget *t = r.tab(3);
    w.CalibrateCheck->click();
    QVERIFY(w.core.Calibrate_Flag && t->CalibrateFrame->isVisibleTo(t) && !t->ParameterFrame->isVisibleTo(t));
    QCOMPARE(w.focusWidget(), t->StageOneBut);
    w.core.win.CalibrateCheck.setChecked(false);
    QVERIFY(!w.CalibrateCheck->isChecked() && w.core.Calibrate_Flag && t->CalibrateFrame->isVisibleTo(t));
    w.CalibrateCheck->click();
    w.CalibrateCheck->click();
    QVERIFY(!w.core.Calibrate_Flag && t->ParameterFrame->isVisibleTo(t));
    // Reset Sensor: modal, on the tab shown; its button resets the sensor chosen, or says it is not there.
    r.closeModalSoon(w.Reset);
    w.mnuReset->trigger();
    QVERIFY(w.Reset->isModal());
    QCOMPARE(w.Reset->SensorCombo->currentIndex(), 3);
    for (int sensor : {7, 3}) {
        w.Reset->SensorCombo->setCurrentIndex(sensor);
        clicks({w.Reset->ResetBut});
    }
}

void TestWindow::userCommandWindow()
{
    ConsoleRig r(false, {0});
    MainWindow &w = *r.w;
    UserCommandWindow *u = w.UserCommand;
    // Open, it alone takes input; Return sends the line, the answer shows; closed (a rescan asked), the main window
    // is back.
    w.mnuUserCommand->trigger();
    QVERIFY(u->isVisible() && u->isEnabled() && !w.isEnabled());
    u->UserText->setText("0I!");
    r.note("Return on 0I!", [&] { QTest::keyClick(u->UserText, Qt::Key_Return); });
    QCOMPARE(u->ReceivedText->text(), QString("0I!013ORVANE  LT-Q5 102"));
    r.ui.answers = {false};
    r.note("closed", [&] { u->close(); });
    QVERIFY(w.isEnabled());
    // MAINTENANCE opens the Timing window (modal, the main window not usable), sends nothing and closes this window;
    // "maintenance" is an ordinary command.
    bool timingShown = false;
    QTimer::singleShot(50, w.Timing, [&] {
        timingShown = w.Timing->isVisible() && w.Timing->isModal() && w.Timing->isEnabled() && !w.isEnabled();
        w.Timing->reject();
    });
    for (const char *line : {"MAINTENANCE", "maintenance"}) {
        w.mnuUserCommand->trigger();
        u->UserText->setText(line);
        r.note(QString("submit of ") + line, [&] { u->SubmitBut->click(); });
        const bool ordinary = line[1] == 'a';
        QVERIFY(timingShown && u->isVisible() == ordinary && w.isEnabled() == !ordinary);
    }
    u->close();
}

void TestWindow::quitQuestion()
{
    // No keeps the window and the port; Yes closes both. Readings not saved are named (in the kept question).
    for (bool sensor : {false, true}) {
        ConsoleRig r(false, 50, false);
        if (sensor)
            r.bus.levelSensor(3);
        r.load();
        r.ui.answers = {false};
        r.note("quit, No", [&] { r.w->close(); });
        QVERIFY(r.w->isVisible() && r.port.isOpen());
        r.ui.answers = {true};
        r.w->close();
        QVERIFY(!r.w->isVisible() && !r.port.isOpen());
    }
}

void TestWindow::keyFilters()
{
    ConsoleRig r(false, {3});
    SensorTabWidget *t = r.tab(3);
    // A second point, a second minus, and a minus where none is allowed, are refused.
    for (const auto &[field, typed] : {std::pair{t->LevelText, "-1.23"}, {t->LevelOffsetText, "-1.23"},
                                       {t->SGText, "-1.23"}, {t->LocalGravityText, "1.23"}, {t->RangeText, "1.23"},
                                       {t->MaxOverRangeText, "1.23"}}) {
        field->clear();
        QTest::keyClicks(field, "-1.2.3-");
        QCOMPARE(field->text(), QString(typed));
    }
    QCOMPARE(r.ui.beeps, 15);
    // Backspace works; Ctrl+V is refused like any other control key.
    QTest::keyClick(t->LevelText, Qt::Key_Backspace);
    QTest::keyClick(t->LevelText, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(std::pair(t->LevelText->text(), r.ui.beeps), std::pair(QString("-1.2"), 16));
    // Delete, which X11 and Wayland send with the text "\x7f", deletes.
    t->LevelText->setCursorPosition(0);
    QTest::sendKeyEvent(QTest::Press, t->LevelText, Qt::Key_Delete, QString("\x7f"), Qt::NoModifier);
    QCOMPARE(std::pair(t->LevelText->text(), r.ui.beeps), std::pair(QString("1.2"), 16));
    // Selected text counts: a point over a selected "1.5" is refused.
    t->SGText->setText("1.5");
    t->SGText->selectAll();
    QTest::keyClicks(t->SGText, ".");
    QCOMPARE(std::pair(t->SGText->text(), r.ui.beeps), std::pair(QString("1.5"), 17));
    // What is not a key reaches the field: a click at its left end puts the cursor there.
    QTest::mouseClick(t->SGText, Qt::LeftButton, {}, QPoint(1, t->SGText->height() / 2));
    QCOMPARE(t->SGText->cursorPosition(), 0);
    // Leaving the field repairs a leading point; program text is not filtered.
    for (const auto &[field, typed, left] : {std::tuple{t->LevelText, ".5", "0.5"}, {t->LevelText, "-.5", "-.5"},
                                             {t->LocalGravityText, ".98", "0.98"}, {t->RangeText, ".5", ".5"},
                                             {t->LevelOffsetText, ".5", ".5"}, {t->SGText, ".5", ".5"},
                                             {t->MaxOverRangeText, ".5", ".5"}}) {
        field->setText(typed);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QCoreApplication::sendEvent(field, &out);
        QCOMPARE(field->text(), QString(left));
    }
    // The Timing window's fields take digits; shortcuts and Delete pass.
    QLineEdit *mark = r.w->Timing->MarkText;
    mark->clear();
    QTest::keyClicks(mark, "0a9-/:");   // the digits' ends, and the characters either side of them
    QCOMPARE(mark->text(), QString("09"));
    QTest::sendKeyEvent(QTest::Press, mark, Qt::Key_A, QString("\x01"), Qt::ControlModifier);   // as X11 types it
    QTest::sendKeyEvent(QTest::Press, mark, Qt::Key_Delete, QString("\x7f"), Qt::NoModifier);
    QCOMPARE(std::pair(mark->text(), r.ui.beeps), std::pair(QString(), 17 + 4));
    mark->setText("09");   // and a click still places the cursor
    QTest::mouseClick(mark, Qt::LeftButton, {}, QPoint(1, mark->height() / 2));
    QCOMPARE(mark->cursorPosition(), 0);
}

void TestWindow::logListAndChart()
{
    LogModel model({"Date", "Time", "Pressure", "Units", "Temperature", "Units"}, {2, 4}, {3, 5});
    LogList logView(&model);
    for (int s : {0, 1, 2})
        logView.insertTop(reading(s, QString("1.%1").arg(s)));
    logView.show();
    // A new reading is the row chosen; rows are the text's height and 4 px.
    QCOMPARE(logView.selectedRow(), 0);
    QCOMPARE(logView.verticalHeader()->defaultSectionSize(), logView.fontMetrics().height() + 4);
    // Screen readers see a table of the rows, newest first.
    QAccessibleTableInterface *a = QAccessible::queryAccessibleInterface(&logView)->tableInterface();
    QVERIFY(a);
    QCOMPARE((QStringList{QString("%1x%2").arg(a->rowCount()).arg(a->columnCount()),
                          a->cellAt(0, 2)->text(QAccessible::Name), a->cellAt(2, 1)->text(QAccessible::Name)}),
             (QStringList{"3x6", "1.2", "09:00:00"}));
    // Several rows selected, Ctrl+C: tab-separated under the headings.
    logView.selectRow(2);
    logView.selectionModel()->select(logView.model()->index(0, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
    QTest::keySequence(&logView, QKeySequence::Copy);
    const QString date = reading(0, "").date;
    QCOMPARE(QApplication::clipboard()->text(),
             "Date\tTime\tPressure\tUnits\tTemperature\tUnits\n" + date + "\t09:00:02\t1.2\tmH2O\t21.5\tCentigrade\n" +
                 date + "\t09:00:00\t1.0\tmH2O\t21.5\tCentigrade\n");
    logView.selectionModel()->select(logView.model()->index(2, 0), QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    QCOMPARE(logView.selectedRow(), -1);   // the current row, deselected, is not the row chosen
    logView.setSelectedRow(-1);   // no row: none stays selected
    QVERIFY(!logView.selectionModel()->hasSelection() && logView.selectedRow() == -1);
    // Rows are placed and scrolled to as the table would, without summing the rows above (a million stay flat).
    for (int s = 3; s < 300; ++s)
        logView.insertTop(reading(s, "2.0"));
    logView.resize(300, 200);
    const auto scrolled = [&logView] {
        return std::pair(logView.verticalScrollBar()->value(), logView.horizontalScrollBar()->value());
    };
    for (int row : {0, 57, 299})
        for (auto hint : {QAbstractItemView::EnsureVisible, QAbstractItemView::PositionAtTop,
                          QAbstractItemView::PositionAtBottom, QAbstractItemView::PositionAtCenter})
            for (const auto &[column, across] : {std::pair{3, 1000}, {0, 1000}, {5, 0}}) {
                const QModelIndex at = logView.model()->index(row, column);
                logView.verticalScrollBar()->setValue(1000);
                logView.horizontalScrollBar()->setValue(across);
                logView.QTableView::scrollTo(at, hint);
                const auto expected = scrolled();
                QCOMPARE(logView.visualRect(at), logView.QTableView::visualRect(at));
                logView.verticalScrollBar()->setValue(1000);
                logView.horizontalScrollBar()->setValue(across);
                logView.scrollTo(at, hint);
                QCOMPARE(scrolled(), expected);
            }
    // A selection is repainted where its cells show.
    struct Peek : LogList { using LogList::visualRegionForSelection; };
    logView.verticalScrollBar()->setValue(0);
    QRegion cells;
    for (int row : {1, 2})
        for (int column = 0; column < 6; ++column)
            cells += logView.visualRect(logView.model()->index(row, column)) & logView.viewport()->rect();
    const QItemSelection rows(logView.model()->index(1, 0), logView.model()->index(2, 5));
    QCOMPARE((logView.*&Peek::visualRegionForSelection)(rows), cells);
    // The chart beside a tab's log list (its name, and its axes shown for one unit each, are in the screens' copy).
    ConsoleRig r;
    LogList *list = r.tab(3)->LogListView;
    LogChart *chart = r.tab(3)->LogChartView;
    // One reading is drawn as a point; one that is no number is left out, not drawn as 0; new units start a segment.
    // With one line the axis title names it, with more a legend does; pressure is on the left, temperature right.
    QCOMPARE(chart->readingNear(t0), QString());
    list->insertTop(reading(0, "1.5", "mH2O", ""));
    QCOMPARE(drawn(chart, "Pressure"), QStringList{"Pressure (mH2O): 0=1.5"});
    QVERIFY(chart->shownSeries().first()->pointsVisible() && !chart->view()->chart()->legend()->isVisible());
    QVERIFY(chart->valueAxis(0)->alignment() == Qt::AlignLeft && chart->valueAxis(1)->alignment() == Qt::AlignRight);
    chart->zoom(2, t0);   // one reading zooms too: the minute it starts, no longer fitted
    QCOMPARE(std::pair(chart->rangeStart(), chart->rangeEnd()), std::pair(t0, t0 + 60000));
    chart->fit();
    for (const LogRow &row : {reading(1, "2.5", "mH2O", ""), reading(2, "abc"), reading(3, "0.2", "bar"),
                              reading(4, "0.3", "bar")})
        list->insertTop(row);
    QCOMPARE(drawn(chart, "Pressure"), (QStringList{"Pressure (mH2O): 0=1.5 1=2.5", "Pressure (bar): 3=0.2 4=0.3"}));
    QCOMPARE(drawn(chart, "Temperature"), QStringList{"Temperature (Centigrade): 2=21.5 3=21.5 4=21.5"});
    QVERIFY(chart->view()->chart()->legend()->isVisible());
    QCOMPARE(chart->valueAxis(0)->titleText(), QString("Pressure (mH2O, bar)"));
    QCOMPARE(chart->readingNear(t0 + 2900),
             reading(3, "").date + " 09:00:03\nPressure: 0.2 bar\nTemperature: 21.5 Centigrade");
    QVERIFY(chart->readingNear(t0 + 3500).contains("09:00:04\nPressure: 0.3 bar"));   // midway: the newer
    // Before the first and after the last reading: those.
    QVERIFY(chart->readingNear(t0 - 9000).endsWith("09:00:00\nPressure: 1.5 mH2O\nTemperature:  Centigrade"));
    QVERIFY(chart->readingNear(t0 + 9000).contains("09:00:04"));
    // Zoomed in on the start, the view stays put; shown the newest, it follows; Fit shows the whole run.
    const auto range = [chart] { return std::pair(chart->rangeStart(), chart->rangeEnd()); };
    chart->showRange(t0, t0 + 2000);
    QVERIFY(!chart->following());
    list->insertTop(reading(5, "0.4", "bar"));
    QCOMPARE(chart->rangeEnd(), t0 + 2000);
    chart->showRange(t0 + 1000, t0 + 5000);
    QVERIFY(chart->following());
    list->insertTop(reading(6, "0.5", "bar"));
    QCOMPARE(range(), std::pair(t0 + 2000, t0 + 6000));
    QCOMPARE(drawn(chart, "Pressure"), QStringList{"Pressure (bar): 3=0.2 4=0.3 5=0.4 6=0.5"});
    // (A range shorter than a minute is shown a minute wide, about its middle; no zoom goes closer.)
    chart->zoom(2, t0 + 4000);
    QCOMPARE(range(), std::pair(t0 - 26000, t0 + 34000));
    const auto zoomed = range();
    chart->zoom(0, t0 + 4000);   // no factor: the view stays
    QCOMPARE(range(), zoomed);
    chart->fit();
    QCOMPARE(range(), std::pair(t0, t0 + 6000));
    // A day on show is labelled with the times; more than a day with the dates too.
    for (const auto &[span, format] : {std::pair{86400000LL, "hh:mm:ss"}, std::pair{88200000LL, "dd/MM hh:mm"}}) {
        chart->showRange(t0, t0 + span);
        chart->redraw();   // as the event loop would
        QCOMPARE(chart->timeAxis()->format(), QString(format));
    }
    chart->fit();
    // On the plot: a wheel notch zooms in by a quarter about the pointer, a drag pans, a double click fits.
    chart->redraw();   // as the event loop would before the user's next move
    QWidget *plot = chart->view()->viewport();
    const QPoint mid = chart->view()->chart()->plotArea().center().toPoint();
    const auto wheel = [&](int notches) {
        QWheelEvent e(mid, plot->mapToGlobal(mid), {}, {0, 120 * notches}, {}, {}, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(plot, &e);
    };
    wheel(-1);
    QVERIFY2(range().second - range().first == 75000 && qAbs(range().first - (t0 - 7500)) < 300,
             qPrintable(QString::number(range().first - t0)));
    wheel(1);
    QCOMPARE(range().second - range().first, 60000);   // the notch back in, to the closest a minute allows
    wheel(-1);
    const auto zoomedOut = range();
    chart->redraw();
    QTest::mousePress(plot, Qt::LeftButton, {}, mid);
    QTest::mouseMove(plot, mid + QPoint(40, 0));
    QTest::mouseRelease(plot, Qt::LeftButton, {}, mid + QPoint(40, 0));
    QVERIFY(range().first < zoomedOut.first - 3000 && range().second - range().first == 75000);
    const auto dragged = range();
    chart->redraw();
    QTest::mouseMove(plot, mid);   // released: no longer pans
    QCOMPARE(range(), dragged);
    QTest::mouseDClick(plot, Qt::LeftButton, {}, mid);
    QCOMPARE(range(), std::pair(t0, t0 + 6000));
    // A moved sensor takes its readings, and so its chart, along; a cleared log clears the chart.
    r.w->core.address->MoveLevelSensorTab(3, 6);
    QCOMPARE(drawn(chart, "Pressure"), QStringList());
    QCOMPARE(drawn(r.tab(6)->LogChartView, "Pressure"),
             (QStringList{"Pressure (mH2O): 0=1.5 1=2.5", "Pressure (bar): 3=0.2 4=0.3 5=0.4 6=0.5"}));
    r.tab(6)->LogListView->clear();
    QCOMPARE(drawn(r.tab(6)->LogChartView, "Pressure"), QStringList());
    // Zoomed in on its one reading, a chart follows the second: the newest at the right edge.
    r.tab(6)->LogListView->insertTop(reading(0, "1.5"));
    r.tab(6)->LogChartView->zoom(2, t0);
    r.tab(6)->LogListView->insertTop(reading(90, "1.6"));
    QCOMPARE(std::pair(r.tab(6)->LogChartView->rangeStart(), r.tab(6)->LogChartView->rangeEnd()),
             std::pair(t0 + 30000, t0 + 90000));
    // Save Chart...: a PNG through the save dialog (a rotary tab's chart, one value with its units: screens' copy).
    list->insertTop(reading(7, "1.0"));
    r.ui.saves = {{true, r.dir.filePath("chart.png"), 1}};
    emit chart->saveRequested();
    QCOMPARE(r.ui.dialogs.last().filter, QString("PNG Images(*.png)|*.png"));
    QVERIFY(QImage(r.dir.filePath("chart.png")).width() > 50);
    const QList<QLineSeries *> saved = chart->shownSeries();   // drawn as the log is now
    QVERIFY(!saved.isEmpty() && saved[0]->points() == QList<QPointF>{QPointF(t0 + 7000, 1.0)});
    r.ui.saves = {{true, r.dir.filePath("no/such/folder/chart.png"), 1}};
    emit chart->saveRequested();
    QCOMPARE(r.ui.texts().last(), "Save Chart.|Error encountered while saving file. " +
                                      r.dir.filePath("no/such/folder/chart.png") + " could not be written.");
}

// What the platform's own boxes and file dialogs show, each answered as a user would the moment it is up.
void TestWindow::platformDialogs()
{
    QtUi ui;
    QStringList seen;
    const auto whenShown = [&](std::function<QString(QWidget *)> answer) {
        auto *poll = new QTimer(this);
        connect(poll, &QTimer::timeout, this, [&seen, poll, answer] {
            if (QWidget *w = QApplication::activeModalWidget()) {
                poll->deleteLater();
                poll->stop();
                seen << w->windowTitle() + ": " + answer(w);
            }
        });
        poll->start(5);
    };
    const auto box = [](QMessageBox::StandardButton press) {
        return [press](QWidget *w) {
            auto *b = qobject_cast<QMessageBox *>(w);
            const QString said = QString("%1 %2 %3").arg(b->text()).arg(b->icon())
                                     .arg(b->defaultButton() ? b->standardButton(b->defaultButton()) : 0);
            b->button(press)->click();
            return said;
        };
    };
    whenShown(box(QMessageBox::Ok));
    ui.message(Ui::Icon::Exclamation, "Warned", "Careful.");
    whenShown(box(QMessageBox::Ok));
    ui.message(Ui::Icon::Information, "Told", "Done.");
    whenShown(box(QMessageBox::No));
    QVERIFY(!ui.askYesNo("Asked", "Sure?"));
    whenShown(box(QMessageBox::Yes));
    QVERIFY(ui.askYesNo("Asked", "Sure?"));
    // File dialogs: "description|pattern" pairs become filters (the pattern added if missing); filter, name come back.
    QTemporaryDir dir;
    const auto file = [&](const QString &name, int filter) {
        return [&dir, name, filter](QWidget *w) {
            auto *d = qobject_cast<QFileDialog *>(w);
            const QString shown = QString("%1 [%2] %3 .%4 %5 %6")
                                      .arg(d->nameFilters().join("; "), d->selectedNameFilter())
                                      .arg(d->acceptMode() == QFileDialog::AcceptSave ? "save" : "open")
                                      .arg(d->defaultSuffix())
                                      .arg(d->testOption(QFileDialog::DontConfirmOverwrite) ? "no prompt" : "prompt")
                                      .arg(QFileInfo(d->selectedFiles().value(0)).fileName());
            d->selectNameFilter(d->nameFilters().value(filter));
            d->selectFile(dir.filePath(name));
            QMetaObject::invokeMethod(d, "accept");
            return shown;
        };
    };
    whenShown(file("new.csv", 1));
    const Ui::SaveChoice c =
        ui.saveFile({"Log Files (*.xls)|*.xls|Comma delimited|*.csv", "xls", 1, true, "Save", "Log 3"});
    QVERIFY(c.accepted && QFileInfo(c.fileName).fileName() == "new.csv" && c.filterIndex == 2);
    whenShown(file("new.txt", 0));
    QCOMPARE(ui.saveFile({"Text Files(*.txt)|*.txt", "", 2, false, "Save As", "Sensor_3"}).filterIndex, 1);
    whenShown([](QWidget *w) { static_cast<QDialog *>(w)->reject(); return QString("cancelled"); });
    QVERIFY(!ui.saveFile({"Text|*.txt", "", 1, false, "Save As", "x"}).accepted);
    QVERIFY(QFile(dir.filePath("report.txt")).open(QIODevice::WriteOnly));
    whenShown(file("report.txt", 0));
    QCOMPARE(ui.openFile("Open", "Text Files(*.txt)|*.txt"), dir.filePath("report.txt"));
    QCOMPARE(seen, (QStringList{"Warned: Careful. 2 0", "Told: Done. 1 0", "Asked: Sure? 4 16384",
                                "Asked: Sure? 4 16384",
                                "Save: Log Files (*.xls); Comma delimited (*.csv) [Log Files (*.xls)] save .xls prompt "
                                "Log 3.xls",
                                "Save As: Text Files(*.txt) [Text Files(*.txt)] save . no prompt Sensor_3",
                                "Save As: cancelled",
                                "Open: Text Files(*.txt) [Text Files(*.txt)] open . prompt "}));
    // A progress window for a long task: its steps until done; cancelled, the task hears it.
    QVERIFY(ui.progress("Save Log", "Saving log.csv ...", 0, 3));
    const auto shownProgress = [] {
        const QList<QWidget *> tops = QApplication::topLevelWidgets();
        auto d = std::find_if(tops.begin(), tops.end(), [](QWidget *w) { return qobject_cast<QProgressDialog *>(w); });
        return d == tops.end() ? nullptr : static_cast<QProgressDialog *>(*d);
    };
    QProgressDialog *p = shownProgress();
    QVERIFY(p && p->windowTitle() == "Save Log" && p->labelText() == "Saving log.csv ..." && p->maximum() == 3);
    QCOMPARE(p->windowModality(), Qt::ApplicationModal);   // no window takes input meanwhile
    QVERIFY(ui.progress("Save Log", "Saving log.csv ...", 1, 3) && p->value() == 1);
    p->cancel();
    QVERIFY(!ui.progress("Save Log", "Saving log.csv ...", 2, 3));
    QVERIFY(ui.progress("Save Log", "Saving log.csv ...", 3, 3) && !shownProgress());   // done: the window goes
    QVERIFY(ui.progress("Save Log", "Saving log.csv ...", 0, 1) && shownProgress());   // a task of one step has one too
    QVERIFY(ui.progress("Save Log", "Saving log.csv ...", 1, 1) && !shownProgress());
}

QTEST_MAIN(TestWindow)
#include "tst_window.moc"
