#pragma once

class MainWindow;

// "Save As...": the parameters of the sensor on the current tab as a text
// report.
class ParameterReport
{
public:
    explicit ParameterReport(MainWindow &m) : m(m) {}
    void mnuSaveAs_Click();

private:
    MainWindow &m;
};
