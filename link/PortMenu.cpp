#include "PortMenu.h"

#include "app/MainWindow.h"
#include "discovery/Scanner.h"
#include "discovery/Settings.h"

#include <QAction>
#include <QLabel>
#include <QTabWidget>

void PortMenu::ListSerialPorts(const PortCatalogue &catalogue)
{
    const auto menu = ports::labelMenu(catalogue.names);
    for (int i = 1; i <= 16; ++i) {
        QAction *a = m.mnuCom[static_cast<size_t>(i)];
        a->setText(menu[static_cast<size_t>(i - 1)].caption);
        a->setEnabled(menu[static_cast<size_t>(i - 1)].enabled);
    }
}

void PortMenu::mnuCom_Click(int index)
{
    for (int i = 1; i <= 16; ++i)
        m.mnuCom[static_cast<size_t>(i)]->setChecked(i == index);
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
        if (m.Comm1->isOpen())
            m.Comm1->close();
        // The reason the system gave, on a line of its own.
        const QString why = m.Comm1->errorString();
        m.warn(QStringLiteral("Scan Sensors..."),
               QStringLiteral("No sensors were found. Please check connections and addresses.") +
                   (why.isEmpty() ? QString() : QStringLiteral("\rCOM%1: %2").arg(port).arg(why)));
        m.StatusBar1[1]->setText(QStringLiteral("Not Connected. "));
        if (port >= 1 && port <= 16)
            m.mnuCom[static_cast<size_t>(port)]->setChecked(false);
        return false;
    }
    m.portReopened();
    m.StatusBar1[1]->setText(QStringLiteral("Connected on Com Port ") + QString::number(port) +
                             QStringLiteral(", 1200, n, 7, 1. "));
    m.SensorTab->setEnabled(true);
    if (m.ScanOnConnect) {
        m.ScanOnConnect = 0;
        m.scanner->Poll_Sensors();
    }
    m.mnuQueryAddress->setEnabled(true);
    return true;
}
