#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QScrollArea;
class QLineEdit;
class QListWidget;
class QPushButton;
class LogChart;
class LogList;
class QSplitter;
class LogModel;

// The page of one sensor tab. It carries the frames of both sensor families;
// the family chosen at start-up decides which are shown. Every control has
// its name plus "_<tab index>" as its object name (RangeBut_3), by which it
// is bound to the field of the run it shows.
class SensorTabWidget : public QWidget
{
    Q_OBJECT
public:
    // The lists show the tab's readings of each family.
    SensorTabWidget(int index, LogModel *levelLog, LogModel *rotaryLog, QWidget *parent = nullptr);
    int index() const { return m_index; }

    // Family set-up at load: level-probe frames and lists, or rotary ones.
    void setFamily(bool rotary);

    // The parameter, rotary and calibrate frames scroll in here.
    QScrollArea *FrameScroll;

    // --- level probe: "Set Parameters"
    QGroupBox *ParameterFrame;
    QComboBox *AddressCombo;
    QPushButton *AddrBut;
    QLineEdit *RangeText;
    QPushButton *RangeBut, *RangeQueryBut;
    QLineEdit *MaxOverRangeText;
    QPushButton *MaxRangeBut, *MaxOverRangeQueryBut;
    QComboBox *PressUnitsCombo;
    QPushButton *PressUnitsBut, *PressUnitsQueryBut;
    QComboBox *TempUnitsCombo;
    QPushButton *TempUnitsBut, *TempUnitsQueryBut;
    QComboBox *DensityCorrCombo;
    QPushButton *DensityCorrBut, *DensityCorrQueryBut;
    QComboBox *ReverseCombo;
    QPushButton *ReverseBut, *ReverseQueryBut;
    QLineEdit *LevelText;
    QPushButton *LevelBut, *LevelQueryBut;
    QCheckBox *LocalOffsetCheck;
    QPushButton *ApplyQueryBut;
    QCheckBox *UnlockCheck;
    QPushButton *UnlockQueryBut;
    QLineEdit *SGText;
    QPushButton *SGBut;
    QLineEdit *SampleRateText;
    QLineEdit *LevelOffsetText;
    QPushButton *LevelOffsetBut, *AutoZeroBut;
    QPushButton *IDQueryBut;
    QListWidget *SensorIDList;

    // --- level probe: "Calibrate"
    QGroupBox *CalibrateFrame;
    QPushButton *StageOneBut, *ClearOffsetsBut;
    QLineEdit *ZeroCalibrationText;
    QPushButton *ZeroCalibrationBut;
    QLineEdit *SlopeCalibrationText;
    QPushButton *SlopeCalibrationBut;
    QLineEdit *PressureText;
    QPushButton *PressureBut, *CalibrationCompleteBut;
    QLineEdit *LocalGravityText;
    QPushButton *LocalGravityBut, *LocalGravityQueryBut;

    // --- rotary encoder and encoder converter: "Set Parameters"
    QGroupBox *RotaryEncoderFrame;
    QComboBox *RotaryAddressCombo;
    QPushButton *RotaryAddrBut;
    QLineEdit *RotaryCountsPerRevText;
    QPushButton *RotaryCountsPerRevBut, *QueryRotaryCountsPerRevBut;
    QLineEdit *RotaryPulleyCircumText;
    QPushButton *RotaryPulleyCircumBut, *QueryRotaryPulleyCircumfBut;
    QComboBox *RotaryMeasurementUnitsCombo;
    QPushButton *RotaryMeasurementUnitsBut, *QueryRotaryMeasurementUnitsBut;
    QComboBox *RotaryDirectionCombo;
    QPushButton *RotaryDirectionBut, *QueryRotaryDirectionBut;
    QLineEdit *RotaryCurrentValueText;
    QPushButton *RotaryCurrentValueBut, *QueryRotaryCurrentValueBut;
    QPushButton *RotarySetZeroBut;
    QLineEdit *RotaryMaxRangeText;
    QLineEdit *RotaryMeasurementResText;
    QPushButton *RotaryIDQueryBut;
    QListWidget *RotarySensorIDList;

    // --- "Data Logging" ("Log" on tab 0)
    QGroupBox *LogFrame;
    QComboBox *LogPeriodCombo, *RotaryLogPeriodCombo;
    QPushButton *StartLogBut, *StopLogBut, *RotaryStartLogBut, *RotaryStopLogBut;
    QPushButton *ClearLogBut, *SaveLogBut;
    QLabel *LogCountLabel;   // how many readings the log list holds
    LogList *LogListView, *RotaryLogListView;
    LogChart *LogChartView;   // the family's readings, drawn
    QSplitter *LogSplitter;   // the chart above the list

private:
    QGroupBox *buildParameterFrame();
    QGroupBox *buildCalibrateFrame();
    QGroupBox *buildRotaryFrame();
    QGroupBox *buildLogFrame(LogModel *levelLog, LogModel *rotaryLog);
    template <class W> W *make(const char *name, W *w);
    void fitFrameWidth();
    void showLogCount(int rows);

    int m_index;
};
