#pragma once

#include "Answer.h"

#include <QString>
#include <QStringList>
#include <optional>

// Pure decodings of SDI-12 answers: a line in, values out.
namespace decoders {

// Identification "allccccccccmmmmmmvvv...": the four lines shown for a
// sensor, fields taken with their padding; a short answer gives shorter
// fields.
QStringList identificationLines(const Answer &a);

// Pressure-unit code: one digit when two characters follow the "!", two
// digits (tens, units) when three do, otherwise 0.
int pressureUnitCode(const Answer &a);

// Filter settings: N at offsets 2-3, M at offsets 5-8.
struct Filter {
    std::optional<int> readings;   // N
    std::optional<int> interval;   // M
};
Filter filter(const Answer &a);

// "1 Second" for exactly "1", else "<text> Seconds".
QString sampleRateText(const QString &maxSampleRateText);

// Data "+1.234+22.50": the values, each starting at its sign, the first two
// kept (a rotary sensor's value is the first), each without a leading "+".
struct LevelData {
    QString first;
    QString second;
};
LevelData splitLevelData(const QString &d);

// A rotary value: the first character dropped when the text holds a "+".
QString dropPlus(const QString &v);

} // namespace decoders
