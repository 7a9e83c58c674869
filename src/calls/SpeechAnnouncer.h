#pragma once

#include <QString>

#include <memory>

class SpeechEngine;

// The spoken announcement of the main window. The main window owns one for its life:
// CreateEngine at start-up (and again when the settings dialog switches speech on),
// AnnounceCall for each incoming call, SpeechTest for the phone book's reading test,
// ReleaseEngine at teardown. Reads the SPEAK start-up settings at each call, so the
// settings dialog's changes count at once.
class SpeechAnnouncer
{
public:
    // engine: the voice to drive; none for espeak-ng on the default sound device.
    explicit SpeechAnnouncer(std::unique_ptr<SpeechEngine> engine = nullptr);
    ~SpeechAnnouncer();

    SpeechAnnouncer(const SpeechAnnouncer&) = delete;
    SpeechAnnouncer& operator=(const SpeechAnnouncer&) = delete;

    // Creates the engine when speech is enabled and no engine exists yet. A failure is
    // logged (whatever the trace switch) and leaves the announcer silent.
    void CreateEngine();
    bool EngineCreated() const { return FEngineCreated; }

    // An incoming call: composes the text from the readings and speaks it, when the
    // engine exists and speech is enabled. Returns without waiting for the voice.
    // prefix (the caution text) is said first.
    void AnnounceCall(const QString& callerReading, const QString& lineReading, const QString& prefix = QString());
    // Speaks text without blanks, at the configured speed.
    void Speech(const QString& text);
    // Speaks reading followed by FOOT1.
    void SpeechTest(const QString& reading);

    // Stops and frees the engine, when it was created.
    void ReleaseEngine();

    SpeechEngine* engine() const { return FEngine.get(); }

private:
    void play(const QString& text);

    std::unique_ptr<SpeechEngine> FEngine;
    bool FEngineCreated = false;
};
