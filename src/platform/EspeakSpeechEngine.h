#pragma once

#include "platform/SpeechEngine.h"

#include <QByteArray>

#include <atomic>
#include <list>
#include <memory>

// espeak-ng's Japanese voice ("ja"), played through the desktop's sound server (Qt
// Multimedia) when the device is "default" and there is one, else through ALSA.
//
// Play synthesises and plays on a thread of its own and returns at once. Every
// announcement gets its own audio stream, so one that starts while another still
// plays is heard over it: neither queued nor cut. Without a sound device the first
// failure to open one is logged; each later announcement tries again, silently.
class EspeakSpeechEngine : public SpeechEngine
{
public:
    // device: an ALSA device name ("default", or "file:FILE=x.raw" to capture).
    // dataPath: espeak-ng's data folder; empty for the installed one.
    explicit EspeakSpeechEngine(const QString& device = QStringLiteral("default"), const QString& dataPath = QString());
    ~EspeakSpeechEngine() override;

    bool Create() override;
    void Play(const QString& text, int speed) override;
    void Release() override;
    QString ErrorText() const override { return FError; }

    bool IsCreated() const { return FCreated; }
    // Where announcements go once created: "sound server" or "ALSA <device>".
    QString OutputName() const;
    // 16-bit signed mono samples in host byte order at SampleRate(); empty before Create.
    QByteArray Synthesize(const QString& text, int speed) const;
    int SampleRate() const;
    // Blocks until every announcement started so far has played to its end.
    void WaitForIdle();

    // espeak-ng's words per minute for a speed of the settings (50 to 300).
    static int RateForSpeed(int speed);
    // A RIFF/WAVE file of samples as Synthesize returns them.
    static QByteArray ToWav(const QByteArray& samples, int sampleRate);

private:
    struct Playback;
    void runPlayback(Playback* p, const QString& text, int speed);
    void joinAll();
    void reapFinished();

    QString FDevice;
    QString FDataPath;
    QString FError;
    bool FCreated = false;
    bool FUseSoundServer = false;
    std::atomic<bool> FStopping{false};
    std::atomic<bool> FPlaybackFailureLogged{false};
    std::list<std::unique_ptr<Playback>> FPlaybacks;
};
