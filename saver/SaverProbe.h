// What a benchmark learns from the saver: its start-up stages and the frames it presents.
#pragma once

#include <QtGlobal>

// The saver runs without one; a benchmark program passes its own to hear, as they happen, the
// stages of the start ("saver-entry", "source-picture", "shown", "context", "gl-state",
// "exposed"), every presented frame and the end.
class SaverProbe
{
public:
    virtual ~SaverProbe() = default;
    virtual void stage(const char *name) = 0;
    // After every frame presented on all surfaces; `framesSoFar` counts from 1.
    virtual void framePresented(qint64 framesSoFar) = 0;
    // When the saver ends, with the number of frames it drew.
    virtual void finished(qint64 frames) = 0;
};
