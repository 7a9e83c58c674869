#pragma once

// What the schema upgrade tells the user while it builds indexes, which can take minutes on
// a large call log. The GUI supplies a window; tests supply a recorder.
class IndexNotice
{
public:
    virtual ~IndexNotice() = default;
    // Before the first index: show the notice and let it paint.
    virtual void begin() = 0;
    // After each index: let pending window messages run.
    virtual void step() = 0;
    // After the last index: take the notice away.
    virtual void end() = 0;
};
