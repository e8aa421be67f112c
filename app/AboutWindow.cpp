#include "AboutWindow.h"

#include "app/Version.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPixmap>
#include <QPlainTextEdit>

namespace {
// A small drawn emblem: a gauge over a bus line.
QPixmap emblem()
{
    QPixmap p(64, 64);
    p.fill(Qt::transparent);
    QPainter g(&p);
    g.setRenderHint(QPainter::Antialiasing);
    g.setPen(QPen(QColor(20, 70, 140), 4));
    g.drawArc(8, 8, 48, 48, 30 * 16, 120 * 16);
    g.drawLine(32, 32, 46, 18);
    g.drawLine(6, 54, 58, 54);
    return p;
}
} // namespace

QString AboutWindow::aboutText()
{
    return QStringList{QStringLiteral("   Contact Details:"), QStringLiteral("   Orvane"),
                       QStringLiteral("   Contact your supplier for technical support."),
                       QStringLiteral("   Version ") + QString::fromLatin1(kVersion)}
        .join(QStringLiteral("\r\n"));
}

AboutWindow::AboutWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("Orvane"));
    auto *h = new QHBoxLayout(this);
    auto *picture = new QLabel;
    picture->setPixmap(emblem());
    picture->setAlignment(Qt::AlignTop);
    h->addWidget(picture);
    Text1 = new QPlainTextEdit;
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    // Read-only text that never shows a caret.
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Text1->setPlainText(aboutText());
    h->addWidget(Text1);
    resize(420, 160);
}
