#pragma once

#include <QStringList>

class Console;

// "Save As...": the parameters of the sensor on the current tab as a text
// report.
class ParameterReport
{
public:
    explicit ParameterReport(Console &m) : m(m) {}
    void mnuSaveAs_Click();

    QStringList WriteLevelReport(int tab) const;
    QStringList WriteRotaryReport(int tab) const;

private:
    Console &m;
};
