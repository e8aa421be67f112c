#include "HardwarePort.h"

#include <QLoggingCategory>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QRegularExpression>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <grp.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>
#endif
#ifdef Q_OS_WIN
#include <windows.h>
#endif

Q_LOGGING_CATEGORY(lcPort, "sdi12.port", QtWarningMsg)

HardwarePort::HardwarePort(std::function<QString(int)> resolve, QObject *parent)
    : SerialPort(parent), m_resolve(std::move(resolve))
{
    m_port.setReadBufferSize(1024);
    connect(&m_port, &QSerialPort::readyRead, this, &SerialPort::readyRead);
    connect(&m_port, &QSerialPort::errorOccurred, this, &HardwarePort::onError);
}

// Out of line for the lock file's type; the serial port closes itself.
HardwarePort::~HardwarePort() = default;

bool HardwarePort::open()
{
    if (m_port.isOpen())
        close();
    const QString device = m_resolve ? m_resolve(m_number) : QString();
    if (device.isEmpty()) {
        m_error = QStringLiteral("No serial device is listed under COM%1: plug the adapter in, then choose the port "
                                 "again.")
                      .arg(m_number);
        return false;
    }
    // One program on one bus: a second console or command-line run on the
    // same device is told who has it.
    m_lock = std::make_unique<QLockFile>(lockPath(device));
    m_lock->setStaleLockTime(0);
    if (!m_lock->tryLock(0)) {
        if (m_lock->error() != QLockFile::LockFailedError) {
            m_error = QStringLiteral("%1 cannot be locked for this program: %2 cannot be written.")
                          .arg(device, QDir::toNativeSeparators(lockPath(device)));
            m_lock.reset();
            return false;
        }
        qint64 pid = 0;
        QString host, app;
        m_lock->getLockInfo(&pid, &host, &app);
        m_lock.reset();
        m_error = QStringLiteral("%1 is in use by %2 (process %3). Stop it, then try again.")
                      .arg(device, app.isEmpty() ? QStringLiteral("another program") : app)
                      .arg(pid);
        return false;
    }
    m_port.setPortName(device);
    m_port.setBaudRate(1200);
    m_port.setFlowControl(QSerialPort::NoFlowControl);
    m_port.setStopBits(QSerialPort::OneStop);
    if (!m_port.open(QIODevice::ReadWrite)) {
        qCInfo(lcPort) << "open" << device << "failed:" << m_port.error() << m_port.errorString();
        m_error = openFailure(m_port.error(), device, m_port.errorString());
        m_lock.reset();
        return false;
    }
    // The SDI-12 character format. A pseudo-terminal forces 8 data bits
    // without parity and refuses these; the port stays usable, and received
    // bytes are masked to 7 bits either way.
    if (!m_port.setDataBits(QSerialPort::Data7))
        qCInfo(lcPort) << device << "refuses 7 data bits";
    if (!m_port.setParity(QSerialPort::EvenParity))
        qCInfo(lcPort) << device << "refuses even parity";
    m_port.clearError();
    enableParityMarking();
    m_raw.clear();
    m_input.clear();
    m_readPos = 0;
    m_error.clear();
    m_lostReported = false;
    return true;
}

QString HardwarePort::openFailure(QSerialPort::SerialPortError error, const QString &device, const QString &system)
{
    switch (error) {
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("The device %1 is not there: the adapter may have been unplugged.").arg(device);
    case QSerialPort::PermissionError: {
#ifdef Q_OS_UNIX
        // The system says "permission" both for a device locked by another
        // program and for one the user may not open: tell them apart.
        const QByteArray path = QFile::encodeName(device);
        struct stat st {};
        if (::access(path.constData(), R_OK | W_OK) != 0 && errno == EACCES && ::stat(path.constData(), &st) == 0) {
            const group *g = ::getgrgid(st.st_gid);
            const QString owner = g ? QString::fromLocal8Bit(g->gr_name) : QString::number(st.st_gid);
            return QStringLiteral("Permission to open %1 was refused. Join the group that owns the device (%2), "
                                  "for example with \"sudo usermod -aG %2 $USER\", then log out and in again.")
                .arg(device, owner);
        }
#endif
        return QStringLiteral("%1 is in use by another program. Close that program, then choose the port again.")
            .arg(device);
    }
    default:
        return QStringLiteral("%1 could not be opened: %2.").arg(device, system);
    }
}

void HardwarePort::enableParityMarking()
{
    m_parityMarks = false;
#ifdef Q_OS_UNIX
    // Have the line discipline mark a character with a parity or framing
    // error as FF 00 c, so that it can be read as '?'.
    termios t{};
    const int fd = static_cast<int>(m_port.handle());
    if (fd >= 0 && ::tcgetattr(fd, &t) == 0) {
        t.c_iflag |= INPCK | PARMRK;
        t.c_iflag &= ~(IGNPAR | ISTRIP);
        if (::tcsetattr(fd, TCSANOW, &t) == 0)
            m_parityMarks = true;
    }
#endif
#ifdef Q_OS_WIN
    HANDLE h = m_port.handle();
    DCB dcb{};
    dcb.DCBlength = sizeof(dcb);
    if (::GetCommState(h, &dcb)) {
        dcb.fParity = TRUE;
        dcb.fErrorChar = TRUE;
        dcb.ErrorChar = '?';
        ::SetCommState(h, &dcb);
    }
#endif
}

QString HardwarePort::lockPath(const QString &device)
{
    // Named after the device itself, whatever link or number opened it.
    const QFileInfo info(device);
    QString name = info.exists() ? info.canonicalFilePath() : device;
    name.replace(QRegularExpression(QStringLiteral("[^A-Za-z0-9._-]")), QStringLiteral("_"));
    // One lock per user: /tmp is shared and sticky, so a lock another user's
    // run left behind (killed outright) could neither be taken nor removed.
    // Between users the device's own permissions and exclusive open guard it.
#ifdef Q_OS_UNIX
    name.prepend(QStringLiteral("-%1").arg(::getuid()));
#endif
    return QDir::tempPath() + QStringLiteral("/sdi12-port") + name + QStringLiteral(".lock");
}

void HardwarePort::close()
{
    if (m_port.isOpen())
        m_port.close();
    m_lock.reset();
    m_raw.clear();
    m_input.clear();
    m_readPos = 0;
}

void HardwarePort::setBreak(bool on)
{
    if (!m_port.isOpen())
        return;
    if (!m_port.setBreakEnabled(on)) {
        qCDebug(lcPort) << "break" << on << "refused:" << m_port.errorString();
        m_port.clearError();
    }
}

void HardwarePort::write(const QByteArray &bytes)
{
    if (m_port.isOpen())
        m_port.write(bytes);
}

void HardwarePort::flush()
{
    // QSerialPort keeps written bytes until its event loop turn; a command
    // written from inside a receive handler would otherwise leave together
    // with the next one, after the next command's break. A command is a few
    // bytes: the driver takes them at once.
    if (m_port.isOpen() && m_port.bytesToWrite() > 0 && !m_port.flush())
        qCInfo(lcPort) << "flush refused:" << m_port.errorString();
}

void HardwarePort::clearInput()
{
    // QSerialPort::clear() drops its own buffer and what the driver holds.
    if (m_port.isOpen())
        m_port.clear(QSerialPort::Input);
    m_raw.clear();
    m_input.clear();
    m_readPos = 0;
}

void decodeReceived(QByteArray &raw, QByteArray &out, bool parityMarks)
{
    qsizetype i = 0;
    while (i < raw.size()) {
        const unsigned char b = static_cast<unsigned char>(raw.at(i));
        if (parityMarks && b == 0xFF) {
            if (i + 1 >= raw.size())
                break;                                    // wait for the rest
            const unsigned char n = static_cast<unsigned char>(raw.at(i + 1));
            if (n == 0xFF) {                              // an escaped FF
                out.append(static_cast<char>(0x7F));
                i += 2;
                continue;
            }
            if (n == 0x00) {
                if (i + 2 >= raw.size())
                    break;
                out.append('?');                          // parity or framing error
                i += 3;
                continue;
            }
        }
        out.append(static_cast<char>(b & 0x7F));
        ++i;
    }
    raw.remove(0, i);
}

void HardwarePort::pull() const
{
    if (!m_port.isOpen())
        return;
    if (m_port.bytesAvailable() > 0)
        m_raw.append(m_port.readAll());
    decodeReceived(m_raw, m_input, m_parityMarks);
}

qint64 HardwarePort::bytesAvailable() const
{
    pull();
    return m_input.size() - m_readPos;
}

char HardwarePort::readByte()
{
    if (m_readPos >= m_input.size())
        pull();
    if (m_readPos >= m_input.size())
        return 0;
    const char c = m_input.at(m_readPos++);
    if (m_readPos == m_input.size()) {
        m_input.clear();
        m_readPos = 0;
    }
    return c;
}

void HardwarePort::onError(QSerialPort::SerialPortError error)
{
    if (error != QSerialPort::ReadError && error != QSerialPort::ResourceError)
        return;
    // The far end is gone (adapter unplugged, pseudo-terminal closed).
    // QSerialPort reports this over and over while the port stays open, so
    // close at the first report and tell the owner once.
    const QString reason = m_port.errorString();
    if (m_port.isOpen())
        m_port.close();
    m_lock.reset();
    m_raw.clear();
    m_input.clear();
    m_readPos = 0;
    m_error = reason;
    if (!m_lostReported) {
        m_lostReported = true;
        emit lost(reason);
    }
}
