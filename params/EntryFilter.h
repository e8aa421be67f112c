#pragma once

#include <QObject>

class QKeyEvent;
class QLineEdit;
class Ui;

// Keys that type no character: arrows, Home, End, Delete (which X11 and
// Wayland deliver with the text "\x7f"), Escape and focus moves. Key
// filters let them pass untouched.
bool typesNoCharacter(const QKeyEvent *key);

// Applies the keystroke rules to one entry field: a refused key is discarded
// with a beep; with `repair`, leaving the field turns ".5" into "0.5".
// Text pasted or set by the program is not filtered.
class EntryFilter : public QObject
{
public:
    EntryFilter(QLineEdit *field, bool allowMinus, bool repair, Ui &ui);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QLineEdit *m_field;
    bool m_allowMinus;
    bool m_repair;
    Ui &m_ui;
};
