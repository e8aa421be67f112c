#pragma once

#include "link/PortCatalogue.h"

class MainWindow;

// The "Comms Port" menu and the opening of the chosen port.
class PortMenu
{
public:
    explicit PortMenu(MainWindow &m) : m(m) {}

    // Labels COM1..COM16 from the system's devices; entries without a device
    // are disabled.
    void ListSerialPorts(const PortCatalogue &catalogue);
    void mnuCom_Click(int index);
    bool OpenCommPort(int port);

private:
    MainWindow &m;
};
