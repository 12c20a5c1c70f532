#include "DeviceList.h"

#include "PluginPlace.h"

#include <tinyxml.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sys/stat.h>

namespace provider {
namespace {

// A description is a few kilobytes; refuse to pull anything huge into memory.
constexpr std::size_t kMaxDocumentBytes = 4 * 1024 * 1024;

bool IsFile(const std::string &path)
{
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

std::string FolderOf(const std::string &path)
{
    const std::size_t slash = path.find_last_of(kPathSeparators);
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::optional<std::string> ReadFile(const std::string &path)
{
    if (!IsFile(path))
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::string content;
    char buffer[16384];
    while (in.read(buffer, sizeof buffer) || in.gcount() > 0) {
        content.append(buffer, static_cast<std::size_t>(in.gcount()));
        if (content.size() > kMaxDocumentBytes)
            return std::nullopt;
    }
    return content;
}

std::u16string WithoutByteOrderMark(std::u16string text)
{
    if (!text.empty() && text.front() == u'\xFEFF')
        text.erase(0, 1);
    return text;
}

ListedDevice ReadDevice(const TiXmlElement *device, const std::string &listFolder)
{
    ListedDevice listed;
    if (const char *file = device->Attribute("file")) {
        std::string path = file;
        if (!path.empty() && !IsAbsolutePath(path))
            path = listFolder + '/' + path;
        if (const auto content = ReadFile(path))
            listed.description = WithoutByteOrderMark(Utf16FromUtf8(*content));
        return listed;
    }
    if (const TiXmlElement *inlineDocument = device->FirstChildElement()) {
        TiXmlPrinter printer;
        printer.SetIndent("  ");
        inlineDocument->Accept(&printer);
        listed.description = Utf16FromUtf8(printer.Str());
        return listed;
    }
    if (const char *text = device->GetText())
        listed.description = Utf16FromUtf8(text);
    return listed;
}

} // namespace

std::string FindDeviceListFile()
{
    if (const char *named = std::getenv("ZARVIK_PROVIDER_DEVICES"); named && *named)
        return named;

    const std::string configHome = UserConfigFolder();
    if (!configHome.empty()) {
        const std::string perUser = configHome + "/Zarvik/provider/devices.xml";
        if (IsFile(perUser))
            return perUser;
    }

    const std::string pluginFolder = PluginFolder();
    if (!pluginFolder.empty()) {
        const std::string beside = pluginFolder + "/LightingProvider/devices.xml";
        if (IsFile(beside))
            return beside;
    }
    return {};
}

std::vector<ListedDevice> ReadDeviceList(const std::string &path)
{
    std::vector<ListedDevice> devices;
    const auto content = ReadFile(path);
    if (!content)
        return devices;

    TiXmlDocument list;
    list.Parse(content->c_str(), nullptr, TIXML_ENCODING_UTF8);
    const TiXmlElement *root = list.FirstChildElement();
    if (!root)
        return devices;
    const std::string folder = FolderOf(path);
    for (const TiXmlElement *device = root->FirstChildElement("device"); device;
         device = device->NextSiblingElement("device"))
        devices.push_back(ReadDevice(device, folder));
    return devices;
}

std::u16string Utf16FromUtf8(const std::string &text)
{
    std::u16string out;
    out.reserve(text.size());
    const auto *p = reinterpret_cast<const unsigned char *>(text.data());
    const auto *end = p + text.size();
    while (p < end) {
        const unsigned char lead = *p;
        char32_t code;
        int extra;
        char32_t minimum;
        if (lead < 0x80) {
            out += char16_t(lead);
            ++p;
            continue;
        } else if ((lead & 0xE0) == 0xC0) {
            code = lead & 0x1F;
            extra = 1;
            minimum = 0x80;
        } else if ((lead & 0xF0) == 0xE0) {
            code = lead & 0x0F;
            extra = 2;
            minimum = 0x800;
        } else if ((lead & 0xF8) == 0xF0) {
            code = lead & 0x07;
            extra = 3;
            minimum = 0x10000;
        } else {
            out += u'\xFFFD';
            ++p;
            continue;
        }
        int taken = 0;
        ++p;
        while (taken < extra && p < end && (*p & 0xC0) == 0x80) {
            code = (code << 6) | (*p & 0x3F);
            ++p;
            ++taken;
        }
        if (taken < extra || code < minimum || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            out += u'\xFFFD';
            continue;
        }
        if (code >= 0x10000) {
            code -= 0x10000;
            out += char16_t(0xD800 + (code >> 10));
            out += char16_t(0xDC00 + (code & 0x3FF));
        } else {
            out += char16_t(code);
        }
    }
    return out;
}

void Trace(const std::string &line)
{
    const char *path = std::getenv("ZARVIK_PROVIDER_TRACE");
    if (!path || !*path)
        return;
    if (FILE *file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

} // namespace provider
