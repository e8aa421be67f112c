#include "EntryRules.h"

namespace entry {

Verdict filterKey(const QString &current, QChar key, bool allowMinus)
{
    if (allowMinus && key == QLatin1Char('-'))
        return current.contains(QLatin1Char('-')) ? Verdict::Refuse : Verdict::Accept;
    if (key == QLatin1Char('.'))
        return current.contains(QLatin1Char('.')) ? Verdict::Refuse : Verdict::Accept;
    if ((key >= QLatin1Char('0') && key <= QLatin1Char('9')) || key.unicode() == 8)
        return Verdict::Accept;
    return Verdict::Refuse;
}

QString leadingPointRepair(const QString &text)
{
    return text.startsWith(QLatin1Char('.')) ? QStringLiteral("0") + text : text;
}

} // namespace entry
