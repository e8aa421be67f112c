#pragma once

#include <functional>

class Console;

// The bus scan: which addresses hold a sensor of the chosen family, and
// everything each found sensor can be asked for. Strictly one command, one
// wait for its answer, then the next.
class Scanner
{
public:
    explicit Scanner(Console &m) : m(m) {}

    void Poll_Sensors();
    // The scan of one address, quietly (no window, no beep, no message):
    // whether a sensor of the family answers there, everything read of it.
    bool readSensor(int a);
    // After a pressure-unit change: the values that depend on the unit.
    void RequeryUnitDependentValues(int a);

    bool running() const { return m_running; }

private:
    bool scanAddress(int a);
    bool step(const std::function<void()> &send);
    bool measurementStep(int a);
    void levelList(int a);
    void rotaryList(int a);
    void logStatus(int a);

    Console &m;
    bool m_running = false;
};
