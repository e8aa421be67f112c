#include "JournalKeeper.h"

#include "discovery/Console.h"
#include "logging/LogModel.h"

#include <QLocale>
#include <QScopedValueRollback>
#include <climits>

JournalKeeper::JournalKeeper(Console &m, QString path) : m(m), m_path(std::move(path)) {}

JournalKeeper::~JournalKeeper() = default;

int JournalKeeper::family() const
{
    return m.SensorType ? 1 : 0;
}

LogModel *JournalKeeper::model(int address) const
{
    return m.log(address);
}

void JournalKeeper::open()
{
    m.win.mnuRestore.setEnabled(false);
    if (m_path.isEmpty())
        return;
    m_journal = std::make_unique<Journal>();
    const Journal::OpenResult r = m_journal->open(m_path);
    if (!r.ready()) {
        m_journal.reset();
        m.warn(QStringLiteral("Journal."),
               r.reason + QStringLiteral("\rReadings are kept in memory only: save them before the console ends."));
        return;
    }
    if (r.status != Journal::Status::Ok)
        m.warn(QStringLiteral("Journal."), r.reason);
    droppedUnsaved();
    for (int a = 0; a < 10; ++a)
        QObject::connect(model(a), &LogModel::readingAdded, &m, [this, a](const LogRow &row) { store(a, row); });
    m.win.mnuRestore.setEnabled(true);
    offerRestore(false);
}

void JournalKeeper::store(int address, const LogRow &row)
{
    if (m_journal && !m_journal->append(family(), address, row, QDateTime::fromMSecsSinceEpoch(row.takenMs)))
        failed(QStringLiteral("A reading could not be stored"));
    droppedUnsaved();
}

void JournalKeeper::droppedUnsaved()
{
    // The journal's bound made room by dropping readings never saved: said
    // once per run (they stay in the log lists while the console runs).
    if (!m_journal || m_dropShown)
        return;
    const Journal::Dropped d = m_journal->takeDroppedUnsaved();
    if (d.count == 0)
        return;
    m_dropShown = true;
    const QDateTime since = d.since.toLocalTime();
    const QString text =
        QStringLiteral("The journal holds at most %1 readings. To make room it dropped %2 never saved, taken since "
                       "%3.\rThe log lists still show what this run logged: save them to keep them.")
            .arg(QLocale::system().toString(m_journal->maxRows()),
                 LogModel::readingsText(static_cast<int>(qMin<qint64>(d.count, INT_MAX))),
                 Clock::dateText(since.date()) + QLatin1Char(' ') + Clock::timeText(since.time()));
    QMetaObject::invokeMethod(&m, [this, text] { m.warn(QStringLiteral("Journal."), text); }, Qt::QueuedConnection);
}

void JournalKeeper::failed(const QString &what)
{
    // Once per run; the readings go on in memory, and later writes are
    // still tried (a full disk may get room again).
    if (m_failureShown)
        return;
    m_failureShown = true;
    const QString text = what + QStringLiteral(" in the journal: ") + m_journal->lastError() +
                         QStringLiteral("\rLogging goes on; readings are kept in memory: save them before the "
                                        "console ends.");
    // Shown once the answer being decoded is filed.
    QMetaObject::invokeMethod(&m, [this, text] { m.warn(QStringLiteral("Journal."), text); }, Qt::QueuedConnection);
}

void JournalKeeper::offerRestore(bool asked)
{
    // The progress window lets events run: a second restore asked
    // meanwhile would offer the same rows again.
    if (!m_journal || m_restoring)
        return;
    const Journal::Pending p = m_journal->pending(family());
    if (p.total == 0) {
        if (asked)
            m.notice(QStringLiteral("Restore Readings."), QStringLiteral("There are no unsaved readings to restore."));
        return;
    }
    auto when = [](const QDateTime &t) {
        const QDateTime local = t.toLocalTime();
        return Clock::dateText(local.date()) + QLatin1Char(' ') + Clock::timeText(local.time());
    };
    QString text = QStringLiteral("The journal holds %1 readings that were never saved or cleared:").arg(p.total);
    for (const Journal::PendingList &l : p.lists)
        text += QStringLiteral("\rSensor %1: %2, %3 to %4")
                    .arg(l.address)
                    .arg(LogModel::readingsText(l.count), when(l.first), when(l.last));
    text += QStringLiteral("\rRestore them to their log lists?");
    const QString title = QStringLiteral("Restore Readings.");
    if (!m.ui.askYesNo(title, text))
        return;   // they stay in the journal for another time
    QScopedValueRollback<bool> restoring(m_restoring, true);
    m.win.mnuRestore.setEnabled(false);
    // Weeks of readings take seconds. Nearly all of it is reading them
    // from the journal, with their numbers for the chart, in steps that
    // show and let events run; the last step, placing them, is short: a
    // list takes its rows at once, moved in. Cancel while they are read
    // leaves them in the journal, as No does.
    const QString doing = QStringLiteral("Restoring %1 ...").arg(LogModel::readingsText(p.total));
    const int steps = p.total + 1;
    bool ok = true;
    const auto reading = [&](int read) { return m.ui.progress(title, doing, qMin(read, p.total), steps); };
    const auto measure = [this](int address, const LogRow &row) { return model(address)->measure(row); };
    QVector<Journal::Restored> lists = m_journal->takePending(family(), reading, &ok, measure);
    for (Journal::Restored &r : lists) {
        model(r.address)->appendMeasured(std::move(r.rows));
        SensorFields *t = m.tab[static_cast<size_t>(r.address)].get();
        t->ClearLogBut.setEnabled(true);
        t->SaveLogBut.setEnabled(true);
    }
    m.ui.progress(title, doing, 0, 0);
    m.win.mnuRestore.setEnabled(true);
    if (!ok)
        m.warn(QStringLiteral("Journal."), QStringLiteral("The readings could not be read from the journal: ") +
                                               m_journal->lastError() +
                                               QStringLiteral("\rThey stay in the journal for another time."));
}

void JournalKeeper::saved(int address, qint64 upToId)
{
    if (m_journal && !m_journal->markSaved(family(), address, upToId))
        failed(QStringLiteral("A saved log could not be noted"));
}

void JournalKeeper::cleared(int address)
{
    if (m_journal && !m_journal->markCleared(family(), address))
        failed(QStringLiteral("A cleared log could not be noted"));
}

void JournalKeeper::moved(int fromAddress, int toAddress)
{
    if (m_journal && !m_journal->moveList(family(), fromAddress, toAddress))
        failed(QStringLiteral("A moved log could not be noted"));
}

int JournalKeeper::unsavedTotal() const
{
    int n = 0;
    for (int a = 0; a < 10; ++a)
        n += model(a)->unsaved();
    return n;
}
