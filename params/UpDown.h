#pragma once

#include <QWidget>

class QToolButton;

// A pair of arrow buttons stepping a bounded whole number.
class UpDown : public QWidget
{
    Q_OBJECT
public:
    UpDown(int minimum, int maximum, QWidget *parent = nullptr);
    int value() const { return m_value; }
    int minimum() const { return m_min; }
    int maximum() const { return m_max; }
    // Takes the value (clamped) without raising changed().
    void setValue(int v);

signals:
    // The user stepped the value.
    void changed(int value);

private:
    void stepBy(int d);
    int m_min, m_max, m_value;
    QToolButton *m_up, *m_down;
};
