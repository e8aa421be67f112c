#include "UserCommandWindow.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

UserCommandWindow::UserCommandWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("UserCommand"));
    setWindowTitle(QStringLiteral("User Command Entry"));
    auto *g = new QGridLayout(this);
    UserText = new QLineEdit;
    UserText->setObjectName(QStringLiteral("UserText"));
    SubmitBut = new QPushButton(QStringLiteral("Send"));
    SubmitBut->setObjectName(QStringLiteral("SubmitBut"));
    SubmitBut->setDefault(true);
    ReceivedText = new QLineEdit;
    ReceivedText->setObjectName(QStringLiteral("ReceivedText"));
    ReceivedText->setReadOnly(true);
    g->addWidget(new QLabel(QStringLiteral("User Command Text:")), 0, 0);
    g->addWidget(UserText, 0, 1);
    g->addWidget(SubmitBut, 0, 2);
    g->addWidget(new QLabel(QStringLiteral("Received Text:")), 1, 0);
    g->addWidget(ReceivedText, 1, 1, 1, 2);
    CrcText = new QLabel;
    CrcText->setObjectName(QStringLiteral("CrcText"));
    g->addWidget(CrcText, 2, 1, 1, 2);
    setMinimumWidth(420);
    connect(SubmitBut, &QPushButton::clicked, this, [this] { emit submitted(UserText->text()); });
    connect(UserText, &QLineEdit::returnPressed, this, [this] { emit submitted(UserText->text()); });
}

void UserCommandWindow::closeEvent(QCloseEvent *event)
{
    emit closing();
    event->accept();
}
