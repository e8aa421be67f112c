#include "UpDown.h"

#include <QToolButton>
#include <QVBoxLayout>

UpDown::UpDown(int minimum, int maximum, QWidget *parent)
    : QWidget(parent), m_min(minimum), m_max(maximum), m_value(minimum), m_up(new QToolButton), m_down(new QToolButton)
{
    m_up->setArrowType(Qt::UpArrow);
    m_down->setArrowType(Qt::DownArrow);
    m_up->setAutoRepeat(true);
    m_down->setAutoRepeat(true);
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->setSpacing(0);
    v->addWidget(m_up);
    v->addWidget(m_down);
    connect(m_up, &QToolButton::clicked, this, [this] { stepBy(1); });
    connect(m_down, &QToolButton::clicked, this, [this] { stepBy(-1); });
}

void UpDown::setValue(int v)
{
    m_value = qBound(m_min, v, m_max);
}

void UpDown::stepBy(int d)
{
    const int v = qBound(m_min, m_value + d, m_max);
    if (v == m_value)
        return;
    m_value = v;
    emit changed(v);
}
