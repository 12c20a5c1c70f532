#include "DeviceAccess/linux/LinuxDiskList.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace qz {
namespace {

bool StartsWith(const std::string &text, const char *prefix)
{
    return text.rfind(prefix, 0) == 0;
}

bool IsVirtualName(const std::string &name)
{
    static const char *const kPrefixes[] = {"loop", "ram", "zram", "dm-", "md", "sr", "fd", "nbd"};
    for (const char *prefix : kPrefixes) {
        if (StartsWith(name, prefix))
            return true;
    }
    return false;
}

bool Exists(const fs::path &path)
{
    std::error_code ec;
    return fs::symlink_status(path, ec).type() != fs::file_type::not_found && !ec;
}

std::string FirstLine(const fs::path &path)
{
    std::ifstream in(path);
    std::string line;
    std::getline(in, line);
    return line;
}

// Parses "<prefix><digits>" (the whole name); the number fits 32 bits.
bool ParseNumbered(const std::string &name, const char *prefix, uint32_t &number)
{
    if (!StartsWith(name, prefix))
        return false;
    const std::string digits = name.substr(std::char_traits<char>::length(prefix));
    if (digits.empty() || digits.size() > 9)
        return false;
    for (char c : digits) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
    }
    number = static_cast<uint32_t>(std::stoul(digits));
    return true;
}

// "nvme<s>c<c>n<n>": a path of a multipath namespace through controller c.
bool ParsePathController(const std::string &name, uint32_t &controller)
{
    if (!StartsWith(name, "nvme"))
        return false;
    const std::size_t c = name.find('c', 4);
    const std::size_t n = name.find('n', c == std::string::npos ? 4 : c);
    if (c == std::string::npos || n == std::string::npos || n <= c + 1 || n - c - 1 > 9)
        return false;
    const std::string digits = name.substr(c + 1, n - c - 1);
    for (char ch : digits) {
        if (!std::isdigit(static_cast<unsigned char>(ch)))
            return false;
    }
    controller = static_cast<uint32_t>(std::stoul(digits));
    return true;
}

std::string CanonicalRoot(const std::string &root)
{
    if (root.empty())
        return std::string();
    std::error_code ec;
    const fs::path canonical = fs::canonical(root, ec);
    return ec ? root : canonical.string();
}

} // namespace

bool NaturalLess(const std::string &a, const std::string &b)
{
    // Names are compared token by token: runs of digits by value; runs of
    // letters that start alike by length first (the kernel names disks sda..sdz,
    // sdaa, ...), otherwise by character.
    auto isDigit = [](char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; };
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < a.size() && j < b.size()) {
        const bool digits = isDigit(a[i]);
        if (digits != isDigit(b[j]))
            return digits;
        std::size_t ei = i;
        std::size_t ej = j;
        while (ei < a.size() && isDigit(a[ei]) == digits)
            ++ei;
        while (ej < b.size() && isDigit(b[ej]) == digits)
            ++ej;
        std::size_t si = i;
        std::size_t sj = j;
        if (digits) {
            while (si + 1 < ei && a[si] == '0')
                ++si;
            while (sj + 1 < ej && b[sj] == '0')
                ++sj;
        }
        if (ei - si != ej - sj && (digits || a[si] == b[sj]))
            return ei - si < ej - sj;
        const int order = a.compare(si, ei - si, b, sj, ej - sj);
        if (order != 0)
            return order < 0;
        i = ei;
        j = ej;
    }
    return (a.size() - i) < (b.size() - j);
}

bool ListSysfsDisks(const std::string &root, std::size_t maxCount, std::vector<std::string> &paths)
{
    const fs::path blockDir = fs::path(root.empty() ? "/" : root) / "sys/block";
    std::error_code ec;
    fs::directory_iterator it(blockDir, ec);
    if (ec)
        return false;

    std::vector<std::string> names;
    for (; it != fs::directory_iterator(); it.increment(ec)) {
        if (ec)
            break;
        names.push_back(it->path().filename().string());
    }
    std::sort(names.begin(), names.end(), NaturalLess);

    const std::string canonicalRoot = CanonicalRoot(root);
    for (const std::string &name : names) {
        if (paths.size() >= maxCount)
            break;
        if (IsVirtualName(name))
            continue;
        const fs::path dir = blockDir / name;
        if (!Exists(dir / "device"))
            continue; // no hardware behind it
        if (Exists(dir / "partition"))
            continue; // a partition, not a disk
        if (FirstLine(dir / "hidden") == "1")
            continue; // a path of a multipath disk
        const fs::path canonical = fs::canonical(dir, ec);
        if (ec)
            continue;
        std::string path = canonical.string();
        if (!canonicalRoot.empty() && canonicalRoot != "/" && StartsWith(path, canonicalRoot.c_str())) {
            path.erase(0, canonicalRoot.size());
        }
        paths.push_back(path);
    }
    return true;
}

bool SysfsNvmeControllerInstance(const std::string &root, const std::string &interfacePath, uint32_t &instance)
{
    if (!StartsWith(interfacePath, "/sys/") || interfacePath.find("..") != std::string::npos)
        return false;
    const fs::path dir = fs::path(root.empty() ? "/" : root) / interfacePath.substr(1);
    std::error_code ec;

    // A namespace's device is its controller "nvmeN", or, for a multipath
    // namespace, its subsystem, whose paths name the controllers.
    const fs::path device = fs::read_symlink(dir / "device", ec);
    if (!ec) {
        const std::string name = device.filename().string();
        if (ParseNumbered(name, "nvme", instance))
            return true;
        if (StartsWith(name, "nvme-subsys")) {
            std::vector<std::string> pathNames;
            for (fs::directory_iterator it(dir / "multipath", ec); !ec && it != fs::directory_iterator();
                 it.increment(ec)) {
                pathNames.push_back(it->path().filename().string());
            }
            std::sort(pathNames.begin(), pathNames.end(), NaturalLess);
            // The first path whose controller is live; a controller that is
            // connecting, resetting or dead would fail a path that works.
            // Without any live one, the first path (its commands fail).
            const fs::path classDir = fs::path(root.empty() ? "/" : root) / "sys/class/nvme";
            bool found = false;
            uint32_t first = 0;
            for (const std::string &pathName : pathNames) {
                uint32_t controller = 0;
                if (!ParsePathController(pathName, controller))
                    continue;
                if (FirstLine(classDir / ("nvme" + std::to_string(controller)) / "state") == "live") {
                    instance = controller;
                    return true;
                }
                if (!found)
                    first = controller;
                found = true;
            }
            instance = first;
            return found;
        }
    }
    // Otherwise the folder the namespace sits in: .../nvme/nvmeN/nvmeNn1.
    return ParseNumbered(fs::path(interfacePath).parent_path().filename().string(), "nvme", instance);
}

} // namespace qz
