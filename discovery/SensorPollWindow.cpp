#include "SensorPollWindow.h"

#include <QLabel>
#include <QProgressBar>
#include <QVBoxLayout>

SensorPollWindow::SensorPollWindow(QWidget *parent) : QWidget(parent, Qt::Tool)
{
    setObjectName(QStringLiteral("SensorPoll"));
    setWindowTitle(QStringLiteral("Sensor Scan..."));
    auto *v = new QVBoxLayout(this);
    v->addWidget(new QLabel(QStringLiteral("Scanning sensors. Please wait.")));
    ProgressBar1 = new QProgressBar;
    ProgressBar1->setObjectName(QStringLiteral("ProgressBar1"));
    ProgressBar1->setRange(0, 9);
    v->addWidget(ProgressBar1);
    setMinimumWidth(300);
}
