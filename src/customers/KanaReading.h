#pragma once

#include <QString>

// The reading of a name, derived from its text with kakasi: no input method on Linux hands
// over the reading it composed, so the customer frame reads the committed text instead.
namespace KanaReading {
// Full-width katakana reading of text (kanji and hiragana read as katakana; everything else
// kept). Empty when the dictionary cannot be loaded.
QString Katakana(const QString& text);
// Full-width katakana to half-width (voiced marks split off); other characters kept.
QString ToHalfWidthKana(const QString& text);
// The reading as the reading field takes it for KANA_TYPE: 0 full-width, 2 half-width
// katakana, 1 nothing.
QString ForKanaType(const QString& text, int kanaType);
// True when text holds kanji, hiragana or katakana, i.e. something an input method composed.
bool HasJapanese(const QString& text);
}
