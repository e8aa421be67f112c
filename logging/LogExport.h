#pragma once

class Console;

// "Save Log": the tab's log list to an .xls, .xlsx or .csv file.
class LogExport
{
public:
    explicit LogExport(Console &m) : m(m) {}
    void SaveLogBut_Click(int index);

private:
    Console &m;
};
