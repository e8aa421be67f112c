#pragma once

#include <QString>
#include <QStringList>
#include <QVector>
#include <functional>

class Console;
class Control;

// A sensor's parameters by readable name ("range", "pressure-units"), as a
// script or a parameter profile names them: the control that shows each, the
// query and the set its tab's buttons send, and the rules its entry field
// applies to what is typed. The command line and the profile set and read
// through these, with the same commands and checks as the tab.
struct Parameter {
    enum class Kind { Number, Text, List, Switch, Lines };
    const char *name;       // readable name
    const char *label;      // its line in the parameter report ("Range"); null: not in it
    const char *field;      // the control of the tab that shows it
    Kind kind;
    bool minus = false;     // a number field that takes a minus sign
    bool settable = true;
    bool inProfile = false;   // set from a parameter report
    std::function<void(Console &, int)> query;
    std::function<void(Console &, int)> set;   // with the field holding the value
};

namespace parameters {

// The family's parameters, those a profile sets first (units) first.
const QVector<Parameter> &all(bool rotary);
const Parameter *find(bool rotary, const QString &name);
// The family's parameter names; `settableOnly`: those `set` takes.
QStringList names(bool rotary, bool settableOnly = false);

// What the field of `p` shows on tab `a`.
QString value(const Console &m, int a, const Parameter &p);
// Puts `text` into the field as the tab would take it: a number typed key
// by key through the field's rules, a list entry by its text (any case),
// a switch as on/off. False, with the reason in the words of the
// tab, when the field would refuse it.
bool put(Console &m, int a, const Parameter &p, const QString &text, QString *why);
// Why the set of `p` would be refused as things stand (the range while the
// sensor is locked), in the tab's words; empty when it would go out.
QString refusal(const Console &m, int a, const Parameter &p);
// The list entries a list parameter offers.
QStringList choices(const Console &m, int a, const Parameter &p);

} // namespace parameters
