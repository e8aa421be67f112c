#include "SensorTabWidget.h"

#include "logging/LogChart.h"
#include "logging/LogList.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QScopeGuard>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QVBoxLayout>

namespace {

QPushButton *button(const QString &caption, const QString &tip = {})
{
    auto *b = new QPushButton(caption);
    if (!tip.isEmpty())
        b->setToolTip(tip);
    return b;
}

QLineEdit *field(const QString &tip = {}, bool readOnly = false)
{
    auto *e = new QLineEdit;
    if (!tip.isEmpty())
        e->setToolTip(tip);
    e->setReadOnly(readOnly);
    return e;
}

// A choice list: its entries, its choice and its placeholder are the run's fields', set by the binding.
QComboBox *list(const QString &tip)
{
    auto *c = new QComboBox;
    c->setToolTip(tip);
    return c;
}

// One parameter row: label, control, then the buttons.
void row(QGridLayout *g, const QString &label, QWidget *control, QWidget *set = nullptr, QWidget *query = nullptr)
{
    const int r = g->rowCount();
    if (!label.isEmpty())
        g->addWidget(new QLabel(label), r, 0);
    if (control)
        g->addWidget(control, r, 1);
    if (set)
        g->addWidget(set, r, 2);
    if (query)
        g->addWidget(query, r, 3);
}
} // namespace

template <class W> W *SensorTabWidget::make(const char *name, W *w)
{
    w->setObjectName(QString::fromLatin1(name) + QLatin1Char('_') + QString::number(m_index));
    return w;
}

#define MAKE(member, expr) member = make(#member, expr)

SensorTabWidget::SensorTabWidget(int index, LogModel *levelLog, LogModel *rotaryLog, QWidget *parent)
    : QWidget(parent), m_index(index)
{
    setObjectName(QStringLiteral("SensorTabPage_") + QString::number(index));
    // The parameter frames are taller than a laptop screen leaves for them:
    // they scroll, at their full width, beside the log frame.
    auto *frames = new QWidget;
    auto *left = new QVBoxLayout(frames);
    left->setContentsMargins(0, 0, 0, 0);
    left->addWidget(buildParameterFrame());
    left->addWidget(buildRotaryFrame());
    left->addWidget(buildCalibrateFrame());
    left->addStretch();
    MAKE(FrameScroll, new QScrollArea);
    FrameScroll->setWidget(frames);
    FrameScroll->setWidgetResizable(true);
    FrameScroll->setFrameShape(QFrame::NoFrame);
    FrameScroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    auto *top = new QHBoxLayout(this);
    top->addWidget(FrameScroll, 5775);
    // Frame widths: 8055 on tab 0 and 7695 on the others.
    top->addWidget(buildLogFrame(levelLog, rotaryLog), index == 0 ? 8055 : 7695);
    CalibrateFrame->hide();
    fitFrameWidth();
}

void SensorTabWidget::fitFrameWidth()
{
    // Wide enough for the widest frame of the family and a scroll bar.
    FrameScroll->setMinimumWidth(FrameScroll->widget()->minimumSizeHint().width() +
                                 FrameScroll->verticalScrollBar()->sizeHint().width());
}

QGroupBox *SensorTabWidget::buildParameterFrame()
{
    MAKE(ParameterFrame, new QGroupBox(QStringLiteral("Set Parameters")));
    auto *g = new QGridLayout(ParameterFrame);
    MAKE(AddressCombo, list(QStringLiteral("Select Sensor Address.")));
    MAKE(AddrBut, button(QStringLiteral("Set"), QStringLiteral("Set Sensor Address.")));
    row(g, QStringLiteral("Sensor Address :"), AddressCombo, AddrBut);

    MAKE(RangeText, field(QStringLiteral("Calibrated Range.")));
    MAKE(RangeBut, button(QStringLiteral("Set"), QStringLiteral("Set Range.")));
    MAKE(RangeQueryBut, button(QStringLiteral("Query")));
    row(g, QStringLiteral("Range :"), RangeText, RangeBut, RangeQueryBut);

    MAKE(MaxOverRangeText, field(QStringLiteral("Maximum Useable Range.")));
    MAKE(MaxRangeBut, button(QStringLiteral("Set"), QStringLiteral("Set Maximum Range.")));
    MAKE(MaxOverRangeQueryBut, button(QStringLiteral("Query")));
    row(g, QStringLiteral("Max Over Range :"), MaxOverRangeText, MaxRangeBut, MaxOverRangeQueryBut);

    MAKE(PressUnitsCombo, list(QStringLiteral("Select Pressure Units.")));
    MAKE(PressUnitsBut, button(QStringLiteral("Set"), QStringLiteral("Set Pressure Units.")));
    MAKE(PressUnitsQueryBut, button(QStringLiteral("Query"), QStringLiteral("Query Pressure Units.")));
    row(g, QStringLiteral("Pressure Units :"), PressUnitsCombo, PressUnitsBut, PressUnitsQueryBut);

    MAKE(TempUnitsCombo, list(QStringLiteral("Select Temperature Units.")));
    MAKE(TempUnitsBut, button(QStringLiteral("Set"), QStringLiteral("Set Temperature Units.")));
    MAKE(TempUnitsQueryBut, button(QStringLiteral("Query"), QStringLiteral("Query Temperature Units.")));
    row(g, QStringLiteral("Temperature Units :"), TempUnitsCombo, TempUnitsBut, TempUnitsQueryBut);

    MAKE(DensityCorrCombo, list(QStringLiteral("Select Density Correction.")));
    MAKE(DensityCorrBut, button(QStringLiteral("Set"), QStringLiteral("Set Density Correction.")));
    MAKE(DensityCorrQueryBut, button(QStringLiteral("Query"), QStringLiteral("Query Density Correction.")));
    row(g, QStringLiteral("Density Correction :"), DensityCorrCombo, DensityCorrBut, DensityCorrQueryBut);

    MAKE(ReverseCombo, list(QStringLiteral("Enable Reverse output.")));
    MAKE(ReverseBut, button(QStringLiteral("Set"), QStringLiteral("Set Reverse.")));
    MAKE(ReverseQueryBut, button(QStringLiteral("Query")));
    row(g, QStringLiteral("Reverse Output :"), ReverseCombo, ReverseBut, ReverseQueryBut);

    MAKE(LevelText, field(QStringLiteral("Enter Local Level Value.")));
    MAKE(LevelBut, button(QStringLiteral("Set"), QStringLiteral("Set Local level.")));
    MAKE(LevelQueryBut, button(QStringLiteral("Query")));
    row(g, QStringLiteral("Local Level :"), LevelText, LevelBut, LevelQueryBut);

    MAKE(LocalOffsetCheck, new QCheckBox(QStringLiteral("Apply")));
    LocalOffsetCheck->setToolTip(QStringLiteral("Apply Local Level Offset."));
    MAKE(ApplyQueryBut, button(QStringLiteral("Query"), QStringLiteral("Query Apply Local Level.")));
    row(g, QStringLiteral("Local Level Offset :"), LocalOffsetCheck, nullptr, ApplyQueryBut);

    MAKE(UnlockCheck, new QCheckBox(QStringLiteral("Unlock")));
    UnlockCheck->setToolTip(QStringLiteral("Check to Unlock Sensor."));
    MAKE(UnlockQueryBut, button(QStringLiteral("Unlock"), QStringLiteral("Query Sensor Lock status.")));
    row(g, QStringLiteral("Sensor Lock :"), UnlockCheck, nullptr, UnlockQueryBut);

    MAKE(SGText, field(QStringLiteral("Enter Specific Gravity.")));
    MAKE(SGBut, button(QStringLiteral("Set"), QStringLiteral("Set SG.")));
    row(g, QStringLiteral("S.G."), SGText, SGBut);

    MAKE(SampleRateText, field(QStringLiteral("Max Sample Rate."), true));
    row(g, QStringLiteral("Max Sample Rate :"), SampleRateText);

    MAKE(LevelOffsetText, field(QStringLiteral("Enter Level Offset Value.")));
    MAKE(LevelOffsetBut, button(QStringLiteral("Set"), QStringLiteral("Set Level Offset.")));
    row(g, QStringLiteral("Level Offset:"), LevelOffsetText, LevelOffsetBut);

    MAKE(AutoZeroBut, button(QStringLiteral("Set"), QStringLiteral("Set Auto Zero.")));
    row(g, QStringLiteral("Auto Zero:"), nullptr, AutoZeroBut);

    MAKE(IDQueryBut, button(QStringLiteral("Query"), QStringLiteral("Query Sensor Details.")));
    row(g, QStringLiteral("Sensor Details :"), nullptr, nullptr, IDQueryBut);
    MAKE(SensorIDList, new QListWidget);
    SensorIDList->setMaximumHeight(80);
    g->addWidget(SensorIDList, g->rowCount(), 0, 1, 4);
    return ParameterFrame;
}

QGroupBox *SensorTabWidget::buildCalibrateFrame()
{
    MAKE(CalibrateFrame, new QGroupBox(QStringLiteral("Calibrate")));
    auto *g = new QGridLayout(CalibrateFrame);
    row(g, QStringLiteral("Stage 1"), nullptr);
    MAKE(StageOneBut, button(QStringLiteral("Go"), QStringLiteral("Set Stage 1 Parameters.")));
    row(g, QString(), nullptr, StageOneBut);
    MAKE(ClearOffsetsBut, button(QStringLiteral("Go"), QStringLiteral("Clear Offsets.")));
    row(g, QStringLiteral("Clear Offsets :"), nullptr, ClearOffsetsBut);
    row(g, QStringLiteral("Stage 2"), nullptr);
    MAKE(ZeroCalibrationText, field());
    MAKE(ZeroCalibrationBut, button(QStringLiteral("Go"), QStringLiteral("Initiate Zero Calibration.")));
    row(g, QStringLiteral("Zero Calibration:"), ZeroCalibrationText, ZeroCalibrationBut);
    MAKE(SlopeCalibrationText, field());
    MAKE(SlopeCalibrationBut, button(QStringLiteral("Go"), QStringLiteral("Initiate Slope Calibration.")));
    row(g, QStringLiteral("Slope Calibration:"), SlopeCalibrationText, SlopeCalibrationBut);
    MAKE(PressureText, field());
    MAKE(PressureBut, button(QStringLiteral("Get"), QStringLiteral("Get Pressure Reading.")));
    row(g, QStringLiteral("Pressure:"), PressureText, PressureBut);
    MAKE(CalibrationCompleteBut, button(QStringLiteral("Yes"), QStringLiteral("Complete Calibration.")));
    row(g, QStringLiteral("Calibration Complete:"), nullptr, CalibrationCompleteBut);
    MAKE(LocalGravityText, field(QStringLiteral("Enter Local Gravity Value.")));
    MAKE(LocalGravityBut, button(QStringLiteral("Set"), QStringLiteral("Set Local Gravity.")));
    MAKE(LocalGravityQueryBut, button(QStringLiteral("Query"), QStringLiteral("Query Local Gravity.")));
    row(g, QStringLiteral("Local Gravity :"), LocalGravityText, LocalGravityBut, LocalGravityQueryBut);
    g->setRowStretch(g->rowCount(), 1);
    return CalibrateFrame;
}

QGroupBox *SensorTabWidget::buildRotaryFrame()
{
    MAKE(RotaryEncoderFrame, new QGroupBox(QStringLiteral("Set Parameters")));
    auto *g = new QGridLayout(RotaryEncoderFrame);
    MAKE(RotaryAddressCombo, list(QStringLiteral("Select Sensor Address.")));
    MAKE(RotaryAddrBut, button(QStringLiteral("Set"), QStringLiteral("Set Sensor Address.")));
    row(g, QStringLiteral("Sensor Address :"), RotaryAddressCombo, RotaryAddrBut);

    MAKE(RotaryCountsPerRevText, field());
    MAKE(RotaryCountsPerRevBut, button(QStringLiteral("Set")));
    MAKE(QueryRotaryCountsPerRevBut, button(QStringLiteral("Query")));
    row(g, QStringLiteral("Counts Per Rev:"), RotaryCountsPerRevText, RotaryCountsPerRevBut, QueryRotaryCountsPerRevBut);

    MAKE(RotaryPulleyCircumText, field(QStringLiteral("Set Pulley Circumference.")));
    MAKE(RotaryPulleyCircumBut, button(QStringLiteral("Set"), QStringLiteral("Set Pulley Circumference.")));
    MAKE(QueryRotaryPulleyCircumfBut, button(QStringLiteral("Query"), QStringLiteral("Query Pulley Circumference.")));
    row(g, QStringLiteral("Pulley Circumf (mm) :"), RotaryPulleyCircumText, RotaryPulleyCircumBut,
        QueryRotaryPulleyCircumfBut);

    MAKE(RotaryMeasurementUnitsCombo, list(QStringLiteral("Select Measurement Units.")));
    MAKE(RotaryMeasurementUnitsBut, button(QStringLiteral("Set"), QStringLiteral("Set Measurement Units.")));
    MAKE(QueryRotaryMeasurementUnitsBut, button(QStringLiteral("Query"), QStringLiteral("Query Measurement Units.")));
    row(g, QStringLiteral("Measurement Units :"), RotaryMeasurementUnitsCombo, RotaryMeasurementUnitsBut,
        QueryRotaryMeasurementUnitsBut);

    MAKE(RotaryDirectionCombo, list(QStringLiteral("Select Rotation Direction.")));
    MAKE(RotaryDirectionBut, button(QStringLiteral("Set"), QStringLiteral("Set Rotation Direction.")));
    MAKE(QueryRotaryDirectionBut, button(QStringLiteral("Query"), QStringLiteral("Query Rotation Direction.")));
    row(g, QStringLiteral("Rotation Direction :"), RotaryDirectionCombo, RotaryDirectionBut, QueryRotaryDirectionBut);

    MAKE(RotaryCurrentValueText, field(QStringLiteral("Set Current Value.")));
    MAKE(RotaryCurrentValueBut, button(QStringLiteral("Set"), QStringLiteral("Set Output to Current Value.")));
    MAKE(QueryRotaryCurrentValueBut, button(QStringLiteral("Query"), QStringLiteral("Query Current Value.")));
    row(g, QStringLiteral("Set Current Value :"), RotaryCurrentValueText, RotaryCurrentValueBut,
        QueryRotaryCurrentValueBut);

    MAKE(RotarySetZeroBut, button(QStringLiteral("Set"), QStringLiteral("Set Output to Zero.")));
    row(g, QStringLiteral("Set Output to Zero :"), nullptr, RotarySetZeroBut);

    MAKE(RotaryMaxRangeText, field({}, true));
    row(g, QStringLiteral("Maximum Range :"), RotaryMaxRangeText);
    MAKE(RotaryMeasurementResText, field({}, true));
    row(g, QStringLiteral("Measurement Res :"), RotaryMeasurementResText);

    MAKE(RotaryIDQueryBut, button(QStringLiteral("Query"), QStringLiteral("Query Sensor Details.")));
    row(g, QStringLiteral("Sensor Details :"), nullptr, nullptr, RotaryIDQueryBut);
    MAKE(RotarySensorIDList, new QListWidget);
    RotarySensorIDList->setMaximumHeight(80);
    g->addWidget(RotarySensorIDList, g->rowCount(), 0, 1, 4);
    g->setRowStretch(g->rowCount(), 1);
    return RotaryEncoderFrame;
}

QGroupBox *SensorTabWidget::buildLogFrame(LogModel *levelLog, LogModel *rotaryLog)
{
    MAKE(LogFrame, new QGroupBox(m_index == 0 ? QStringLiteral("Log") : QStringLiteral("Data Logging")));
    auto *v = new QVBoxLayout(LogFrame);
    auto *top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("Logging Period :")));
    MAKE(LogPeriodCombo, list(QStringLiteral("Select Logging Period.")));
    MAKE(RotaryLogPeriodCombo, list(QStringLiteral("Select Logging Period.")));
    top->addWidget(LogPeriodCombo);
    top->addWidget(RotaryLogPeriodCombo);
    top->addStretch();
    v->addLayout(top);

    auto *buttons = new QHBoxLayout;
    MAKE(StartLogBut, button(QStringLiteral("Start Log")));
    MAKE(StopLogBut, button(QStringLiteral("Stop Log")));
    MAKE(RotaryStartLogBut, button(QStringLiteral("Start Log")));
    MAKE(RotaryStopLogBut, button(QStringLiteral("Stop Log")));
    MAKE(ClearLogBut, button(QStringLiteral("Clear Log")));
    MAKE(SaveLogBut, button(QStringLiteral("Save Log"), QStringLiteral("Save Log File.")));
    for (QPushButton *b : {StartLogBut, StopLogBut, RotaryStartLogBut, RotaryStopLogBut, ClearLogBut, SaveLogBut})
        buttons->addWidget(b);
    v->addLayout(buttons);
    MAKE(LogCountLabel, new QLabel);
    v->addWidget(LogCountLabel);

    MAKE(LogListView, new LogList(levelLog));
    MAKE(RotaryLogListView, new LogList(rotaryLog));
    // The chart above the list, drawing the same readings as they arrive.
    MAKE(LogChartView, new LogChart);
    MAKE(LogSplitter, new QSplitter(Qt::Vertical));
    LogSplitter->addWidget(LogChartView);
    auto *lists = new QWidget;
    auto *lv = new QVBoxLayout(lists);
    lv->setContentsMargins(0, 0, 0, 0);
    lv->addWidget(LogListView);
    lv->addWidget(RotaryLogListView);
    LogSplitter->addWidget(lists);
    LogSplitter->setChildrenCollapsible(false);
    LogSplitter->setStretchFactor(0, 1);
    LogSplitter->setStretchFactor(1, 1);
    LogSplitter->setSizes({1000, 800});
    v->addWidget(LogSplitter, 1);
    for (LogList *l : {LogListView, RotaryLogListView})
        connect(l, &LogList::countChanged, this, &SensorTabWidget::showLogCount);
    showLogCount(0);
    return LogFrame;
}

#undef MAKE

void SensorTabWidget::showLogCount(int rows)
{
    LogCountLabel->setText(LogModel::readingsText(rows));
}

void SensorTabWidget::setFamily(bool rotary)
{
    const auto refit = qScopeGuard([this] { fitFrameWidth(); });
    ParameterFrame->setVisible(!rotary);
    RotaryEncoderFrame->setVisible(rotary);
    CalibrateFrame->setVisible(false);
    LogListView->setVisible(!rotary);
    RotaryLogListView->setVisible(rotary);
    LogChartView->setModel(rotary ? RotaryLogListView->logModel() : LogListView->logModel(),
                           rotary ? QStringList{QStringLiteral("Level")}
                                  : QStringList{QStringLiteral("Pressure"), QStringLiteral("Temperature")});
    LogPeriodCombo->setVisible(!rotary);
    RotaryLogPeriodCombo->setVisible(rotary);
    StartLogBut->setVisible(!rotary);
    StopLogBut->setVisible(!rotary);
    RotaryStartLogBut->setVisible(rotary);
    RotaryStopLogBut->setVisible(rotary);
}
