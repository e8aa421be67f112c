#pragma once

#include <QWidget>

class QTextBrowser;

// "Help": the user guide bundled with the program.
class HelpWindow : public QWidget
{
    Q_OBJECT
public:
    explicit HelpWindow(QWidget *parent = nullptr);
    QTextBrowser *HelpText;

    // Shows the help window of `owner`, made on first use, in front.
    static HelpWindow *showFor(QWidget *owner);
};
