#include "Settings.h"

#include "app/MainWindow.h"
#include "decode/Values.h"
#include "discovery/SysData.h"
#include "discovery/TimingWindow.h"
#include "link/PortMenu.h"

#include <QAction>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <cmath>

namespace {
int fieldValue(const QLineEdit *e)
{
    return static_cast<int>(std::lround(values::Val(e->text())));
}
} // namespace

void Settings::connectWindow()
{
    QObject::connect(m.Timing, &TimingWindow::applyClicked, m.Timing, [this] { butApply_Click(); });
    QObject::connect(m.Timing, &TimingWindow::defaultClicked, m.Timing, [this] { butDefault_Click(); });
}

void Settings::takeFields()
{
    m.link.BreakTiming = fieldValue(m.Timing->BreakText);
    m.link.MarkTiming = fieldValue(m.Timing->MarkText);
    m.link.DataTimeout = fieldValue(m.Timing->DataTimeoutText);
    m.link.setCommandTimeout(fieldValue(m.Timing->TimeoutText));
}

void Settings::ReadSysData()
{
    bool valid = true;
    const LinkSettings s = sysdata::withDefaults(m_store.read(), &valid);
    m.CommPort = s.port;
    m.Timing->BreakText->setText(QString::number(s.breakMs));
    m.Timing->MarkText->setText(QString::number(s.markMs));
    m.Timing->DataTimeoutText->setText(QString::number(s.dataTimeoutMs));
    m.Timing->TimeoutText->setText(QString::number(s.commandTimeoutMs));
    takeFields();
    for (int i = 1; i <= 16; ++i)
        m.mnuCom[static_cast<size_t>(i)]->setChecked(i == m.CommPort);
    if (!valid) {
        // Said once: the repaired values are stored at once.
        m.warn(QStringLiteral("Settings."),
               QStringLiteral("The settings file \"%1\" was not valid.\rThe default settings were used.")
                   .arg(QDir::toNativeSeparators(m_store.readPath())));
        WriteSysData(m.CommPort);
    }
    m.ports->OpenCommPort(m.CommPort);
}

void Settings::WriteSysData(int port)
{
    SysDataRecord r;
    r.port = static_cast<qint16>(port);
    r.breakMs = static_cast<qint16>(fieldValue(m.Timing->BreakText));
    r.markMs = static_cast<qint16>(fieldValue(m.Timing->MarkText));
    r.dataTimeoutMs = static_cast<qint16>(fieldValue(m.Timing->DataTimeoutText));
    r.commandTimeoutMs = static_cast<qint16>(fieldValue(m.Timing->TimeoutText));
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
    const int timeout = fieldValue(m.Timing->TimeoutText);
    if (timeout <= 0 || timeout > 6553) {
        m.warn(QStringLiteral("Timing Settings."),
               QStringLiteral("The command timeout must be between 1 and 6553 mS. Nothing was changed."));
        return;
    }
    takeFields();
    WriteSysData(m.CommPort);
}

void Settings::butDefault_Click()
{
    m.Timing->BreakText->setText(QStringLiteral("20"));
    m.Timing->MarkText->setText(QStringLiteral("15"));
    m.Timing->DataTimeoutText->setText(QStringLiteral("200"));
    m.Timing->TimeoutText->setText(QStringLiteral("400"));
    takeFields();
}
