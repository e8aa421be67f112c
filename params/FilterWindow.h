#pragma once

#include <QDialog>
#include <optional>

class QLineEdit;
class QPushButton;
class UpDown;

// "Filter Settings": the number of readings a sensor averages and the
// interval between them, and the resulting maximum sample rate. Created once;
// its two input fields keep their values while hidden and are what the
// filter set sends.
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

    void setReadings(int n);
    void setInterval(int i);
    // The fields as whole numbers within the frame's two and four digits;
    // nothing for a field that is empty, not a number or out of range.
    std::optional<int> readings() const;
    std::optional<int> interval() const;
    // readings x interval x 0.2 into MaxSampleRateText; returns the text.
    QString updateMaxSampleRate();
};
