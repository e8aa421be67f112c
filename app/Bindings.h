#pragma once

#include <QObject>
#include <QVector>
#include <functional>

class Control;
class FieldSet;
class QWidget;

// Binds widgets and actions to the run's fields by name: the control named
// "RangeText" of tab 3 is the child widget "RangeText_3", a field of the
// window's own is the widget or action of its bare name. A change of a field
// updates its widget at once; a change the user (or a test) makes to a
// widget sets its field. What the view shows when applying a field never
// goes back to the run.
class FieldBinding : public QObject
{
    Q_OBJECT
public:
    // `roots`: where the widgets are looked for (with their children).
    // `hidden`: names of controls this family never shows.
    FieldBinding(FieldSet &set, const QList<QObject *> &roots, const QStringList &hidden = {},
                 QObject *parent = nullptr);

    // A widget set a check box (the run's own change is not told).
    std::function<void(Control *)> userChecked;

    // The field `id` changed: its widget shows it.
    void apply(int id);
    void applyAll();
    QObject *widget(int id) const { return m_widgets.value(id); }

private:
    void connectWidget(Control *c, QObject *w);

    FieldSet &m_set;
    QVector<QObject *> m_widgets;   // by field id; null where none shows it
    QStringList m_hidden;
    bool m_applying = false;
};
