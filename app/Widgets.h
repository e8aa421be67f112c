#pragma once

#include <QComboBox>
#include <QString>

// Drop-down lists show "Select....." until an entry is chosen; a list blanked
// while its answer is awaited shows nothing at all.
namespace combo {

inline const QString &selectText()
{
    static const QString s = QStringLiteral("Select.....");
    return s;
}

// The text the list shows.
inline QString text(const QComboBox *c)
{
    return c->currentIndex() >= 0 ? c->currentText() : c->placeholderText();
}

// No entry and no text.
inline void blank(QComboBox *c)
{
    c->setPlaceholderText(QString());
    c->setCurrentIndex(-1);
}

// No entry, "Select....." shown.
inline void reset(QComboBox *c)
{
    c->setCurrentIndex(-1);
    c->setPlaceholderText(selectText());
}

// Selects entry i (the placeholder comes back for a later reset).
inline void select(QComboBox *c, int i)
{
    c->setCurrentIndex(i);
    if (i < 0)
        c->setPlaceholderText(selectText());
}

} // namespace combo
