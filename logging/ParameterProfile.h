#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

class Console;
struct Parameter;

// A parameter report the console saved, read back as a profile: the
// settable parameters it gives (level probes: range, maximum over-range,
// pressure and temperature units, density correction, local gravity, local
// level, reverse; the rotary family: measurement units, pulley
// circumference, rotation direction, counts per revolution), to be set on
// another sensor with their normal commands. Identification, serial number,
// address, calibration and the values only read are never set.
class ParameterProfile
{
public:
    struct Entry {
        const Parameter *parameter;
        QString value;
    };
    struct Change {
        const Parameter *parameter;
        QString before, wanted, after;
        bool done = false;
    };

    explicit ParameterProfile(Console &m) : m(m) {}

    // Reads a report for the family of this run. False with the reason (a
    // line number for a line that does not read) when it is refused.
    bool read(const QString &text, QString *error);

    // The sensor at `a` is read afresh; the parameters that differ from the
    // profile. False when no sensor of the family answers there.
    bool compare(int a, QVector<Change> *changes, QString *error);
    // Sets each change with its normal command, then reads the parameters
    // back into `after`; `done` where they now match.
    void apply(int a, QVector<Change> &changes);

    // The File menu's "Apply Parameters...": a report chosen, compared with
    // the sensor on the tab shown, applied after a Yes, the outcome said.
    void mnuApply_Click();

    // "Range: 10.0000 -> 12.5000", one line a change.
    static QStringList describe(const QVector<Change> &changes, bool after = false);

private:
    static bool same(const Parameter &p, const QString &a, const QString &b);
    void run(const std::function<void()> &send);
    Console &m;
    QVector<Entry> m_entries;
};
