#pragma once

#include <QString>

// A voice that reads phonetic kana texts (hiragana and full-width katakana) aloud.
// The announcer owns one; tests put a recording one in its place.
class SpeechEngine
{
public:
    virtual ~SpeechEngine() = default;

    // Prepares the voice. False when it cannot speak at all; ErrorText() says why.
    virtual bool Create() = 0;
    // Starts reading text at speed (50 to 300, 100 about normal) and returns at once.
    // Never fails loudly: a text that cannot be voiced is simply not heard.
    virtual void Play(const QString& text, int speed) = 0;
    // Stops what is still playing and frees the voice. Create may be called again.
    virtual void Release() = 0;

    virtual QString ErrorText() const { return {}; }
};
