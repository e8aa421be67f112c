#include "PortMenu.h"

#include "discovery/Console.h"
#include "discovery/Scanner.h"
#include "discovery/Settings.h"
#include "logging/LoggingEngine.h"


PortMenu::PortMenu(Console &m) : m(m)
{
    m_retry.setInterval(2000);
    QObject::connect(&m_retry, &QTimer::timeout, [this] { retry(); });
}

void PortMenu::ListSerialPorts(const PortCatalogue &catalogue)
{
    m_listed = catalogue;
    const auto menu = ports::labelMenu(catalogue.names);
    for (int i = 1; i <= 16; ++i) {
        EntryField &a = m.win.mnuCom[i];
        a.setCaption(menu[static_cast<size_t>(i - 1)].caption);
        a.setEnabled(menu[static_cast<size_t>(i - 1)].enabled);
    }
}

void PortMenu::mnuCom_Click(int index)
{
    stopReopening();
    for (int i = 1; i <= 16; ++i)
        m.win.mnuCom[i].setChecked(i == index);
    m.CommPort = index;
    m.settings->WriteSysData(m.CommPort);
    OpenCommPort(m.CommPort);
}

bool PortMenu::OpenCommPort(int port)
{
    if (m.Comm1->isOpen())
        m.Comm1->close();
    m.Comm1->setPortNumber(port);
    if (!m.Comm1->open()) {
        // The reason the system gave, on a line of its own.
        const QString why = m.Comm1->errorString();
        m.warn(QStringLiteral("Scan Sensors..."),
               QStringLiteral("No sensors were found. Please check connections and addresses.") +
                   (why.isEmpty() ? QString() : QStringLiteral("\rCOM%1: %2").arg(port).arg(why)));
        m.win.StatusPanel2.setText(QStringLiteral("Not Connected. "));
        if (port >= 1 && port <= 16)
            m.win.mnuCom[port].setChecked(false);
        return false;
    }
    connected(port);
    if (m.ScanOnConnect) {
        m.ScanOnConnect = 0;
        m.scanner->Poll_Sensors();
    }
    m.win.mnuQueryAddress.setEnabled(true);
    return true;
}

void PortMenu::connected(int port)
{
    m_open = m_listed.identities.value(port);
    m.portReopened();
    m.win.StatusPanel2.setText(QStringLiteral("Connected on Com Port ") + QString::number(port) +
                             QStringLiteral(", 1200, n, 7, 1. "));
    m.win.SensorTab.setEnabled(true);
    // Logging that waited for a lost port goes on, whichever way a port
    // opened again.
    m.logging->portBack();
}

void PortMenu::reopenWhenBack()
{
    if (!m_open.isNull())
        m_retry.start();
}

void PortMenu::stopReopening()
{
    m_retry.stop();
}

void PortMenu::retry()
{
    if (m.Comm1->isOpen()) {
        stopReopening();
        return;
    }
    // The system's devices as they are now; the menu shows them too.
    ListSerialPorts(m.systemPorts());
    const int port = m_listed.find(m_open);
    if (port == 0)
        return;
    m.Comm1->setPortNumber(port);
    if (!m.Comm1->open())
        return;
    m.CommPort = port;
    for (int i = 1; i <= 16; ++i)
        m.win.mnuCom[i].setChecked(i == port);
    m.win.mnuQueryAddress.setEnabled(true);
    stopReopening();
    connected(port);
}
