#pragma once

#include "link/PortCatalogue.h"

#include <QTimer>

class Console;

// The "Comms Port" menu, the opening of the chosen port, and the reopening
// of a port lost while logging, once its device is back.
class PortMenu
{
public:
    explicit PortMenu(Console &m);

    // Labels COM1..COM16 from the system's devices; entries without a device
    // are disabled.
    void ListSerialPorts(const PortCatalogue &catalogue);
    void mnuCom_Click(int index);
    bool OpenCommPort(int port);

    // The open port failed for good: look for its device every few seconds
    // and reopen it when it is back (found by its identity, whatever its
    // path); logging then goes on. Ends with stopReopening() or a port chosen.
    void reopenWhenBack();
    void stopReopening();
    bool reopening() const { return m_retry.isActive(); }
    void setRetryIntervalMs(int ms) { m_retry.setInterval(ms); }

private:
    void connected(int port);
    void retry();

    Console &m;
    PortCatalogue m_listed;     // as last listed in the menu
    PortIdentity m_open;        // the device of the port last opened
    QTimer m_retry;
};
