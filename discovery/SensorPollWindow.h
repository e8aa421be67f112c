#pragma once

#include <QWidget>

class QProgressBar;

// "Sensor Scan...": shown while the bus is scanned.
class SensorPollWindow : public QWidget
{
    Q_OBJECT
public:
    explicit SensorPollWindow(QWidget *parent = nullptr);
    QProgressBar *ProgressBar1;
};
