#pragma once

#include <QString>

class MainWindow;

// The Filter, Reset and User Command windows as the menus open them.
class SensorTools
{
public:
    explicit SensorTools(MainWindow &m) : m(m) {}
    void connectWindows();

    void mnuFilter_Click();
    void Command1_Click();
    void FilterSetingsBut_Click();
    void mnuReset_Click();
    void ResetBut_Click();
    void mnuUserCommand_Click();
    void SubmitBut_Click(const QString &text);
    void UserCommand_Form_Unload();

private:
    MainWindow &m;
};
