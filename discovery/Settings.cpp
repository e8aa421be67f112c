#include "Settings.h"

#include "discovery/Console.h"
#include "decode/Values.h"
#include "discovery/SysData.h"
#include "link/PortMenu.h"

#include <QDir>
#include <cmath>

namespace {
int fieldValue(const TextField &e)
{
    return static_cast<int>(std::lround(values::Val(e.text())));
}
} // namespace

void Settings::takeFields()
{
    m.link.BreakTiming = fieldValue(m.win.BreakText);
    m.link.MarkTiming = fieldValue(m.win.MarkText);
    m.link.DataTimeout = fieldValue(m.win.DataTimeoutText);
    m.link.setCommandTimeout(fieldValue(m.win.TimeoutText));
}

void Settings::ReadSysData()
{
    readSettings();
    m.ports->OpenCommPort(m.CommPort);
}

void Settings::readSettings()
{
    bool valid = true;
    const LinkSettings s = sysdata::withDefaults(m_store.read(), &valid);
    m.CommPort = s.port;
    m.win.BreakText.setText(QString::number(s.breakMs));
    m.win.MarkText.setText(QString::number(s.markMs));
    m.win.DataTimeoutText.setText(QString::number(s.dataTimeoutMs));
    m.win.TimeoutText.setText(QString::number(s.commandTimeoutMs));
    takeFields();
    for (int i = 1; i <= 16; ++i)
        m.win.mnuCom[i].setChecked(i == m.CommPort);
    if (!valid) {
        // Said once: the repaired values are stored at once.
        m.warn(QStringLiteral("Settings."),
               QStringLiteral("The settings file \"%1\" was not valid.\rThe default settings were used.")
                   .arg(QDir::toNativeSeparators(m_store.readPath())));
        WriteSysData(m.CommPort);
    }
}

void Settings::WriteSysData(int port)
{
    SysDataRecord r;
    r.port = static_cast<qint16>(port);
    r.breakMs = static_cast<qint16>(fieldValue(m.win.BreakText));
    r.markMs = static_cast<qint16>(fieldValue(m.win.MarkText));
    r.dataTimeoutMs = static_cast<qint16>(fieldValue(m.win.DataTimeoutText));
    r.commandTimeoutMs = static_cast<qint16>(fieldValue(m.win.TimeoutText));
    QString error;
    if (m_store.write(r, &error) || m_saveFailureShown)
        return;
    // Said once per run; every later change stays in effect all the same.
    m_saveFailureShown = true;
    m.warn(QStringLiteral("Settings."),
           QStringLiteral("The settings could not be saved to \"%1\": %2.\rThe values stay in effect until the "
                          "program ends.")
               .arg(QDir::toNativeSeparators(m_store.writePath()), error));
}

void Settings::butApply_Click()
{
    const int timeout = fieldValue(m.win.TimeoutText);
    if (timeout <= 0 || timeout > 6553) {
        m.warn(QStringLiteral("Timing Settings."),
               QStringLiteral("The command timeout must be between 1 and 6553 mS. Nothing was changed."));
        // The fields show the timings in effect again: they are what the
        // next port choice stores.
        m.win.BreakText.setText(QString::number(m.link.BreakTiming));
        m.win.MarkText.setText(QString::number(m.link.MarkTiming));
        m.win.DataTimeoutText.setText(QString::number(m.link.DataTimeout));
        m.win.TimeoutText.setText(QString::number(m.link.commandTimeout()));
        return;
    }
    takeFields();
    WriteSysData(m.CommPort);
}

void Settings::butDefault_Click()
{
    m.win.BreakText.setText(QStringLiteral("20"));
    m.win.MarkText.setText(QStringLiteral("15"));
    m.win.DataTimeoutText.setText(QStringLiteral("200"));
    m.win.TimeoutText.setText(QStringLiteral("400"));
    takeFields();
}
