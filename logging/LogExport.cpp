#include "LogExport.h"

#include "discovery/Console.h"
#include "logging/JournalKeeper.h"
#include "logging/LogModel.h"
#include "logging/SaveTarget.h"
#include "logging/export/Writers.h"

#include <QFile>
#include <QFileInfo>

void LogExport::SaveLogBut_Click(int index)
{
    LogModel *log = m.log(index);

    Ui::SaveDialog d;
    d.filter = QStringLiteral("Log Files (Excel pre '03)(*.xls)|*.xls|Log Files (Excel post '03)(*.xlsx)|*.xlsx|"
                              "Log Files (comma delimited)(*.csv)|*.csv");
    d.defaultSuffix = QStringLiteral("xls");
    d.filterIndex = 1;
    d.overwritePrompt = true;
    d.title = QStringLiteral("Select Filename to Save to");
    d.fileName = (m.SensorType ? QStringLiteral("Rotary Encoder Log ") : QStringLiteral("Level Probe Log ")) +
                 QString::number(m.currentTab());
    const Ui::SaveChoice c = m.ui.saveFile(d);
    if (!c.accepted || c.fileName.isEmpty())
        return;   // cancelled: nothing written, nothing deleted

    const QString title = QStringLiteral("Save Log");
    const QString saveName = savetarget::saveName(c.fileName, c.filterIndex);
    if (saveName.isEmpty())
        return;
    // The dialog asked about the name chosen; a different file under the
    // save name is only replaced when the user agrees.
    const bool sameFile = savetarget::sameFile(saveName, c.fileName);
    if (!sameFile && QFileInfo::exists(saveName) &&
        !m.ui.askYesNo(title, QStringLiteral("%1 already exists.\rDo you want to replace it?")
                                  .arg(QFileInfo(saveName).fileName())))
        return;

    // The file's columns are the list's: its headings, the values as numbers.
    const QVector<ExportCell::Kind> kinds =
        m.SensorType ? QVector<ExportCell::Kind>{ExportCell::Date, ExportCell::Time, ExportCell::Number, ExportCell::Text}
                     : QVector<ExportCell::Kind>{ExportCell::Date, ExportCell::Time, ExportCell::Number,
                                                 ExportCell::Text, ExportCell::Number, ExportCell::Text};
    const ExportGrid grid = exporter::buildLogGrid(log->headers(), kinds, log->rows(), Clock::shortDateFormat());
    // Readings that arrive while the file is written are not in it.
    const qint64 journalPoint = m.journal->savePoint();
    const int unsavedInFile = log->unsaved();

    const QString progressText = QStringLiteral("Saving %1 ...").arg(QFileInfo(saveName).fileName());
    const ExportProgress onProgress = [&](int done, int total) { return m.ui.progress(title, progressText, done, total); };

    const QString temporary = savetarget::temporaryName(saveName);
    QString error;
    bool ok = false;
    switch (c.filterIndex) {
    case 1: ok = exporter::writeXls(grid, temporary, &error, onProgress); break;
    case 2: ok = exporter::writeXlsx(grid, temporary, &error, onProgress); break;
    default: ok = exporter::writeCsv(grid, temporary, &error, onProgress); break;
    }
    m.ui.progress(title, progressText, 0, 0);
    if (ok)
        ok = savetarget::replace(temporary, saveName, &error);
    if (!ok) {
        QFile::remove(temporary);
        if (error != QLatin1String("cancelled"))
            m.warn(title, QStringLiteral("Error encountered while saving file. ") + error);
        return;
    }
    log->markSaved(unsavedInFile);
    m.journal->saved(index, journalPoint);
    // The file the user confirmed replacing gives way to the new one; a
    // name differing only in letter case may be the file just written.
    if (!sameFile && QFileInfo::exists(c.fileName))
        QFile::remove(c.fileName);
}
