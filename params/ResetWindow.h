#pragma once

#include <QDialog>

class QComboBox;
class QPushButton;

// "Reset Sensor": picks a sensor and returns it to its neutral settings.
class ResetWindow : public QDialog
{
    Q_OBJECT
public:
    explicit ResetWindow(QWidget *parent = nullptr);
    QComboBox *SensorCombo;
    QPushButton *ResetBut;
};
