#pragma once

class Console;

// While an exchange is in flight the tab of its sensor is busy: its command
// controls and the window-wide commands are disabled, so that no second
// command can start. Whoever handles the answer (or its absence) returns the
// tab to idle. The state is the controls' enabled flags; the views apply it.
class BusyState
{
public:
    explicit BusyState(Console &m) : m(m) {}

    void SetLevelBusy(int address);
    void SetLevelIdle(int address);
    void SetRotaryBusy(int address);
    void SetRotaryIdle(int address);
    void EnableCalibrationButtons(int address);
    void DisableCalibrationButtons(int address);

    // Logging holds every tab's start, period and address controls off; once
    // it has stopped, each idle tab of the family gets them back (a busy one
    // gets them back when its exchange ends).
    void releaseLoggingHold(bool rotary);

    // The family's pair.
    void setBusy(int address);
    void setIdle(int address);

private:
    void windowCommands(bool enabled, bool rotary);
    Console &m;
};
