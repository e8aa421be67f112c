#pragma once

// Output compared with the copy kept in tests/golden, the first line that differs named. After a
// change meant to be seen, SDI12_UPDATE_GOLDEN=1 rewrites the copies; the diff is then the change a
// reviewer reads.

#include <QFile>
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
    const QStringList golden = QString::fromUtf8(f.readAll()).split('\n');
    for (int i = 0; i < qMax(lines.size(), golden.size() - 1); ++i)
        QVERIFY2(lines.value(i) == golden.value(i),
                 qPrintable(QString("%1 line %2:\n  kept: %3\n  now:  %4").arg(name).arg(i + 1)
                                .arg(golden.value(i), lines.value(i, "<end>"))));
}
