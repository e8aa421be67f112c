#include "Platform.h"

#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>

namespace {
QWidget *owner()
{
    return QApplication::activeWindow();
}
} // namespace

QtUi::QtUi() = default;
QtUi::~QtUi() = default;

bool QtUi::progress(const QString &title, const QString &text, int done, int total)
{
    if (total <= 0 || done >= total) {
        m_progress.reset();
        return true;
    }
    if (!m_progress) {
        m_progress = std::make_unique<QProgressDialog>(text, QStringLiteral("Cancel"), 0, total, owner());
        m_progress->setWindowTitle(title);
        // No window takes input while the task runs; its events (logging
        // ticks, the port) go on.
        m_progress->setWindowModality(Qt::ApplicationModal);
        m_progress->setMinimumDuration(400);
    }
    m_progress->setValue(done);
    return !m_progress->wasCanceled();
}

void QtUi::message(Icon icon, const QString &title, const QString &text)
{
    QMessageBox box(icon == Icon::Exclamation ? QMessageBox::Warning : QMessageBox::Information, title,
                    text, QMessageBox::Ok, owner());
    box.exec();
}

bool QtUi::askYesNo(const QString &title, const QString &text)
{
    QMessageBox box(QMessageBox::Question, title, text, QMessageBox::Yes | QMessageBox::No, owner());
    box.setDefaultButton(QMessageBox::Yes);
    return box.exec() == QMessageBox::Yes;
}

void QtUi::beep()
{
    QApplication::beep();
}

namespace {
// "Description|pattern|Description|pattern": Qt reads the pattern from the
// parentheses of each description.
QStringList nameFilters(const QString &filter)
{
    const QStringList parts = filter.split(QLatin1Char('|'));
    QStringList filters;
    for (int i = 0; i + 1 < parts.size(); i += 2) {
        QString f = parts.at(i);
        if (!f.contains(parts.at(i + 1)))
            f += QStringLiteral(" (") + parts.at(i + 1) + QLatin1Char(')');
        filters.push_back(f);
    }
    return filters;
}
} // namespace

QString QtUi::openFile(const QString &title, const QString &filter)
{
    QFileDialog dlg(owner(), title);
    dlg.setAcceptMode(QFileDialog::AcceptOpen);
    dlg.setFileMode(QFileDialog::ExistingFile);
    dlg.setNameFilters(nameFilters(filter));
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return {};
    return dlg.selectedFiles().constFirst();
}

Ui::SaveChoice QtUi::saveFile(const SaveDialog &d)
{
    const QStringList filters = nameFilters(d.filter);
    QFileDialog dlg(owner(), d.title);
    dlg.setAcceptMode(QFileDialog::AcceptSave);
    dlg.setFileMode(QFileDialog::AnyFile);
    dlg.setNameFilters(filters);
    if (d.filterIndex >= 1 && d.filterIndex <= filters.size())
        dlg.selectNameFilter(filters.at(d.filterIndex - 1));
    if (!d.defaultSuffix.isEmpty())
        dlg.setDefaultSuffix(d.defaultSuffix);
    if (!d.overwritePrompt)
        dlg.setOption(QFileDialog::DontConfirmOverwrite, true);
    dlg.selectFile(d.fileName);
    SaveChoice c;
    if (dlg.exec() != QDialog::Accepted || dlg.selectedFiles().isEmpty())
        return c;
    c.accepted = true;
    c.fileName = dlg.selectedFiles().constFirst();
    c.filterIndex = static_cast<int>(filters.indexOf(dlg.selectedNameFilter())) + 1;
    return c;
}
