#include "UserCommandWindow.h"

#include "decode/Crc.h"

#include <QCloseEvent>
#include <QRegularExpression>
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

void UserCommandWindow::commandSent(const QString &command)
{
    static const QRegularExpression start(QStringLiteral("^.[MC]C[1-9]?!$")), continuous(QStringLiteral("^.RC[0-9]!$")),
        data(QStringLiteral("^.D[0-9]!$"));
    CrcText->clear();
    if (data.match(command).hasMatch()) {
        m_crcAnswer = m_crcData;
        return;
    }
    m_crcData = start.match(command).hasMatch();
    m_crcAnswer = continuous.match(command).hasMatch();
}

void UserCommandWindow::showReply(const QString &text)
{
    ReceivedText->setText(text);
    if (!ReceivedText->text().isEmpty())
        ++UserCommandCount;
    if (!m_crcAnswer)
        return;
    // The answer follows the interface's echo of the command.
    const crc::Check c = crc::check(text.mid(text.indexOf(QLatin1Char('!')) + 1).toLatin1());
    CrcText->setText(!c.present ? QStringLiteral("No CRC in the answer.")
                     : c.correct ? QStringLiteral("CRC correct.")
                                 : QStringLiteral("CRC wrong: the answer ends in %1, its text gives %2.")
                                       .arg(QString::fromLatin1(c.sent), QString::fromLatin1(c.expected)));
}

void UserCommandWindow::closeEvent(QCloseEvent *event)
{
    emit closing();
    event->accept();
}
