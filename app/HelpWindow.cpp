#include "HelpWindow.h"

#include <QTextBrowser>
#include <QVBoxLayout>

HelpWindow::HelpWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("Help"));
    setWindowTitle(QStringLiteral("Help"));
    HelpText = new QTextBrowser;
    HelpText->setObjectName(QStringLiteral("HelpText"));
    HelpText->setOpenExternalLinks(true);
    HelpText->setSource(QUrl(QStringLiteral("qrc:/help/guide.html")));
    auto *v = new QVBoxLayout(this);
    v->setContentsMargins(0, 0, 0, 0);
    v->addWidget(HelpText);
    resize(720, 640);
}

HelpWindow *HelpWindow::showFor(QWidget *owner)
{
    auto *w = owner->findChild<HelpWindow *>(QString(), Qt::FindDirectChildrenOnly);
    if (!w)
        w = new HelpWindow(owner);
    w->show();
    w->raise();
    w->activateWindow();
    return w;
}
