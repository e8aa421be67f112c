#pragma once

class Console;

// A sensor's identity on the bus: changing its address (and moving what the
// console shows of it to the tab of the new address), asking a lone sensor
// for its address, and reading its identification.
class AddressOps
{
public:
    explicit AddressOps(Console &m) : m(m) {}

    void AddrBut_Click(int index);
    void RotaryAddrBut_Click(int index);
    void mnuQueryAddress_Click();
    void IDQueryBut_Click(int index);
    void RotaryIDQueryBut_Click(int index);

    void MoveLevelSensorTab(int oldTab, int newTab);
    void MoveRotarySensorTab(int oldTab, int newTab);

private:
    void changeAddress(int index, bool rotary);
    void moveCommon(int oldTab, int newTab, bool rotary);
    Console &m;
};
