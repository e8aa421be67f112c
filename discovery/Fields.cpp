#include "Fields.h"

Control::Control(FieldSet &set, const char *name) : m_set(set), m_name(name), m_id(set.add(this)) {}

int Control::tab() const
{
    return m_set.tab();
}

void Control::changed()
{
    m_set.notify(m_id);
}

void Control::setEnabled(bool on)
{
    if (m_enabled == on)
        return;
    m_enabled = on;
    changed();
}

void Control::setVisible(bool on)
{
    if (m_visible == on)
        return;
    m_visible = on;
    changed();
}

void Control::setFocus()
{
    m_set.focus(m_id);
}

void TextField::setText(const QString &text)
{
    if (m_text == text)
        return;
    m_text = text;
    changed();
}

const QString &ListField::selectText()
{
    static const QString s = QStringLiteral("Select.....");
    return s;
}

QString ListField::text() const
{
    return m_index >= 0 ? m_items.value(m_index) : m_placeholder;
}

void ListField::setItems(const QStringList &items, const QVector<int> &data)
{
    m_items = items;
    m_data.clear();
    for (int i = 0; i < items.size(); ++i)
        m_data.push_back(i < data.size() ? data[i] : i);
    m_index = -1;
    changed();
}

void ListField::clear()
{
    setItems({});
}

void ListField::select(int i)
{
    m_index = i >= 0 && i < count() ? i : -1;
    if (m_index < 0)
        m_placeholder = selectText();
    changed();
}

void ListField::blank()
{
    m_index = -1;
    m_placeholder.clear();
    changed();
}

void ListField::reset()
{
    m_index = -1;
    m_placeholder = selectText();
    changed();
}

void ListField::setState(int i, const QString &placeholder)
{
    m_placeholder = placeholder;
    m_index = i >= 0 && i < count() ? i : -1;
    changed();
}

bool CheckField::setCheckState(Qt::CheckState state)
{
    if (m_state == state)
        return false;
    m_state = state;
    changed();
    return true;
}

void LinesField::addItems(const QStringList &lines)
{
    if (lines.isEmpty())
        return;
    m_lines += lines;
    changed();
}

void LinesField::clear()
{
    if (m_lines.isEmpty())
        return;
    m_lines.clear();
    changed();
}

void EntryField::setCaption(const QString &caption)
{
    if (m_caption == caption)
        return;
    m_caption = caption;
    changed();
}

void EntryField::setChecked(bool on)
{
    if (m_checked == on)
        return;
    m_checked = on;
    changed();
}

void ValueField::setValue(int v)
{
    if (m_value == v)
        return;
    m_value = v;
    changed();
}

Control *FieldSet::find(const QString &name) const
{
    for (Control *c : m_controls)
        if (name == QLatin1String(c->name()))
            return c;
    return nullptr;
}

int FieldSet::add(Control *c)
{
    m_controls.push_back(c);
    return static_cast<int>(m_controls.size()) - 1;
}

void FieldSet::notify(int id)
{
    if (m_owner)
        m_owner->fieldChanged(m_tab, id);
}

void FieldSet::focus(int id)
{
    if (m_owner)
        m_owner->focusRequested(m_tab, id);
}
