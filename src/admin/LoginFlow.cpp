#include "admin/LoginFlow.h"

#include "core/DiagLog.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"

#include <QProcess>
#include <QUrl>

#include <cstdlib>
#include <cstring>

namespace LoginFlow {

QString RestartVariable()
{
    return QStringLiteral("ZUVARO_RESTART_LOGIN");
}

void PutRestartCredentials(QProcessEnvironment& env, const TUser& user)
{
    env.remove(RestartVariable());
    if (user.UserId.isEmpty())
        return;
    // Percent-encoded, so any character of either value survives and ':' separates them.
    env.insert(RestartVariable(), QString::fromLatin1(QUrl::toPercentEncoding(user.UserId) + ':' +
                                                      QUrl::toPercentEncoding(user.Passwd)));
}

std::optional<Credentials> TakeRestartCredentials()
{
    const QByteArray name = RestartVariable().toLatin1();
    if (!qEnvironmentVariableIsSet(name.constData()))
        return std::nullopt;
    const QByteArray value = qgetenv(name.constData());
    // Blank the original bytes too: unsetting only unlinks them, and /proc/<pid>/environ
    // still shows the block the process started with.
    if (char* original = std::getenv(name.constData()))
        std::memset(original, 0, std::strlen(original));
    qunsetenv(name.constData());
    const int colon = value.indexOf(':');
    if (colon < 0)
        return std::nullopt;
    return Credentials{QUrl::fromPercentEncoding(value.left(colon)), QUrl::fromPercentEncoding(value.mid(colon + 1))};
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
    PutRestartCredentials(env, user);
    process.setProcessEnvironment(env);
    return process.startDetached(pid);
}

} // namespace LoginFlow
