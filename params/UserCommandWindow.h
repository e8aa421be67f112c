#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// "User Command Entry": any text typed is sent as a raw command and the
// reply is shown (with whether its CRC is right, where it carries one). The
// maintenance code opens the timing settings instead.
class UserCommandWindow : public QWidget
{
    Q_OBJECT
public:
    explicit UserCommandWindow(QWidget *parent = nullptr);

    QLineEdit *UserText;
    QPushButton *SubmitBut;
    QLineEdit *ReceivedText;
    QLabel *CrcText;   // whether the answer's CRC is right, for answers that carry one

signals:
    void submitted(const QString &text);
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;

};
