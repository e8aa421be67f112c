#include "FilterWindow.h"

#include "params/UpDown.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

FilterWindow::FilterWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Filter"));
    setWindowTitle(QStringLiteral("Filter Settings"));
    setModal(true);
    auto *g = new QGridLayout(this);
    NoOfReadingsText = new QLineEdit;
    NoOfReadingsText->setObjectName(QStringLiteral("NoOfReadingsText"));
    NoOfReadingsText->setValidator(new QIntValidator(0, 99, NoOfReadingsText));
    UpDown1 = new UpDown(0, 99);
    UpDown1->setObjectName(QStringLiteral("UpDown1"));
    ReadingIntervalText = new QLineEdit;
    ReadingIntervalText->setObjectName(QStringLiteral("ReadingIntervalText"));
    ReadingIntervalText->setValidator(new QIntValidator(0, 9999, ReadingIntervalText));
    UpDown2 = new UpDown(0, 9999);
    UpDown2->setObjectName(QStringLiteral("UpDown2"));
    MaxSampleRateText = new QLineEdit;
    MaxSampleRateText->setObjectName(QStringLiteral("MaxSampleRateText"));
    MaxSampleRateText->setReadOnly(true);
    g->addWidget(new QLabel(QStringLiteral("Number of Readings:")), 0, 0);
    g->addWidget(NoOfReadingsText, 0, 1);
    g->addWidget(UpDown1, 0, 2);
    g->addWidget(new QLabel(QStringLiteral("Reading Interval:")), 1, 0);
    g->addWidget(ReadingIntervalText, 1, 1);
    g->addWidget(UpDown2, 1, 2);
    g->addWidget(new QLabel(QStringLiteral("Seconds")), 1, 3);
    g->addWidget(new QLabel(QStringLiteral("Max. Sample Rate:")), 2, 0);
    g->addWidget(MaxSampleRateText, 2, 1);
    g->addWidget(new QLabel(QStringLiteral("Seconds")), 2, 3);
    auto *buttons = new QHBoxLayout;
    Command1 = new QPushButton(QStringLiteral("Query"));
    Command1->setObjectName(QStringLiteral("Command1"));
    FilterSetingsBut = new QPushButton(QStringLiteral("Set"));
    FilterSetingsBut->setObjectName(QStringLiteral("FilterSetingsBut"));
    buttons->addStretch();
    buttons->addWidget(Command1);
    buttons->addWidget(FilterSetingsBut);
    g->addLayout(buttons, 3, 0, 1, 4);
    connect(UpDown1, &UpDown::changed, this, [this](int v) { NoOfReadingsText->setText(QString::number(v)); });
    connect(UpDown2, &UpDown::changed, this, [this](int v) { ReadingIntervalText->setText(QString::number(v)); });
    connect(NoOfReadingsText, &QLineEdit::textChanged, this, [this](const QString &t) { UpDown1->setValue(t.toInt()); });
    connect(ReadingIntervalText, &QLineEdit::textChanged, this, [this](const QString &t) { UpDown2->setValue(t.toInt()); });
}
