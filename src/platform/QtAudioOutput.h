#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>

// Playback through Qt Multimedia, which talks to the desktop's sound server (PipeWire or
// PulseAudio). On such desktops the ALSA default device often does not exist.
namespace QtAudioOutput {

// True when a sound server offers a default output.
bool Available();

// Plays 16-bit signed mono samples (host byte order) on the default output; returns once
// they have played, when stop is set, or on failure (false, error says why). Runs an event
// loop of its own: call it from a playback thread.
bool Play(const QByteArray& samples, int sampleRate, const std::atomic<bool>& stop, QString* error);

} // namespace QtAudioOutput
