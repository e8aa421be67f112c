#include "SensorTools.h"

#include "app/MainWindow.h"
#include "discovery/Scanner.h"
#include "discovery/SensorTable.h"
#include "discovery/TimingWindow.h"
#include "params/Calibration.h"
#include "params/FilterWindow.h"
#include "params/LevelParams.h"
#include "params/ResetWindow.h"
#include "params/UserCommandWindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

void SensorTools::connectWindows()
{
    m.onPress(m.Filter->Command1, [this] { Command1_Click(); });
    m.onPress(m.Filter->FilterSetingsBut, [this] { FilterSetingsBut_Click(); });
    m.onPress(m.Reset->ResetBut, [this] { ResetBut_Click(); });
    QObject::connect(m.UserCommand, &UserCommandWindow::submitted, m.UserCommand,
                     [this](const QString &t) { m.press(-1, [this, t] { SubmitBut_Click(t); }); });
    QObject::connect(m.UserCommand, &UserCommandWindow::closing, m.UserCommand, [this] { UserCommand_Form_Unload(); });
}

void SensorTools::mnuFilter_Click()
{
    const int t = m.currentTab();
    m.Filter->setWindowTitle(QStringLiteral("Filter Setings - Sensor ") + QString::number(t));
    m.level->FilterQuery(t);
    m.Filter->exec();
}

void SensorTools::Command1_Click()
{
    m.level->FilterQuery(m.currentTab());
}

void SensorTools::FilterSetingsBut_Click()
{
    m.level->FilterSet(m.currentTab());
}

void SensorTools::mnuReset_Click()
{
    m.Reset->SensorCombo->setCurrentIndex(m.currentTab());
    m.Reset->exec();
}

void SensorTools::ResetBut_Click()
{
    m.Reset->ResetIndex = m.Reset->SensorCombo->currentIndex();
    if (m.Reset->ResetIndex < 0 || !m.table->present(m.Reset->ResetIndex)) {
        m.warn(QStringLiteral("Reset Sensor."), QStringLiteral("The selected sensor is not enabled."));
        return;
    }
    m.calibration->ResetSensor(m.Reset->ResetIndex);
}

void SensorTools::mnuUserCommand_Click()
{
    m.UserCommand->show();
    m.UserCommand->raise();
    m.setEnabled(false);
    m.UserCommand->setEnabled(true);
    m.UserCommand->UserCommandCount = 0;
}

void SensorTools::SubmitBut_Click(const QString &text)
{
    if (text == QLatin1String("MAINTENANCE")) {
        m.Timing->exec();
        m.setEnabled(true);
        m.link.UserCommandFlag = false;
        m.UserCommand->hide();
        return;
    }
    if (text.isEmpty())
        return;
    m.UserCommand->ReceivedText->clear();
    m.UserCommand->commandSent(text);
    m.link.strSent_Command = text;
    m.link.UserCommandFlag = true;
    m.link.send_TXbuff(text.toLatin1());
}

void SensorTools::UserCommand_Form_Unload()
{
    m.link.UserCommandFlag = false;
    m.setEnabled(true);
    if (m.UserCommand->UserCommandCount != 0 &&
        m.ui.askYesNo(QStringLiteral("User Command."),
                      QStringLiteral("You may have altered sensor settings. Do you wish to rescan the sensors?")))
        m.scanner->Poll_Sensors();
}
