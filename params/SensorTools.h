#pragma once

#include <QString>
#include <optional>

class Console;

// The filter settings, the sensor reset and the raw user command: what the
// Filter, Reset and User Command windows ask of the run. The Filter
// window's two fields are the parameters the filter set sends (the reset
// fills them without the window).
class SensorTools
{
public:
    explicit SensorTools(Console &m) : m(m) {}

    // --- filter settings, for the sensor on the tab shown
    void mnuFilter_Click();
    void Command1_Click();
    void FilterSetingsBut_Click();
    void setFilterReadings(int n);
    void setFilterInterval(int i);
    // The fields as whole numbers within the frame's two and four digits;
    // nothing for a field that is empty, not a number or out of range.
    std::optional<int> filterReadings() const;
    std::optional<int> filterInterval() const;
    // readings x interval x 0.2 into MaxSampleRateText; returns the text.
    QString updateMaxSampleRate();

    // --- sensor reset of the sensor at `index` (the Reset window's choice)
    void ResetBut_Click(int index);

    // --- user command
    static bool isMaintenanceCode(const QString &text) { return text == QLatin1String("MAINTENANCE"); }
    // The window opened: no answers counted yet.
    void mnuUserCommand_Click();
    // Sends the text as it is (the maintenance code is the window's).
    void SubmitBut_Click(const QString &text);
    // A reply line: shown whole, counted when not empty; its CRC checked
    // where it carries one (the answer to aRCn!, the data after aMC! or aCC!).
    void showReply(const QString &text);
    // The timing settings were shown: replies no longer go to the window.
    void maintenanceDone();
    // The window closes: asks whether to rescan when answers came.
    void UserCommand_Form_Unload();

private:
    void commandSent(const QString &command);
    Console &m;
    bool m_crcData = false;     // an aMC! or aCC! came before: its data carry a CRC
    bool m_crcAnswer = false;   // the answer awaited carries one
};
