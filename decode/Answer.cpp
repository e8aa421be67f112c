#include "Answer.h"

Answer::Answer(const QString &line, Anchor anchor) : m_text(line)
{
    const qsizetype i = anchor == FirstBang ? line.indexOf(QLatin1Char('!'))
                                            : line.lastIndexOf(QLatin1Char('!'));
    m_p = i < 0 ? 0 : static_cast<int>(i) + 1;
}

std::optional<QChar> Answer::at(int pos) const
{
    if (pos < 1 || pos > m_text.size())
        return std::nullopt;
    return m_text.at(pos - 1);
}

std::optional<int> Answer::digit(int k) const
{
    const auto c = field(k);
    if (!c)
        return std::nullopt;
    const ushort u = c->unicode();
    return (u >= '0' && u <= '9') ? int(u - '0') : 0;
}

QString Answer::from(int pos) const
{
    if (pos < 1)
        pos = 1;
    if (pos > m_text.size())
        return {};
    return m_text.mid(pos - 1);
}

QString Answer::mid(int pos, int n) const
{
    if (pos < 1 || pos > m_text.size() || n <= 0)
        return {};
    return m_text.mid(pos - 1, n);
}

QString Answer::afterAddress() const
{
    const int l = afterBang();
    if (l <= 1)
        return {};
    return m_text.right(l - 1);
}

QString Answer::signedValue(int shift) const
{
    if (m_text.contains(QLatin1Char('+')))
        return from(m_p + 3 + shift);
    return from(m_p + 2 + shift);
}

void Answer::skipRepeatedLetters(const QString &letters)
{
    if (m_p <= 0)
        return;
    const qsizetype q = m_text.indexOf(letters, m_p - 1);
    if (q >= 0)
        m_p = static_cast<int>(q) + static_cast<int>(letters.size()) - 1;
}
