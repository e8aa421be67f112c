#include "logging/Journal.h"
#include "support/AsNobody.h"
#include "support/FileSizeLimit.h"

#include <QCoreApplication>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <cstdio>
#include <unistd.h>

using Status = Journal::Status;
Q_DECLARE_METATYPE(Journal::Status)

namespace {

const QDateTime kBase(QDate(2026, 12, 6), QTime(10, 0, 0), Qt::UTC);

// Row k as a log list shows it: odd rows rotary-like with two empty cells, some texts a file format must escape.
LogRow rowFor(int k)
{
    LogRow r;
    r.date = QString("%1/12/26").arg(1 + k % 28);
    r.cells = {kBase.addSecs(k).time().toString("hh:mm:ss"), QString("+%1.%2").arg(k).arg(k % 7),
               k % 3 ? "mH2O" : "ft,H2O \"x\"", k % 2 ? "" : "21.5", k % 2 ? "" : "\u00B0C"};
    return r;
}

bool isRow(const LogRow &a, int k) { return a.date == rowFor(k).date && a.cells == rowFor(k).cells; }

// "address:count:first-last" per list, first and last in seconds after kBase.
QString summary(const Journal::Pending &p)
{
    QStringList parts;
    int total = 0;
    for (const auto &l : p.lists) {
        parts << QString("%1:%2:%3-%4").arg(l.address).arg(l.count).arg(kBase.secsTo(l.first)).arg(kBase.secsTo(l.last));
        total += l.count;
    }
    return total == p.total ? parts.join(' ') : QString("total %1 != %2").arg(p.total).arg(total);
}

// Closed and opened again (a new run): the summary of family 0's pending rows.
QString reopened(Journal &j, const QString &path)
{
    j.close();
    return j.open(path).status == Status::Ok ? summary(j.pending(0)) : "not opened again: " + j.lastError();
}

// Runs a statement on a connection of its own: its first value, or the error.
QString sql(const QString &path, const QString &statement)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "raw");
        db.setDatabaseName(path);
        const bool open = db.open();
        QSqlQuery q(db);
        result = !open || !q.exec(statement) ? "error: " + q.lastError().text() : q.next() ? q.value(0).toString() : "";
    }
    QSqlDatabase::removeDatabase("raw");
    return result;
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The child of crashMidAppend: appends row after row to list (0, 2), printing each one's number once committed.
int childAppend(const QString &path)
{
    Journal j;
    const Journal::OpenResult r = j.open(path);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);   // each line out as soon as it is printed
    std::printf("%s\n", r.ready() ? "open" : qPrintable(r.reason));
    for (int k = 0; r.ready() && k < 1000000 && j.append(0, 2, rowFor(k), kBase.addSecs(k)); ++k)
        std::printf("%d\n", k);
    return 1;
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT
    QScopedPointer<QTemporaryDir> dir;   // a fresh folder for each test and row
    QString path;
private slots:
    void init()
    {
        // Qt's SQL module warns of a connection removed while still in use: its queries would cease to work.
        QTest::failOnWarning(QRegularExpression("^QSql"));
        dir.reset(new QTemporaryDir);
        path = dir->filePath("journal.sqlite");
    }

    // Steps on family 0 (b: family 1): aN append a row to list N (the k-th append taken k seconds after the base),
    // sN save list N, sN<k save it up to the k-th append, cN clear it, mN>M move it, r close and open again (a new
    // run), z as r with the second and third rows' addresses damaged to 12 and -1, t take the pending rows (x: stopped
    // once they are all read; y: a row appended to list 5 at its first report, as a reading logged meanwhile).
    // Then the summary of earlier runs' unsaved readings, and the rows taken.
    void sessions_data()
    {
        QTest::addColumn<QString>("script");
        QTest::addColumn<QString>("expected");   // family 0 | family 1 | "address:k,k" per list taken, newest first
        QTest::newRow("own rows are not pending") << "a3 a3 a5" << "||";
        QTest::newRow("a run that ended unsaved") << "a3 a3 a5 r" << "3:2:1-2 5:1:3-3||";
        QTest::newRow("two runs add up") << "a3 r a3 a4 r" << "3:2:1-2 4:1:3-3||";
        QTest::newRow("saved") << "a3 a3 s3 a3 r" << "3:1:3-3||";
        QTest::newRow("saved up to a row") << "a3 a3 a3 s3<2 r" << "3:1:3-3||";
        QTest::newRow("cleared") << "a3 a5 c3 r" << "5:1:2-2||";
        QTest::newRow("saving closes this run's rows only") << "a3 r a3 s3 r" << "3:1:1-1||";
        QTest::newRow("moved with its sensor") << "a3 a3 m3>7 a3 r" << "3:1:3-3 7:2:1-2||";
        QTest::newRow("moved onto a list, in the order logged") << "a3 a7 a3 m3>7 a3 r t" << "||3:4 7:3,2,1";
        QTest::newRow("moved onto an earlier run's list") << "a3 r t a7 m3>7 r t" << "||3:1 7:2,1";
        QTest::newRow("saved up to a row, the rest moved") << "a3 a3 s3<1 a3 m3>4 a4 r" << "4:3:2-4||";
        QTest::newRow("saved rows stay behind") << "a3 s3 a3 m3>4 r" << "4:1:2-2||";
        QTest::newRow("rows come back as shown") << "a0 a3 a3 a3 a3 a9 a9 b3 r t" << "|3:1:8-8|0:1 3:5,4,3,2 9:7,6";
        QTest::newRow("a damaged address is no list") << "a3 a5 a4 z t r" << "3:1:1-1||3:1";
        QTest::newRow("taken rows unsaved again next run") << "a3 a5 r t r" << "3:1:1-1 5:1:2-2||3:1 5:2";
        QTest::newRow("taken rows saved") << "a3 a5 r t s3 r" << "5:1:2-2||3:1 5:2";
        QTest::newRow("taken rows moved") << "a3 r t m3>6 r" << "6:1:1-1||3:1";
        QTest::newRow("families apart") << "a3 b3 b4 r" << "3:1:1-1|3:1:2-2 4:1:3-3|";
        QTest::newRow("taking leaves the other family") << "b3 a3 r t" << "|3:1:1-1|3:2";
        QTest::newRow("taking stopped takes nothing") << "a3 a5 r x" << "3:1:1-1 5:1:2-2||";
        QTest::newRow("a row logged while taking is saved") << "a3 r y s5 r" << "3:1:1-1||3:1";
    }

    void sessions()
    {
        QFETCH(QString, script);
        QFETCH(QString, expected);
        const QString deep = dir->filePath("new/folder/journal.sqlite");   // folders it makes
        Journal j;
        QCOMPARE(j.open(deep).status, Status::Ok);
        QVERIFY(!j.moveList(0, 3, 10) && !j.moveList(0, 10, 3));   // no list at 10
        QVector<qint64> ids{0};
        QStringList taken;
        for (const QString &step : script.split(' ')) {
            const char op = step.at(0).toLatin1();
            const int n = step.mid(1, 1).toInt(), k = static_cast<int>(ids.size()), to = step.mid(3).toInt();
            bool ok = true;
            switch (op) {
            case 'a': case 'b':
                ok = j.append(op == 'a' ? 0 : 1, n, rowFor(k), kBase.addSecs(k));
                ids << j.lastId();
                break;
            case 's': ok = j.markSaved(0, n, step.contains('<') ? ids[to] : j.lastId()); break;   // the save point
            case 'c': ok = j.markCleared(0, n); break;
            case 'm': ok = j.moveList(0, n, to); break;
            case 'z':
                j.close();
                ok = sql(deep, "UPDATE lists SET address = 12 WHERE id = (SELECT list FROM rows WHERE id = 2)").isEmpty() &&
                     sql(deep, "UPDATE lists SET address = -1 WHERE id = (SELECT list FROM rows WHERE id = 3)").isEmpty() &&
                     j.open(deep).status == Status::Ok;
                break;
            case 't': case 'x': case 'y': {
                const auto report = [&](int read) {
                    if (op == 'y' && read == 0)
                        ok = j.append(0, 5, rowFor(k), kBase.addSecs(k)), ids << j.lastId();
                    return op != 'x' || read == 0;
                };
                for (const Journal::Restored &l : j.takePending(0, report)) {
                    QStringList ks;   // "?" for a row not as it was appended
                    for (int i = 0; i < l.rows.size(); ++i) {
                        const int t = kBase.time().secsTo(QTime::fromString(l.rows.text(i, 1), "hh:mm:ss"));
                        ks << (isRow(l.rows.at(i), t) ? QString::number(t) : "?");
                    }
                    taken << QString("%1:%2").arg(l.address).arg(ks.join(','));
                }
                break;
            }
            default: j.close(); ok = j.open(deep).status == Status::Ok;
            }
            QVERIFY2(ok, qPrintable(step + ": " + j.lastError()));
        }
        QCOMPARE(summary(j.pending(0)) + '|' + summary(j.pending(1)) + '|' + taken.join(' '), expected);
    }

    // A journal of the version that kept the address and the saved mark in every row: brought up to date once,
    // its rows kept as they were.
    void fromVersion1()
    {
        const char *v1[] = {
            "CREATE TABLE sessions(id INTEGER PRIMARY KEY AUTOINCREMENT, opened INTEGER NOT NULL)",
            "CREATE TABLE rows(id INTEGER PRIMARY KEY, session INTEGER NOT NULL, family INTEGER NOT NULL, address "
            "INTEGER NOT NULL, taken INTEGER NOT NULL, closed INTEGER, date TEXT, c1 TEXT, c2 TEXT, c3 TEXT, c4 TEXT, "
            "c5 TEXT)",
            "CREATE INDEX rows_unsaved ON rows(family, address, id, session, taken) WHERE closed IS NULL",
            "INSERT INTO sessions(opened) VALUES(0), (0)", "PRAGMA user_version = 1"};
        for (const char *statement : v1)
            QCOMPARE(sql(path, statement), QString());
        // Row k: session, family, address, closed.
        const int rows[][4] = {{1, 0, 3, 0}, {1, 0, 3, 1}, {1, 0, 5, 0}, {1, 1, 2, 0}, {1, 0, 3, 0}, {2, 0, 3, 0}};
        for (int k = 1; k <= 6; ++k) {
            const LogRow r = rowFor(k);
            const auto &[session, family, address, closed] = rows[k - 1];
            const QString texts = "'" + (QStringList{r.date} + QStringList(r.cells.begin(), r.cells.end())).join("', '");
            QCOMPARE(sql(path, QString("INSERT INTO rows VALUES(%1, %2, %3, %4, %5, %6, %7')")
                                   .arg(k).arg(session).arg(family).arg(address).arg(kBase.addSecs(k).toMSecsSinceEpoch())
                                   .arg(closed ? "1" : "NULL", texts)),
                     QString());
        }
        // An upgrade cut short (here by a name it needs, taken) leaves the file as it was.
        QCOMPARE(sql(path, "CREATE INDEX rows_list ON sessions(opened)"), QString());
        Journal j;
        const Journal::OpenResult cut = j.open(path);
        QVERIFY2(cut.status == Status::Failed && cut.reason.contains("rows_list"), qPrintable(cut.reason));
        QCOMPARE(sql(path, "SELECT group_concat(name) FROM sqlite_master") + ' ' + sql(path, "PRAGMA user_version"),
                 QString("sessions,sqlite_sequence,rows,rows_unsaved,rows_list 1"));
        QCOMPARE(sql(path, "DROP INDEX rows_list"), QString());
        QCOMPARE(j.open(path).status, Status::Ok);
        QCOMPARE(summary(j.pending(0)) + '|' + summary(j.pending(1)), QString("3:3:1-6 5:1:3-3|2:1:4-4"));
        QStringList taken;
        for (const Journal::Restored &l : j.takePending(0)) {
            taken << QString::number(l.address) + ":";
            for (int i = 0; i < l.rows.size(); ++i) {
                const int k = kBase.time().secsTo(QTime::fromString(l.rows.text(i, 1), "hh:mm:ss"));
                taken.last() += (i ? "," : "") + (isRow(l.rows.at(i), k) ? QString::number(k) : "?");
            }
        }
        QCOMPARE(taken.join(' '), QString("3:6,5,1 5:3"));
        QVERIFY(j.markSaved(0, 3));
        QCOMPARE(reopened(j, path), QString("5:1:3-3"));
        j.close();
        QCOMPARE(sql(path, "PRAGMA user_version"), QString::number(Journal::kSchemaVersion));
    }

    void retention()
    {
        QDateTime now = kBase;
        Journal j;
        j.setClock([&now] { return now; });
        // Lists 1 (saved at the base), 2 (cleared two days later), 3 (unsaved).
        auto fill = [&](int saved, int cleared, int unsaved) {
            now = kBase;
            QVERIFY(QFile::remove(path) || !QFile::exists(path));
            QCOMPARE(j.open(path).status, Status::Ok);
            const int lists[][2] = {{1, saved}, {2, cleared}, {3, unsaved}};
            for (int l = 0, k = 0; l < 3; ++l, now = kBase.addDays(2)) {
                for (int end = k + lists[l][1]; k < end; ++k)
                    QVERIFY(j.append(0, lists[l][0], rowFor(k), kBase.addSecs(k)));
                QVERIFY(l == 2 || (l == 0 ? j.markSaved(0, 1) : j.markCleared(0, 2)));
            }
        };
        // By size: closed rows go first, in the order they were closed, then the oldest unsaved ones, which are
        // accounted for ("count@earliest" in seconds after the base) until taken or the journal is opened again.
        auto dropped = [](const Journal::Dropped &d) {
            return QString("%1@%2").arg(d.count).arg(d.since.isValid() ? QString::number(kBase.secsTo(d.since)) : "-");
        };
        fill(60, 30, 40);
        // Bound, rows left, unsaved rows dropped so far, and whether they are taken then (none left after).
        const std::tuple<qint64, qint64, const char *, bool> bounds[] = {
            {200, 130, "0@-", false}, {100, 100, "0@-", false}, {50, 50, "0@-", false},
            {20, 20, "20@90", false}, {15, 15, "25@90", true},  {10, 10, "5@115", false}};
        for (const auto &[bound, rows, droppedSoFar, take] : bounds) {
            j.setMaxRows(bound);
            QVERIFY(j.prune());
            QCOMPARE(j.rowCount(), rows);
            QCOMPARE(dropped(j.droppedUnsaved()), QString(droppedSoFar));
            if (take) {
                QCOMPARE(dropped(j.takeDroppedUnsaved()), QString(droppedSoFar));
                QCOMPARE(dropped(j.droppedUnsaved()), QString("0@-"));
            }
        }
        j.setMaxRows(8);   // the prune of open() drops two of the earlier run's
        QCOMPARE(reopened(j, path), QString("3:8:122-129"));
        QCOMPARE(dropped(j.droppedUnsaved()), QString("2@120"));
        j.close();
        QCOMPARE(sql(path, "SELECT group_concat(id) FROM lists"), QString("3"));   // the emptied ones gone
        // By age: closed rows stay 30 days after closing; unsaved ones stay.
        j.setMaxRows(Journal::kMaxRows);
        fill(5, 3, 2);
        const int day = 86400;
        for (const auto &[age, rows] : {std::pair<int, qint64>{29 * day, 10}, {30 * day, 10}, {30 * day + 1, 5},
                                        {32 * day, 5}, {32 * day + 1, 2}, {400 * day, 2}}) {
            now = kBase.addSecs(age);
            QVERIFY(j.prune());
            QCOMPARE(j.rowCount(), rows);
        }
        QCOMPARE(reopened(j, path), QString("3:2:8-9"));
        // A run that logs for weeks keeps to the bound without being opened again: checked every kPruneEvery rows.
        j.setMaxRows(100);
        for (int n = 1; n <= Journal::kPruneEvery + 1; ++n) {
            QVERIFY(j.append(0, 3, rowFor(n), kBase.addSecs(n)));
            if (n == Journal::kPruneEvery - 1)
                QCOMPARE(j.rowCount(), qint64(n + 2));
        }
        QCOMPARE(j.rowCount(), qint64(101));
    }

    void badFiles_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<Status>("status");
        const std::tuple<const char *, const char *, Status> rows[] = {
            {"random bytes", "random", Status::Corrupt}, {"damaged page, run cut short", "page-cut", Status::Corrupt},
            {"damaged page, found while logging", "page-later", Status::Corrupt},
            {"another database", "foreign", Status::Corrupt},
            {"another database with our version", "foreign-versioned", Status::Corrupt},
            {"newer version", "newer", Status::Newer},
            {"damaged, no room for its name aside", "longname", Status::Failed}, {"empty file", "empty", Status::Ok}, {"folder under a file", "underfile", Status::Failed},
            {"read-only folder", "rofolder", Status::ReadOnly}, {"read-only file", "rofile", Status::ReadOnly}};
        for (const auto &[name, kind, status] : rows)
            QTest::newRow(name) << QString(kind) << status;
    }

    // A damaged or foreign file is kept as it was beside the new one, named for why, and the new journal
    // works. One that cannot be written stays closed.
    void badFiles()
    {
        QFETCH(QString, kind);
        QFETCH(Status, status);
        if (kind.startsWith("ro") && rootMustRerun())
            return rerunAsNobody("badFiles");
        if (kind == "longname")   // the name it would be moved aside under is longer than a file name may be
            path = dir->filePath(QString(240, 'j'));
        Journal j;
        QFile f(path);
        if (kind == "random" || kind == "longname") {
            QByteArray junk(65536, Qt::Uninitialized);
            QRandomGenerator(16).fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(junk) == junk.size());
        } else if (kind.startsWith("foreign")) {
            QCOMPARE(sql(path, "CREATE TABLE notes(a)"), QString());
            if (kind.endsWith("versioned"))
                QCOMPARE(sql(path, QString("PRAGMA user_version = %1").arg(Journal::kSchemaVersion)), QString());
        } else if (kind == "empty" || kind == "underfile") {
            QVERIFY(QFile(kind == "empty" ? path : dir->filePath("plain")).open(QIODevice::WriteOnly));
            path = kind == "empty" ? path : dir->filePath("plain/journal.sqlite");
        } else {
            QCOMPARE(j.open(path).status, Status::Ok);
            for (int k = 0; k < 20; ++k)
                QVERIFY(j.append(0, 1, rowFor(k), kBase));
            j.close();
            if (kind == "newer")
                QCOMPARE(sql(path, QString("PRAGMA user_version = %1").arg(Journal::kSchemaVersion + 1)), QString());
            else if (kind.startsWith("ro"))
                QVERIFY(kind == "rofolder" ? QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::ExeOwner)
                                           : QFile::setPermissions(path, QFile::ReadOwner));
            else   // page 7 holds the index of open lists
                QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(6 * 4096) && f.write(QByteArray(4096, '\xA5')) == 4096);
            f.close();
            if (kind == "page-cut")   // the write-ahead log a killed run leaves
                QVERIFY(QFile(path + "-wal").open(QIODevice::WriteOnly));
            if (kind == "page-later") {   // not read at open after a clean end: the first row meets it
                QCOMPARE(j.open(path).status, Status::Ok);
                QVERIFY(!j.append(0, 1, rowFor(21), kBase));
                j.close();
            }
        }
        const QByteArray before = contents(path);
        const Journal::OpenResult r = j.open(path);
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QCOMPARE(r.status, status);
        if (!r.ready()) {
            QVERIFY(!j.isOpen() && !r.reason.isEmpty() && !QFile::exists(path + ".lock"));   // no lock left held
            if (kind == "longname") {
                QCOMPARE(r.reason, "The journal " + QDir::toNativeSeparators(path) + " is damaged and cannot be moved aside.");
                QVERIFY(contents(path) == before);   // the damaged file left as it was
            }
            QVERIFY(!j.append(0, 1, rowFor(2), kBase) && !j.lastError().isEmpty());
            return;
        }
        const QString moved = QFileInfo(r.movedTo).fileName(), word = status == Status::Newer ? ".newer-" : ".corrupt-";
        QVERIFY2(status == Status::Ok ? r.movedTo.isEmpty() : moved.startsWith("journal.sqlite" + word), qPrintable(moved));
        if (status != Status::Ok) {
            QCOMPARE(contents(r.movedTo), before);
            QVERIFY2(r.reason.contains(moved), qPrintable(r.reason));
        }
        QVERIFY(j.append(0, 4, rowFor(1), kBase));   // none of the old rows in the new journal
        QCOMPARE(reopened(j, path), QString("4:1:0-0"));
        j.close();
        QCOMPARE(sql(path, "PRAGMA quick_check"), QString("ok"));
    }

    // Two journals open at once in one process (as in the benchmark): each keeps its own rows.
    void twoAtOnce()
    {
        Journal a, b;
        const QString other = dir->filePath("other.sqlite");
        QVERIFY(a.open(path).ready() && b.open(other).ready());
        QVERIFY(a.append(0, 1, rowFor(0), kBase) && b.append(0, 2, rowFor(1), kBase) && b.append(0, 2, rowFor(2), kBase));
        QCOMPARE(reopened(a, path) + ' ' + reopened(b, other), QString("1:1:0-0 2:2:0-0"));
        a.close();
        b.close();
        QCOMPARE(QSqlDatabase::connectionNames(), QStringList());   // closed, they leave no connection behind
    }

    // Damaged again within the same second: each damaged file is kept under a name of its own.
    void damagedTwiceInASecond()
    {
        Journal j;
        j.setClock([] { return kBase; });
        QStringList aside;
        for (const QByteArray &junk : {QByteArray(4096, 'x'), QByteArray(4096, 'y')}) {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write(junk) == junk.size());
            f.close();
            const Journal::OpenResult r = j.open(path);
            QVERIFY(r.status == Status::Corrupt && contents(r.movedTo) == junk);
            aside << r.movedTo;
            j.close();
        }
        QCOMPARE(aside[1], aside[0] + "-2");
        QCOMPARE(contents(aside[0]), QByteArray(4096, 'x'));
    }

    // A full disk, as far as the journal can tell: the process may not make any file longer (root too).
    void writeFailure()
    {
        Journal j;
        QCOMPARE(j.open(path).status, Status::Ok);
        QVERIFY(j.append(0, 1, rowFor(1), kBase.addSecs(1)));
        QVERIFY(!j.append(0, 10, rowFor(9), kBase) && !j.lastError().isEmpty() && j.isOpen());   // no such list
        bool failed = false;
        QString error;
        {
            const FileSizeLimit full(static_cast<rlim_t>(QFileInfo(path + "-wal").size()));
            failed = full.ok && !j.append(0, 1, rowFor(2), kBase.addSecs(2));
            error = j.lastError();
        }
        QVERIFY(failed && !error.isEmpty() && j.isOpen());
        QVERIFY(!QFile::exists(path + ".check"));   // a full disk damages nothing: no check of every page next time
        QVERIFY2(j.append(0, 1, rowFor(3), kBase.addSecs(3)), qPrintable(j.lastError()));   // room again
        QCOMPARE(reopened(j, path), QString("1:2:1-3"));
        // Marked after a damaged page: the next open reads every page, finds them sound and takes the mark away.
        j.close();
        QVERIFY(QFile(path + ".check").open(QIODevice::WriteOnly));
        QVERIFY(j.open(path).status == Status::Ok && !QFile::exists(path + ".check"));
    }

    // A console killed while it appends: another one is kept out while it runs; every row it reported is
    // there, at most the one being written is missing, the file is sound, and its lock keeps no one out.
    void crashMidAppend()
    {
        QProcess child;
        child.start(QCoreApplication::applicationFilePath(), {"child-append", path});
        QByteArray printed;
        while (printed.count('\n') < 300 && child.waitForReadyRead(10000))
            printed += child.readAllStandardOutput();
        QVERIFY2(printed.startsWith("open\n"), printed.left(200).constData());
        Journal j;
        const Journal::OpenResult refused = j.open(path);
        QVERIFY2(refused.status == Status::InUse && refused.reason.contains("in use by another running console"),
                 qPrintable(refused.reason));
        QTest::qWait(QRandomGenerator::global()->bounded(10, 60));   // the kill lands anywhere in an append
        child.kill();   // SIGKILL
        QVERIFY(child.waitForFinished(10000) && child.exitStatus() == QProcess::CrashExit);
        printed += child.readAllStandardOutput();
        QVERIFY(QFileInfo::exists(path + ".lock"));
        const QList<QByteArray> numbers = printed.trimmed().split('\n').mid(1);
        const int committed = numbers.last().toInt() + 1;
        QCOMPARE(numbers.size(), committed);
        QCOMPARE(j.open(path).status, Status::Ok);
        bool ok = false;
        const QVector<Journal::Restored> lists = j.takePending(0, {}, &ok);
        QVERIFY(ok);
        QCOMPARE(lists.size(), 1);
        QCOMPARE(lists[0].address, 2);
        const int n = lists[0].rows.size();
        QVERIFY2(n == committed || n == committed + 1, qPrintable(QString("%1 of %2").arg(n).arg(committed)));
        for (int i = 0; i < n; ++i)
            QVERIFY2(isRow(lists[0].rows.at(i), n - 1 - i), qPrintable(QString::number(i)));
        j.close();
        QVERIFY(j.takePending(0, {}, &ok).isEmpty() && !ok);   // closed: nothing, and it says so
        QCOMPARE(sql(path, "PRAGMA quick_check"), QString("ok"));
    }
};

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "child-append") == 0)
        return childAppend(QString::fromLocal8Bit(argv[2]));
    TestJournal t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_journal.moc"
