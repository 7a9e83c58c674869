#include "calls/ExternalLinks.h"

#include "calls/ProgramLauncher.h"
#include "core/AppError.h"
#include "core/AppGlobals.h"
#include "core/Clock.h"
#include "core/DiagLog.h"
#include "core/Helpers.h"
#include "core/MessageService.h"
#include "db/TdmCmn.h"
#include "platform/WindowLayer.h"

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QSaveFile>

namespace {
// The result of a link that started nothing (a running program was messaged): counts as done.
const int kNothingStarted = 9999;
const int kStarted = 42;
const int kStartFailed = 0;
const int kFirstUserMessage = 1024;
const quint32 kCloseRequest = 0x10;
} // namespace

ExternalLinks::ExternalLinks(TdmCmn& dm, WindowLayer& windows, ProgramLauncher& launcher)
    : FDm(dm), FWindows(&windows), FLauncher(&launcher)
{
}

QStringList ExternalLinks::ArgumentsWith(const QString& command, const QString& suffix)
{
    QStringList args = QProcess::splitCommand(command);
    const bool ownArgument = args.isEmpty() || command.isEmpty() || command.back().isSpace();
    if (ownArgument) {
        if (!suffix.isEmpty())
            args.append(suffix);
    } else {
        args.last() += suffix;
    }
    return args;
}

QString ExternalLinks::EncodeNumber(const QString& number)
{
    QString out;
    for (const char c : number.toUtf8()) {
        const auto u = static_cast<unsigned char>(c);
        // '#' too: left as it is it would end the address and make the rest a fragment.
        const bool plain = (u >= '0' && u <= '9') || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') || u == '+' ||
                           u == '*' || u == '-';
        if (plain)
            out += QLatin1Char(c);
        else
            out += QStringLiteral("%%1").arg(u, 2, 16, QLatin1Char('0')).toUpper();
    }
    return out;
}

QString ExternalLinks::TextFilePath(const TInterfaceInfo& info, int portNo)
{
    const QFileInfo full(QFileInfo(info.TextPath).absoluteFilePath());
    if (!IsFlagOn(info.TextPort) && !IsFlagOn(info.TextDt))
        return full.filePath();
    QString name = full.completeBaseName();
    if (IsFlagOn(info.TextPort))
        name += QString::number(portNo);
    if (IsFlagOn(info.TextDt))
        name += QLatin1Char('_') + Clock::now().toString(QStringLiteral("yyyyMMddhhmmsszzz"));
    if (!full.suffix().isEmpty())
        name += QLatin1Char('.') + full.suffix();
    return full.dir().filePath(name);
}

void ExternalLinks::WriteNumberFile(const QString& path, const QString& number)
{
    // Written beside the old file and renamed over it, so a program reading it never sees a
    // half-written number.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write((number + QLatin1Char('\n')).toUtf8()) < 0 || !file.commit())
        throw AppError(QStringLiteral("テキストファイルを出力できませんでした。") + path + QStringLiteral(" ") +
                       file.errorString());
}

quint32 ExternalLinks::TargetWindow(const QString& caption, bool access, bool logAccess)
{
    quint32 w = FWindows->FindWindow(caption);
    if (w && access) {
        const quint32 mdi = FWindows->FindChild(w, QStringLiteral("MDIClient"));
        w = mdi ? FWindows->FindChild(mdi, QStringLiteral("OForm")) : 0;
        if (logAccess)
            WriteTraceLog(QStringLiteral("access wk=") + QString::number(w));
    }
    return w;
}

bool ExternalLinks::Start(const QString& program, const QStringList& arguments, const QString& folder)
{
    WriteTraceLog(QStringLiteral("ExecCustProg start ") + program + QStringLiteral(" args=") +
                  arguments.join(QLatin1Char('|')) + QStringLiteral(" dir=") + folder);
    return FLauncher->StartProgram(program, arguments, folder);
}

void ExternalLinks::ExecCustProg(int ifNo, const QString& telNo, int portNo)
{
    WriteTraceLog(QStringLiteral("TfrmMain.ExecCustProg InterfaceNo=%1 TelNo=%2 PortNo=%3").arg(ifNo).arg(telNo).arg(portNo));
    int result = kNothingStarted;

    // The customer's representative number goes out, not the line the customer called from.
    QString number = telNo;
    TTels tels;
    if (FDm.GetTels(telNo, tels) && !tels.CustTelNon.isEmpty())
        number = tels.CustTelNon;

    TInterfaceInfo info;
    if (!FDm.GetInterfaceInfo(ifNo, info)) {
        MessageService::Warning(QStringLiteral("起動プログラムを設定してください。"));
        if (FOnNoLink)
            FOnNoLink();
        return;
    }

    const QFileInfo exec(info.ExecPath);
    const QString programFile = exec.fileName();
    QString folder = info.ExecPath.contains(QLatin1Char('/')) ? exec.path() : QString();
    if (folder.isEmpty()) {
        folder = QDir::cleanPath(gExeDir.isEmpty() ? QDir::currentPath() : gExeDir);
    }
    const QString program = QDir(folder).filePath(programFile);
    // A bare name that is not in the folder is looked up on the search path.
    const QString startName = info.ExecPath.contains(QLatin1Char('/')) || QFileInfo::exists(program) ? program : programFile;
    const int startMessage = kFirstUserMessage + info.StartReq;
    const int endMessage = kFirstUserMessage + info.EndReq;
    const bool access = info.ExecPath.toUpper().contains(QStringLiteral("MSACCESS.EXE"));
    const bool everyClose = IsFlagOn(info.EveryClose);

    WriteTraceLog(QStringLiteral(" IfName=") + info.IfName + QStringLiteral(" IfType=") + info.IfType +
                  QStringLiteral(" ExecPath=") + info.ExecPath + QStringLiteral(" TextPath=") + info.TextPath +
                  QStringLiteral(" Command=") + info.Command + QStringLiteral(" IfCapt=") + info.Caption +
                  QStringLiteral(" StartReq=") + QString::number(startMessage) + QStringLiteral(" EndReq=") +
                  QString::number(endMessage) + QStringLiteral(" EveryClose=") + info.EveryClose +
                  QStringLiteral(" TextPort=") + info.TextPort);

    auto started = [](bool ok) { return ok ? kStarted : kStartFailed; };

    if (info.IfType == QLatin1String("EXE")) {
        const quint32 w = FWindows->FindWindow(info.Caption);
        WriteTraceLog(QStringLiteral("strWinCap=") + info.Caption + QStringLiteral(" wk=") + QString::number(w));
        if (everyClose) {
            if (w)
                FWindows->PostClose(w);
            result = started(Start(startName, ArgumentsWith(info.Command, number), folder));
        } else if (w) {
            const quint32 target = TargetWindow(info.Caption, access, true);
            if (target)
                FWindows->SendCopyData(target, number);
        } else {
            result = started(Start(startName, ArgumentsWith(info.Command, number), folder));
        }
    } else if (info.IfType == QLatin1String("TXT")) {
        if (info.TextPath.isEmpty()) {
            MessageService::Warning(QStringLiteral("テキスト出力先を設定してください。"));
            return;
        }
        WriteNumberFile(TextFilePath(info, portNo), number);
        const quint32 w = FWindows->FindWindow(info.Caption);
        if (everyClose) {
            if (w)
                FWindows->PostClose(w);
            result = started(Start(startName, ArgumentsWith(info.Command, QString()), folder));
        } else if (w) {
            const quint32 target = TargetWindow(info.Caption, access, true);
            if (target)
                FWindows->PostMessage(target, quint32(startMessage), 0, 0);
        } else {
            result = started(Start(startName, ArgumentsWith(info.Command, QString()), folder));
        }
    } else if (info.IfType == QLatin1String("URL")) {
        const QString encoded = EncodeNumber(number);
        if (info.ExecPath.isEmpty())
            result = started(FLauncher->OpenUrl(info.Command + encoded));
        else
            result = started(Start(startName, ArgumentsWith(info.Command, encoded), folder));
    }

    if (result > 32) {
        if (info.Caption.isEmpty())
            return;
        for (const TLaunched& l : FLaunched) {
            if (l.Caption.compare(info.Caption, Qt::CaseInsensitive) == 0)
                return;
        }
        FLaunched.append({info.Caption, QString::number(endMessage), FlagText(access)});
    } else {
        MessageService::Warning(QStringLiteral("プログラムの起動に失敗しました。"));
    }
}

void ExternalLinks::SendEndReq()
{
    WriteTraceLog(QStringLiteral("TfrmMain.SendEndReq"));
    for (const TLaunched& l : FLaunched) {
        const quint32 target = TargetWindow(l.Caption, l.Access == QLatin1String("1"), false);
        if (target)
            FWindows->PostMessage(target, l.EndMessage.toUInt(), 0, 0);
    }
}
