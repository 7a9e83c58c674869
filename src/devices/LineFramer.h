#pragma once

#include <QString>

// Cuts the receive buffer into lines. A line ends at CR or at CR LF and keeps its
// terminator; the search for the CR starts at the buffer's second character, so a CR
// (or CR LF) at the very front is never a line of its own but the start of the next.
// LF alone is ordinary text. The buffer is bounded: a peer that never sends CR cannot
// make it grow without end.
class LineFramer
{
public:
    static constexpr int kDefaultLimit = 64 * 1024;

    explicit LineFramer(int limit = kDefaultLimit) : FLimit(limit) {}

    void Append(const QString& text);
    // Takes the next complete line off the front; false while the rest is incomplete.
    bool Next(QString* line);
    // After the complete lines are taken: discards the oldest unterminated text beyond
    // the limit and returns how many characters went.
    int DropOverflow();

    QString Buffer() const { return FBuffer.mid(FHead); }
    int Size() const { return int(FBuffer.size() - FHead); }
    void Clear();

private:
    QString FBuffer;
    qsizetype FHead = 0;
    int FLimit;
    // The last line ended at a CR that was the last character received: an LF at the
    // front of the next chunk belongs to that terminator.
    bool FCrAtEnd = false;
};
