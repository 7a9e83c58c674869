#include "platform/QtAudioOutput.h"

#include <QAudioDevice>
#include <QAudioFormat>
#include <QAudioSink>
#include <QBuffer>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QMediaDevices>
#include <QTimer>

namespace QtAudioOutput {

namespace {
QAudioFormat monoFormat(int sampleRate)
{
    QAudioFormat format;
    format.setSampleRate(sampleRate);
    format.setChannelCount(1);
    format.setSampleFormat(QAudioFormat::Int16);
    return format;
}
} // namespace

bool Available()
{
    return !QMediaDevices::defaultAudioOutput().isNull();
}

bool Play(const QByteArray& samples, int sampleRate, const std::atomic<bool>& stop, QString* error)
{
    const QAudioDevice device = QMediaDevices::defaultAudioOutput();
    if (device.isNull()) {
        *error = QStringLiteral("no audio output");
        return false;
    }
    const QAudioFormat format = monoFormat(sampleRate);
    if (!device.isFormatSupported(format)) {
        *error = device.description() + QStringLiteral(": format not supported");
        return false;
    }
    QByteArray data = samples;
    QBuffer buffer(&data);
    buffer.open(QIODevice::ReadOnly);
    QEventLoop loop; // first: it gives this thread the dispatcher the sink's timers need
    QAudioSink sink(device, format);
    bool ended = false;
    QObject::connect(&sink, &QAudioSink::stateChanged, &loop, [&](QAudio::State state) {
        if (state == QAudio::IdleState || state == QAudio::StoppedState) {
            ended = true;
            loop.quit();
        }
    });
    // A stalled server must not keep the thread (and the program's end) waiting.
    const qint64 limitMs = qint64(samples.size()) / 2 * 1000 / qMax(1, sampleRate) + 5000;
    QElapsedTimer elapsed;
    elapsed.start();
    QTimer watch;
    QObject::connect(&watch, &QTimer::timeout, &loop, [&] {
        if (stop || elapsed.elapsed() > limitMs)
            loop.quit();
    });
    watch.start(50);
    sink.start(&buffer);
    if (sink.error() != QAudio::NoError) {
        *error = device.description() + QStringLiteral(": cannot start (%1)").arg(int(sink.error()));
        return false;
    }
    if (!ended)
        loop.exec();
    const bool failed = sink.error() == QAudio::OpenError || sink.error() == QAudio::FatalError;
    sink.stop();
    if (failed)
        *error = device.description() + QStringLiteral(": playback error %1").arg(int(sink.error()));
    return !failed;
}

} // namespace QtAudioOutput
