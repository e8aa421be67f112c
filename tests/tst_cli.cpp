// sdi12-cli as a user runs it: the program against sdi12-sim on a
// pseudo-terminal, its output, its exit status, and the commands the bus
// received (the simulator logs each as "rx <command>").
#include "support/Golden.h"
#include "support/SimProcess.h"

#include <QtTest>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

class TestCli : public QObject
{
    Q_OBJECT
    struct Run { int exit = -1; QString out, err; };
    QTemporaryDir m_home;
    QString m_program;   // a copy beside a settings file of its own
    SimProcess m_sim;
    QString m_simErr;
    GoldenSections kept{"cli-commands.txt"};

    // Its settings and journal in a home of the test's; `inChild` runs in the child before the program. Qt's
    // logging rules are the test's: `rules`, else none.
    QProcess *start(const QStringList &args, const std::function<void()> &inChild = {}, const QString &rules = {})
    {
        auto *p = new QProcess(this);
        if (inChild)
            p->setChildProcessModifier(inChild);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", m_home.path());
        env.insert("XDG_CONFIG_HOME", m_home.filePath("config"));
        env.insert("XDG_DATA_HOME", m_home.filePath("data"));
        env.insert("XDG_RUNTIME_DIR", m_sim.runtimePath);
        env.remove("QT_MESSAGE_PATTERN");
        env.remove("QT_LOGGING_RULES");
        if (!rules.isEmpty())
            env.insert("QT_LOGGING_RULES", rules);
        p->setProcessEnvironment(env);
        p->start(m_program, args);
        return p;
    }
    // sdi12-cli with `args`, --port the simulator's port added unless `port` is false.
    Run cli(const QStringList &args, bool port = true, const QString &rules = {})
    {
        const std::unique_ptr<QProcess> p(start(port ? args + QStringList{"--port", m_sim.link(1)} : args, {}, rules));
        if (!p->waitForFinished(60000))
            p->kill();
        return {p->exitStatus() == QProcess::NormalExit ? p->exitCode() : -1,
                QString::fromUtf8(p->readAllStandardOutput()), QString::fromUtf8(p->readAllStandardError())};
    }
    // Commands the bus received since the last call.
    QStringList received()
    {
        QTest::qWait(50);
        m_simErr += QString::fromLocal8Bit(m_sim.process.readAllStandardError());
        QStringList out;
        static const QRegularExpression rx(" rx (\\S+)");
        for (auto it = rx.globalMatch(m_simErr); it.hasNext();)   // one a line
            out << it.next().captured(1);
        m_simErr = m_simErr.mid(m_simErr.lastIndexOf('\n') + 1);
        return out;
    }

private slots:
    void initTestCase()
    {
        // A copy of the program: its settings file lies beside it.
        m_program = m_home.filePath("bin/sdi12-cli");
        QVERIFY(QDir().mkpath(m_home.filePath("bin")) && QFile::copy(SDI12_CLI_PATH, m_program));
        QFile::setPermissions(m_program, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(m_sim.start({"--com", "1", "--level", "0,4", "--rotary", "7", "--standard", "--mtime", "0=0", "--mtime",
                            "4=0"}));
        received();
    }

    // Every help text, the version, the usage errors and what reading the bus prints, as kept in
    // tests/golden/cli.txt: each run's arguments, exit status, standard output and standard error.
    void texts()
    {
        QStringList lines;
        const auto run = [&](const QStringList &args, bool port) {
            const Run r = cli(args, port);
            lines << "$ sdi12-cli " + args.join(' ') << QString("exit %1").arg(r.exit);
            lines << r.out.split('\n') << "stderr:" << r.err.split('\n');
        };
        for (const char *c : {"ports", "scan", "get", "set", "send", "log", "report", "apply", "frobnicate"})
            run({c, "--help"}, false);
        for (const QStringList &args : QList<QStringList>{{}, {"--help"}, {"--version"}, {"get"}, {"get", "x"},
                                                          {"set", "4"}, {"set", "4", "range"}, {"log", "4"},
                                                          {"log", "4", "--period", "7"}, {"log", "4", "--period", "0"},
                                                          {"log", "4", "--period", "5", "--for", "2w"},
                                                          {"report"}, {"apply", "4"}, {"scan", "--family", "pump"}})
            run(args, false);
        for (const QStringList &args : QList<QStringList>{{"scan"}, {"scan", "--json"}, {"get", "4"}, {"get", "0", "--json"},
                                                          {"report", "0"}, {"report", "0", "--json"}, {"report", "6"},
                                                          {"scan", "--family", "rotary"}, {"log", "6", "--period", "5"},
                                                          {"report", "7", "--family", "rotary"},
                                                          {"log", "7", "--period", "7", "--family", "rotary"},
                                                          {"send"}})
            run(args, true);
        received();
        compareWithGolden(lines.replaceInStrings(m_sim.link(1), "<port>").replaceInStrings(m_home.path(), "<home>"),
                          "cli.txt");
    }

    void commands_data()
    {
        // Arguments; exit status; what standard output holds (a regular
        // expression); the commands the bus received, in order; standard error.
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("exit");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QStringList>("bus");
        QTest::addColumn<QString>("err");
        const auto row = [](const char *name, const QStringList &args, int exit, const QString &out, const QStringList &bus,
                            const QString &err) { QTest::newRow(name) << args << exit << out << bus << err; };
        row("get", {"get", "4", "range", "pressure-units", "serial-number"}, 0,
            "^range = 10.0000\npressure-units = mH2O\nserial-number = LT510234\n$", {"4XRA!", "4XUP!", "4XSN!"}, "");
        row("get, rotary names", {"get", "4", "direction", "--family", "rotary"}, 1, "^$", {"4XRD!"},
            "no answer from the sensor at 4 to its direction query");
        row("set", {"set", "4", "unlock=on", "range=12.5", "temperature-units=fahrenheit"}, 0,
            "^unlock = on\nrange = 12.5000\ntemperature-units = Fahrenheit\n$",
            {"4XUNLK1!", "4XRA12.5!", "4XUT1!", "4M!", "4D0!"}, "");
        row("set, JSON", {"set", "4", "unlock=on", "--json"}, 0, "\"address\": 4,\\s*\"unlock\": \"on\"", {"4XUNLK1!"},
            "");
        // Refused as the tab refuses, in the tab's words. The lock state is read
        // first; locked, the set is refused; bad values send nothing.
        row("get, rotary", {"get", "7", "--family", "rotary"}, 0, "^measurement-units = Millimetres\n",
            QString("7XMU! 7XCP! 7XRD! 7XPC! 7XCV! 7XSN! 7I!").split(' '), "");
        // The resolution needs the units, pulley and counts together: read first, as the tab has them.
        row("set, rotary", {"set", "7", "pulley-circumference=150", "direction=anticlockwise", "--family", "rotary"}, 0,
            "^pulley-circumference = 150\ndirection = Anticlockwise\n$",
            QString("7XMU! 7XCP! 7XPC! 7XCP150! 7C! 7D0! 7XRD0! 7C! 7D0!").split(' '), "");
        row("set, rotary, no sensor there", {"set", "6", "counts-per-rev=200", "--family", "rotary"}, 1, "^$", {"6XMU!"},
            "no answer from the sensor at 6 to its measurement-units query");
        row("set while locked", {"set", "0", "range=5"}, 2, "^$", {"0XUNLK!"},
            "Unable to set range value whilst sensor is locked. Please unlock sensor");
        row("set, no sensor there", {"set", "6", "range=5"}, 1, "^$", {"6XUNLK!"},
            "no answer from the sensor at 6 to its lock query");
        row("set, two points", {"set", "4", "unlock=on", "range=1.2.3"}, 2, "^$", {},
            "The range takes digits, at most one decimal point");
        row("set, no such unit", {"set", "4", "pressure-units=furlong"}, 2, "^$", {},
            "Please select the pressure units: mH2O, ftH2O");
        row("unknown parameter", {"get", "4", "colour"}, 2, "^$", {}, "get: no parameter \"colour\"");
        // A parameter that is only read: refused, naming those that can be set.
        row("set a reading", {"set", "4", "sample-rate=5"}, 2, "^$", {}, "with a parameter that can be set: ");
        row("set a reading, rotary", {"set", "4", "serial-number=5", "--family", "rotary"}, 2, "^$", {},
            "with a parameter that can be set: ");
        row("unknown command", {"frobnicate"}, 2, "^$", {}, "no command \"frobnicate\"");
        row("bad address", {"get", "12"}, 2, "^$", {}, "address 0-9");
        row("send, CRC", {"send", "4MC!", "4D0!", "4RC0!"}, 0,
            "^4MC!40002\n4D0!4\\+\\S+  CRC correct\\.\n4RC0!4\\+\\S+  CRC correct\\.\n$", {"4MC!", "4D0!", "4RC0!"}, "");
        row("send, no answer", {"send", "6I!"}, 1, "^6I!: no answer\n$", {"6I!"}, "");
        row("send, no answer, JSON", {"send", "6I!", "--json"}, 1,
            "^\\[\\s*\\{\\s*\"answer\":\\s*\"\",\\s*\"command\":\\s*\"6I!\"\\s*\\}\\s*\\]\\s*$", {"6I!"}, "");
        // The simulator's port is COM1, whatever else the machine has.
        row("ports", {"ports"}, 0, "(^|\n)COM1  (/dev/pts/\\d+)  SDI-12 port link \\2 \\(COM1\\)\n", {}, "");
        row("ports, JSON", {"ports", "--json"}, 0,
            "\\{\\s*\"com\": 1,\\s*\"name\": \"[^\"]+\",\\s*\"path\": \"/dev/pts/\\d+\"\\s*\\}", {}, "");
        row("send, maintenance", {"send", "MAINTENANCE"}, 2, "^$", {}, "MAINTENANCE opens the timing settings");
    }

    void portOfTheSettings()
    {
        // Without --port, the port is the one the settings beside the program name: here COM16, which has no device.
        const QString path = m_home.filePath("bin/Varno sysfile.cfg");
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly) && f.write(QByteArray::fromHex("10001400" "0f00c800" "9001")) == 10);
        f.close();
        const Run r = cli({"get", "4", "range"}, false);
        QFile::remove(path);
        QCOMPARE(QStringList({QString::number(r.exit), r.out, r.err}),
                 (QStringList{"3", "", "sdi12-cli: cannot open COM16: No serial device is listed under COM16: plug the "
                                       "adapter in, then choose the port again.\n"}));
        // A port whose device is no serial port: named with its device.
        QVERIFY(QFile::link("/dev/null", m_sim.portDir() + "/COM2"));
        const Run null = cli({"get", "4", "range", "--port", "COM2"}, false);
        QFile::remove(m_sim.portDir() + "/COM2");
        QVERIFY2(null.exit == 3 && null.out.isEmpty() &&
                     null.err.startsWith("sdi12-cli: cannot open COM2 (/dev/null): /dev/null could not be opened: "),
                 qPrintable(null.err));
    }

    void commands()
    {
        QFETCH(QStringList, args);
        QFETCH(int, exit);
        QFETCH(QString, out);
        QFETCH(QStringList, bus);
        QFETCH(QString, err);
        const Run r = cli(args);
        QVERIFY2(r.exit == exit, qPrintable(QString::number(r.exit) + " " + r.err));
        QVERIFY2(QRegularExpression(out).match(r.out).hasMatch(), qPrintable(r.out));
        QCOMPARE(received(), bus);
        QVERIFY2(err.isEmpty() ? r.err.isEmpty() : r.err.contains(err), qPrintable(r.err));
        // Both outputs whole, as kept in tests/golden/cli-commands.txt (but the machine's own ports).
        if (args.first() != "ports")
            kept.compare((r.out.split('\n') + QStringList{"stderr:"} + r.err.split('\n'))
                             .replaceInStrings(m_sim.link(1), "<port>").replaceInStrings(m_home.path(), "<home>"));
    }

    void trace()
    {
        // The link's trace, asked for through Qt's logging rules: the port's refusals (a pseudo-terminal's), each
        // command, each line and what it answers, each time-out.
        received();
        const Run r = cli({"send", "4I!", "6I!"}, true, "sdi12.*=true");
        QCOMPARE(r.exit, 1);
        QCOMPARE(QString(r.err).replace(m_sim.link(1), "<port>").split('\n'),
                 (QStringList{"sdi12.port: \"<port>\" refuses 7 data bits", "sdi12.port: \"<port>\" refuses even parity",
                              "sdi12.link: sent \"4I!\" code 0",
                              "sdi12.decode: line \"4I!413ORVANE  LT-Q5 102\" for \"4I!\" 0",
                              "sdi12.link: sent \"6I!\" code 0", "sdi12.link: command timed out: \"6I!\"", ""}));
        QCOMPARE(received(), (QStringList{"4I!", "6I!"}));
    }

    void reportAndApply()
    {
        // The scan as JSON: one object per sensor, its address and its columns.
        Run r = cli({"scan", "--json"});
        QVERIFY2(r.exit == 0, qPrintable(r.err + r.out));
        const QJsonArray found = QJsonDocument::fromJson(r.out.toUtf8()).array();
        QCOMPARE(found.size(), 2);
        QCOMPARE(found[1].toObject()["address"].toInt(), 4);
        QCOMPARE(found[1].toObject()["Serial No."].toString(), QString("LT510234"));
        QCOMPARE(found[1].toObject()["Temperature Units"].toString(), QString("Fahrenheit"));   // as set above
        QCOMPARE(received().count("4XUP!"), 1);
        // The report of 4, on standard output and in a file, byte for byte.
        r = cli({"report", "4"});
        QCOMPARE(r.exit, 0);
        QCOMPARE(received(), QString("4XUP! 4XUT! 4XP! 4XE! 4I! 4XREV! 4XLOF! 4XRA! 4XU0! 4XANCALCV0! 4XANCALCV1! 4XMOR! "
                                     "4XLOC! 4XSN! 4XF! 4M! 4D0!").split(' '));   // the one sensor read, no scan
        const QString file = m_home.filePath("probe-4.txt");
        QCOMPARE(cli({"report", "4", "--out", file}).exit, 0);
        QFile f(file);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray report = f.readAll();
        QCOMPARE(report, r.out.toUtf8());
        QVERIFY(report.contains("Sensor Address = 4\r\nRange = 12.5000\r\n"));
        QCOMPARE(report.count("\r\n"), 16);
        // Applied to 0: a dry run shows and sends nothing beyond reading 0.
        received();
        r = cli({"apply", "0", file, "--dry-run"});
        QCOMPARE(r.exit, 0);
        QCOMPARE(r.out, QString("Temperature Units: Centigrade -> Fahrenheit\nRange: 10.0000 -> 12.5000\n"));
        for (const QString &c : received())
            QVERIFY2(!c.contains(QRegularExpression("XUT.!|XRA.+!")), qPrintable(c));
        const QJsonObject plan = QJsonDocument::fromJson(cli({"apply", "0", file, "--dry-run", "--json"}).out.toUtf8()).object();
        QCOMPARE(plan["changes"].toArray()[1].toObject(),
                 (QJsonObject{{"parameter", "range"}, {"before", "10.0000"}, {"wanted", "12.5000"}}));   // nothing done
        // Without --yes nothing is set; with it, what the lock lets through is.
        QCOMPARE(cli({"apply", "0", file}).exit, 2);
        QCOMPARE(cli({"set", "0", "unlock=on"}).exit, 0);
        r = cli({"apply", "0", file, "--yes", "--json"});
        QCOMPARE(r.exit, 0);
        const QJsonArray changes = QJsonDocument::fromJson(r.out.toUtf8()).object()["changes"].toArray();
        QCOMPARE(changes.size(), 2);
        QCOMPARE(changes[1].toObject()["after"].toString(), QString("12.5000"));
        QVERIFY(changes[1].toObject()["done"].toBool());
        const QStringList sent = received();
        QVERIFY(sent.contains("0XUNLK!") && sent.contains("0XUT1!") && sent.contains("0XRA12.5000!"));
        QVERIFY(sent.indexOf("0XUT1!") < sent.indexOf("0XRA12.5000!"));
        QCOMPARE(cli({"apply", "0", file, "--dry-run"}).out, QString("Sensor 0 has every parameter of the report already.\n"));
        // Refused reports: the line and the reason, nothing sent.
        const struct { QByteArray edit; QString reason; } refused[] = {
            {"Colour = blue\r\n", "Line 17 of the report does not read: \"Colour = blue\""},
            {"Local Gravity = 9,81\r\n", "Line 17 of the report: \"9,81\" is not a number the local gravity takes"},
            {"Pressure Units = furlong\r\n", "Line 17 of the report: \"furlong\" is not one of the pressure units"},
            {"Counts Per Revolution = 1024\r\n", "This is the report of a rotary encoder; the sensors of this run are"},
        };
        received();
        for (const auto &e : refused) {
            QFile edited(file + ".edited");
            QVERIFY(edited.open(QIODevice::WriteOnly) && edited.write(report + e.edit) > report.size());
            edited.close();
            r = cli({"apply", "0", file + ".edited", "--yes"});
            QCOMPARE(r.exit, 2);
            QVERIFY2(r.err.contains(e.reason) && r.err.endsWith(" Nothing was sent.\n"), qPrintable(r.err));
        }
        r = cli({"apply", "0", file, "--family", "rotary", "--yes"});   // read as the family given
        QVERIFY2(r.exit == 2 && r.err.endsWith("sdi12-cli: This is the report of a level probe; the sensors of this run "
                                               "are rotary encoders. Nothing was sent.\n"), qPrintable(r.err));
        QCOMPARE(received(), QStringList{});
        QCOMPARE(cli({"apply", "0", m_home.filePath("none.txt")}).exit, 4);
        // A rotary encoder's report for an address where none answers.
        const QString rotary = m_home.filePath("rotary-7.txt");
        QCOMPARE(cli({"report", "7", "--family", "rotary", "--out", rotary}).exit, 0);
        r = cli({"apply", "6", rotary, "--family", "rotary", "--yes"});
        QCOMPARE(QStringList({QString::number(r.exit), r.err}),
                 (QStringList{"1", "sdi12-cli: No rotary encoder answers at address 6. Nothing was sent.\n"}));
        // A sensor that answers the reads but not a set: the change it did not take is listed as still different.
        SimProcess mute;
        QVERIFY(mute.start({"--com", "3", "--level", "0", "--no-answer", "0XUT1!"}, 3));
        QFile units(file + ".units");
        QVERIFY(units.open(QIODevice::WriteOnly) && units.write("Temperature Units = Fahrenheit\r\n") > 0);
        units.close();
        r = cli({"apply", "0", units.fileName(), "--yes", "--port", mute.link(3)}, false);
        QCOMPARE(QStringList({QString::number(r.exit), r.out}),
                 (QStringList{"1", "Temperature Units: Centigrade -> Fahrenheit\nStill different:\n"
                                   "Temperature Units: Centigrade -> Fahrenheit (the sensor says Centigrade)\n"}));
        r = cli({"set", "0", "unlock=on", "temperature-units=fahrenheit", "--port", mute.link(3)}, false);
        QCOMPARE(QStringList({QString::number(r.exit), r.err}),
                 (QStringList{"1", "sdi12-cli: no answer from the sensor at 0 to the temperature-units set\n"}));
    }

    void logging()
    {
        // Periods the sensor does not offer are refused.
        Run r = cli({"log", "4", "--period", "1"});
        QCOMPARE(r.exit, 2);
        QVERIFY2(r.err.contains("Sensor 4 offers periods of 5, 10, 30, 60, 300, 900 seconds, not 1"), qPrintable(r.err));
        QCOMPARE(received(), QString("4XUP! 4XUT! 4XF!").split(' '));   // its units and rate read first, no scan
        // A run stopped by SIGTERM writes every reading into its file; a second
        // program on the port is told who has it. Its time, 2^32 ms and a second, is no timer's.
        const QString csv = m_home.filePath("run.csv");
        QProcess *run = start({"log", "4", "--period", "5", "--out", csv, "--for", "4294968.296", "--json", "--port",
                               m_sim.link(1)});
        QStringList seen;
        const auto busGot = [&](const QString &c) { return (seen += received()).contains(c); };
        QTRY_VERIFY_WITH_TIMEOUT(busGot("4D0!"), 15000);
        r = cli({"get", "4", "range"});
        QCOMPARE(r.exit, 3);
        QVERIFY2(r.err.contains(QString("is in use by sdi12-cli (process %1)").arg(run->processId())), qPrintable(r.err));
        QTest::qWait(5500);
        QCOMPARE(run->state(), QProcess::Running);
        run->terminate();   // SIGTERM
        QVERIFY(run->waitForFinished(20000));
        QCOMPARE(run->exitCode(), 0);
        const QJsonObject done = QJsonDocument::fromJson(run->readAllStandardOutput()).object();
        const QString said = QString::fromUtf8(run->readAllStandardError());   // its status, a line at the stop
        QVERIFY2(said.contains(QRegularExpression("(^|\n)Logging of Sensor 4 stopped by the user at \\d\\d:\\d\\d:\\d\\d \\(\\d+ readings\\)\\.\n")), qPrintable(said));
        QFile f(csv);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(f.readAll()).split("\r\n", Qt::SkipEmptyParts);
        const int readings = static_cast<int>((seen += received()).count("4D0!"));
        QVERIFY(lines.size() >= 3);
        QCOMPARE(lines[0], QString("Date,Time,Pressure,Units,Temperature,Units"));
        QCOMPARE(lines.size() - 1, readings);   // every data answer
        QCOMPARE(done, (QJsonObject{{"address", 4}, {"readings", readings}, {"new", readings}, {"file", csv}}));
        // Killed outright: its readings are offered back at the next start, a run of 0.0003 h (1.08 s).
        run = start({"log", "4", "--period", "5", "--port", m_sim.link(1)});
        seen.clear();
        QTRY_VERIFY_WITH_TIMEOUT(busGot("4D0!"), 15000);
        QTest::qWait(300);
        run->kill();   // SIGKILL
        QVERIFY(run->waitForFinished(5000));
        r = cli({"log", "4", "--period", "5", "--for", "0.0003h", "--out", m_home.filePath("back.xls"), "--yes"});
        QVERIFY2(r.exit == 0 && QFileInfo(m_home.filePath("back.xls")).size() > 0, qPrintable(r.err));
        QVERIFY2(QRegularExpression("Restore Readings\\. The journal holds 1 readings that were never saved or cleared: "
                                    "Sensor 4: 1 reading, .+ Restore them to their log lists\\? Yes \\(--yes\\)\\.\n")
                     .match(r.err).hasMatch(), qPrintable(r.err));
        QCOMPARE(r.out, "2 readings in the log of Sensor 4, saved to " + m_home.filePath("back.xls") + "\n");
        // The journal is the console's own, where the window finds what a run left unsaved.
        QVERIFY(QFile::exists(m_home.filePath("data/sdi12-console/journal.sqlite")));
        // On a terminal the status line is redrawn in place, and left with a line feed at the stop.
        const int master = posix_openpt(O_RDWR | O_NOCTTY);
        QVERIFY(master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0);
        const QByteArray terminal = ptsname(master);
        run = start({"log", "4", "--period", "5", "--for", "0.001", "--port", m_sim.link(1)}, [terminal] {
            ::dup2(::open(terminal.constData(), O_RDWR | O_NOCTTY), 2);
        });
        QVERIFY(run->waitForFinished(20000) && run->exitCode() == 0);
        QByteArray shown;
        char chunk[512];
        for (ssize_t n; (n = ::read(master, chunk, sizeof chunk)) > 0;)   // to the end (EIO: the terminal is closed)
            shown.append(chunk, n);
        ::close(master);
        static const QRegularExpression redrawn("^(\rLogging Sensor 4 every 5 Seconds: [01] readings?, next at \\S+\\.\x1b\\[K)+"
                                                "\rLogging of Sensor 4 stopped after the time given at \\S+ \\(1 reading\\)\\."
                                                "\x1b\\[K\r\n$");
        QVERIFY2(redrawn.match(QString::fromUtf8(shown)).hasMatch(), shown.constData());
        // Ctrl+C stops a run as cleanly, also one still at its first reading.
        received();   // the terminal run's bytes, so the 4M! waited for is this run's own
        seen.clear();
        run = start({"log", "4", "--period", "5", "--out", m_home.filePath("int.csv"), "--port", m_sim.link(1)});
        QTRY_VERIFY_WITH_TIMEOUT(busGot("4M!"), 15000);
        ::kill(run->processId(), SIGINT);
        QVERIFY(run->waitForFinished(20000));
        const QString interrupted = QString::fromUtf8(run->readAllStandardError());
        QVERIFY2(run->exitStatus() == QProcess::NormalExit && run->exitCode() == 0 &&
                     interrupted.contains("stopped by the user"), qPrintable(interrupted));
        QFile stopped(m_home.filePath("int.csv"));
        QVERIFY(stopped.open(QIODevice::ReadOnly));
        QCOMPARE(stopped.readAll().count("\r\n"), 3);   // the headings, a blank line, the reading
        QCOMPARE(cli({"log", "4", "--period", "5", "--for", "2x"}).exit, 2);
        QCOMPARE(cli({"get", "4", "--port", "/dev/ttyNONE9"}, false).exit, 3);
    }
};

QTEST_GUILESS_MAIN(TestCli)
#include "tst_cli.moc"
