#include "JsonText.h"

#include <cstdint>
#include <cstdio>

namespace qzctl {
namespace {

// The length of the valid UTF-8 sequence at text[at], or 0.
std::size_t Utf8SequenceLength(std::string_view text, std::size_t at)
{
    const auto byte = [&](std::size_t i) { return static_cast<uint8_t>(text[i]); };
    const uint8_t lead = byte(at);
    std::size_t length = 0;
    uint32_t minimum = 0;
    uint32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        code = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        code = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        code = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (at + length > text.size())
        return 0;
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(at + i) & 0xC0) != 0x80)
            return 0;
        code = (code << 6) | (byte(at + i) & 0x3F);
    }
    if (code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF))
        return 0;
    return length;
}

} // namespace

std::string JsonString(std::string_view text)
{
    std::string json = "\"";
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (c >= 0x80) {
            const std::size_t length = Utf8SequenceLength(text, i);
            if (length == 0) {
                json += "\\ufffd";
                ++i;
            } else {
                json.append(text.substr(i, length));
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"':
            json += "\\\"";
            break;
        case '\\':
            json += "\\\\";
            break;
        case '\n':
            json += "\\n";
            break;
        case '\r':
            json += "\\r";
            break;
        case '\t':
            json += "\\t";
            break;
        default:
            if (c < 0x20 || c == 0x7F) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                json += escaped;
            } else {
                json += static_cast<char>(c);
            }
        }
        ++i;
    }
    json += '"';
    return json;
}

std::string IdentifyJson(const IdentifyController &id, int indent)
{
    const std::string inner(static_cast<std::size_t>(indent) + 2, ' ');
    const std::pair<const char *, std::string> fields[] = {
        {"vid", std::to_string(id.vendorId)},
        {"ssvid", std::to_string(id.subsystemVendorId)},
        {"sn", JsonString(id.serial)},
        {"mn", JsonString(id.model)},
        {"fr", JsonString(id.firmware)},
        {"ieee", std::to_string(id.ieeeOui)},
        {"cntlid", std::to_string(id.controllerId)},
        {"ver", std::to_string(id.version)},
        {"oacs", std::to_string(id.oacs)},
        {"frmw", std::to_string(id.frmw)},
        {"tnvmcap", DecimalText(id.capacityLow, id.capacityHigh)},
        {"nn", std::to_string(id.namespaces)},
    };
    std::string json = "{\n";
    bool first = true;
    for (const auto &[name, value] : fields) {
        if (!first)
            json += ",\n";
        first = false;
        json += inner + "\"" + name + "\": " + value;
    }
    json += "\n" + std::string(static_cast<std::size_t>(indent), ' ') + "}";
    return json;
}

} // namespace qzctl
