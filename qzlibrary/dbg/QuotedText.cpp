#include "dbg/QuotedText.h"

namespace qz::dbg {

std::string QuotedText(const char *text, std::size_t length)
{
    static const char kDigits[] = "0123456789ABCDEF";
    std::string quoted;
    for (std::size_t i = 0; i < length && text[i] != '\0'; ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        switch (byte) {
        case '\\':
            quoted += "\\\\";
            break;
        case '\n':
            quoted += "\\n";
            break;
        case '\r':
            quoted += "\\r";
            break;
        case '\t':
            quoted += "\\t";
            break;
        default:
            if (byte >= 0x20 && byte < 0x7F) {
                quoted += static_cast<char>(byte);
            } else {
                quoted += "\\x";
                quoted += kDigits[byte >> 4];
                quoted += kDigits[byte & 0xF];
            }
        }
    }
    return quoted;
}

} // namespace qz::dbg
