#pragma once

#include <QWidget>

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
    int UserCommandCount = 0;

    // A reply line: shown, and counted when not empty.
    void showReply(const QString &text);

signals:
    void submitted(const QString &text);
    void closing();

protected:
    void closeEvent(QCloseEvent *event) override;
};
