// SHA-256 of a byte string, for the fixed-size digests the library records
// of a drive's identity. Written out here because the library links nothing
// but the system and the C++ standard library (no crypto library on every
// platform it ships to), and a digest of a few hundred bytes per open needs
// no speed.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace qz {

using Sha256Digest = std::array<uint8_t, 32>;

Sha256Digest Sha256(std::string_view data);

} // namespace qz
