// The 4096-byte block files qzctl reads and writes ("-" for standard input
// or output).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qzctl {

constexpr std::size_t kBlockSize = 4096;

// Reads a file that must hold exactly kBlockSize bytes. On failure returns
// false with a message naming the file and what is wrong with it.
bool ReadBlockFile(const std::string &path, std::vector<uint8_t> &block, std::string &error);

// Writes `size` bytes, replacing the file. False with a message on failure.
bool WriteBlockFile(const std::string &path, const uint8_t *data, std::size_t size, std::string &error);

// Whether a file could be written there (checked before any drive is touched).
bool CanWriteFile(const std::string &path, std::string &error);

} // namespace qzctl
