#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;
class Ui;

// "Timing Settings": the working copy of the SDI-12 link timings. Reached
// only through the maintenance code of the User Command window.
class TimingWindow : public QDialog
{
    Q_OBJECT
public:
    TimingWindow(Ui &ui, QWidget *parent = nullptr);

    QLineEdit *BreakText;
    QLineEdit *MarkText;
    QLineEdit *TimeoutText;
    QLineEdit *DataTimeoutText;
    QPushButton *butApply;
    QPushButton *butDefault;

signals:
    void applyClicked();
    void defaultClicked();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    Ui &m_ui;
};
