// The Windows stand-in for a listener that hangs: a window of the title on a
// thread that never handles its messages.
#include "AgentTestSupport.h"

#include <windows.h>

#include <atomic>
#include <thread>

struct agent_test::RawSocket::HungWindow
{
    std::atomic<HWND> window {nullptr};
    std::atomic<bool> release {false};
    std::thread owner;
};

agent_test::RawSocket::RawSocket(const QString &title, Kind kind, int)
{
    if (kind == Kind::Stale) {
        ok = true;
        return;
    }
    hung = std::make_unique<HungWindow>();
    std::atomic<bool> made {false};
    hung->owner = std::thread([this, title, &made] {
        hung->window = CreateWindowExW(0, L"STATIC", title.toStdWString().c_str(), WS_POPUP, 0, 0, 0, 0, nullptr,
                                       nullptr, GetModuleHandleW(nullptr), nullptr);
        made = true;
        while (!hung->release)
            Sleep(10);
        DestroyWindow(hung->window);
    });
    while (!made)
        Sleep(1);
    ok = hung->window != nullptr;
}

agent_test::RawSocket::~RawSocket()
{
    if (!hung)
        return;
    hung->release = true;
    hung->owner.join();
}
