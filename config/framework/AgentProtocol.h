#pragma once
// What Config and the background agent `hid` say to each other: the window
// titles under which each side listens, the message numbers and the close
// reasons. Both programs include this header; neither includes the other's
// code.

#include <cstdint>

namespace AgentTitles {
inline constexpr const char *kAgent = "Zarvik RGB Software_Hid";
inline constexpr const char *kConfig = "Zarvik RGB Software_Config";
// Windows that Config closes when it is asked to close.
inline constexpr const char *kWarning = "Zarvik RGB Software_Warning";
inline constexpr const char *kPreference = "Zarvik RGB Software_Preference";
} // namespace AgentTitles

namespace AgentMessages {
inline constexpr uint32_t kSettingsSaved = 1324; // Config -> agent: re-read the settings file
inline constexpr uint32_t kCloseRequest = 1624; // -> Config, with one of the two reasons below
inline constexpr uintptr_t kCloseReasonFirst = 1625;
inline constexpr uintptr_t kCloseReasonSecond = 1626;
inline constexpr uint32_t kRestoreRequest = 4000; // -> Config: show the window normally
inline constexpr uint32_t kQuery = 1044; // -> Config: answered 1
inline constexpr uint32_t kCloseWindow = 0x0010; // the platform's close message
} // namespace AgentMessages

// The agent program, beside Config.
#ifdef _WIN32
inline constexpr const char *kAgentProgramName = "hid.exe";
#else
inline constexpr const char *kAgentProgramName = "hid";
#endif
