#pragma once

// sdi12-sim as a program on a pseudo-terminal, registered in a port
// directory of its own (a private runtime folder); stopped when this goes.
// For suites built with SDI12_SIM_PATH.

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

struct SimProcess {
    QTemporaryDir runtime;
    QString runtimePath = runtime.path();   // another's: the same port directory
    QProcess process;

    QString portDir() const { return runtimePath + QStringLiteral("/sdi12-ports"); }
    QString link(int com) const { return portDir() + QStringLiteral("/COM") + QString::number(com); }
    // Starts it with `args` (which name the COM number `com`) and waits for
    // its port link.
    bool start(const QStringList &args, int com = 1)
    {
        QFile::setPermissions(runtimePath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtimePath);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral(SDI12_SIM_PATH), args);
        QElapsedTimer t;
        t.start();
        while (!QFileInfo(link(com)).isSymLink() && t.elapsed() < 5000)
            QTest::qWait(20);
        return QFileInfo(link(com)).isSymLink();
    }
    ~SimProcess()
    {
        process.terminate();
        process.waitForFinished(3000);
    }
};
