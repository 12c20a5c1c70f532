#pragma once
// The millisecond tick of the window layer: milliseconds of a monotonic
// clock, held in 32 bits, so that it wraps around every 49.7 days exactly as
// the controls' time guards expect. Tests replace the clock with FakeTickCount.

#include "framework/WinTypes.h"

#include <functional>

DWORD GetTickCount();

// Replaces the clock; an empty function restores the real one.
void SetTickCountSource(std::function<DWORD()> source);

// A clock that stands still until told otherwise; installed for its
// lifetime.
class FakeTickCount
{
public:
    explicit FakeTickCount(DWORD start = 0);
    ~FakeTickCount();
    FakeTickCount(const FakeTickCount &) = delete;
    FakeTickCount &operator=(const FakeTickCount &) = delete;

    void Set(DWORD ticks) { now = ticks; }
    void Advance(DWORD milliseconds) { now += milliseconds; } // wraps like the real tick
    DWORD Now() const { return now; }

private:
    DWORD now;
};
