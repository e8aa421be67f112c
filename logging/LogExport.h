#pragma once

class MainWindow;

// "Save Log": the tab's log list to an .xls, .xlsx or .csv file.
class LogExport
{
public:
    explicit LogExport(MainWindow &m) : m(m) {}
    void SaveLogBut_Click(int index);

private:
    MainWindow &m;
};
