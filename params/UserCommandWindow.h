#pragma once

#include <QWidget>

class QLabel;
class QLineEdit;
class QPushButton;

// "User Command Entry": any text typed is sent as a raw command and the
// reply is shown. The maintenance code opens the timing settings instead.
class UserCommandWindow : public QWidget
{
    Q_OBJECT
public:
    explicit UserCommandWindow(QWidget *parent = nullptr);

    QLineEdit *UserText;
    QPushButton *SubmitBut;
    QLineEdit *ReceivedText;
    QLabel *CrcText;   // whether the answer's CRC is right, for answers that carry one
    int UserCommandCount = 0;

    // A command went out: the answers to aRCn!, and the data answers
    // (aDn!) after aMC! or aCC!, carry an SDI-12 CRC.
    void commandSent(const QString &command);
    // A reply line: shown whole, and counted when not empty.
    void showReply(const QString &text);

signals:
    void submitted(const QString &text);
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    bool m_crcData = false;     // an aMC! or aCC! came before: its data carry a CRC
    bool m_crcAnswer = false;   // the answer awaited carries one
};
