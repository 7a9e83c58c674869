#pragma once

#include <QByteArray>
#include <QString>

// Decodes UTF-8 arriving in chunks cut anywhere (TCP splits where it likes). A sequence
// cut at the end of a chunk is kept for the next one; bytes that can never be UTF-8 become
// U+FFFD instead of costing the rest of the chunk. U+301C (WAVE DASH) becomes U+FF5E, the
// tilde every Japanese code page round-trips.
class Utf8ChunkDecoder
{
public:
    QString Decode(const QByteArray& chunk);
    // Forgets a partial sequence (a new connection starts clean).
    void Reset() { FPending.clear(); }
    bool HasPending() const { return !FPending.isEmpty(); }

private:
    QByteArray FPending;
};
