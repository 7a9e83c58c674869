#include "core/MessageService.h"

#include "core/DiagLog.h"
#include "core/StopRequest.h"

namespace {
MessagePresenter* gPresenter = nullptr;
QList<MsgResult> gAnswers;
QList<MessageService::Shown> gShown;

const char* kindName(MsgKind kind)
{
    switch (kind) {
    case MsgKind::Warning:
        return "warning";
    case MsgKind::Error:
        return "error";
    case MsgKind::Information:
        return "information";
    case MsgKind::Confirmation:
        return "confirmation";
    }
    return "";
}

MsgResult unattendedAnswer(MsgButtons buttons, bool yes)
{
    switch (buttons) {
    case MsgButtons::Ok:
        return MsgResult::Ok;
    case MsgButtons::OkCancel:
        return yes ? MsgResult::Ok : MsgResult::Cancel;
    case MsgButtons::YesNo:
    case MsgButtons::YesNoCancel:
        return yes ? MsgResult::Yes : MsgResult::No;
    }
    return MsgResult::Ok;
}
} // namespace

MsgResult MessageService::Show(MsgKind kind, const QString& text, MsgButtons buttons)
{
    gShown.append({kind, text, buttons});
    if (gShown.size() > 500) // a long-running program must not keep every text
        gShown.removeFirst();
    if (!gAnswers.isEmpty())
        return gAnswers.takeFirst();
    if (NobodyToAsk()) {
        // Without anyone to ask, a question gets the cautious answer.
        const bool yes =
            !StopRequest::Requested() && qEnvironmentVariable("ZUVARO_UNATTENDED").toLower() == QLatin1String("yes");
        const MsgResult answer = unattendedAnswer(buttons, yes);
        WriteLog(QStringLiteral("MessageBox(%1): %2").arg(QLatin1String(kindName(kind)), text));
        return answer;
    }
    const MsgResult answer = gPresenter->present(kind, caption(), text, buttons);
    // A box closed by a stop request was not answered by anyone.
    return StopRequest::Requested() ? unattendedAnswer(buttons, false) : answer;
}

bool MessageService::NobodyToAsk()
{
    if (!gAnswers.isEmpty())
        return false;
    const QString unattended = qEnvironmentVariable("ZUVARO_UNATTENDED").toLower();
    // Once the program is stopping nobody answers any more: nothing is shown, and a
    // question gets the cautious answer.
    return StopRequest::Requested() || unattended == QLatin1String("yes") || unattended == QLatin1String("no") ||
           !gPresenter;
}

void MessageService::setPresenter(MessagePresenter* presenter)
{
    gPresenter = presenter;
}

MessagePresenter* MessageService::presenter()
{
    return gPresenter;
}

QString MessageService::caption()
{
    return QStringLiteral("Zuvaro３");
}

void MessageService::setNextAnswer(MsgResult answer)
{
    gAnswers.append(answer);
}

void MessageService::clearAnswers()
{
    gAnswers.clear();
}

const QList<MessageService::Shown>& MessageService::shown()
{
    return gShown;
}

QStringList MessageService::shownTexts()
{
    QStringList texts;
    for (const Shown& s : gShown)
        texts << s.text;
    return texts;
}

void MessageService::clearShown()
{
    gShown.clear();
}
