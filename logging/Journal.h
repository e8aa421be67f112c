#pragma once

#include "logging/LogStore.h"

#include <QDateTime>
#include <QSqlDatabase>
#include <QString>
#include <QVariant>
#include <QVector>
#include <array>
#include <functional>
#include <initializer_list>
#include <limits>
#include <memory>

class QLockFile;
class QSqlQuery;

// Every log row on disk the moment it is added to a log list, so that a
// crash or a power cut loses at most the row being written, and readings
// never exported or cleared can be restored at the next start.
//
// An SQLite database (Qt SQL, QSQLITE) in write-ahead-log mode with
// synchronous=FULL: each appended row is one committed transaction, synced
// to the disk before append() returns. One console uses a journal at a
// time (a lock file beside it). A log list is (family, address): family 0
// the level probes, 1 the rotary family; address 0-9.
//
// A journal whose last run did not end cleanly (or that met a damaged page)
// has every page checked when it is next opened; a damaged one is moved
// aside and a new one started.
//
// Each open() is a session (one run of the console). Rows stay "unsaved"
// until their list is saved or cleared (the rows of a log list in one
// session are filed under one entry: saving, clearing and moving a list
// change that entry, not its rows, so they take milliseconds with weeks of
// readings); unsaved rows of earlier sessions are what pending() and
// takePending() offer for restoring.
//
// Closed (saved or cleared) rows are kept kKeepDays days after closing. At
// most maxRows() rows are held in all: beyond that the rows closed first go
// first, and only then the oldest unsaved ones, which droppedUnsaved()
// accounts for.
class Journal
{
public:
    enum class Status {
        Ok,         // open and working
        Corrupt,    // the file was damaged or no journal: moved aside, a fresh one is open
        Newer,      // the file came from a newer version: moved aside, a fresh one is open
        InUse,      // another running console holds it: not open
        ReadOnly,   // the file or its folder cannot be written: not open
        Failed,     // cannot be opened for another reason: not open
    };
    struct OpenResult {
        Status status = Status::Failed;
        QString reason;    // one sentence for the user; empty when Ok
        QString movedTo;   // Corrupt, Newer: where the old file went
        bool ready() const { return status == Status::Ok || status == Status::Corrupt || status == Status::Newer; }
    };

    // Readings of one log list that were never saved or cleared.
    struct PendingList {
        int address = 0;
        int count = 0;
        QDateTime first, last;   // earliest and latest time taken
    };
    struct Pending {
        int total = 0;
        QVector<PendingList> lists;   // by address, only lists holding readings
    };
    struct Restored {
        int address = 0;
        LogStore rows;   // newest first, the texts as they were shown
    };
    // Readings never saved or cleared that maxRows() made prune() drop.
    struct Dropped {
        qint64 count = 0;
        QDateTime since;   // the earliest time taken among them; invalid when none
    };

    static constexpr int kKeepDays = 30;
    static constexpr qint64 kMaxRows = 2000000;
    static constexpr int kSchemaVersion = 2;
    static constexpr qint64 kAll = std::numeric_limits<qint64>::max();

    Journal();
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    // journal.sqlite in the user's application data folder.
    static QString defaultPath();

    // Opens (creating the folder and the file when needed) and starts a
    // session. Prunes old rows.
    OpenResult open(const QString &path);
    // Closes the database and gives up the lock. open() may follow again.
    void close();
    bool isOpen() const;
    QString path() const { return m_path; }
    // The text of the last failure of any call.
    QString lastError() const { return m_error; }

    // Stores one row of list (family, address), taken at `taken`. False on
    // any failure (disk full, read-only, I/O error), with lastError() set;
    // the journal stays open and a later append may succeed.
    bool append(int family, int address, const LogRow &row, const QDateTime &taken);
    // Id of the row last appended in this session, or of the newest row
    // taken over from an earlier one (0 before either).
    qint64 lastId() const { return m_lastId; }

    // Closes this session's unsaved rows of a list: saved (up to and
    // including the row `upToId`, so that rows arriving while a file is
    // being written stay unsaved; read lastId() when taking the rows), or
    // cleared (all of them).
    bool markSaved(int family, int address, qint64 upToId = kAll);
    bool markCleared(int family, int address);
    // This session's unsaved rows of a list follow a sensor to its new address.
    bool moveList(int family, int fromAddress, int toAddress);

    // Unsaved readings of `family` from earlier sessions.
    Pending pending(int family);
    // Those readings, per address; from now on they count as this session's
    // unsaved rows (saving, clearing and moving a list take them along; they
    // are not copied, and if this run ends without saving them they are
    // pending again). They are older than anything logged in this session:
    // they go below the rows a list holds. `read`, when given, hears how
    // many rows are read so far, from 0, every kReadStep rows and once
    // they all are; when it returns false the reading stops and nothing is
    // taken (the rows stay pending). `measure`, when given, gives each row
    // its numbers as it is read. Empty when there are none, when stopped,
    // or on failure (`ok` false, lastError()).
    using ReadProgress = std::function<bool(int rowsRead)>;
    using Measure = std::function<LogNumbers(int address, const LogRow &row)>;
    QVector<Restored> takePending(int family, const ReadProgress &read = {}, bool *ok = nullptr,
                                  const Measure &measure = {});
    static constexpr int kReadStep = 20000;

    // Drops rows closed more than kKeepDays ago, then enforces maxRows().
    // Runs on open and every kPruneEvery appends.
    bool prune();
    // The unsaved readings prune() dropped since open() (the prune open()
    // runs included), of this session or earlier ones; take...() also
    // starts the account again.
    Dropped droppedUnsaved() const { return m_dropped; }
    Dropped takeDroppedUnsaved();
    static constexpr int kPruneEvery = 10000;

    // Rows held in all (counts them: not for every row).
    qint64 rowCount();
    qint64 maxRows() const { return m_maxRows; }
    void setMaxRows(qint64 rows) { m_maxRows = rows; }
    // The clock for closing and pruning (tests move it on).
    void setClock(std::function<QDateTime()> now) { m_now = std::move(now); }

private:
    enum class Attach { Fine, Corrupt, Newer, ReadOnly, Failed };
    Attach attach();
    void detach();
    bool startSession();
    bool countRows();
    void noteFailure(const QSqlQuery &q);
    QString moveAside(const QString &kind);
    bool exec(QSqlQuery &q);
    bool exec(QSqlQuery &q, const QString &sql, std::initializer_list<QVariant> values = {});
    bool validList(int family, int address);
    struct OpenList {
        qint64 id = 0, session = 0;
    };
    bool openLists(int family, int address, QVector<OpenList> *lists);
    bool inTransaction(const std::function<bool()> &change);
    qint64 nowMs() const;

    QString m_path;
    QString m_connection;
    QString m_error;
    QSqlDatabase m_db;
    std::unique_ptr<QLockFile> m_lock;
    std::unique_ptr<QSqlQuery> m_insert;
    qint64 m_session = 0;
    std::array<QVector<qint64>, 2> m_owned;   // per family: this session and those it took over
    std::array<std::array<qint64, 10>, 2> m_open{};   // per family and address: this session's open list, or 0
    qint64 m_lastId = 0;
    qint64 m_rows = 0;          // rows held, or more while !m_rowsExact
    bool m_rowsExact = false;
    bool m_check = false;       // read every page at open: the last run did not end cleanly
    qint64 m_maxRows = kMaxRows;
    int m_sincePrune = 0;
    Dropped m_dropped;
    std::function<QDateTime()> m_now;
};
