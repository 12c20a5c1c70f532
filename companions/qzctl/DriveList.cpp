#include "DriveList.h"

#include <algorithm>

#include "JsonText.h"

namespace qzctl {
namespace {

constexpr int kColumns = 7;

std::string OrDash(const std::string &text)
{
    return text.empty() ? "-" : text;
}

std::string JsonOrNull(bool present, const std::string &text)
{
    return present ? JsonString(text) : "null";
}

} // namespace

std::string ListTable(const std::vector<ListedDrive> &drives)
{
    using Row = std::vector<std::string>;
    std::vector<Row> rows;
    rows.push_back({"#", "Transport", "Bridge", "Model", "Serial", "Firmware", "Path"});
    for (const ListedDrive &d : drives) {
        const KeptDrive *k = d.kept;
        Row row(kColumns);
        row[0] = std::to_string(d.index);
        row[1] = k == nullptr ? "?" : k->bridge ? "USB" : "NVMe";
        row[2] = k == nullptr ? "?" : k->bridge ? k->bridgeVendor : "-";
        row[3] = d.identified ? OrDash(d.id.model) : "(Identify failed)";
        row[4] = d.identified ? OrDash(d.id.serial) : "-";
        row[5] = d.identified ? OrDash(d.id.firmware) : "-";
        row[6] = k == nullptr ? "?" : k->path;
        rows.push_back(std::move(row));
    }

    std::size_t widths[kColumns] = {};
    for (const Row &row : rows) {
        for (int c = 0; c < kColumns; ++c)
            widths[c] = std::max(widths[c], row[c].size());
    }
    std::string table;
    for (const Row &row : rows) {
        for (int c = 0; c < kColumns; ++c) {
            table += row[c];
            if (c < kColumns - 1)
                table += std::string(widths[c] - row[c].size() + 2, ' ');
        }
        table += '\n';
    }
    return table;
}

std::string ListJson(const std::vector<ListedDrive> &drives)
{
    std::string json = "{\n  \"Devices\": [";
    for (std::size_t i = 0; i < drives.size(); ++i) {
        const ListedDrive &d = drives[i];
        const KeptDrive *k = d.kept;
        json += i == 0 ? "\n" : ",\n";
        json += "    {\n";
        json += "      \"Index\": " + std::to_string(d.index) + ",\n";
        json += "      \"Transport\": " + JsonOrNull(k != nullptr, k && k->bridge ? "USB" : "NVMe") + ",\n";
        json += "      \"Bridge\": " + JsonOrNull(k != nullptr && k->bridge, k ? k->bridgeVendor : "") + ",\n";
        json += "      \"DevicePath\": " + JsonOrNull(k != nullptr, k ? k->path : "") + ",\n";
        json += "      \"ModelNumber\": " + JsonOrNull(d.identified, d.id.model) + ",\n";
        json += "      \"SerialNumber\": " + JsonOrNull(d.identified, d.id.serial) + ",\n";
        json += "      \"Firmware\": " + JsonOrNull(d.identified, d.id.firmware) + "\n";
        json += "    }";
    }
    json += drives.empty() ? "]\n}\n" : "\n  ]\n}\n";
    return json;
}

} // namespace qzctl
