#include "ResetWindow.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>

ResetWindow::ResetWindow(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("Reset"));
    setWindowTitle(QStringLiteral("Reset Sensor"));
    setModal(true);
    auto *g = new QGridLayout(this);
    SensorCombo = new QComboBox;
    SensorCombo->setObjectName(QStringLiteral("SensorCombo"));
    for (int i = 0; i <= 9; ++i)
        SensorCombo->addItem(QStringLiteral("Sensor %1").arg(i));
    ResetBut = new QPushButton(QStringLiteral("Reset Sensor"));
    ResetBut->setObjectName(QStringLiteral("ResetBut"));
    g->addWidget(new QLabel(QStringLiteral("Sensor Number:")), 0, 0);
    g->addWidget(SensorCombo, 0, 1);
    g->addWidget(ResetBut, 1, 1);
}
