// Text that a device reports (INQUIRY strings, firmware revisions) made safe
// for the debug channel, which hosts may write to a terminal: printable ASCII
// passes, a backslash and the usual controls take their backslash escapes
// (\\, \n, \r, \t), any other byte becomes \xNN. The text ends at its first
// NUL or after `length` bytes.
#pragma once

#include <cstddef>
#include <string>

namespace qz::dbg {

std::string QuotedText(const char *text, std::size_t length);

} // namespace qz::dbg
