#include "AboutWindow.h"

#include "app/Version.h"

#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QPlainTextEdit>

QString AboutWindow::aboutText()
{
    return QStringList{QStringLiteral("   Contact Details:"), QStringLiteral("   Orvane"),
                       QStringLiteral("   Contact your supplier for technical support."),
                       QStringLiteral("   Version ") + QString::fromLatin1(kVersion)}
        .join(QStringLiteral("\r\n"));
}

QString AboutWindow::licenceText()
{
    return QStringLiteral("Built with Qt %1, running on Qt %2.\n"
                          "This program is free software under the GNU General Public License, version 3 or "
                          "(at your option) any later version. It comes with no warranty.")
        .arg(QStringLiteral(QT_VERSION_STR), QString::fromLatin1(qVersion()));
}

QIcon AboutWindow::programIcon()
{
    // Every size the build bundles (SDI12_ICON_SIZES); each file gives its own.
    QIcon icon;
    for (const QFileInfo &f : QDir(QStringLiteral(":/icons")).entryInfoList({QStringLiteral("sdi12-console-*.png")}))
        icon.addFile(f.filePath());
    return icon;
}

AboutWindow::AboutWindow(QWidget *parent) : QWidget(parent, Qt::Window)
{
    setObjectName(QStringLiteral("About"));
    setWindowTitle(QStringLiteral("Orvane"));
    auto *g = new QGridLayout(this);
    auto *picture = new QLabel;
    picture->setPixmap(programIcon().pixmap(64, 64));
    picture->setAlignment(Qt::AlignTop);
    g->addWidget(picture, 0, 0, 2, 1);
    Text1 = new QPlainTextEdit;
    Text1->setObjectName(QStringLiteral("Text1"));
    Text1->setReadOnly(true);
    // Read-only text that never shows a caret.
    Text1->setTextInteractionFlags(Qt::TextSelectableByMouse);
    Text1->setPlainText(aboutText());
    g->addWidget(Text1, 0, 1);
    Licence = new QLabel(licenceText());
    Licence->setObjectName(QStringLiteral("Licence"));
    Licence->setWordWrap(true);
    g->addWidget(Licence, 1, 1);
    resize(460, 220);
}
