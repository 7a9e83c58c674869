#pragma once

#include <QList>
#include <QString>
#include <QStringList>

enum class MsgKind { Warning, Error, Information, Confirmation };
enum class MsgButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MsgResult { Ok, Cancel, Yes, No };

// Shows a message to the user; implemented by the GUI over real message boxes.
class MessagePresenter
{
public:
    virtual ~MessagePresenter() = default;
    virtual MsgResult present(MsgKind kind, const QString& caption, const QString& text, MsgButtons buttons) = 0;
};

// Every message box of the program goes through here, so that tests can answer the
// questions and check the exact texts, and headless runs (ZUVARO_UNATTENDED=yes|no)
// answer every question the same way and only log the texts.
class MessageService
{
public:
    struct Shown
    {
        MsgKind kind;
        QString text;
        MsgButtons buttons;
    };

    static MsgResult Show(MsgKind kind, const QString& text, MsgButtons buttons = MsgButtons::Ok);
    static void Warning(const QString& text) { Show(MsgKind::Warning, text); }
    static void Error(const QString& text) { Show(MsgKind::Error, text); }
    static void Information(const QString& text) { Show(MsgKind::Information, text); }
    // A Yes/No question; true for Yes.
    static bool Ask(const QString& text, MsgKind kind = MsgKind::Confirmation)
    {
        return Show(kind, text, MsgButtons::YesNo) == MsgResult::Yes;
    }

    // No one answers questions: an unattended run, no presenter, or the program stopping.
    // A question whose cautious answer would still do something is not put then.
    static bool NobodyToAsk();

    static void setPresenter(MessagePresenter* presenter);
    static MessagePresenter* presenter();
    static QString caption();

    // Tests: queue answers for the next questions, read what was shown.
    static void setNextAnswer(MsgResult answer);
    static void clearAnswers();
    static const QList<Shown>& shown();
    static QStringList shownTexts();
    static void clearShown();
};
