#include "devices/DeviceDescription.h"

#include <tinyxml.h>

#include <algorithm>
#include <climits>
#include <string>

namespace {

// TinyXML descends recursively, one level per nested element, both when it
// parses and when it frees the tree; a few tens of thousands of nested
// elements exhaust a thread's stack. The text is cut before the first
// element that would open deeper than kMaxNestingDepth; whatever precedes it
// is read like any other truncated document. Siblings, comments, processing
// instructions and declarations do not nest and are not limited. The count
// never under-counts TinyXML's depth: every start tag that is not closed by
// "/>" counts as one level, and only an end tag ("</") gives one back (where
// TinyXML either closes the element or stops with an error).
constexpr int kMaxNestingDepth = 256;

// The position after `end` from `from` on, or the end of the text.
std::size_t After(const std::string &text, std::size_t from, const char *end)
{
    const std::size_t found = text.find(end, from);
    return found == std::string::npos ? text.size() : found + std::char_traits<char>::length(end);
}

void LimitNestingDepth(std::string &text)
{
    int depth = 0;
    std::size_t i = 0;
    while ((i = text.find('<', i)) != std::string::npos) {
        const std::size_t start = i;
        const char next = start + 1 < text.size() ? text[start + 1] : '\0';
        if (text.compare(start, 4, "<!--") == 0) {
            i = After(text, start + 4, "-->");
        } else if (next == '?') {
            i = After(text, start + 2, "?>");
        } else if (text.compare(start, 9, "<![CDATA[") == 0) {
            i = After(text, start + 9, "]]>");
        } else if (next == '!') {
            i = After(text, start + 2, ">");
        } else if (next == '/') {
            depth = std::max(0, depth - 1);
            i = After(text, start + 2, ">");
        } else {
            // A start tag: up to its '>', quoted attribute values skipped.
            std::size_t j = start + 1;
            char quote = 0;
            for (; j < text.size(); ++j) {
                if (quote) {
                    if (text[j] == quote)
                        quote = 0;
                } else if (text[j] == '"' || text[j] == '\'') {
                    quote = text[j];
                } else if (text[j] == '>') {
                    break;
                }
            }
            const bool selfClosing = j < text.size() && j > start + 1 && text[j - 1] == '/';
            if (!selfClosing && ++depth > kMaxNestingDepth) {
                text.resize(start);
                return;
            }
            i = j < text.size() ? j + 1 : j;
        }
    }
}

const char *TextOf(const TiXmlElement *element)
{
    if (!element)
        return nullptr;
    return element->GetText();
}

std::string TextOfChild(const TiXmlElement *parent, const char *name)
{
    const char *text = TextOf(parent->FirstChildElement(name));
    return text ? std::string(text) : std::string();
}

std::int32_t NumberOfChild(const TiXmlElement *parent, const char *name)
{
    const char *text = TextOf(parent->FirstChildElement(name));
    return text ? DocumentNumber(text) : 0;
}

EffectEntry ReadEffect(const TiXmlElement *effect)
{
    EffectEntry entry;
    entry.name = TextOfChild(effect, "name");
    entry.id = NumberOfChild(effect, "id");
    entry.synchronizable = NumberOfChild(effect, "synchronizable");
    entry.customized_color = NumberOfChild(effect, "customized_color");
    entry.speed_supported = NumberOfChild(effect, "speed_supported");
    // Both pairs come from the first `levels` and `default` children of the
    // effect itself, so they always hold the same two values.
    entry.speed_levels = NumberOfChild(effect, "levels");
    entry.speed_default = NumberOfChild(effect, "default");
    entry.direction_supported = NumberOfChild(effect, "direction_supported");
    entry.direction_levels = NumberOfChild(effect, "levels");
    entry.direction_default = NumberOfChild(effect, "default");
    entry.discrete_supported = NumberOfChild(effect, "discrete_supported");
    return entry;
}

DeviceEntry ReadDevice(const TiXmlElement *device)
{
    DeviceEntry entry;
    entry.name = TextOfChild(device, "name");
    entry.id = NumberOfChild(device, "id");

    if (const TiXmlElement *layout = device->FirstChildElement("layout")) {
        entry.led_count = NumberOfChild(layout, "led_count");
        if (const TiXmlElement *size = layout->FirstChildElement("size")) {
            if (size->FirstChildElement("width"))
                entry.width = NumberOfChild(size, "width");
            if (size->FirstChildElement("height"))
                entry.height = NumberOfChild(size, "height");
        }
        if (const TiXmlElement *ledNames = layout->FirstChildElement("led_name")) {
            for (const TiXmlElement *led = ledNames->FirstChildElement("led"); led;
                 led = led->NextSiblingElement("led")) {
                const char *text = TextOf(led);
                entry.led_names.emplace_back(text ? text : "");
            }
        }
    }

    if (const TiXmlElement *effects = device->FirstChildElement("supported_effect")) {
        for (const TiXmlElement *effect = effects->FirstChildElement("effect"); effect;
             effect = effect->NextSiblingElement("effect"))
            entry.effects.push_back(ReadEffect(effect));
    }
    return entry;
}

void AppendUtf8(std::string &out, char32_t code)
{
    if (code < 0x80) {
        out += static_cast<char>(code);
    } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (code >> 18));
        out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
    }
}

} // namespace

std::string NarrowDocumentText(std::u16string_view document)
{
    std::string out;
    out.reserve(document.size());
    for (std::size_t i = 0; i < document.size(); ++i) {
        const char16_t unit = document[i];
        if (unit >= 0xD800 && unit <= 0xDBFF && i + 1 < document.size() && document[i + 1] >= 0xDC00
            && document[i + 1] <= 0xDFFF) {
            const char32_t code = 0x10000 + ((char32_t(unit) - 0xD800) << 10) + (char32_t(document[i + 1]) - 0xDC00);
            AppendUtf8(out, code);
            ++i;
        } else if (unit >= 0xD800 && unit <= 0xDFFF) {
            out += '?';
        } else {
            AppendUtf8(out, unit);
        }
    }
    return out;
}

std::int32_t DocumentNumber(const char *text)
{
    if (!text)
        return 0;
    const char *p = text;
    while (*p == ' ' || *p == '\t' || *p == '\n' || *p == '\v' || *p == '\f' || *p == '\r')
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-') {
        negative = *p == '-';
        ++p;
    }
    // Accumulate as a negative number so that INT32_MIN fits.
    std::int64_t value = 0;
    for (; *p >= '0' && *p <= '9'; ++p) {
        value = value * 10 - (*p - '0');
        if (value < std::int64_t(INT32_MIN) - 1)
            value = std::int64_t(INT32_MIN) - 1; // saturated; stays below any limit
    }
    if (negative)
        return value < INT32_MIN ? INT32_MIN : static_cast<std::int32_t>(value);
    return -value > INT32_MAX ? INT32_MAX : static_cast<std::int32_t>(-value);
}

bool ParseDeviceDescription(std::u16string_view document, DeviceDescription *description)
{
    std::string text = NarrowDocumentText(document);
    LimitNestingDepth(text);

    TiXmlDocument xml;
    xml.Parse(text.c_str(), nullptr, TIXML_ENCODING_UTF8);

    const TiXmlElement *root = xml.FirstChildElement();
    if (!root)
        return false;

    description->version = TextOfChild(root, "version");
    description->type = NumberOfChild(root, "type");
    for (const TiXmlElement *device = root->FirstChildElement("device"); device;
         device = device->NextSiblingElement("device"))
        description->devices.push_back(ReadDevice(device));
    return true;
}

bool ParseDeviceDescription(const QString &document, DeviceDescription *description)
{
    return ParseDeviceDescription(std::u16string_view(reinterpret_cast<const char16_t *>(document.utf16()),
                                                      static_cast<std::size_t>(document.size())),
                                  description);
}
