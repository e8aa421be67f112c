#pragma once

#include <QString>
#include <optional>

// Number conversions and the display forms used throughout the console.
namespace values {

// Rounds half up to `places` decimals: Int(x * 10^places + 0.5) / 10^places,
// Int rounding down, so -1.5 at 0 places gives -1.
double RoundIt(double aNumberToRound, double aDecimalPlaces);

// The leading numeric part of a text ("12.5 Seconds" -> 12.5, "+0.123" ->
// 0.123, "abc" -> 0): how numbers typed into fields are read.
double Val(const QString &text);

// A text that must be a number as a whole (blanks around it allowed);
// nothing when it is not one.
std::optional<double> strictNumber(QStringView text);
inline std::optional<double> strictNumber(const QString &text) { return strictNumber(QStringView(text)); }

// Exactly four decimals, leading zero, minus sign: -1.5 -> "-1.5000".
QString fourDecimals(double x);

// Plain decimal text: no exponent, no trailing zeros, at most 15 significant
// digits ("0.8", "1.030928", "10", "-0.25").
QString plainText(double x);
// The same text as plainText, as Latin-1 characters into `buf` (at least
// kPlainChars bytes); returns the length. No allocation.
constexpr int kPlainChars = 352;
int plainChars(double x, char *buf);

// Distance per encoder count: the pulley circumference (mm) in the unit of
// list index `unit` (0 metres, 1 millimetres, 2 inches, 3 feet; any other
// gives 0) over four edges per count. False when counts give no divisor.
bool measurementResolution(int unit, double circumferenceMm, double counts, double *out);

} // namespace values
