#pragma once

// Output compared with the copy kept in tests/golden, the first line that differs named. After a
// change meant to be seen, SDI12_UPDATE_GOLDEN=1 rewrites the copies; the diff is then the change a
// reviewer reads.

#include <QFile>
#include <QLockFile>
#include <QMap>
#include <QStringList>
#include <QTest>

// A file's bytes, the same way.
inline void compareWithGolden(const QByteArray &bytes, const QString &name)
{
    QFile f(QStringLiteral(SDI12_GOLDEN_DIR "/") + name);
    if (qEnvironmentVariableIsSet("SDI12_UPDATE_GOLDEN"))
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate) && f.write(bytes) == bytes.size());
    else
        QVERIFY2(f.open(QIODevice::ReadOnly) && f.readAll() == bytes, qPrintable(name + " differs from its copy"));
}

// `lines` against `kept` line by line, the first that differs named with `where`.
inline void compareLines(const QStringList &kept, const QStringList &lines, const QString &where)
{
    for (int i = 0; i < qMax(lines.size(), kept.size()); ++i)
        QVERIFY2(lines.value(i) == kept.value(i),
                 qPrintable(QString("%1, line %2:\n  kept: %3\n  now:  %4")
                                .arg(where).arg(i + 1).arg(kept.value(i, "<end>"), lines.value(i, "<end>"))));
}

inline void compareWithGolden(const QStringList &lines, const QString &name)
{
    const QString path = QStringLiteral(SDI12_GOLDEN_DIR "/") + name;
    QFile f(path);
    if (qEnvironmentVariableIsSet("SDI12_UPDATE_GOLDEN")) {
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write((lines.join('\n') + '\n').toUtf8());
        return;
    }
    QVERIFY2(f.open(QIODevice::ReadOnly), qPrintable(path));
    QStringList golden = QString::fromUtf8(f.readAll()).split('\n');
    golden.removeLast();   // after the last line's end
    compareLines(golden, lines, name);
}

// One kept file of sections, "== name" heading each, for a suite whose rows may run in any subset
// (a single row, or the suite in parts): each row compares its own section. Updating rewrites the
// sections that ran and keeps the others.
class GoldenSections
{
public:
    explicit GoldenSections(const QString &name) : m_path(QStringLiteral(SDI12_GOLDEN_DIR "/") + name)
    {
        m_kept = read();
    }
    // Parts of a suite may update side by side: each writes back only the sections it ran, under a lock.
    ~GoldenSections()
    {
        if (m_updated.isEmpty())
            return;
        QLockFile lock(m_path + QStringLiteral(".lock"));
        if (!lock.lock())
            return;
        QMap<QString, QStringList> all = read();
        for (const QString &row : std::as_const(m_updated))
            all[row] = m_kept[row];
        QFile f(m_path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            return;
        for (auto it = all.cbegin(); it != all.cend(); ++it)
            f.write(("== " + it.key() + '\n' + it.value().join('\n') + (it.value().isEmpty() ? "" : "\n")).toUtf8());
    }
    // The section of the row running now.
    void compare(const QStringList &lines)
    {
        const QString row = QString(QTest::currentTestFunction()) +
                            (QTest::currentDataTag() ? QString("/") + QTest::currentDataTag() : QString());
        if (qEnvironmentVariableIsSet("SDI12_UPDATE_GOLDEN")) {
            m_kept[row] = lines;
            m_updated << row;
            return;
        }
        QVERIFY2(m_kept.contains(row), qPrintable(m_path + " has no section " + row));
        compareLines(m_kept[row], lines, m_path + ", " + row);
    }

private:
    QMap<QString, QStringList> read() const
    {
        QFile f(m_path);
        QMap<QString, QStringList> kept;
        QString heading;
        QStringList lines = f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()).split('\n') : QStringList();
        if (!lines.isEmpty())
            lines.removeLast();   // after the last line's end
        for (const QString &line : lines)
            line.startsWith("== ") ? void(kept[heading = line.mid(3)]) : void(kept[heading] << line);
        return kept;
    }
    QString m_path;
    QMap<QString, QStringList> m_kept;
    QStringList m_updated;
};
