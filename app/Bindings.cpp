#include "Bindings.h"

#include "discovery/Fields.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QTabBar>
#include <QWidget>

namespace {
// Controls whose being shown is the run's to say (calibrate mode, the
// family's menus, the scan's window); the family's frames are the view's.
bool visibilityManaged(const char *name)
{
    static const QStringList names = {"ParameterFrame", "CalibrateFrame", "CalibrateCheck",
                                      "mnuFilter",      "mnuReset",       "SensorPoll"};
    return names.contains(QLatin1String(name));
}

QObject *findNamed(const QList<QObject *> &roots, const QString &name)
{
    for (QObject *r : roots) {
        if (r->objectName() == name)
            return r;
        if (QObject *o = r->findChild<QObject *>(name))
            return o;
    }
    return nullptr;
}
} // namespace

FieldBinding::FieldBinding(FieldSet &set, const QList<QObject *> &roots, const QStringList &hidden, QObject *parent)
    : QObject(parent), m_set(set), m_hidden(hidden)
{
    for (Control *c : set.controls()) {
        const QString name = set.tab() < 0 ? QString::fromLatin1(c->name())
                                           : QString::fromLatin1(c->name()) + QLatin1Char('_') + QString::number(set.tab());
        QObject *w = findNamed(roots, name);
        m_widgets.push_back(w);
        if (w)
            connectWidget(c, w);
    }
    applyAll();
}

void FieldBinding::applyAll()
{
    for (int id = 0; id < m_widgets.size(); ++id)
        apply(id);
}

void FieldBinding::connectWidget(Control *c, QObject *w)
{
    // Edits made on the widget (typing, a choice, a program setting the
    // widget) become the field's; the binding's own updates do not.
    if (auto *e = qobject_cast<QLineEdit *>(w)) {
        if (c->kind() == Control::Kind::Text)
            connect(e, &QLineEdit::textChanged, this, [this, c](const QString &t) {
                if (!m_applying)
                    static_cast<TextField *>(c)->setText(t);
            });
    } else if (auto *b = qobject_cast<QComboBox *>(w)) {
        if (c->kind() == Control::Kind::List)
            connect(b, &QComboBox::currentIndexChanged, this, [this, c](int i) {
                if (!m_applying)
                    static_cast<ListField *>(c)->select(i);
            });
    } else if (auto *x = qobject_cast<QCheckBox *>(w)) {
        if (c->kind() == Control::Kind::Check)
            connect(x, &QCheckBox::stateChanged, this, [this, c](int state) {
                if (m_applying)
                    return;
                if (static_cast<CheckField *>(c)->setCheckState(static_cast<Qt::CheckState>(state)) && userChecked)
                    userChecked(c);
            });
    }
}

void FieldBinding::apply(int id)
{
    QObject *w = m_widgets.value(id);
    if (!w)
        return;
    Control *c = m_set.at(id);
    m_applying = true;
    const bool hidden = m_hidden.contains(QLatin1String(c->name()));
    if (auto *a = qobject_cast<QAction *>(w)) {
        a->setEnabled(c->isEnabled());
        if (visibilityManaged(c->name()))
            a->setVisible(c->isVisible() && !hidden);
        if (c->kind() == Control::Kind::Entry) {
            auto *e = static_cast<EntryField *>(c);
            a->setText(e->caption());
            a->setChecked(e->isChecked());
        }
        m_applying = false;
        return;
    }
    auto *widget = qobject_cast<QWidget *>(w);
    if (!widget) {
        m_applying = false;
        return;
    }
    widget->setEnabled(c->isEnabled());
    if (visibilityManaged(c->name()) || hidden)
        widget->setVisible(c->isVisible() && !hidden);
    switch (c->kind()) {
    case Control::Kind::Text: {
        const QString &t = static_cast<TextField *>(c)->text();
        if (auto *e = qobject_cast<QLineEdit *>(widget)) {
            if (e->text() != t)
                e->setText(t);
        } else if (auto *l = qobject_cast<QLabel *>(widget)) {
            l->setText(t);
        }
        break;
    }
    case Control::Kind::List:
        if (auto *b = qobject_cast<QComboBox *>(widget)) {
            auto *f = static_cast<ListField *>(c);
            bool same = b->count() == f->count();
            for (int i = 0; same && i < f->count(); ++i)
                same = b->itemText(i) == f->itemText(i) && b->itemData(i).toInt() == f->itemData(i);
            if (!same) {
                b->clear();
                for (int i = 0; i < f->count(); ++i)
                    b->addItem(f->itemText(i), f->itemData(i));
            }
            b->setPlaceholderText(f->placeholder());
            b->setCurrentIndex(f->currentIndex());
        }
        break;
    case Control::Kind::Check:
        if (auto *x = qobject_cast<QCheckBox *>(widget))
            x->setCheckState(static_cast<CheckField *>(c)->checkState());
        break;
    case Control::Kind::Lines:
        if (auto *l = qobject_cast<QListWidget *>(widget)) {
            const QStringList &lines = static_cast<LinesField *>(c)->lines();
            bool same = l->count() == lines.size();
            for (int i = 0; same && i < l->count(); ++i)
                same = l->item(i)->text() == lines[i];
            if (!same) {
                l->clear();
                l->addItems(lines);
            }
        }
        break;
    case Control::Kind::Value:
        if (auto *p = qobject_cast<QProgressBar *>(widget))
            p->setValue(static_cast<ValueField *>(c)->value());
        break;
    default:
        break;
    }
    m_applying = false;
}
