#pragma once

#include <QObject>

class QLineEdit;
class Ui;

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
