#include "admin/LoginFlow.h"

#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"

#include <QProcess>
#include <QUrl>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace LoginFlow {

namespace {

std::optional<Credentials> gReceived;

// Percent-encoded, so any character of either value survives and ':' separates them.
QByteArray Encode(const TUser& user)
{
    return QUrl::toPercentEncoding(user.UserId) + ':' + QUrl::toPercentEncoding(user.Passwd);
}

std::optional<Credentials> Decode(const QByteArray& value)
{
    const int colon = value.indexOf(':');
    if (colon < 0)
        return std::nullopt;
    return Credentials{QUrl::fromPercentEncoding(value.left(colon)), QUrl::fromPercentEncoding(value.mid(colon + 1))};
}

// Removes a variable, blanking its original bytes too: unsetting only unlinks them, and
// /proc/<pid>/environ still shows the block the process started with.
QByteArray TakeVariable(const QString& variable)
{
    const QByteArray name = variable.toLatin1();
    if (!qEnvironmentVariableIsSet(name.constData()))
        return QByteArray();
    const QByteArray value = qgetenv(name.constData());
    if (char* original = std::getenv(name.constData()))
        std::memset(original, 0, std::strlen(original));
    qunsetenv(name.constData());
    return value;
}

// Only an inherited pipe beyond the standard streams is read: a stray number in the
// environment must not make the program read its input or a file.
QByteArray ReadHandOver(const QByteArray& number)
{
    bool ok = false;
    const int fd = number.toInt(&ok);
    struct stat st;
    if (!ok || fd <= 2 || ::fstat(fd, &st) != 0 || !S_ISFIFO(st.st_mode))
        return QByteArray();
    QByteArray data;
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0 || data.size() + n > 8192)
            break;
        data.append(buffer, int(n));
    }
    ::close(fd);
    return data;
}

} // namespace

QString RestartDescriptorVariable()
{
    return QStringLiteral("ZUVARO_RESTART_FD");
}

QString RestartVariable()
{
    return QStringLiteral("ZUVARO_RESTART_LOGIN");
}

int OpenRestartHandOver(const TUser& user)
{
    if (user.UserId.isEmpty())
        return -1;
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0)
        return -1;
    // A few bytes: the pipe holds them all, so nothing waits for the reader.
    const QByteArray payload = Encode(user);
    const bool written = ::write(fds[1], payload.constData(), size_t(payload.size())) == payload.size();
    ::close(fds[1]);
    if (!written || ::fcntl(fds[0], F_SETFD, 0) != 0) {
        ::close(fds[0]);
        return -1;
    }
    return fds[0];
}

void ReceiveRestartCredentials()
{
    const QByteArray legacy = TakeVariable(RestartVariable());
    const QByteArray handed = ReadHandOver(TakeVariable(RestartDescriptorVariable()));
    if (auto credentials = Decode(handed.isEmpty() ? legacy : handed))
        gReceived = credentials;
}

std::optional<Credentials> TakeRestartCredentials()
{
    ReceiveRestartCredentials();
    std::optional<Credentials> taken;
    taken.swap(gReceived);
    return taken;
}

std::optional<Credentials> AutomaticCredentials(const QStringList& args)
{
    if (auto handed = TakeRestartCredentials())
        return handed;
    if (args.size() == 2)
        return Credentials{args.at(0), args.at(1)};
    return std::nullopt;
}

QString RefusalMessage()
{
    return QStringLiteral("ユーザIDかパスワードが無効です。もしくは有効期限が過ぎています。");
}

bool LoginAutomatically(TdmCmn& dm, const Credentials& credentials, TUser& user)
{
    if (dm.CheckLogin(credentials.UserId, credentials.Passwd, user))
        return true;
    MessageService::Warning(RefusalMessage());
    WriteTraceLog(QStringLiteral("reboot Halt"));
    return false;
}

bool StartRestartedCopy(const QString& program, const TUser& user, qint64* pid)
{
    QProcess process;
    process.setProgram(program);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(RestartVariable());
    env.remove(RestartDescriptorVariable());
    const int handOver = OpenRestartHandOver(user);
    if (!user.UserId.isEmpty() && handOver < 0)
        return false;
    if (handOver >= 0)
        env.insert(RestartDescriptorVariable(), QString::number(handOver));
    process.setProcessEnvironment(env);
    const bool started = process.startDetached(pid);
    if (handOver >= 0)
        ::close(handOver);
    return started;
}

} // namespace LoginFlow
