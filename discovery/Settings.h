#pragma once

#include <QString>

class MainWindow;

// The settings file and the timings in effect: read once at load, written on
// every port choice and every Apply of the Timing window.
class Settings
{
public:
    Settings(MainWindow &m, QString path) : m(m), m_path(std::move(path)) {}
    void connectWindow();

    void ReadSysData();
    void WriteSysData(int port);
    void butApply_Click();
    void butDefault_Click();

    const QString &path() const { return m_path; }

private:
    void takeFields();
    MainWindow &m;
    QString m_path;
};
