#include "Values.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>

namespace values {

double RoundIt(double aNumberToRound, double aDecimalPlaces)
{
    const double scale = std::pow(10.0, aDecimalPlaces);
    return std::floor(aNumberToRound * scale + 0.5) / scale;
}

double Val(const QString &text)
{
    int i = 0;
    const int n = text.size();
    while (i < n && (text.at(i) == QLatin1Char(' ') || text.at(i) == QLatin1Char('\t')))
        ++i;
    const int start = i;
    if (i < n && (text.at(i) == QLatin1Char('+') || text.at(i) == QLatin1Char('-')))
        ++i;
    int digits = 0;
    while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
        ++i;
        ++digits;
    }
    if (i < n && text.at(i) == QLatin1Char('.')) {
        ++i;
        while (i < n && text.at(i).isDigit() && text.at(i).unicode() < 128) {
            ++i;
            ++digits;
        }
    }
    if (digits == 0)
        return 0.0;
    int end = i;
    if (i < n && (text.at(i) == QLatin1Char('e') || text.at(i) == QLatin1Char('E'))) {
        int j = i + 1;
        if (j < n && (text.at(j) == QLatin1Char('+') || text.at(j) == QLatin1Char('-')))
            ++j;
        int expDigits = 0;
        while (j < n && text.at(j).isDigit() && text.at(j).unicode() < 128) {
            ++j;
            ++expDigits;
        }
        if (expDigits > 0)
            end = j;
    }
    bool ok = false;
    const double v = text.mid(start, end - start).toDouble(&ok);
    return ok && std::isfinite(v) ? v : 0.0;
}

std::optional<double> strictNumber(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    bool ok = false;
    const double v = t.toDouble(&ok);   // C locale: "." as decimal point
    if (!ok || !std::isfinite(v))
        return std::nullopt;
    return v;
}

QString fourDecimals(double x)
{
    double r = RoundIt(x, 4);
    if (r == 0.0)
        r = 0.0;   // no "-0.0000"
    return QString::number(r, 'f', 4);
}

int plainChars(double x, char *buf)
{
    if (!std::isfinite(x) || x == 0.0) {
        buf[0] = '0';
        return 1;
    }
    const int intDigits = static_cast<int>(std::floor(std::log10(std::fabs(x)))) + 1;
    const int decimals = std::clamp(15 - std::max(intDigits, 1), 0, 20);
    const std::to_chars_result r = std::to_chars(buf, buf + kPlainChars, x, std::chars_format::fixed, decimals);
    int n = r.ec == std::errc() ? static_cast<int>(r.ptr - buf) : 0;
    if (std::memchr(buf, '.', static_cast<size_t>(n))) {
        while (n > 0 && buf[n - 1] == '0')
            --n;
        if (n > 0 && buf[n - 1] == '.')
            --n;
    }
    if (n == 0 || (n == 2 && buf[0] == '-' && buf[1] == '0')) {
        buf[0] = '0';
        n = 1;
    }
    return n;
}

QString plainText(double x)
{
    char buf[kPlainChars];
    return QString::fromLatin1(buf, plainChars(x, buf));
}

bool measurementResolution(int unit, double c, double n, double *out)
{
    double converted = 0.0;
    switch (unit) {
    case 0: converted = c / 1000.0; break;
    case 1: converted = c; break;
    case 2: converted = c / 25.4; break;
    case 3: converted = c / 304.8; break;
    default: break;
    }
    const double divisor = n * 4.0;
    if (divisor == 0.0 || !std::isfinite(divisor))
        return false;
    *out = converted / divisor;
    return std::isfinite(*out);
}

} // namespace values
