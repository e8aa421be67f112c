#pragma once

#include <QWidget>

class QPlainTextEdit;

// "Orvane": contact details and the version.
class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);
    QPlainTextEdit *Text1;
    static QString aboutText();
};
