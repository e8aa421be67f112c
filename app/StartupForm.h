#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// The first window: the user picks the sensor family for the whole run.
class StartupForm : public QWidget
{
    Q_OBJECT
public:
    enum class Family { LevelProbe, RotaryEncoder, EncoderConverter };
    explicit StartupForm(QWidget *parent = nullptr);

    QLabel *Label1, *Label4, *versionLabel, *Label2, *Label3, *Label5;
    QPushButton *LevelProbeButton, *RotaryEncoderButton, *EncoderConverterButton;

signals:
    void chosen(StartupForm::Family family);
};
