#include "Journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>
#include <algorithm>
#include <array>
#include <atomic>
#include <iterator>
#include <utility>

namespace {

constexpr qint64 kDayMs = 86400000;

// SQLite result codes (the primary code is the low byte).
constexpr int kSqliteReadOnly = 8;
constexpr int kSqliteCorrupt = 11;
constexpr int kSqliteNotADatabase = 26;

int sqliteCode(const QSqlError &e)
{
    return e.nativeErrorCode().toInt() & 0xff;
}

// A list holds the rows of one log list (family, address) from one
// session while they are unsaved; a session has at most one open list per
// log list. Saving or clearing closes the list (`closed`), moving it
// changes its address: one row each, whatever the rows it holds. Times are
// in milliseconds since 1970 UTC. rows_list holds each list's rows in the
// order they were added: it serves closing, moving, pruning and reading a
// list back without touching the table; lists_open finds the open lists,
// lists_closed the closed ones in the order they were closed.
const char *const kSchema[] = {
    "CREATE TABLE sessions(id INTEGER PRIMARY KEY AUTOINCREMENT, opened INTEGER NOT NULL)",
    "CREATE TABLE lists(id INTEGER PRIMARY KEY, session INTEGER NOT NULL, family INTEGER NOT NULL,"
    " address INTEGER NOT NULL, closed INTEGER)",
    "CREATE TABLE rows(id INTEGER PRIMARY KEY, list INTEGER NOT NULL, taken INTEGER NOT NULL,"
    " date TEXT, c1 TEXT, c2 TEXT, c3 TEXT, c4 TEXT, c5 TEXT)",
    "CREATE INDEX rows_list ON rows(list, id, taken)",
    "CREATE INDEX lists_open ON lists(family, address, session, id) WHERE closed IS NULL",
    "CREATE INDEX lists_closed ON lists(closed, id) WHERE closed IS NOT NULL",
};

// Version 1 kept the address and the saved mark in every row. Its rows
// keep their ids and texts; each run of one session's rows of one log
// list with one saved mark becomes a list. Between the two steps the
// schema above but for the sessions is made.
const char *const kSetVersion1Aside = "ALTER TABLE rows RENAME TO rows_v1";
const char *const kFromVersion1[] = {
    "INSERT INTO lists(session, family, address, closed) SELECT session, family, address, closed FROM rows_v1"
    " GROUP BY session, family, address, closed ORDER BY min(id)",
    "INSERT INTO rows(id, list, taken, date, c1, c2, c3, c4, c5) SELECT r.id, l.id, r.taken, r.date,"
    " r.c1, r.c2, r.c3, r.c4, r.c5 FROM rows_v1 r JOIN lists l ON l.session = r.session AND l.family = r.family"
    " AND l.address = r.address AND l.closed IS r.closed ORDER BY r.id",
    "DROP TABLE rows_v1",
};

std::atomic<int> connections{0};

QString idList(const QVector<qint64> &ids)
{
    QStringList s;
    for (qint64 id : ids)
        s << QString::number(id);
    return s.join(QLatin1Char(','));
}

// The unsaved rows of one family that earlier runs left: those of another run's sessions (not `owned`), at an
// address a tab has (a damaged file may hold any).
QString pendingRows(const QVector<qint64> &owned)
{
    return QStringLiteral("lists.family = ? AND lists.closed IS NULL AND lists.address BETWEEN 0 AND 9 "
                          "AND lists.session NOT IN (%1)")
        .arg(idList(owned));
}

} // namespace

Journal::Journal()
    : m_connection(QStringLiteral("sdi12-journal-%1").arg(connections.fetch_add(1)))
{
}

Journal::~Journal()
{
    close();
}

QString Journal::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) + QStringLiteral("/journal.sqlite");
}

bool Journal::isOpen() const
{
    return m_insert != nullptr && m_db.isOpen();
}

qint64 Journal::nowMs() const
{
    return m_now ? m_now().toMSecsSinceEpoch() : QDateTime::currentMSecsSinceEpoch();
}

// Prepares `sql`, binds `values` in order and runs it.
bool Journal::exec(QSqlQuery &q, const QString &sql, std::initializer_list<QVariant> values)
{
    q.prepare(sql);
    for (const QVariant &v : values)
        q.addBindValue(v);
    return exec(q);
}

bool Journal::exec(QSqlQuery &q)
{
    if (q.exec())
        return true;
    noteFailure(q);
    return false;
}

// A damaged page met in the middle of a run: the next open checks the
// whole file.
void Journal::noteFailure(const QSqlQuery &q)
{
    m_error = q.lastError().text();
    const int code = sqliteCode(q.lastError());
    if (code == kSqliteCorrupt || code == kSqliteNotADatabase)
        QFile(m_path + QStringLiteral(".check")).open(QIODevice::WriteOnly);
}

bool Journal::validList(int family, int address)
{
    if ((family == 0 || family == 1) && address >= 0 && address <= 9)
        return true;
    m_error = QStringLiteral("There is no log list %1 of family %2.").arg(address).arg(family);
    return false;
}

Journal::OpenResult Journal::open(const QString &path)
{
    close();
    m_path = QFileInfo(path).absoluteFilePath();
    const QString shown = QDir::toNativeSeparators(m_path);
    OpenResult r;
    r.status = Status::Ok;
    auto fail = [&](Status s, const QString &why) {
        detach();
        m_lock.reset();
        r.status = s;
        r.reason = why;
        m_error = why;
        return r;
    };

    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE")))
        return fail(Status::Failed, QStringLiteral("The journal cannot be opened: the SQLite driver of Qt is missing."));
    const QString folder = QFileInfo(m_path).absolutePath();
    if (!QDir().mkpath(folder))
        return fail(Status::Failed, QStringLiteral("The journal folder %1 cannot be created.")
                                        .arg(QDir::toNativeSeparators(folder)));

    // The lock stays while the journal is open. A lock left by a console
    // that was killed is taken over; age alone never makes it stale.
    m_lock = std::make_unique<QLockFile>(m_path + QStringLiteral(".lock"));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        switch (m_lock->error()) {
        case QLockFile::LockFailedError:
            return fail(Status::InUse, QStringLiteral("The journal %1 is in use by another running console.").arg(shown));
        case QLockFile::PermissionError:
            return fail(Status::ReadOnly, QStringLiteral("The journal %1 cannot be written: its folder is read-only.")
                                              .arg(shown));
        default:
            return fail(Status::Failed, QStringLiteral("The journal %1 cannot be opened: its lock file cannot be "
                                                       "created.").arg(shown));
        }
    }

    if (QFileInfo::exists(m_path) && !QFileInfo(m_path).isWritable())
        return fail(Status::ReadOnly, QStringLiteral("The journal %1 cannot be written: it is read-only.").arg(shown));
    // A clean close folds the write-ahead log into the file and removes it.
    const QString marker = m_path + QStringLiteral(".check");
    m_check = QFileInfo::exists(m_path + QStringLiteral("-wal")) || QFileInfo::exists(marker);
    Attach a = attach();
    if (a == Attach::Corrupt || a == Attach::Newer) {
        detach();
        const bool newer = a == Attach::Newer;
        r.movedTo = moveAside(newer ? QStringLiteral("newer") : QStringLiteral("corrupt"));
        QFile::remove(marker);
        if (r.movedTo.isEmpty())
            return fail(Status::Failed, QStringLiteral("The journal %1 is damaged and cannot be moved aside.").arg(shown));
        r.status = newer ? Status::Newer : Status::Corrupt;
        r.reason = (newer ? QStringLiteral("The journal %1 was written by a newer version of the console; it was moved "
                                           "aside as %2 and a new journal was started.")
                          : QStringLiteral("The journal %1 was damaged; it was moved aside as %2 and a new journal was "
                                           "started."))
                       .arg(shown, QFileInfo(r.movedTo).fileName());
        a = attach();
    }
    switch (a) {
    case Attach::Fine:
        if (m_check)
            QFile::remove(marker);
        break;
    case Attach::ReadOnly:
        return fail(Status::ReadOnly, QStringLiteral("The journal %1 cannot be written: it is read-only.").arg(shown));
    default:
        return fail(Status::Failed, QStringLiteral("The journal %1 cannot be opened: %2").arg(shown, m_error));
    }
    if (!startSession()) {
        const bool readOnly = m_error.contains(QLatin1String("readonly"), Qt::CaseInsensitive);
        return fail(readOnly ? Status::ReadOnly : Status::Failed,
                    readOnly ? QStringLiteral("The journal %1 cannot be written: it is read-only.").arg(shown)
                             : QStringLiteral("The journal %1 cannot be written: %2").arg(shown, m_error));
    }
    prune();
    return r;
}

Journal::Attach Journal::attach()
{
    m_db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
    m_db.setDatabaseName(m_path);
    if (!m_db.open()) {
        m_error = m_db.lastError().text();
        return Attach::Failed;
    }
    QSqlQuery q(m_db);
    auto failed = [&] {
        m_error = q.lastError().text();
        switch (sqliteCode(q.lastError())) {
        case kSqliteCorrupt:
        case kSqliteNotADatabase: return Attach::Corrupt;
        case kSqliteReadOnly: return Attach::ReadOnly;
        default: return Attach::Failed;
        }
    };
    auto value = [&](const QString &sql, QVariant *v) {
        if (!q.exec(sql) || !q.next())
            return false;
        *v = q.value(0);
        return true;
    };

    // No other connection ever shares the file (the lock file sees to
    // that): holding SQLite's lock for the whole session spares the
    // shared-memory index and its locking on every row.
    QVariant v;
    if (!value(QStringLiteral("PRAGMA locking_mode = EXCLUSIVE"), &v))
        return failed();
    if (!value(QStringLiteral("PRAGMA user_version"), &v))
        return failed();
    const int version = v.toInt();
    if (version > kSchemaVersion)
        return Attach::Newer;
    // Reads every page once (0.4 s for a full journal, longer from a cold
    // disk): only when the last run was cut short or met a damaged page.
    if (m_check) {
        if (!value(QStringLiteral("PRAGMA quick_check"), &v))
            return failed();
        if (v.toString() != QLatin1String("ok")) {
            m_error = v.toString();
            return Attach::Corrupt;
        }
    }
    if (!value(QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('rows', 'sessions', "
                             "'lists')"),
               &v))
        return failed();
    const int ours = v.toInt();
    if (!value(QStringLiteral("SELECT count(*) FROM sqlite_master"), &v))
        return failed();
    const int all = v.toInt();
    if ((version == 0 && all > 0) || (version > 0 && ours != (version == 1 ? 2 : 3))) {
        m_error = QStringLiteral("not a journal");
        return Attach::Corrupt;
    }
    if (!value(QStringLiteral("PRAGMA journal_mode = WAL"), &v))
        return failed();
    if (v.toString().compare(QLatin1String("wal"), Qt::CaseInsensitive) != 0) {
        m_error = QStringLiteral("write-ahead logging refused (%1)").arg(v.toString());
        return Attach::ReadOnly;
    }
    // FULL: every commit is on the disk before append() returns, so a power
    // cut loses no row that was shown; NORMAL would survive a killed process
    // only.
    if (!q.exec(QStringLiteral("PRAGMA synchronous = FULL")) ||
        !q.exec(QStringLiteral("PRAGMA journal_size_limit = 4194304")))
        return failed();
    if (version < kSchemaVersion) {
        // A new file gets the schema; one of version 1 is brought up to date
        // once (some 6 s for a full journal), in one transaction: cut short,
        // it is as it was.
        const auto run = [&](auto begin, auto end) {
            return std::all_of(begin, end, [&](const char *sql) { return q.exec(QLatin1String(sql)); });
        };
        const bool upgraded = inTransaction([&] {
            const bool made = version == 0 ? run(std::cbegin(kSchema), std::cend(kSchema))
                                           : q.exec(QLatin1String(kSetVersion1Aside)) &&
                                                 run(std::cbegin(kSchema) + 1, std::cend(kSchema)) &&
                                                 run(std::cbegin(kFromVersion1), std::cend(kFromVersion1));
            return made && q.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
        });
        // A statement that failed says why; else the transaction did, in m_error.
        if (!upgraded)
            return q.lastError().isValid() ? failed() : Attach::Failed;
    }
    // Rows held, at most: the span of row ids. Counted only when that
    // reaches the bound.
    if (!value(QStringLiteral("SELECT ifnull((SELECT max(id) FROM rows) - (SELECT min(id) FROM rows) + 1, 0)"), &v))
        return failed();
    m_rows = v.toLongLong();
    m_rowsExact = m_rows == 0;
    auto insert = std::make_unique<QSqlQuery>(m_db);
    if (!insert->prepare(QStringLiteral("INSERT INTO rows(list, taken, date, c1, c2, c3, c4, c5) "
                                        "VALUES(?, ?, ?, ?, ?, ?, ?, ?)"))) {
        m_error = insert->lastError().text();
        return Attach::Failed;
    }
    m_insert = std::move(insert);
    return Attach::Fine;
}

void Journal::detach()
{
    m_insert.reset();
    if (m_db.isValid())
        m_db.close();
    m_db = QSqlDatabase();
    if (QSqlDatabase::contains(m_connection))
        QSqlDatabase::removeDatabase(m_connection);
}

void Journal::close()
{
    detach();   // a clean close folds the write-ahead log into the file
    m_lock.reset();
    m_session = 0;
    for (auto &owned : m_owned)
        owned.clear();
    m_open = {};
    m_lastId = 0;
    m_rows = 0;
    m_rowsExact = false;
    m_sincePrune = 0;
    m_dropped = {};
}

Journal::Dropped Journal::takeDroppedUnsaved()
{
    return std::exchange(m_dropped, Dropped{});
}

bool Journal::startSession()
{
    QSqlQuery q(m_db);
    if (!exec(q, QStringLiteral("INSERT INTO sessions(opened) VALUES(?)"), {nowMs()}))
        return false;
    m_session = q.lastInsertId().toLongLong();
    for (auto &owned : m_owned)
        owned = {m_session};
    m_open = {};
    return true;
}

bool Journal::countRows()
{
    QSqlQuery q(m_db);
    if (!q.exec(QStringLiteral("SELECT count(*) FROM rows")) || !q.next()) {
        noteFailure(q);
        return false;
    }
    m_rows = q.value(0).toLongLong();
    m_rowsExact = true;
    return true;
}

qint64 Journal::rowCount()
{
    if (isOpen() && !m_rowsExact)
        countRows();
    return m_rows;
}

QString Journal::moveAside(const QString &kind)
{
    const QString stem = m_path + QLatin1Char('.') + kind + QLatin1Char('-') +
                         QDateTime::fromMSecsSinceEpoch(nowMs()).toString(QStringLiteral("yyyyMMdd-hhmmss"));
    QString aside = stem;
    for (int n = 2; QFileInfo::exists(aside) || QFileInfo::exists(aside + QStringLiteral("-wal")); ++n)
        aside = stem + QLatin1Char('-') + QString::number(n);
    if (!QFile::rename(m_path, aside))
        return {};
    // The log and shared-memory files belong to the old file: they go with
    // it, and never meet the new one.
    for (const char *suffix : {"-wal", "-shm"}) {
        if (QFileInfo::exists(m_path + suffix) && !QFile::rename(m_path + suffix, aside + suffix))
            QFile::remove(m_path + suffix);
    }
    return aside;
}

bool Journal::append(int family, int address, const LogRow &row, const QDateTime &taken)
{
    if (!isOpen()) {
        m_error = QStringLiteral("The journal is not open.");
        return false;
    }
    if (!validList(family, address))
        return false;
    QSqlQuery &q = *m_insert;
    qint64 list = m_open[size_t(family)][size_t(address)];
    const auto insertRow = [&] {
        q.bindValue(0, list);
        q.bindValue(1, taken.isValid() ? taken.toMSecsSinceEpoch() : nowMs());
        q.bindValue(2, row.date);
        for (int c = 0; c < 5; ++c)
            q.bindValue(3 + c, row.cells[static_cast<size_t>(c)]);
        return exec(q);
    };
    if (list != 0) {
        if (!insertRow())
            return false;
    } else {
        // The first row of a list in this session opens the list, in the
        // same transaction.
        const bool ok = inTransaction([&] {
            QSqlQuery l(m_db);
            if (!exec(l, QStringLiteral("INSERT INTO lists(session, family, address) VALUES(?, ?, ?)"),
                      {m_session, family, address}))
                return false;
            list = l.lastInsertId().toLongLong();
            return insertRow();
        });
        if (!ok)
            return false;
        m_open[size_t(family)][size_t(address)] = list;
    }
    m_lastId = q.lastInsertId().toLongLong();
    ++m_rows;
    if (++m_sincePrune >= kPruneEvery) {
        m_sincePrune = 0;
        prune();
    }
    return true;
}

// This run's open lists at (family, address): id and session of each.
bool Journal::openLists(int family, int address, QVector<OpenList> *lists)
{
    QSqlQuery q(m_db);
    if (!exec(q,
              QStringLiteral("SELECT id, session FROM lists WHERE family = ? AND address = ? AND closed IS NULL "
                             "AND session IN (%1)")
                  .arg(idList(m_owned[size_t(family)])),
              {family, address}))
        return false;
    while (q.next())
        lists->push_back({q.value(0).toLongLong(), q.value(1).toLongLong()});
    return true;
}

// Runs `change` in one transaction: false, with nothing changed, when any
// of it fails.
bool Journal::inTransaction(const std::function<bool()> &change)
{
    if (!m_db.transaction()) {
        m_error = m_db.lastError().text();
        return false;
    }
    if (!change()) {   // lastError() tells why
        m_db.rollback();
        return false;
    }
    if (m_db.commit())
        return true;
    m_error = m_db.lastError().text();
    m_db.rollback();
    return false;
}

bool Journal::markSaved(int family, int address, qint64 upToId)
{
    if (!isOpen() || !validList(family, address))
        return false;
    QVector<OpenList> lists;
    if (!openLists(family, address, &lists))
        return false;
    qint64 reopened = 0;   // this session's rows after the save point, in a list of their own
    const bool ok = inTransaction([&] {
        QSqlQuery q(m_db);
        for (const auto &[list, session] : lists) {
            if (!exec(q, QStringLiteral("UPDATE lists SET closed = ? WHERE id = ?"), {nowMs(), list}))
                return false;
            // Rows that came while the file was written stay unsaved.
            if (!exec(q, QStringLiteral("SELECT EXISTS(SELECT 1 FROM rows WHERE list = ? AND id > ?)"),
                      {list, upToId}) ||
                !q.next())
                return false;
            if (!q.value(0).toBool())
                continue;
            if (!exec(q, QStringLiteral("INSERT INTO lists(session, family, address) VALUES(?, ?, ?)"),
                      {session, family, address}))
                return false;
            const qint64 later = q.lastInsertId().toLongLong();
            if (session == m_session)
                reopened = later;
            if (!exec(q, QStringLiteral("UPDATE rows SET list = ? WHERE list = ? AND id > ?"), {later, list, upToId}))
                return false;
        }
        return true;
    });
    if (ok)
        m_open[size_t(family)][size_t(address)] = reopened;
    return ok;
}

bool Journal::markCleared(int family, int address)
{
    return markSaved(family, address, kAll);
}

bool Journal::moveList(int family, int fromAddress, int toAddress)
{
    if (!isOpen() || !validList(family, fromAddress) || !validList(family, toAddress))
        return false;
    if (fromAddress == toAddress)
        return true;
    QVector<OpenList> from, to;
    if (!openLists(family, fromAddress, &from) || !openLists(family, toAddress, &to))
        return false;
    // A list goes to the new address as it is. Where that address has a
    // list of the same session already, its rows join that one (their ids
    // keep the order), so that a session keeps one open list per address.
    const bool ok = inTransaction([&] {
        QSqlQuery q(m_db);
        for (const auto &[list, session] : from) {
            const auto there =
                std::find_if(to.cbegin(), to.cend(), [s = session](const OpenList &l) { return l.session == s; });
            if (there == to.cend()) {
                if (!exec(q, QStringLiteral("UPDATE lists SET address = ? WHERE id = ?"), {toAddress, list}))
                    return false;
                continue;
            }
            if (!exec(q, QStringLiteral("UPDATE rows SET list = ? WHERE list = ?"), {there->id, list}))
                return false;
            if (!exec(q, QStringLiteral("DELETE FROM lists WHERE id = ?"), {list}))
                return false;
        }
        return true;
    });
    if (ok) {
        auto &open = m_open[size_t(family)];
        if (open[size_t(toAddress)] == 0)
            open[size_t(toAddress)] = open[size_t(fromAddress)];
        open[size_t(fromAddress)] = 0;
    }
    return ok;
}

Journal::Pending Journal::pending(int family)
{
    Pending p;
    if (!isOpen() || !validList(family, 0))
        return p;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    if (!exec(q,
              QStringLiteral("SELECT lists.address, count(*), min(rows.taken), max(rows.taken) FROM lists "
                             "JOIN rows ON rows.list = lists.id WHERE %1 GROUP BY lists.address ORDER BY lists.address")
                  .arg(pendingRows(m_owned[size_t(family)])),
              {family}))
        return p;
    while (q.next()) {
        PendingList l;
        l.address = q.value(0).toInt();
        l.count = q.value(1).toInt();
        l.first = QDateTime::fromMSecsSinceEpoch(q.value(2).toLongLong());
        l.last = QDateTime::fromMSecsSinceEpoch(q.value(3).toLongLong());
        p.total += l.count;
        p.lists.push_back(l);
    }
    if (q.lastError().type() != QSqlError::NoError) {
        noteFailure(q);
        return {};
    }
    return p;
}

QVector<Journal::Restored> Journal::takePending(int family, const ReadProgress &read, bool *ok,
                                                const Measure &measure)
{
    if (ok)
        *ok = true;
    const auto failed = [ok] {
        if (ok)
            *ok = false;
        return QVector<Restored>{};
    };
    if (!isOpen() || !validList(family, 0))
        return failed();
    // The rows stay as they are: this run owns their sessions for this
    // family from now on. Should it end without saving them, they are
    // pending again for the next run.
    std::array<LogStore, 10> lists;
    QVector<qint64> taken;
    qint64 lastId = m_lastId;
    QSqlQuery q(m_db);
    q.setForwardOnly(true);
    // A session's rows all come before the next one's: by address, session
    // and id is the order they were added.
    if (!exec(q,
              QStringLiteral("SELECT lists.address, lists.session, rows.date, rows.c1, rows.c2, rows.c3, rows.c4, "
                             "rows.c5, rows.taken, rows.id FROM lists JOIN rows ON rows.list = lists.id WHERE %1 "
                             "ORDER BY lists.address, lists.session, lists.id, rows.id")
                  .arg(pendingRows(m_owned[size_t(family)])),
              {family}))
        return failed();
    LogRow row;
    int n = 0;
    for (; q.next(); ++n) {
        if (read && n % kReadStep == 0 && !read(n))
            return {};   // stopped: nothing changed
        const int address = q.value(0).toInt();
        const qint64 session = q.value(1).toLongLong();
        if (!taken.contains(session))
            taken.push_back(session);
        row.date = q.value(2).toString();
        for (int c = 0; c < 5; ++c)
            row.cells[static_cast<size_t>(c)] = q.value(3 + c).toString();
        row.takenMs = q.value(8).toLongLong();
        lastId = qMax(lastId, q.value(9).toLongLong());
        // Oldest first in: the newest ends on top.
        lists[static_cast<size_t>(address)].insertTop(row, measure ? measure(address, row) : LogNumbers{});
    }
    if (q.lastError().type() != QSqlError::NoError) {
        noteFailure(q);
        return failed();
    }
    if (read && !read(n))
        return {};
    // A save point taken from now on covers these rows too (and any row
    // logged while they were read).
    m_lastId = qMax(m_lastId, lastId);
    m_owned[size_t(family)] += taken;
    QVector<Restored> out;
    for (int a = 0; a < 10; ++a)
        if (!lists[static_cast<size_t>(a)].empty()) {
            Restored r;
            r.address = a;
            r.rows = std::move(lists[static_cast<size_t>(a)]);
            out.push_back(std::move(r));
        }
    return out;
}

bool Journal::prune()
{
    if (!isOpen())
        return false;
    const qint64 cutoff = nowMs() - kKeepDays * kDayMs;
    QSqlQuery q(m_db);
    if (!exec(q, QStringLiteral("DELETE FROM rows WHERE list IN (SELECT id FROM lists WHERE closed < ?)"), {cutoff}))
        return false;
    m_rows -= q.numRowsAffected();
    // Over the bound: the rows closed first, then the oldest of all. The
    // unsaved ones among them are counted in the transaction that drops them.
    const QString over[] = {
        QStringLiteral("SELECT rows.id FROM lists JOIN rows ON rows.list = lists.id WHERE lists.closed IS NOT NULL "
                       "ORDER BY lists.closed, lists.id, rows.id LIMIT ?"),
        QStringLiteral("SELECT id FROM rows ORDER BY id LIMIT ?"),
    };
    if (m_rows > m_maxRows && !m_rowsExact && !countRows())
        return false;
    for (const QString &victims : over) {
        if (m_rows <= m_maxRows)
            break;
        const qint64 excess = m_rows - m_maxRows;
        qint64 unsaved = 0, since = 0;
        const bool ok = inTransaction([&] {
            if (!exec(q,
                      QStringLiteral("SELECT count(*), min(rows.taken) FROM rows JOIN lists ON lists.id = rows.list "
                                     "WHERE lists.closed IS NULL AND rows.id IN (%1)")
                          .arg(victims),
                      {excess}) ||
                !q.next())
                return false;
            unsaved = q.value(0).toLongLong();
            since = q.value(1).toLongLong();
            return exec(q, QStringLiteral("DELETE FROM rows WHERE id IN (%1)").arg(victims), {excess});
        });
        if (!ok)
            return false;
        m_rows -= q.numRowsAffected();
        if (unsaved > 0) {
            const QDateTime first = QDateTime::fromMSecsSinceEpoch(since);
            if (m_dropped.count == 0 || first < m_dropped.since)
                m_dropped.since = first;
            m_dropped.count += unsaved;
        }
    }
    // Lists left empty, but for this run's open ones (rows follow).
    if (!exec(q,
              QStringLiteral("DELETE FROM lists WHERE (closed IS NOT NULL OR session <> ?) "
                             "AND NOT EXISTS(SELECT 1 FROM rows WHERE rows.list = lists.id)"),
              {m_session}))
        return false;
    return exec(q, QStringLiteral("DELETE FROM sessions WHERE opened < ? AND id <> ?"), {cutoff, m_session});
}
