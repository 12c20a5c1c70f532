#pragma once
// The number of the plug-in's objects alive, plus the locks its hosts hold:
// the plug-in may be unloaded only at zero.

#include <atomic>

namespace provider {

inline std::atomic<long> liveObjects {0};

} // namespace provider
