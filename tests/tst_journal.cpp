#include "logging/Journal.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <cstdio>
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

using Status = Journal::Status;
Q_DECLARE_METATYPE(Journal::Status)

namespace {

const QDateTime kBase(QDate(2026, 12, 6), QTime(10, 0, 0), Qt::UTC);

// Row k as a log list shows it: odd rows are rotary-like with two empty
// cells, some texts hold what a file format would have to escape.
LogRow rowFor(int k)
{
    LogRow r;
    r.date = QStringLiteral("%1/12/26").arg(1 + k % 28);
    r.cells[0] = kBase.addSecs(k).time().toString(QStringLiteral("hh:mm:ss"));
    r.cells[1] = QStringLiteral("+%1.%2").arg(k).arg(k % 10000, 4, 10, QLatin1Char('0'));
    r.cells[2] = k % 3 ? QStringLiteral("mH2O") : QStringLiteral("ft,H2O \"x\"");
    if (k % 2 == 0) {
        r.cells[3] = QStringLiteral("21.5");
        r.cells[4] = QStringLiteral("\u00B0C");
    }
    return r;
}

bool sameRow(const LogRow &a, const LogRow &b)
{
    return a.date == b.date && a.cells == b.cells;
}

// "address:count:first-last" per list, first and last as seconds after kBase.
QString summary(const Journal::Pending &p)
{
    QStringList parts;
    int total = 0;
    for (const auto &l : p.lists) {
        parts << QStringLiteral("%1:%2:%3-%4").arg(l.address).arg(l.count).arg(kBase.secsTo(l.first)).arg(
                     kBase.secsTo(l.last));
        total += l.count;
    }
    return total == p.total ? parts.join(QLatin1Char(' ')) : QStringLiteral("total %1 != %2").arg(p.total).arg(total);
}

QString quickCheck(const QString &path)
{
    QString result;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("check"));
        db.setDatabaseName(path);
        if (db.open()) {
            QSqlQuery q(db);
            result = q.exec(QStringLiteral("PRAGMA quick_check")) && q.next() ? q.value(0).toString() : q.lastError().text();
        }
    }
    QSqlDatabase::removeDatabase(QStringLiteral("check"));
    return result;
}

bool rawSql(const QString &path, const QStringList &statements)
{
    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("raw"));
        db.setDatabaseName(path);
        ok = db.open();
        QSqlQuery q(db);
        for (const QString &s : statements)
            ok = ok && q.exec(s);
    }
    QSqlDatabase::removeDatabase(QStringLiteral("raw"));
    return ok;
}

QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The child of crashMidAppend: appends row after row to list (0, 2),
// printing the number of each row once it is committed.
int childAppend(const QString &path)
{
    Journal j;
    const Journal::OpenResult r = j.open(path);
    std::printf("%s\n", r.ready() ? "open" : qPrintable(r.reason));
    std::fflush(stdout);
    if (!r.ready())
        return 1;
    for (int k = 0; k < 1000000; ++k) {
        if (!j.append(0, 2, rowFor(k), kBase.addSecs(k)))
            return 2;
        std::printf("%d\n", k);
        std::fflush(stdout);
    }
    return 0;
}

} // namespace

class TestJournal : public QObject
{
    Q_OBJECT
private slots:
    void roundTrip();
    void sessions_data();
    void sessions();
    void retention();
    void lock();
    void damaged_data();
    void damaged();
    void cannotWrite_data();
    void cannotWrite();
    void writeFailure();
    void crashMidAppend();
};

void TestJournal::roundTrip()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("new/folder/journal.sqlite"));
    {
        Journal j;
        const Journal::OpenResult r = j.open(path);
        QCOMPARE(r.status, Status::Ok);
        QVERIFY(r.reason.isEmpty());
        for (int k = 0; k < 7; ++k)
            QVERIFY(j.append(0, k < 5 ? 3 : 9, rowFor(k), kBase.addSecs(k)));
        QVERIFY(j.append(1, 3, rowFor(100), kBase));
        QCOMPARE(j.rowCount(), 8);
        QVERIFY(!j.append(0, 10, rowFor(0), kBase));   // no such list
        QVERIFY(!j.lastError().isEmpty());
    }
    Journal j;
    QCOMPARE(j.open(path).status, Status::Ok);
    QCOMPARE(j.rowCount(), 8);
    const QVector<Journal::Restored> lists = j.takePending(0);
    QCOMPARE(lists.size(), 2);
    QCOMPARE(lists[0].address, 3);
    QCOMPARE(lists[1].address, 9);
    QCOMPARE(lists[0].rows.size(), 5);
    QCOMPARE(lists[1].rows.size(), 2);
    for (int i = 0; i < 5; ++i)   // newest first, every text as shown
        QVERIFY2(sameRow(lists[0].rows.at(i), rowFor(4 - i)), qPrintable(QString::number(i)));
    QVERIFY(sameRow(lists[1].rows.at(0), rowFor(6)));
    QVERIFY(j.pending(0).lists.isEmpty());
    QCOMPARE(summary(j.pending(1)), QStringLiteral("3:1:0-0"));   // the other family waits for its own run
    QCOMPARE(j.rowCount(), 8);                                     // taken over, not copied
}

// A script of steps on family 0 (b: family 1), then the summary of earlier
// runs' unsaved readings as seen from the last session:
//   aN append a row to list N (the k-th append is taken k seconds after the base)
//   sN save list N, sN<k save it up to the k-th append, cN clear it,
//   mN>M move it, r close and open again (a new run), t take the pending rows.
void TestJournal::sessions_data()
{
    QTest::addColumn<QString>("script");
    QTest::addColumn<QString>("expected");   // family 0 | family 1
    QTest::newRow("own rows are not pending") << "a3 a3 a5" << "|";
    QTest::newRow("a run that ended unsaved") << "a3 a3 a5 r" << "3:2:1-2 5:1:3-3|";
    QTest::newRow("two runs add up") << "a3 r a3 a4 r" << "3:2:1-2 4:1:3-3|";
    QTest::newRow("saved") << "a3 a3 s3 a3 r" << "3:1:3-3|";
    QTest::newRow("saved up to a row") << "a3 a3 a3 s3<2 r" << "3:1:3-3|";
    QTest::newRow("cleared") << "a3 a5 c3 r" << "5:1:2-2|";
    QTest::newRow("saving closes this run's rows only") << "a3 r a3 s3 r" << "3:1:1-1|";
    QTest::newRow("moved with its sensor") << "a3 a3 m3>7 a3 r" << "3:1:3-3 7:2:1-2|";
    QTest::newRow("saved rows stay behind") << "a3 s3 a3 m3>4 r" << "4:1:2-2|";
    QTest::newRow("taken rows are not pending twice") << "a3 r t" << "|";
    QTest::newRow("taken rows belong to the new run") << "a3 a5 r t r" << "3:1:1-1 5:1:2-2|";
    QTest::newRow("taken rows saved") << "a3 a5 r t s3 r" << "5:1:2-2|";
    QTest::newRow("taken rows moved") << "a3 r t m3>6 r" << "6:1:1-1|";
    QTest::newRow("families apart") << "a3 b3 b4 r" << "3:1:1-1|3:1:2-2 4:1:3-3";
    QTest::newRow("taking leaves the other family") << "b3 a3 r t" << "|3:1:1-1";
}

void TestJournal::sessions()
{
    QFETCH(QString, script);
    QFETCH(QString, expected);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    Journal j;
    QCOMPARE(j.open(path).status, Status::Ok);
    int k = 0;
    QVector<qint64> ids{0};
    for (const QString &step : script.split(QLatin1Char(' '))) {
        const QChar op = step.at(0);
        const int n = step.size() > 1 ? step.mid(1, 1).toInt() : 0;
        bool ok = true;
        if (op == QLatin1Char('a') || op == QLatin1Char('b')) {
            ++k;
            ok = j.append(op == QLatin1Char('a') ? 0 : 1, n, rowFor(k), kBase.addSecs(k));
            ids << j.lastId();
        } else if (op == QLatin1Char('s')) {
            ok = step.contains(QLatin1Char('<')) ? j.markSaved(0, n, ids[step.section(QLatin1Char('<'), 1).toInt()])
                                                 : j.markSaved(0, n);
        } else if (op == QLatin1Char('c')) {
            ok = j.markCleared(0, n);
        } else if (op == QLatin1Char('m')) {
            ok = j.moveList(0, n, step.section(QLatin1Char('>'), 1).toInt());
        } else if (op == QLatin1Char('r')) {
            j.close();
            ok = j.open(path).status == Status::Ok;
        } else if (op == QLatin1Char('t')) {
            ok = !j.takePending(0).isEmpty();
        }
        QVERIFY2(ok, qPrintable(step + QStringLiteral(": ") + j.lastError()));
    }
    QCOMPARE(summary(j.pending(0)) + QLatin1Char('|') + summary(j.pending(1)), expected);
}

void TestJournal::retention()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    QDateTime now = kBase;
    Journal j;
    j.setClock([&now] { return now; });
    QCOMPARE(j.open(path).status, Status::Ok);
    auto add = [&](int address, int rows, int from) {
        for (int k = from; k < from + rows; ++k)
            QVERIFY(j.append(0, address, rowFor(k), kBase.addSecs(k)));
    };
    add(1, 60, 0);
    QVERIFY(j.markSaved(0, 1));     // closed at the base
    now = kBase.addDays(2);
    add(2, 30, 60);
    QVERIFY(j.markCleared(0, 2));   // closed two days later
    add(3, 40, 90);                 // never saved
    QCOMPARE(j.rowCount(), 130);

    // By size: closed rows go first, in the order they were closed, then
    // the oldest unsaved ones.
    const struct {
        qint64 bound;
        qint64 rows;
    } steps[] = {{200, 130}, {100, 100}, {50, 50}, {20, 20}};
    for (const auto &s : steps) {
        j.setMaxRows(s.bound);
        QVERIFY(j.prune());
        QCOMPARE(j.rowCount(), s.rows);
    }
    j.close();
    QCOMPARE(j.open(path).status, Status::Ok);
    QCOMPARE(j.rowCount(), 20);
    QCOMPARE(summary(j.pending(0)), QStringLiteral("3:20:110-129"));
    j.close();

    // By age: closed rows last 30 days after closing; unsaved ones stay.
    QFile::remove(path);
    now = kBase;
    j.setMaxRows(Journal::kMaxRows);
    QCOMPARE(j.open(path).status, Status::Ok);
    add(1, 5, 0);
    QVERIFY(j.markSaved(0, 1));
    now = kBase.addDays(2);
    add(2, 3, 5);
    QVERIFY(j.markCleared(0, 2));
    add(3, 2, 8);
    const struct {
        int days, seconds;
        qint64 rows;
    } ages[] = {{29, 0, 10}, {30, 0, 10}, {30, 1, 5}, {32, 0, 5}, {32, 1, 2}, {400, 0, 2}};
    for (const auto &a : ages) {
        now = kBase.addDays(a.days).addSecs(a.seconds);
        QVERIFY(j.prune());
        QCOMPARE(j.rowCount(), a.rows);
    }
    j.close();
    now = kBase.addDays(400);
    QCOMPARE(j.open(path).status, Status::Ok);
    QCOMPARE(summary(j.pending(0)), QStringLiteral("3:2:8-9"));
}

void TestJournal::lock()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    Journal first, second;
    QCOMPARE(first.open(path).status, Status::Ok);
    const Journal::OpenResult refused = second.open(path);
    QCOMPARE(refused.status, Status::InUse);
    QVERIFY(!refused.ready());
    QVERIFY2(refused.reason.contains(QLatin1String("in use by another running console")), qPrintable(refused.reason));
    QVERIFY(!second.append(0, 1, rowFor(1), kBase));
    QVERIFY(first.append(0, 1, rowFor(1), kBase));
    first.close();
    QCOMPARE(second.open(path).status, Status::Ok);
    QCOMPARE(summary(second.pending(0)), QStringLiteral("1:1:0-0"));
}

void TestJournal::damaged_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Status>("status");
    QTest::newRow("random bytes") << "random" << Status::Corrupt;
    QTest::newRow("damaged page, run cut short") << "page-cut" << Status::Corrupt;
    QTest::newRow("damaged page, found while logging") << "page-later" << Status::Corrupt;
    QTest::newRow("another database") << "foreign" << Status::Corrupt;
    QTest::newRow("newer version") << "newer" << Status::Newer;
    QTest::newRow("empty file") << "empty" << Status::Ok;
}

void TestJournal::damaged()
{
    QFETCH(QString, kind);
    QFETCH(Status, status);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    if (kind == QLatin1String("random")) {
        QByteArray junk(65536, Qt::Uninitialized);
        QRandomGenerator gen(16);
        gen.fillRange(reinterpret_cast<quint32 *>(junk.data()), junk.size() / 4);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(junk) == junk.size());
    } else if (kind == QLatin1String("foreign")) {
        QVERIFY(rawSql(path, {QStringLiteral("CREATE TABLE notes(a)")}));
    } else if (kind == QLatin1String("empty")) {
        QVERIFY(QFile(path).open(QIODevice::WriteOnly));
    } else {
        Journal j;
        QCOMPARE(j.open(path).status, Status::Ok);
        for (int k = 0; k < 20; ++k)
            QVERIFY(j.append(0, 1, rowFor(k), kBase));
        j.close();
        if (kind == QLatin1String("newer")) {
            QVERIFY(rawSql(path, {QStringLiteral("PRAGMA user_version = %1").arg(Journal::kSchemaVersion + 1)}));
        } else {
            QFile f(path);   // page 5 holds the index of unsaved rows
            QVERIFY(f.open(QIODevice::ReadWrite) && f.seek(4 * 4096));
            QVERIFY(f.write(QByteArray(4096, '\xA5')) == 4096);
        }
        if (kind == QLatin1String("page-cut")) {
            // The write-ahead log a killed run leaves behind.
            QVERIFY(QFile(path + QStringLiteral("-wal")).open(QIODevice::WriteOnly));
        } else if (kind == QLatin1String("page-later")) {
            // Not read at open after a clean end; the first row meets it.
            QCOMPARE(j.open(path).status, Status::Ok);
            QVERIFY(!j.append(0, 1, rowFor(21), kBase));
            j.close();
        }
    }
    const QByteArray before = contents(path);

    Journal j;
    const Journal::OpenResult r = j.open(path);
    QCOMPARE(r.status, status);
    QVERIFY(r.ready());
    if (status == Status::Ok) {
        QVERIFY(r.movedTo.isEmpty());
    } else {
        // The old file is kept as it was, beside the new one, and named for why.
        const QString word = status == Status::Newer ? QStringLiteral(".newer-") : QStringLiteral(".corrupt-");
        QVERIFY2(QFileInfo(r.movedTo).fileName().startsWith(QStringLiteral("journal.sqlite") + word),
                 qPrintable(r.movedTo));
        QCOMPARE(contents(r.movedTo), before);
        QVERIFY2(r.reason.contains(QFileInfo(r.movedTo).fileName()), qPrintable(r.reason));
    }
    QCOMPARE(j.rowCount(), 0);
    QVERIFY(j.append(0, 4, rowFor(1), kBase));
    j.close();
    QCOMPARE(j.open(path).status, Status::Ok);
    QCOMPARE(summary(j.pending(0)), QStringLiteral("4:1:0-0"));
    j.close();
    QCOMPARE(quickCheck(path), QStringLiteral("ok"));
}

void TestJournal::cannotWrite_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<Status>("status");
    QTest::newRow("folder under a file") << "underfile" << Status::Failed;
    QTest::newRow("read-only folder") << "rofolder" << Status::ReadOnly;
    QTest::newRow("read-only file") << "rofile" << Status::ReadOnly;
}

void TestJournal::cannotWrite()
{
    QFETCH(QString, kind);
    QFETCH(Status, status);
    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    if (kind == QLatin1String("underfile")) {
        QVERIFY(QFile(dir.filePath(QStringLiteral("plain"))).open(QIODevice::WriteOnly));
        path = dir.filePath(QStringLiteral("plain/journal.sqlite"));
    } else {
        if (geteuid() == 0)
            QSKIP("File modes do not stop root from writing; writeFailure makes writing fail another way");
        {
            Journal j;
            QCOMPARE(j.open(path).status, Status::Ok);
            QVERIFY(j.append(0, 1, rowFor(1), kBase));
        }
        if (kind == QLatin1String("rofolder"))
            QVERIFY(QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner));
        else
            QVERIFY(QFile::setPermissions(path, QFile::ReadOwner));
    }
    Journal j;
    const Journal::OpenResult r = j.open(path);
    QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QCOMPARE(r.status, status);
    QVERIFY(!r.ready() && !j.isOpen());
    QVERIFY(!r.reason.isEmpty());
    QVERIFY(!j.append(0, 1, rowFor(2), kBase));
    QVERIFY(!j.lastError().isEmpty());
}

// A full disk, as far as the journal can tell: the process may not make
// any file longer (this holds for root as well).
void TestJournal::writeFailure()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    Journal j;
    QCOMPARE(j.open(path).status, Status::Ok);
    QVERIFY(j.append(0, 1, rowFor(1), kBase.addSecs(1)));
    struct rlimit old {};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = old;
    small.rlim_cur = static_cast<rlim_t>(QFileInfo(path + QStringLiteral("-wal")).size());
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool failed = !j.append(0, 1, rowFor(2), kBase.addSecs(2));
    const QString error = j.lastError();
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);
    QVERIFY(failed);
    QVERIFY(!error.isEmpty());
    QVERIFY(j.isOpen());
    QVERIFY2(j.append(0, 1, rowFor(3), kBase.addSecs(3)), qPrintable(j.lastError()));   // room again
    j.close();
    QCOMPARE(j.open(path).status, Status::Ok);
    QCOMPARE(summary(j.pending(0)), QStringLiteral("1:2:1-3"));
}

// A console killed while it appends: every row it reported is there, at
// most the one being written is missing, and the file is sound. The lock
// the killed process left does not keep the next run out.
void TestJournal::crashMidAppend()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("journal.sqlite"));
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("child-append"), path});
    QVERIFY(child.waitForStarted());
    QByteArray printed;
    auto lines = [&printed] { return printed.count('\n'); };
    while (lines() < 300 && child.state() == QProcess::Running) {
        child.waitForReadyRead(5000);
        printed += child.readAllStandardOutput();
    }
    QVERIFY2(printed.startsWith("open\n"), printed.left(200).constData());
    Journal other;
    QCOMPARE(other.open(path).status, Status::InUse);
    QTest::qWait(QRandomGenerator::global()->bounded(10, 60));   // the kill lands anywhere in an append
    ::kill(static_cast<pid_t>(child.processId()), SIGKILL);
    QVERIFY(child.waitForFinished(10000));
    printed += child.readAllStandardOutput();
    QCOMPARE(child.exitStatus(), QProcess::CrashExit);
    QVERIFY(QFileInfo::exists(path + QStringLiteral(".lock")));

    QList<QByteArray> numbers = printed.split('\n');
    numbers.removeFirst();   // "open"
    if (!numbers.isEmpty() && !printed.endsWith('\n'))
        numbers.removeLast();   // a line cut short
    while (!numbers.isEmpty() && numbers.last().isEmpty())
        numbers.removeLast();
    const int committed = numbers.last().toInt() + 1;
    QCOMPARE(numbers.size(), committed);

    Journal j;
    QCOMPARE(j.open(path).status, Status::Ok);
    const QVector<Journal::Restored> lists = j.takePending(0);
    QCOMPARE(lists.size(), 1);
    QCOMPARE(lists[0].address, 2);
    const int n = lists[0].rows.size();
    QVERIFY2(n == committed || n == committed + 1, qPrintable(QStringLiteral("%1 of %2").arg(n).arg(committed)));
    for (int i = 0; i < n; ++i)
        QVERIFY2(sameRow(lists[0].rows.at(i), rowFor(n - 1 - i)), qPrintable(QString::number(i)));
    j.close();
    QCOMPARE(quickCheck(path), QStringLiteral("ok"));
}

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "child-append") == 0)
        return childAppend(QString::fromLocal8Bit(argv[2]));
    TestJournal t;
    return QTest::qExec(&t, argc, argv);
}

#include "tst_journal.moc"
