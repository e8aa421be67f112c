#include "support/ConsoleRig.h"

#include "logging/LogList.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

namespace {
QByteArray contents(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void put(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly);
    f.write(bytes);
}

struct Logged : ConsoleRig {
    explicit Logged(bool rotary = false) : ConsoleRig(rotary, {3}) { w->SensorTab->setCurrentIndex(3); }
    void save(const QString &name, int filter)
    {
        ui.saves = {Ui::SaveChoice{true, name, filter}};
        tab(3)->SaveLogBut->click();
    }
};
} // namespace

class TestReport : public QObject
{
    Q_OBJECT
private slots:
    void saveDialogAndNames();
    void replacingFiles();
    void levelReport();
    void rotaryReport();
};

void TestReport::saveDialogAndNames()
{
    Logged r;
    r.tab(3)->SaveLogBut->click();   // cancelled
    QCOMPARE(r.ui.dialogs.size(), 1);
    const Ui::SaveDialog &d = r.ui.dialogs[0];
    QCOMPARE(d.filter, QString("Log Files (Excel pre '03)(*.xls)|*.xls|Log Files (Excel post '03)(*.xlsx)|*.xlsx|"
                               "Log Files (comma delimited)(*.csv)|*.csv"));
    QCOMPARE(d.defaultSuffix, QString("xls"));
    QCOMPARE(d.filterIndex, 1);
    QVERIFY(d.overwritePrompt);
    QCOMPARE(d.title, QString("Select Filename to Save to"));
    QCOMPARE(d.fileName, QString("Level Probe Log 3"));
    // Cancelled: nothing written beside the settings, window state and journal.
    QCOMPARE(QDir(r.dir.path()).entryList({"*.xls*", "*.csv", ".*"}, QDir::Files | QDir::Hidden), QStringList());

    r.save(r.dir.filePath("log"), 3);
    QVERIFY(contents(r.dir.filePath("log.csv")).startsWith("Date,Time,Pressure,Units,Temperature,Units\r\n\r\n"));
    QVERIFY(r.ui.messages.isEmpty());
    // No temporary file stays behind.
    QCOMPARE(QDir(r.dir.path()).entryList({".*"}, QDir::Files | QDir::Hidden), QStringList());
    // The log is untouched and logging goes on.
    QCOMPARE(r.tab(3)->LogListView->rowCount(), 1);
}

void TestReport::replacingFiles()
{
    Logged r;
    const QString oldCsv = r.dir.filePath("old.csv");
    put(oldCsv, "old");
    // The name confirmed in the dialog gives way once the new file is complete.
    r.save(oldCsv, 1);
    QVERIFY(!QFile::exists(oldCsv));
    QVERIFY(contents(r.dir.filePath("old.xls")).startsWith("\xD0\xCF\x11\xE0"));
    // A file under the changed name is replaced only when the user agrees.
    put(r.dir.filePath("keep.xlsx"), "keep");
    r.ui.answers = {false};
    r.save(r.dir.filePath("keep.xls"), 2);
    QCOMPARE(contents(r.dir.filePath("keep.xlsx")), QByteArray("keep"));
    QCOMPARE(r.ui.questions.last(), QString("Save Log|keep.xlsx already exists.\rDo you want to replace it?"));
    r.ui.answers = {true};
    r.save(r.dir.filePath("keep.xls"), 2);
    QVERIFY(contents(r.dir.filePath("keep.xlsx")).startsWith("PK"));

    // A folder that does not exist: the message says why.
    r.save(r.dir.filePath("missing/old.csv"), 1);
    QCOMPARE(r.ui.messages.size(), 1);
    QCOMPARE(r.ui.messages[0].title, QString("Save Log"));
    QVERIFY(r.ui.messages[0].text.startsWith("Error encountered while saving file. "));
    QVERIFY(r.ui.messages[0].text.size() > QString("Error encountered while saving file. ").size());
    // A folder that cannot be written: the old file stays as it was.
    const QString kept = r.dir.filePath("kept.csv");
    put(kept, "old");
    QFile::setPermissions(r.dir.path(), QFile::ReadOwner | QFile::ExeOwner);
    const bool enforced = !QFile(r.dir.filePath("probe")).open(QIODevice::WriteOnly);
    r.ui.clear();
    r.save(kept, 1);
    QFile::setPermissions(r.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (enforced) {   // root ignores permissions
        QCOMPARE(r.ui.messages.size(), 1);
        QCOMPARE(contents(kept), QByteArray("old"));
        QVERIFY(!QFile::exists(r.dir.filePath("kept.xls")));
    }
}

void TestReport::levelReport()
{
    Logged r;
    const QString path = r.dir.filePath("report.txt");
    r.ui.saves = {Ui::SaveChoice{true, path, 1}};
    r.w->mnuSaveAs->trigger();
    const Ui::SaveDialog &d = r.ui.dialogs[0];
    QCOMPARE(d.filter, QString("Text Files(*.txt)|*.txt"));
    QCOMPARE(d.filterIndex, 1);
    QCOMPARE(d.title, QString("Select Filename to Save As"));
    QCOMPARE(d.fileName, QString("Sensor_3_LT510233"));
    QVERIFY(d.defaultSuffix.isEmpty());
    QVERIFY(!d.overwritePrompt);
    const QByteArray text = contents(path);
    QCOMPARE(text, QByteArray("SDI Version = 1.3\r\n"
                              "Company Name = ORVANE  \r\n"
                              "Sensor Model = LT-Q5 \r\n"
                              "Sensor Version = 102\r\n"
                              "Serial Number = LT510233\r\n"
                              "Sensor Address = 3\r\n"
                              "Range = 10.0000\r\n"
                              "Maximium Over Range = 12.0000\r\n"
                              "Pressure Units = mH2O\r\n"
                              "Temperature Units = Centigrade\r\n"
                              "Density Correction = Compensated\r\n"
                              "Local Gravity = 9.8067\r\n"
                              "Local Level = 0.0000\r\n"
                              "Reverse = Off\r\n"
                              "Max. Sample Rate = 2 Seconds\r\n"
                              "Logging Period = Single Log\r\n"));

    // No identification yet, nothing chosen: the parameter lines only, as shown.
    r.w->core.tab[3]->SensorIDList.clear();
    combo::reset(r.tab(3)->ReverseCombo);
    r.ui.saves = {Ui::SaveChoice{true, path, 1}};
    r.w->mnuSaveAs->trigger();
    QCOMPARE(contents(path).count("\r\n"), 12);
    QVERIFY(contents(path).startsWith("Serial Number = "));
    QVERIFY(contents(path).contains("Reverse = Select.....\r\n"));

    // Cancel writes nothing; a failure says why and leaves the old report.
    put(path, "old");
    r.w->mnuSaveAs->trigger();
    QCOMPARE(contents(path), QByteArray("old"));
    r.ui.saves = {Ui::SaveChoice{true, r.dir.filePath("no/such/dir/r.txt"), 1}};
    r.w->mnuSaveAs->trigger();
    QCOMPARE(r.ui.messages.size(), 1);
    QCOMPARE(r.ui.messages[0].title, QString("Save Config"));
    QVERIFY(r.ui.messages[0].text.startsWith("Error encountered while saving file. "));
}

void TestReport::rotaryReport()
{
    Logged r(true);
    const QString path = r.dir.filePath("rotary.txt");
    r.ui.saves = {Ui::SaveChoice{true, path, 1}};
    r.w->mnuSaveAs->trigger();
    QCOMPARE(r.ui.dialogs[0].fileName, QString("Rotary Encoder_3_RQ910233"));
    QCOMPARE(contents(path).count("\r\n"), 13);
    QCOMPARE(contents(path).split('\n').mid(4),
             (QList<QByteArray>{"Serial Number = RQ910233\r", "Sensor Address = 3\r", "Maximum Range = \r",
                                "Counts Per Revolution = 1024\r", "Measurement Resolution = 0.049\r",
                                "Measurement Units = Millimetres\r", "Pulley Circumference (mm) = 200\r",
                                "Rotation Direction = Clockwise\r", "Logging Period = Single Log\r", ""}));
    // The log: its own dialog name and columns.
    r.tab(3)->SaveLogBut->click();
    QCOMPARE(r.ui.dialogs[1].fileName, QString("Rotary Encoder Log 3"));
    r.save(r.dir.filePath("rot.csv"), 3);
    QVERIFY(contents(r.dir.filePath("rot.csv")).startsWith("Date,Time,Level,Units\r\n\r\n"));
    QVERIFY(contents(r.dir.filePath("rot.csv")).contains(",12.345,Millimetres\r\n"));
}

QTEST_MAIN(TestReport)
#include "tst_report.moc"
