#include "EntryFilter.h"

#include "link/Ui.h"
#include "params/EntryRules.h"

#include <QKeyEvent>
#include <QLineEdit>

bool typesNoCharacter(const QKeyEvent *k)
{
    switch (k->key()) {
    case Qt::Key_Delete:
    case Qt::Key_Escape:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return true;
    default:
        return k->text().isEmpty();
    }
}

EntryFilter::EntryFilter(QLineEdit *field, bool allowMinus, bool repair, Ui &ui)
    : QObject(field), m_field(field), m_allowMinus(allowMinus), m_repair(repair), m_ui(ui)
{
    field->installEventFilter(this);
}

bool EntryFilter::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != m_field)
        return false;
    if (event->type() == QEvent::KeyPress) {
        auto *k = static_cast<QKeyEvent *>(event);
        if (typesNoCharacter(k))
            return false;
        const QChar c = k->key() == Qt::Key_Backspace ? QChar(8) : k->text().at(0);
        if (entry::filterKey(m_field->text(), c, m_allowMinus) == entry::Verdict::Accept)
            return false;
        m_ui.beep();
        return true;
    }
    if (event->type() == QEvent::FocusOut && m_repair) {
        const QString repaired = entry::leadingPointRepair(m_field->text());
        if (repaired != m_field->text())
            m_field->setText(repaired);
    }
    return false;
}
