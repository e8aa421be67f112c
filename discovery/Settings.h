#pragma once

#include "discovery/SysData.h"

#include <QString>

class Console;

// The settings file and the timings in effect: read once at load, written on
// every port choice and every Apply of the Timing window. The file lives
// beside the program, or in the user's configuration folder (`userPath`)
// where the program's folder cannot be written.
class Settings
{
public:
    Settings(Console &m, QString path, QString userPath = QString())
        : m(m), m_path(std::move(path)), m_store(m_path, std::move(userPath))
    {
    }

    void ReadSysData();
    // The file read into the timings and the port number, the port not opened.
    void readSettings();
    void WriteSysData(int port);
    void butApply_Click();
    void butDefault_Click();

    const QString &path() const { return m_path; }

private:
    void takeFields();
    Console &m;
    QString m_path;
    sysdata::Store m_store;
    bool m_saveFailureShown = false;
};
