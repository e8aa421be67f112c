#pragma once

// File modes do not stop root. A row that needs them to hold runs again as the user nobody: a copy of the test
// binary in a folder of nobody's own, started with just that row. Nothing of this exists outside Unix.

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <grp.h>
#include <unistd.h>

// Whether this process is root and not already the run as nobody.
inline bool rootMustRerun()
{
    return ::geteuid() == 0 && !qEnvironmentVariableIsSet("SDI12_TEST_UNPRIVILEGED");
}

// Runs the current row of `function` again as nobody; its outcome (pass, fail or skip) is this row's.
inline void rerunAsNobody(const char *function)
{
    const auto readable = QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther;
    const auto enterable = QFile::ExeOwner | QFile::ExeGroup | QFile::ExeOther;
    QTemporaryDir runtime;   // nobody's folder, gone afterwards
    const QString copy = runtime.filePath(QCoreApplication::applicationName());
    QVERIFY(QFile::copy(QCoreApplication::applicationFilePath(), copy) &&
            QFile::setPermissions(copy, readable | enterable | QFile::WriteOwner));
    QVERIFY(::chown(QFile::encodeName(runtime.path()).constData(), 65534, 65534) == 0 &&
            QFile::setPermissions(runtime.path(), readable | enterable | QFile::WriteOwner));
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("SDI12_TEST_UNPRIVILEGED", "1");
    for (const char *folder : {"XDG_RUNTIME_DIR", "TMPDIR"})
        env.insert(folder, runtime.path());
    child.setProcessEnvironment(env);
    child.setWorkingDirectory(runtime.path());
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.setChildProcessModifier([] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(65534) != 0 || ::setuid(65534) != 0)
            ::_exit(3);
    });
    child.start(copy, {QString::fromLatin1(function) + ':' + QString::fromLatin1(QTest::currentDataTag())});
    if (!child.waitForStarted(10000))
        QSKIP(qPrintable("cannot start the test as the user nobody: " + child.errorString()));
    QVERIFY(child.waitForFinished(60000));
    const QString out = QString::fromLocal8Bit(child.readAll());
    if (child.exitStatus() == QProcess::NormalExit && child.exitCode() == 3)
        QSKIP("cannot switch to the user nobody here (no permission to change the user)");
    if (out.contains("SKIP"))
        QSKIP(qPrintable("as the user nobody: " + out.section("SKIP", 1).section('\n', 0, 0).trimmed()));
    QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0, qPrintable(out));
}
