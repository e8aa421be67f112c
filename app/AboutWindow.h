#pragma once

#include <QIcon>
#include <QWidget>

class QLabel;
class QPlainTextEdit;

// "Orvane": contact details and the version; below them the Qt version and
// the licence.
class AboutWindow : public QWidget
{
    Q_OBJECT
public:
    explicit AboutWindow(QWidget *parent = nullptr);
    QPlainTextEdit *Text1;
    QLabel *Licence;
    static QString aboutText();
    static QString licenceText();
    // The program's icon, also every window's icon.
    static QIcon programIcon();
};
