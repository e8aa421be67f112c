#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class UpDown;

// "Filter Settings": the number of readings a sensor averages and the
// interval between them, and the resulting maximum sample rate: a view of
// the run's filter fields, which the filter set sends.
class FilterWindow : public QDialog
{
    Q_OBJECT
public:
    explicit FilterWindow(QWidget *parent = nullptr);

    QLineEdit *NoOfReadingsText;
    UpDown *UpDown1;
    QLineEdit *ReadingIntervalText;
    UpDown *UpDown2;
    QLineEdit *MaxSampleRateText;
    QPushButton *Command1;          // "Query"
    QPushButton *FilterSetingsBut;  // "Set"

};
