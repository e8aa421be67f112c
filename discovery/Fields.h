#pragma once

#include <Qt>
#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>
#include <vector>

// What the console's windows show, as state of the run: every value text,
// list choice, check box and identification list of a sensor's tab, and the
// enabled and shown state of every control. Each field carries the name of
// the control that shows it ("RangeText"); a window binds its widgets to the
// fields by that name. Setting a field tells the owner, which tells the
// views; nothing here knows of widgets.

class FieldOwner
{
public:
    virtual ~FieldOwner() = default;
    // A field of tab `tab` (-1 for the main window and its windows) changed.
    virtual void fieldChanged(int tab, int id) = 0;
    // The view is to put the focus on a control.
    virtual void focusRequested(int tab, int id) = 0;
};

class FieldSet;

// A control: enabled, shown. Buttons are nothing more.
class Control
{
public:
    Control(FieldSet &set, const char *name);
    Control(const Control &) = delete;
    Control &operator=(const Control &) = delete;
    virtual ~Control() = default;

    enum class Kind { Button, Text, List, Check, Lines, Entry, Value };
    virtual Kind kind() const { return Kind::Button; }

    const char *name() const { return m_name; }
    int id() const { return m_id; }
    int tab() const;

    bool isEnabled() const { return m_enabled; }
    void setEnabled(bool on);
    bool isVisible() const { return m_visible; }
    void setVisible(bool on);
    void setFocus();

protected:
    void changed();

private:
    FieldSet &m_set;
    const char *m_name;
    int m_id;
    bool m_enabled = true;
    bool m_visible = true;
};

// A text field.
class TextField : public Control
{
public:
    using Control::Control;
    Kind kind() const override { return Kind::Text; }
    const QString &text() const { return m_text; }
    void setText(const QString &text);
    void clear() { setText(QString()); }

private:
    QString m_text;
};

// A drop-down list: its entries (text and item data), the entry chosen, and
// what it shows without one: "Select....." until an entry is chosen, nothing
// while it is blanked for an answer it awaits.
class ListField : public Control
{
public:
    using Control::Control;
    Kind kind() const override { return Kind::List; }
    static const QString &selectText();

    const QStringList &items() const { return m_items; }
    int count() const { return static_cast<int>(m_items.size()); }
    QString itemText(int i) const { return m_items.value(i); }
    int itemData(int i) const { return m_data.value(i, -1); }
    int currentIndex() const { return m_index; }
    // Item data of the entry chosen; -1 for none.
    int currentData() const { return itemData(m_index); }
    int findData(int data) const { return static_cast<int>(m_data.indexOf(data)); }
    int findText(const QString &text) const { return static_cast<int>(m_items.indexOf(text)); }
    // The text shown: the entry chosen, "Select.....", or nothing.
    QString text() const;
    const QString &placeholder() const { return m_placeholder; }

    // Entries with item data (by default their positions).
    void setItems(const QStringList &items, const QVector<int> &data = {});
    void clear();
    // Chooses entry i (-1: none, "Select....." shown again).
    void select(int i);
    // No entry and no text.
    void blank();
    // No entry, "Select....." shown.
    void reset();
    // Entry i, and the text without one as it was (a copy of another list).
    void setState(int i, const QString &placeholder);

private:
    QStringList m_items;
    QVector<int> m_data;
    int m_index = -1;
    QString m_placeholder = selectText();
};

// A check box; greyed counts as ticked where the sensor's lock is read.
class CheckField : public Control
{
public:
    using Control::Control;
    Kind kind() const override { return Kind::Check; }
    Qt::CheckState checkState() const { return m_state; }
    bool isChecked() const { return m_state == Qt::Checked; }
    // True when the state changed.
    bool setCheckState(Qt::CheckState state);
    bool setChecked(bool on) { return setCheckState(on ? Qt::Checked : Qt::Unchecked); }

private:
    Qt::CheckState m_state = Qt::Unchecked;
};

// A list box of lines.
class LinesField : public Control
{
public:
    using Control::Control;
    Kind kind() const override { return Kind::Lines; }
    const QStringList &lines() const { return m_lines; }
    int count() const { return static_cast<int>(m_lines.size()); }
    void addItems(const QStringList &lines);
    void clear();

private:
    QStringList m_lines;
};

// A menu entry with its caption and check mark.
class EntryField : public Control
{
public:
    using Control::Control;
    Kind kind() const override { return Kind::Entry; }
    const QString &caption() const { return m_caption; }
    bool isChecked() const { return m_checked; }
    void setCaption(const QString &caption);
    void setChecked(bool on);

private:
    QString m_caption;
    bool m_checked = false;
};

// A whole number shown (a progress bar).
class ValueField : public Control
{
public:
    using Control::Control;
    Kind kind() const override { return Kind::Value; }
    int value() const { return m_value; }
    void setValue(int v);

private:
    int m_value = 0;
};

// The fields of one tab, or of the main window; they number themselves in
// the order they are declared.
class FieldSet
{
public:
    FieldSet(FieldOwner *owner, int tab) : m_owner(owner), m_tab(tab) {}
    FieldSet(const FieldSet &) = delete;
    FieldSet &operator=(const FieldSet &) = delete;

    int tab() const { return m_tab; }
    const std::vector<Control *> &controls() const { return m_controls; }
    Control *find(const QString &name) const;
    Control *at(int id) const { return m_controls.at(static_cast<size_t>(id)); }

private:
    friend class Control;
    int add(Control *c);
    void notify(int id);
    void focus(int id);

    FieldOwner *m_owner;
    int m_tab;
    std::vector<Control *> m_controls;
};

// One sensor's tab: the fields of both families' frames and of its log
// frame, by the names of their controls.
struct SensorFields : FieldSet {
    SensorFields(FieldOwner *owner, int tab) : FieldSet(owner, tab) {}

#define SDI12_B(n) Control n{*this, #n};
#define SDI12_T(n) TextField n{*this, #n};
#define SDI12_L(n) ListField n{*this, #n};
#define SDI12_C(n) CheckField n{*this, #n};
    // level probe: "Set Parameters"
    SDI12_B(ParameterFrame)
    SDI12_L(AddressCombo) SDI12_B(AddrBut)
    SDI12_T(RangeText) SDI12_B(RangeBut) SDI12_B(RangeQueryBut)
    SDI12_T(MaxOverRangeText) SDI12_B(MaxRangeBut) SDI12_B(MaxOverRangeQueryBut)
    SDI12_L(PressUnitsCombo) SDI12_B(PressUnitsBut) SDI12_B(PressUnitsQueryBut)
    SDI12_L(TempUnitsCombo) SDI12_B(TempUnitsBut) SDI12_B(TempUnitsQueryBut)
    SDI12_L(DensityCorrCombo) SDI12_B(DensityCorrBut) SDI12_B(DensityCorrQueryBut)
    SDI12_L(ReverseCombo) SDI12_B(ReverseBut) SDI12_B(ReverseQueryBut)
    SDI12_T(LevelText) SDI12_B(LevelBut) SDI12_B(LevelQueryBut)
    SDI12_C(LocalOffsetCheck) SDI12_B(ApplyQueryBut)
    SDI12_C(UnlockCheck) SDI12_B(UnlockQueryBut)
    SDI12_T(SGText) SDI12_B(SGBut)
    SDI12_T(SampleRateText)
    SDI12_T(LevelOffsetText) SDI12_B(LevelOffsetBut) SDI12_B(AutoZeroBut)
    SDI12_B(IDQueryBut)
    LinesField SensorIDList{*this, "SensorIDList"};
    // level probe: "Calibrate"
    SDI12_B(CalibrateFrame)
    SDI12_B(StageOneBut) SDI12_B(ClearOffsetsBut)
    SDI12_T(ZeroCalibrationText) SDI12_B(ZeroCalibrationBut)
    SDI12_T(SlopeCalibrationText) SDI12_B(SlopeCalibrationBut)
    SDI12_T(PressureText) SDI12_B(PressureBut) SDI12_B(CalibrationCompleteBut)
    SDI12_T(LocalGravityText) SDI12_B(LocalGravityBut) SDI12_B(LocalGravityQueryBut)
    // rotary encoder and encoder converter
    SDI12_L(RotaryAddressCombo) SDI12_B(RotaryAddrBut)
    SDI12_T(RotaryCountsPerRevText) SDI12_B(RotaryCountsPerRevBut) SDI12_B(QueryRotaryCountsPerRevBut)
    SDI12_T(RotaryPulleyCircumText) SDI12_B(RotaryPulleyCircumBut) SDI12_B(QueryRotaryPulleyCircumfBut)
    SDI12_L(RotaryMeasurementUnitsCombo) SDI12_B(RotaryMeasurementUnitsBut) SDI12_B(QueryRotaryMeasurementUnitsBut)
    SDI12_L(RotaryDirectionCombo) SDI12_B(RotaryDirectionBut) SDI12_B(QueryRotaryDirectionBut)
    SDI12_T(RotaryCurrentValueText) SDI12_B(RotaryCurrentValueBut) SDI12_B(QueryRotaryCurrentValueBut)
    SDI12_B(RotarySetZeroBut)
    SDI12_T(RotaryMaxRangeText)
    SDI12_T(RotaryMeasurementResText)
    SDI12_B(RotaryIDQueryBut)
    LinesField RotarySensorIDList{*this, "RotarySensorIDList"};
    // "Data Logging"
    SDI12_L(LogPeriodCombo) SDI12_L(RotaryLogPeriodCombo)
    SDI12_B(StartLogBut) SDI12_B(StopLogBut) SDI12_B(RotaryStartLogBut) SDI12_B(RotaryStopLogBut)
    SDI12_B(ClearLogBut) SDI12_B(SaveLogBut)
#undef SDI12_B
#undef SDI12_T
#undef SDI12_L
#undef SDI12_C

    // The family's period list, units list and identification list.
    ListField &periods(bool rotary) { return rotary ? RotaryLogPeriodCombo : LogPeriodCombo; }
    const ListField &periods(bool rotary) const { return rotary ? RotaryLogPeriodCombo : LogPeriodCombo; }
};

// The main window's own controls and those of its smaller windows (filter
// settings, timing settings, user command, scan progress).
struct WindowFields : FieldSet {
    explicit WindowFields(FieldOwner *owner) : FieldSet(owner, -1) {}

    Control ScanBut{*this, "ScanBut"};
    CheckField CalibrateCheck{*this, "CalibrateCheck"};
    Control SensorTab{*this, "SensorTab"};       // the tab control as a whole
    Control SensorTabBar{*this, "SensorTabBar"}; // its tabs (locked while a scan files answers)
    Control mnuCommsPort{*this, "mnuCommsPort"};
    Control mnuReset{*this, "mnuReset"};
    Control mnuFilter{*this, "mnuFilter"};
    Control mnuQueryAddress{*this, "mnuQueryAddress"};
    Control mnuUserCommand{*this, "mnuUserCommand"};
    Control mnuHelp{*this, "mnuHelp"};
    Control mnuRestore{*this, "mnuRestore"};
    // COM1..COM16 (entry 0 unused)
    EntryField mnuCom[17] = {{*this, "mnuCom_0"},  {*this, "mnuCom_1"},  {*this, "mnuCom_2"},  {*this, "mnuCom_3"},
                             {*this, "mnuCom_4"},  {*this, "mnuCom_5"},  {*this, "mnuCom_6"},  {*this, "mnuCom_7"},
                             {*this, "mnuCom_8"},  {*this, "mnuCom_9"},  {*this, "mnuCom_10"}, {*this, "mnuCom_11"},
                             {*this, "mnuCom_12"}, {*this, "mnuCom_13"}, {*this, "mnuCom_14"}, {*this, "mnuCom_15"},
                             {*this, "mnuCom_16"}};
    TextField StatusPanel1{*this, "StatusPanel1"};
    TextField StatusPanel2{*this, "StatusPanel2"};
    TextField StatusPanel3{*this, "StatusPanel3"};
    TextField StatusLogging{*this, "StatusLogging"};
    // "Sensor Scan...": shown while the bus is scanned.
    Control SensorPoll{*this, "SensorPoll"};
    ValueField ProgressBar1{*this, "ProgressBar1"};
    // "Filter Settings"
    TextField NoOfReadingsText{*this, "NoOfReadingsText"};
    TextField ReadingIntervalText{*this, "ReadingIntervalText"};
    TextField MaxSampleRateText{*this, "MaxSampleRateText"};
    // "Timing Settings": the timings in effect, as the window shows them.
    TextField BreakText{*this, "BreakText"};
    TextField MarkText{*this, "MarkText"};
    TextField TimeoutText{*this, "TimeoutText"};
    TextField DataTimeoutText{*this, "DataTimeoutText"};
    // "User Command Entry"
    TextField ReceivedText{*this, "ReceivedText"};
    TextField CrcText{*this, "CrcText"};
};
