#include "TimingWindow.h"

#include "link/Ui.h"
#include "params/EntryFilter.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

TimingWindow::TimingWindow(Ui &ui, QWidget *parent) : QDialog(parent), m_ui(ui)
{
    setObjectName(QStringLiteral("Timing"));
    setWindowTitle(QStringLiteral("Timing"));
    setModal(true);
    auto *frame = new QGroupBox(QStringLiteral("Timing Settings"));
    auto *g = new QGridLayout(frame);
    auto field = [&](QLineEdit *&e, const char *name, const QString &label, const QString &text) {
        e = new QLineEdit(text);
        e->setObjectName(QString::fromLatin1(name));
        e->setMaxLength(4);
        e->installEventFilter(this);
        const int r = g->rowCount();
        g->addWidget(new QLabel(label), r, 0);
        g->addWidget(e, r, 1);
    };
    field(BreakText, "BreakText", QStringLiteral("Break Timing (mS)"), QStringLiteral("20"));
    field(MarkText, "MarkText", QStringLiteral("Mark Timing (mS)"), QStringLiteral("15"));
    field(TimeoutText, "TimeoutText", QStringLiteral("Command Timeout (mS)"), QStringLiteral("400"));
    field(DataTimeoutText, "DataTimeoutText", QStringLiteral("Data Timeout (mS)"), QStringLiteral("200"));
    butApply = new QPushButton(QStringLiteral("Apply"));
    butApply->setObjectName(QStringLiteral("butApply"));
    butApply->setToolTip(QStringLiteral("Click to apply modified settings."));
    butDefault = new QPushButton(QStringLiteral("Default"));
    butDefault->setObjectName(QStringLiteral("butDefault"));
    butDefault->setToolTip(QStringLiteral("Click to reset to default settings."));
    butApply->setAutoDefault(false);
    butDefault->setAutoDefault(false);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(butApply);
    buttons->addWidget(butDefault);
    auto *v = new QVBoxLayout(this);
    v->addWidget(frame);
    v->addLayout(buttons);
    connect(butApply, &QPushButton::clicked, this, &TimingWindow::applyClicked);
    connect(butDefault, &QPushButton::clicked, this, &TimingWindow::defaultClicked);
}

bool TimingWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress || !qobject_cast<QLineEdit *>(watched))
        return false;
    auto *k = static_cast<QKeyEvent *>(event);
    // Only typed characters are judged: shortcuts (select all, copy, paste)
    // and keys that type nothing keep working.
    if (typesNoCharacter(k) || !k->text().at(0).isPrint())
        return false;
    const QChar c = k->text().at(0);
    if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
        return false;
    m_ui.beep();
    return true;
}
