#include "SysData.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QtEndian>

namespace sysdata {

namespace {
const QString kFileName = QStringLiteral("Varno sysfile.cfg");

// A program installed into the system's program folder keeps its settings
// per user, even for a user who could write there.
bool inSystemProgramFolder(const QString &path)
{
#ifdef SDI12_SYSTEM_BINDIR
    return QFileInfo(path).absolutePath() == QStringLiteral(SDI12_SYSTEM_BINDIR);
#else
    Q_UNUSED(path);
    return false;
#endif
}

bool writable(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly);
}

int orDefault(qint16 value, int fallback, int max, bool &valid)
{
    if (value == 0)
        return fallback;
    if (value < 0 || value > max) {
        valid = false;
        return fallback;
    }
    return value;
}
} // namespace

QString defaultPath()
{
    return QCoreApplication::applicationDirPath() + QLatin1Char('/') + kFileName;
}

QString userPath()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
    return folder.isEmpty() ? QString() : folder + QLatin1Char('/') + kFileName;
}

SysDataRecord read(const QString &path)
{
    SysDataRecord r;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return r;
    const QByteArray b = f.read(10);
    auto field = [&b](int offset) -> qint16 {
        if (b.size() < offset + 2)
            return 0;
        return qFromLittleEndian<qint16>(b.constData() + offset);
    };
    r.port = field(0);
    r.breakMs = field(2);
    r.markMs = field(4);
    r.dataTimeoutMs = field(6);
    r.commandTimeoutMs = field(8);
    return r;
}

bool write(const QString &path, const SysDataRecord &record, QString *error)
{
    char b[10];
    qToLittleEndian<qint16>(record.port, b);
    qToLittleEndian<qint16>(record.breakMs, b + 2);
    qToLittleEndian<qint16>(record.markMs, b + 4);
    qToLittleEndian<qint16>(record.dataTimeoutMs, b + 6);
    qToLittleEndian<qint16>(record.commandTimeoutMs, b + 8);
    QFile f(path);
    // ReadWrite keeps whatever follows the record.
    if (!f.open(QIODevice::ReadWrite) || !f.seek(0) || f.write(b, 10) != 10 || !f.flush()) {
        if (error)
            *error = f.errorString();
        return false;
    }
    f.close();
    return true;
}

LinkSettings withDefaults(const SysDataRecord &r, bool *valid)
{
    bool ok = true;
    LinkSettings s;
    s.port = orDefault(r.port, 1, 16, ok);
    s.breakMs = orDefault(r.breakMs, 20, 9999, ok);
    s.markMs = orDefault(r.markMs, 15, 9999, ok);
    s.dataTimeoutMs = orDefault(r.dataTimeoutMs, 200, 9999, ok);
    s.commandTimeoutMs = orDefault(r.commandTimeoutMs, 400, 6553, ok);
    if (valid)
        *valid = ok;
    return s;
}

Store::Store(QString beside, QString user)
    : m_beside(std::move(beside)), m_user(std::move(user)),
      m_toUser(!m_user.isEmpty() && inSystemProgramFolder(m_beside))
{
}

SysDataRecord Store::read()
{
    const bool besideExists = QFileInfo::exists(m_beside);
    if (besideExists && !m_toUser && !writable(m_beside) && !m_user.isEmpty())
        m_toUser = true;
    m_readPath.clear();
    if (besideExists && !m_toUser)
        m_readPath = m_beside;
    else if (!m_user.isEmpty() && QFileInfo::exists(m_user))
        m_readPath = m_user;
    else if (besideExists)
        m_readPath = m_beside;
    return m_readPath.isEmpty() ? SysDataRecord{} : sysdata::read(m_readPath);
}

bool Store::write(const SysDataRecord &record, QString *error)
{
    if (!m_toUser) {
        if (sysdata::write(m_beside, record, error))
            return true;
        if (m_user.isEmpty())
            return false;
        m_toUser = true;
    }
    const QString folder = QFileInfo(m_user).absolutePath();
    if (!QDir().mkpath(folder)) {
        if (error)
            *error = QStringLiteral("the folder \"%1\" could not be created").arg(QDir::toNativeSeparators(folder));
        return false;
    }
    return sysdata::write(m_user, record, error);
}

} // namespace sysdata
