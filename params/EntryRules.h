#pragma once

#include <QChar>
#include <QString>

// Keystroke rules of the numeric entry fields: digits, at most one decimal
// point and, where the value may be negative, at most one minus sign.
namespace entry {

enum class Verdict { Accept, Refuse };

// `current` is the field's whole text (a selection that the key would
// replace counts as present). Backspace (8) is always accepted.
Verdict filterKey(const QString &current, QChar key, bool allowMinus);

// A text starting with "." gets a leading "0".
QString leadingPointRepair(const QString &text);

} // namespace entry
