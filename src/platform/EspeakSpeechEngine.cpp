#include "platform/EspeakSpeechEngine.h"

#include "core/DiagLog.h"
#include "platform/QtAudioOutput.h"

#include <QFile>
#include <QtEndian>

#include <alsa/asoundlib.h>
#include <espeak-ng/espeak_ng.h>
#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <chrono>
#include <mutex>
#include <thread>

namespace {

// espeak-ng is one synthesiser per process with global state and no locking of its
// own, so every call into it goes through this one lock. It is initialised on first
// use and never terminated: its terminate call can hang in its fifo thread (seen with
// 1.51), and the process end frees it anyway.
struct EspeakLibrary
{
    std::mutex lock;
    bool initialised = false;
    bool voiceSet = false;
    int sampleRate = 0;
    QByteArray* sink = nullptr; // where the callback puts samples; set under lock
};

EspeakLibrary& library()
{
    // Never destroyed: playback threads of an engine in a static may still use it late.
    static EspeakLibrary* lib = new EspeakLibrary;
    return *lib;
}

int collectSamples(short* wav, int count, espeak_EVENT*)
{
    QByteArray* sink = library().sink;
    if (sink && wav && count > 0)
        sink->append(reinterpret_cast<const char*>(wav), qsizetype(count) * qsizetype(sizeof(short)));
    return 0; // go on
}

QString statusText(espeak_ng_STATUS status)
{
    char text[512] = {};
    espeak_ng_GetStatusCodeMessage(status, text, sizeof text);
    return QString::fromLocal8Bit(text);
}

// Call with the lock held. Empty on success, else why not.
QString prepareLibrary(const QString& dataPath)
{
    EspeakLibrary& lib = library();
    if (!lib.initialised) {
        const QByteArray path = QFile::encodeName(dataPath);
        espeak_ng_InitializePath(dataPath.isEmpty() ? nullptr : path.constData());
        espeak_ng_ERROR_CONTEXT context = nullptr;
        // Note: this sets LC_CTYPE to a UTF-8 locale and leaves it so; the synthesiser
        // needs that to classify kana.
        espeak_ng_STATUS status = espeak_ng_Initialize(&context);
        espeak_ng_ClearErrorContext(&context);
        if (status != ENS_OK)
            return statusText(status);
        status = espeak_ng_InitializeOutput(ENOUTPUT_MODE_SYNCHRONOUS, 0, nullptr);
        if (status != ENS_OK)
            return statusText(status);
        espeak_SetSynthCallback(collectSamples);
        lib.sampleRate = espeak_ng_GetSampleRate();
        lib.initialised = true;
    }
    if (!lib.voiceSet) {
        const espeak_ng_STATUS status = espeak_ng_SetVoiceByName("ja");
        if (status != ENS_OK)
            return QStringLiteral("ja: ") + statusText(status);
        lib.voiceSet = true;
    }
    return QString();
}

QByteArray synthesize(const QString& text, int speed, const std::atomic<bool>* stop = nullptr)
{
    EspeakLibrary& lib = library();
    std::lock_guard<std::mutex> guard(lib.lock);
    // Announcements queue on the lock; once the engine is being released the ones still
    // waiting are dropped, so that a burst of calls does not hold up the end of the program.
    if (!lib.initialised || !lib.voiceSet || (stop && *stop))
        return QByteArray();
    QByteArray samples;
    const QByteArray utf8 = text.toUtf8();
    espeak_SetParameter(espeakRATE, EspeakSpeechEngine::RateForSpeed(speed), 0);
    lib.sink = &samples;
    espeak_ng_Synthesize(utf8.constData(), size_t(utf8.size()) + 1, 0, POS_CHARACTER, 0, espeakCHARS_UTF8, nullptr,
                         nullptr);
    lib.sink = nullptr;
    return samples;
}

// ALSA reports every failed open on stderr by default; the diagnostic log gets our
// own single line instead.
void quietAlsa(const char*, int, const char*, int, const char*, ...) {}

using SteadyClock = std::chrono::steady_clock;

// Plays mono samples on device; false with error set when the device cannot be used.
// Non-blocking writes with short waits keep the stop flag and a deadline in reach even
// when a device stalls, so Release never hangs on it.
bool playSamples(const QString& device, const QByteArray& samples, int sampleRate, const std::atomic<bool>& stop,
                 QString* error)
{
    static std::once_flag quiet;
    std::call_once(quiet, [] { snd_lib_error_set_handler(quietAlsa); });

    snd_pcm_t* pcm = nullptr;
    int err = snd_pcm_open(&pcm, device.toUtf8().constData(), SND_PCM_STREAM_PLAYBACK, SND_PCM_NONBLOCK);
    if (err < 0) {
        *error = device + QStringLiteral(": ") + QString::fromLocal8Bit(snd_strerror(err));
        return false;
    }
    err =
        snd_pcm_set_params(pcm, SND_PCM_FORMAT_S16, SND_PCM_ACCESS_RW_INTERLEAVED, 1, unsigned(sampleRate), 1, 200000);
    if (err < 0) {
        *error = device + QStringLiteral(": ") + QString::fromLocal8Bit(snd_strerror(err));
        snd_pcm_close(pcm);
        return false;
    }

    const auto* data = reinterpret_cast<const qint16*>(samples.constData());
    const snd_pcm_uframes_t total = snd_pcm_uframes_t(samples.size()) / sizeof(qint16);
    const auto deadline =
        SteadyClock::now() + std::chrono::milliseconds(qint64(total) * 1000 / sampleRate) + std::chrono::seconds(5);
    snd_pcm_uframes_t done = 0;
    while (done < total && !stop && SteadyClock::now() < deadline) {
        const snd_pcm_sframes_t n = snd_pcm_writei(pcm, data + done, total - done);
        if (n == -EAGAIN)
            snd_pcm_wait(pcm, 100);
        else if (n < 0 && snd_pcm_recover(pcm, int(n), 1) < 0)
            break; // the announcement is lost, as with any text that cannot be voiced
        else if (n > 0)
            done += snd_pcm_uframes_t(n);
    }
    // A text shorter than the buffer never reaches the start threshold by itself.
    if (snd_pcm_state(pcm) == SND_PCM_STATE_PREPARED)
        snd_pcm_start(pcm);
    while (!stop && SteadyClock::now() < deadline) {
        snd_pcm_sframes_t delay = 0;
        if (snd_pcm_state(pcm) != SND_PCM_STATE_RUNNING || snd_pcm_delay(pcm, &delay) < 0 || delay <= 0)
            break;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    snd_pcm_close(pcm);
    return true;
}

} // namespace

struct EspeakSpeechEngine::Playback
{
    std::thread thread;
    std::atomic<bool> finished{false};
};

EspeakSpeechEngine::EspeakSpeechEngine(const QString& device, const QString& dataPath)
    : FDevice(device), FDataPath(dataPath)
{
}

EspeakSpeechEngine::~EspeakSpeechEngine()
{
    Release();
}

int EspeakSpeechEngine::RateForSpeed(int speed)
{
    // 1.5 words per minute per step: the default 140 gives 210, a fifth above the
    // synthesiser's normal 175 (brisk, still clear); the settings' 50 to 300 span its
    // whole range of 80 to 450.
    return std::clamp(speed * 3 / 2, int(espeakRATE_MINIMUM), int(espeakRATE_MAXIMUM));
}

bool EspeakSpeechEngine::Create()
{
    if (FCreated)
        return true;
    {
        std::lock_guard<std::mutex> guard(library().lock);
        FError = prepareLibrary(FDataPath);
        FCreated = FError.isEmpty();
    }
    // The default device goes to the desktop's sound server where there is one; ALSA
    // plays everywhere else and on a device named explicitly.
    FUseSoundServer = FCreated && FDevice == QLatin1String("default") && QtAudioOutput::Available();
    return FCreated;
}

QString EspeakSpeechEngine::OutputName() const
{
    return FUseSoundServer ? QStringLiteral("sound server") : QStringLiteral("ALSA ") + FDevice;
}

int EspeakSpeechEngine::SampleRate() const
{
    std::lock_guard<std::mutex> guard(library().lock);
    return library().sampleRate;
}

QByteArray EspeakSpeechEngine::Synthesize(const QString& text, int speed) const
{
    if (!FCreated)
        return QByteArray();
    return synthesize(text, speed);
}

void EspeakSpeechEngine::Play(const QString& text, int speed)
{
    reapFinished();
    if (!FCreated || text.isEmpty())
        return;
    auto playback = std::make_unique<Playback>();
    Playback* p = playback.get();
    FPlaybacks.push_back(std::move(playback));
    p->thread = std::thread([this, p, text, speed] { runPlayback(p, text, speed); });
}

void EspeakSpeechEngine::runPlayback(Playback* p, const QString& text, int speed)
{
    const QByteArray samples = synthesize(text, speed, &FStopping);
    if (!samples.isEmpty() && !FStopping) {
        QString error;
        const bool played = FUseSoundServer ? QtAudioOutput::Play(samples, SampleRate(), FStopping, &error)
                                            : playSamples(FDevice, samples, SampleRate(), FStopping, &error);
        if (!played && !FPlaybackFailureLogged.exchange(true))
            WriteLog(QStringLiteral("音声の再生に失敗しました。(") + error + QLatin1Char(')'));
    }
    p->finished = true;
}

void EspeakSpeechEngine::reapFinished()
{
    for (auto it = FPlaybacks.begin(); it != FPlaybacks.end();) {
        if ((*it)->finished) {
            (*it)->thread.join();
            it = FPlaybacks.erase(it);
        } else {
            ++it;
        }
    }
}

void EspeakSpeechEngine::joinAll()
{
    for (auto& p : FPlaybacks)
        p->thread.join();
    FPlaybacks.clear();
}

void EspeakSpeechEngine::WaitForIdle()
{
    joinAll();
}

void EspeakSpeechEngine::Release()
{
    FStopping = true;
    joinAll();
    FStopping = false;
    FCreated = false;
}

QByteArray EspeakSpeechEngine::ToWav(const QByteArray& samples, int sampleRate)
{
    QByteArray wav;
    auto put32 = [&wav](quint32 v) {
        const quint32 le = qToLittleEndian(v);
        wav.append(reinterpret_cast<const char*>(&le), 4);
    };
    auto put16 = [&wav](quint16 v) {
        const quint16 le = qToLittleEndian(v);
        wav.append(reinterpret_cast<const char*>(&le), 2);
    };
    const quint32 dataBytes = quint32(samples.size());
    wav.append("RIFF", 4);
    put32(36 + dataBytes);
    wav.append("WAVEfmt ", 8);
    put32(16);                      // size of the format chunk
    put16(1);                       // PCM
    put16(1);                       // mono
    put32(quint32(sampleRate));     // samples per second
    put32(quint32(sampleRate) * 2); // bytes per second
    put16(2);                       // bytes per frame
    put16(16);                      // bits per sample
    wav.append("data", 4);
    put32(dataBytes);
    if (QSysInfo::ByteOrder == QSysInfo::LittleEndian) {
        wav.append(samples);
    } else {
        const auto* s = reinterpret_cast<const qint16*>(samples.constData());
        for (qsizetype i = 0; i < samples.size() / 2; ++i)
            put16(quint16(s[i]));
    }
    return wav;
}
