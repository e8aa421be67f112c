// What an installed console relies on: its settings where its folder is read-only, nonsense in them, the guide.

#include "app/AboutWindow.h"
#include "app/HelpWindow.h"
#include "discovery/SysData.h"
#include "support/ConsoleRig.h"

#include <QtTest>
#include <QtWidgets>

#ifdef Q_OS_UNIX
#include "support/AsNobody.h"
#endif

namespace {
QByteArray record(std::initializer_list<qint16> fields)   // little-endian, as the file holds them
{
    QByteArray b;
    for (qint16 f : fields)
        b.append(char(f & 0xFF)).append(char((f >> 8) & 0xFF));
    return b;
}

bool put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A main window on the test double whose port will not open, so that no scan runs; the settings paths are the test's.
struct Shell {
    Shell(const QString &beside, const QString &user)
    {
        port.failNextOpen(QStringLiteral("busy"));
        MainWindow::Platform p;
        p.ui = &ui, p.clock = &clock, p.port = &port;
        p.settingsPath = beside, p.userSettingsPath = user;
        p.catalogue = [] {
            PortCatalogue c;
            for (int i = 1; i <= 16; ++i)
                c.names.push_back(QStringLiteral("Test port (COM%1)").arg(i));
            return c;
        };
        w = std::make_unique<MainWindow>(p);
        w->setLevelProbeSensorType();
        w->Form_Load();
    }
    QStringList settingsMessages() const   // the texts of the messages titled "Settings."
    {
        static const QRegularExpression title(QStringLiteral("^Settings\\.\\|"));
        return ui.texts().filter(title).replaceInStrings(title, QString());
    }
    TestUi ui;
    TestClock clock;
    FakeSerialPort port;
    std::unique_ptr<MainWindow> w;
};

const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
const auto enterable = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;

} // namespace

class TestInstall : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;
private slots:
    void initTestCase()
    {
        installQuietHandler();   // the offscreen platform reports window operations it cannot do
        // The user's configuration folder: the test location, under a home of the test's own.
        QStandardPaths::setTestModeEnabled(true);
#ifndef Q_OS_WIN
        qputenv("HOME", QFile::encodeName(m_home.path()));
        QVERIFY(sysdata::userPath().startsWith(m_home.path()));
#endif
        QVERIFY(sysdata::userPath().endsWith(QLatin1String("/Varno sysfile.cfg")));
    }

    // Each field of the ten bytes: 0 (or missing) takes the default silently; negative or past its largest takes the
    // default and makes the file invalid, so the link only ever runs on values it can use.
    void fieldRanges_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QList<int>>("expected");   // port, break, mark, data timeout, command timeout
        QTest::addColumn<bool>("valid");
        QTest::newRow("stored values") << QByteArray::fromHex("03000000" "0A000000" "E803")
                                       << QList<int>{3, 20, 10, 200, 1000} << true;
        QTest::newRow("empty file") << QByteArray() << QList<int>{1, 20, 15, 200, 400} << true;
        QTest::newRow("short file") << QByteArray::fromHex("0500" "07") << QList<int>{5, 20, 15, 200, 400} << true;
        QTest::newRow("largest") << record({16, 9999, 9999, 9999, 6553}) << QList<int>{16, 9999, 9999, 9999, 6553} << true;
        QTest::newRow("negative") << record({-1, -20, 5, -1, -400}) << QList<int>{1, 20, 5, 200, 400} << false;
        QTest::newRow("one past the largest") << record({17, 10000, 10000, 10000, 6554}) << QList<int>{1, 20, 15, 200, 400}
                                              << false;
        QTest::newRow("port only wrong") << record({99, 30, 16, 250, 500}) << QList<int>{1, 30, 16, 250, 500} << false;
    }
    void fieldRanges()
    {
        QFETCH(QByteArray, file);
        QFETCH(QList<int>, expected);
        QFETCH(bool, valid);
        QTemporaryDir dir;
        const QString path = dir.filePath("Varno sysfile.cfg");
        QVERIFY(put(path, file));
        bool ok = !valid;
        const LinkSettings s = sysdata::withDefaults(sysdata::read(path), &ok);
        QCOMPARE((QList<int>{s.port, s.breakMs, s.markMs, s.dataTimeoutMs, s.commandTimeoutMs}), expected);
        QCOMPARE(ok, valid);
    }

    void nonsenseToldOnce()
    {
        // Random bytes: the console runs on the defaults, says so once and stores them repaired; the next start is silent.
        QTemporaryDir dir;
        const QString path = dir.filePath("Varno sysfile.cfg");
        QVERIFY(put(path, QByteArray::fromHex("9c3b" "a1f0" "6009" "c5d2" "4139" "77")));
        {
            Shell s(path, QString());
            QCOMPARE(s.settingsMessages(),
                     QStringList{QStringLiteral("The settings file \"%1\" was not valid.\rThe default settings were used.")
                                     .arg(QDir::toNativeSeparators(path))});
            const Link &l = s.w->core.link;
            QCOMPARE((QList<int>{s.w->core.CommPort, l.BreakTiming, l.MarkTiming, l.DataTimeout, l.commandTimeout()}),
                     (QList<int>{1, 20, 2400, 200, 400}));   // 0x0960 is in range and kept
        }
        QFile f(path);   // repaired; the byte after the record stays
        QVERIFY(f.open(QIODevice::ReadOnly));
        QCOMPARE(f.readAll(), record({1, 20, 2400, 200, 400}) + QByteArray::fromHex("77"));
        QVERIFY(Shell(path, QString()).settingsMessages().isEmpty());
    }

    void locations_data()
    {
        // The program's folder; the ports beside the program and in the user's file from an earlier run (0: no file);
        // the route: where the first run reads, where its port choice goes, where the next run reads.
        QTest::addColumn<QString>("folder");
        QTest::addColumn<int>("besidePort");
        QTest::addColumn<int>("userPort");
        QTest::addColumn<QString>("route");
        QTest::newRow("writable folder") << "writable" << 3 << 0 << "beside beside beside";
        QTest::newRow("read-only file beside") << "read-only file" << 3 << 0 << "beside user user";
        QTest::newRow("read-only file, user's file") << "read-only file" << 3 << 7 << "user user user";
        QTest::newRow("read-only folder") << "read-only folder" << 0 << 0 << "none user user";
        QTest::newRow("folder is a file") << "is a file" << 0 << 0 << "none user user";
        QTest::newRow("writable folder, user's file") << "writable" << 0 << 7 << "user beside beside";
    }
    void locations()
    {
        QFETCH(QString, folder);
        QFETCH(int, besidePort);
        QFETCH(int, userPort);
        QFETCH(QString, route);
        QTemporaryDir dir;
        const QString program = dir.filePath("program"), beside = program + "/Varno sysfile.cfg";
        const QString user = sysdata::userPath();
        QDir(QFileInfo(user).absolutePath()).removeRecursively();
        QVERIFY(folder == "is a file" ? put(program, "x") : QDir().mkpath(program));
        if (besidePort)
            QVERIFY(put(beside, record({qint16(besidePort), 20, 15, 200, 400})));
        if (userPort)
            QVERIFY(QDir().mkpath(QFileInfo(user).absolutePath()) &&
                    put(user, record({qint16(userPort), 20, 15, 200, 400})));
        const auto restore = qScopeGuard([&] { QFile::setPermissions(program, readable | enterable | QFile::WriteOwner); });
        if (folder.startsWith("read-only")) {
            const bool file = folder == "read-only file";
            QVERIFY(file ? QFile::setPermissions(beside, readable) : QFile::setPermissions(program, readable | enterable));
            QFile probe(file ? beside : program + "/probe");
            if (probe.open(QIODevice::ReadWrite)) {
                if (!file)
                    probe.remove();
#ifdef Q_OS_UNIX
                if (rootMustRerun())
                    return rerunAsNobody("locations");
#endif
                QSKIP("permissions do not stop writes here");
            }
        }
        const auto where = [&](const QString &p) { return QString(p.isEmpty() ? "none" : p == beside ? "beside" : "user"); };
        sysdata::Store first(beside, user);
        const int port = first.read().port;
        QString error;
        QVERIFY2(first.write(SysDataRecord{9, 20, 15, 200, 400}, &error), qPrintable(error));
        sysdata::Store next(beside, user);
        QCOMPARE(int(next.read().port), 9);
        QCOMPARE(QStringList({where(first.readPath()), where(first.writePath()), where(next.readPath())}).join(' '), route);
        QCOMPARE(port, route.startsWith("beside") ? besidePort : route.startsWith("user") ? userPort : 0);
        if (besidePort && where(first.writePath()) == "user")
            QCOMPARE(int(sysdata::read(beside).port), besidePort);   // left as it was
    }

    void toldOnceAndGuide()
    {
        // Nowhere to write, beside the program or in a user folder: the choices stay in effect; the user hears it once.
        QTemporaryDir dir;
        QVERIFY(put(dir.filePath("file"), "x"));
        const QString user = dir.filePath("file/config/Varno sysfile.cfg");
        Shell s(dir.filePath("file/Varno sysfile.cfg"), user);
        for (int com : {2, 5}) {
            s.port.failNextOpen(QStringLiteral("busy"));
            s.w->mnuCom[com]->trigger();
        }
        QCOMPARE(s.w->core.CommPort, 5);
        QCOMPARE(s.settingsMessages(),
                 QStringList{QStringLiteral("The settings could not be saved to \"%1\": the folder \"%2\" could not be "
                                            "created.\rThe values stay in effect until the program ends.")
                                 .arg(QDir::toNativeSeparators(user), QDir::toNativeSeparators(dir.filePath("file/config")))});
        // One guide window however often it is asked for; it quotes the program's own texts.
        for (int i = 0; i < 2; ++i)
            s.w->submnuHelp->trigger();
        const QList<HelpWindow *> windows = s.w->findChildren<HelpWindow *>();
        QCOMPARE(windows.size(), 1);
        QVERIFY(windows[0]->isVisible() && windows[0]->width() >= 600 && windows[0]->height() >= 400);   // room to read
        const QString guide = windows[0]->HelpText->toPlainText();
        for (const char *quoted :
             {"dialout", "MAINTENANCE", "Re-Scan Sensors", "Calibrate Mode", "Start Log", "Save As...",
              "Unable to connect to comm port.", "No sensors were found. Please check connections and addresses.",
              "Command response not found.", "Received command not recognised.", "The default settings were used.",
              "The values stay in effect until the program ends.", "The command timeout must be between 1 and 6553 mS.",
              "Unable to set range value whilst sensor is locked."})
            QVERIFY2(guide.contains(QLatin1String(quoted)), quoted);
        s.w->submnuAbout->trigger();
        QVERIFY(s.w->About->isVisible());
        QVERIFY(s.w->About->Text1->toPlainText().endsWith(QLatin1String("   Version " SDI12_VERSION)));
        // The program's icon: every size the desktop may ask for, each drawn at its own size.
        QList<int> sizes;
        for (const QSize &z : AboutWindow::programIcon().availableSizes())
            sizes << (AboutWindow::programIcon().pixmap(z).size() == z ? z.width() : -z.width());
        std::sort(sizes.begin(), sizes.end());
        QCOMPARE(sizes, (QList<int>{16, 22, 24, 32, 48, 64, 128, 256}));
        QCOMPARE(s.w->About->Licence->text(),
                 QString("Built with Qt %1, running on Qt %2.\nThis program is free software under the GNU General Public "
                         "License, version 3 or (at your option) any later version. It comes with no warranty.")
                     .arg(QT_VERSION_STR, qVersion()));
    }
};

QTEST_MAIN(TestInstall)
#include "tst_install.moc"
