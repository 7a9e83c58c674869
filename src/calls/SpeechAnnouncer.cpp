#include "calls/SpeechAnnouncer.h"

#include "calls/Announcement.h"
#include "core/DiagLog.h"
#include "core/StartupSettings.h"
#include "platform/EspeakSpeechEngine.h"

SpeechAnnouncer::SpeechAnnouncer(std::unique_ptr<SpeechEngine> engine) : FEngine(std::move(engine))
{
    if (!FEngine)
        FEngine = std::make_unique<EspeakSpeechEngine>();
}

SpeechAnnouncer::~SpeechAnnouncer()
{
    ReleaseEngine();
}

void SpeechAnnouncer::CreateEngine()
{
    if (!GSpeakEnabled || FEngineCreated)
        return;
    FEngineCreated = FEngine->Create();
    if (!FEngineCreated) {
        WriteLog(QStringLiteral("音声合成エンジンの作成に失敗しました。"));
        if (!FEngine->ErrorText().isEmpty())
            WriteTraceLog(QStringLiteral("SpeechAnnouncer.CreateEngine ") + FEngine->ErrorText());
    }
}

void SpeechAnnouncer::AnnounceCall(const QString& callerReading, const QString& lineReading, const QString& prefix)
{
    if (!FEngineCreated || !GSpeakEnabled)
        return;
    Speech(prefix + ComposeAnnouncement(GIndex1, GIndex2, callerReading, lineReading, GFoot1, GFoot2));
}

void SpeechAnnouncer::Speech(const QString& text)
{
    WriteTraceLog(QStringLiteral("TfrmMain.Speech strMsg=") + text);
    play(RemoveBlanks(text));
}

void SpeechAnnouncer::SpeechTest(const QString& reading)
{
    WriteTraceLog(QStringLiteral("TfrmMain.SpeechTest"));
    play(RemoveBlanks(reading + GFoot1));
}

void SpeechAnnouncer::play(const QString& text)
{
    // The phone book's test button checks only that speech is enabled; an engine that
    // failed to come up must not be driven.
    if (FEngineCreated)
        FEngine->Play(text, GSpeed);
}

void SpeechAnnouncer::ReleaseEngine()
{
    if (!FEngineCreated)
        return;
    FEngine->Release();
    FEngineCreated = false;
}
