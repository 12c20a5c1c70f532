#include "framework/TickCount.h"

#include <chrono>

namespace {

std::function<DWORD()> &Source()
{
    static std::function<DWORD()> source;
    return source;
}

} // namespace

DWORD GetTickCount()
{
    if (Source())
        return Source()();
    const auto sinceStart = std::chrono::steady_clock::now().time_since_epoch();
    const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(sinceStart).count();
    return static_cast<DWORD>(static_cast<unsigned long long>(ms));
}

void SetTickCountSource(std::function<DWORD()> source)
{
    Source() = std::move(source);
}

FakeTickCount::FakeTickCount(DWORD start)
    : now(start)
{
    SetTickCountSource([this] { return now; });
}

FakeTickCount::~FakeTickCount()
{
    SetTickCountSource({});
}
