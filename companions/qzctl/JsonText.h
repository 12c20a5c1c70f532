// Machine-readable output for scripts: JSON values written by hand, as the
// few records qzctl prints need nothing more.
#pragma once

#include <string>
#include <string_view>

#include "IdentifyData.h"

namespace qzctl {

// `text` as a JSON string, quoted: quotes, backslashes and control characters
// escaped; bytes that are not valid UTF-8 become U+FFFD, so the result is
// always valid JSON whatever a drive reports.
std::string JsonString(std::string_view text);

// The Identify Controller fields as one JSON object, with the field names of
// the usual NVMe tools ("vid", "sn", "mn", "fr", "tnvmcap", ...); numbers
// are JSON numbers. `indent` spaces go before each field.
std::string IdentifyJson(const IdentifyController &id, int indent);

} // namespace qzctl
