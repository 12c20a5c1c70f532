// qzctl's parts: the command line, reading the library's debug lines, the
// Identify summary and the block files.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "BlockFile.h"
#include "CommandLine.h"
#include "DebugText.h"
#include "IdentifyData.h"
#include "JsonText.h"

using namespace qzctl;
using ::testing::ElementsAre;
using ::testing::HasSubstr;

namespace {

ParseResult Parse(std::initializer_list<const char *> words)
{
    std::vector<std::string> args;
    for (const char *w : words)
        args.emplace_back(w);
    return ParseCommandLine(args);
}

// ---- command line ---------------------------------------------------------------------------------

TEST(QzctlCommandLine, EachCommandWithItsArguments)
{
    ParseResult r = Parse({"list"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.command, Command::List);

    r = Parse({"identify", "3"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.command, Command::Identify);
    EXPECT_EQ(r.options.drive, 3u);
    EXPECT_FALSE(r.options.raw);

    r = Parse({"mcu-write", "0", "block.bin"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.command, Command::McuWrite);
    EXPECT_EQ(r.options.blockFile, "block.bin");

    r = Parse({"mcu-read", "1", "-", "answer.bin"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.command, Command::McuRead);
    EXPECT_EQ(r.options.drive, 1u);
    EXPECT_EQ(r.options.blockFile, "-");
    EXPECT_EQ(r.options.answerFile, "answer.bin");
}

TEST(QzctlCommandLine, OptionsMayStandAnywhere)
{
    const ParseResult r = Parse(
        {"--debug", "identify", "--library", "/opt/lib.so", "2", "--simulation=/tmp/s.sim", "--raw", "out.bin"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.options.debug);
    EXPECT_EQ(r.options.library, "/opt/lib.so");
    EXPECT_EQ(r.options.simulation, "/tmp/s.sim");
    EXPECT_TRUE(r.options.raw);
    EXPECT_EQ(r.options.rawFile, "out.bin");
    EXPECT_EQ(r.options.drive, 2u);
}

TEST(QzctlCommandLine, RawWithoutAFileMeansStandardOutput)
{
    ParseResult r = Parse({"identify", "0", "--raw"});
    ASSERT_TRUE(r.ok);
    EXPECT_TRUE(r.options.rawFile.empty());
    r = Parse({"identify", "--raw=-", "0"});
    ASSERT_TRUE(r.ok);
    EXPECT_EQ(r.options.rawFile, "-");
    // A file after "--" is still a file.
    r = Parse({"identify", "0", "--raw", "--", "-odd-name"});
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.options.rawFile, "-odd-name");
}

TEST(QzctlCommandLine, HelpAndVersionNeedNoCommand)
{
    EXPECT_TRUE(Parse({"--help"}).options.help);
    EXPECT_TRUE(Parse({"-h"}).ok);
    EXPECT_TRUE(Parse({"-V"}).options.version);
    EXPECT_TRUE(Parse({"list", "--version"}).options.version);
    EXPECT_THAT(UsageText(), HasSubstr("mcu-read N REQUEST-FILE ANSWER-FILE"));
}

TEST(QzctlCommandLine, MistakesAreNamed)
{
    EXPECT_EQ(Parse({}).error, "no command given");
    EXPECT_EQ(Parse({"frob"}).error, "unknown command \"frob\"");
    EXPECT_EQ(Parse({"list", "--fast"}).error, "unknown option --fast");
    EXPECT_EQ(Parse({"identify"}).error, "identify: missing arguments");
    EXPECT_EQ(Parse({"list", "0"}).error, "list: too many arguments");
    EXPECT_EQ(Parse({"mcu-read", "0", "a"}).error, "mcu-read: missing arguments");
    EXPECT_EQ(Parse({"identify", "0", "extra"}).error, "identify: too many arguments");
    EXPECT_EQ(Parse({"identify", "-1"}).error, "unknown option -1");
    EXPECT_EQ(Parse({"identify", "x1"}).error, "\"x1\" is not a drive number (0, 1, 2, ...)");
    EXPECT_EQ(Parse({"identify", "1.5"}).error, "\"1.5\" is not a drive number (0, 1, 2, ...)");
    EXPECT_EQ(Parse({"mcu-write", "0", "f", "--raw"}).error, "--raw belongs to identify");
    EXPECT_EQ(Parse({"list", "--library"}).error, "--library needs a file name");
    EXPECT_EQ(Parse({"list", "--simulation="}).error, "--simulation needs a file name");
}

TEST(QzctlCommandLine, DriveNumbersBeyondTheInstanceNumbersAreNoDriveNumbers)
{
    const struct
    {
        const char *text;
        bool ok;
        uint32_t drive;
    } cases[] = {
        {"256", true, 256u},
        {"4294967295", true, UINT32_MAX},
        {"00000000000007", true, 7u},
        {"4294967296", false, 0},
        {"99999999999", false, 0},
        {"18446744073709551617", false, 0},
        {"+1", false, 0},
        {"1e3", false, 0},
    };
    for (const auto &c : cases) {
        const ParseResult r = Parse({"identify", c.text});
        EXPECT_EQ(r.ok, c.ok) << c.text;
        if (c.ok)
            EXPECT_EQ(r.options.drive, c.drive) << c.text;
        else
            EXPECT_THAT(r.error, HasSubstr("is not a drive number")) << c.text;
    }
}

TEST(QzctlCommandLine, JsonBelongsToListAndIdentifyOnly)
{
    const struct
    {
        std::initializer_list<const char *> words;
        const char *error; // nullptr: accepted
    } cases[] = {
        {{"list", "--json"}, nullptr},
        {{"--json", "identify", "1"}, nullptr},
        {{"identify", "1", "--json", "--raw"}, "exclude each other"},
        {{"mcu-write", "0", "block.bin", "--json"}, "--json belongs to list and identify"},
        {{"mcu-read", "0", "a", "b", "--json"}, "--json belongs to list and identify"},
    };
    for (const auto &c : cases) {
        const ParseResult r = Parse(c.words);
        EXPECT_EQ(r.ok, c.error == nullptr) << *c.words.begin();
        if (c.error != nullptr)
            EXPECT_THAT(r.error, HasSubstr(c.error));
        else
            EXPECT_TRUE(r.options.json);
    }
}

// ---- the library's debug lines ------------------------------------------------------------------------

TEST(QzctlDebugText, LinesAreSplitAtTheirPrefix)
{
    EXPECT_THAT(DebugLines("\n[DLL]one\n\n[DLL]two\r\n\n[DLL]thr"), ElementsAre("one\n", "two\r\n", "thr"));
    EXPECT_THAT(DebugLines("\n[DLL]one\n\n[DLL]thr", true), ElementsAre("one\n"));
    EXPECT_TRUE(DebugLines("").empty());
}

TEST(QzctlDebugText, KeptDrivesWithTheirTransport)
{
    const std::string text
        = "\n[DLL]dwDeviceCount = 3\n"
          "\n[DLL]######### - QZ device 0: NVMe \\\\.\\PHYSICALDRIVE2, /sys/devices/nvme/nvme2/nvme2n1\n"
          "\n[DLL]######### - QZ device 1: USB bridge ASMedia, /sys/devices/usb1/block/sdc, odd\n"
          "\n[DLL]######### - QZ device 7: USB bridge JMicron, /out/of/order\n";
    const std::vector<KeptDrive> drives = KeptDrives(text);
    ASSERT_EQ(drives.size(), 2u);
    EXPECT_FALSE(drives[0].bridge);
    EXPECT_EQ(drives[0].physicalDrive, "\\\\.\\PHYSICALDRIVE2");
    EXPECT_EQ(drives[0].path, "/sys/devices/nvme/nvme2/nvme2n1");
    EXPECT_TRUE(drives[1].bridge);
    EXPECT_EQ(drives[1].bridgeVendor, "ASMedia");
    EXPECT_EQ(drives[1].path, "/sys/devices/usb1/block/sdc, odd");
}

TEST(QzctlDebugText, PermissionDenialsAndThePrivilegeEachNeeds)
{
    const std::string text
        = "\n[DLL]ReadSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = /sys/devices/usb1/block/sdb\r\n"
          "\n[DLL]######### - Permission denied (error 13): open /sys/devices/usb1/block/sdb\n"
          "\n[DLL]######### - Permission denied (error 1): SCSI pass-through to /sys/devices/usb1/block/sdc\n"
          "\n[DLL]######### - Permission denied (error 13): NVMe admin command to \\\\.\\PHYSICALDRIVE3\n"
          "\n[DLL]######### - Permission denied (error 13): something else\n";
    const std::vector<Denial> denials = Denials(text);
    ASSERT_EQ(denials.size(), 3u);
    EXPECT_EQ(denials[0].action, Denial::Action::Open);
    EXPECT_EQ(denials[0].error, 13u);
    EXPECT_EQ(denials[0].path, "/sys/devices/usb1/block/sdb");
    EXPECT_THAT(PrivilegeNeeded(denials[0]), HasSubstr("read access to the device node"));
    EXPECT_EQ(denials[1].action, Denial::Action::ScsiPassThrough);
    EXPECT_THAT(PrivilegeNeeded(denials[1]), HasSubstr("CAP_SYS_RAWIO"));
    EXPECT_EQ(denials[2].action, Denial::Action::NvmeAdmin);
    EXPECT_EQ(DeviceNodeOf(denials[2].path), "/dev/nvme3");
    EXPECT_THAT(PrivilegeNeeded(denials[2]), HasSubstr("CAP_SYS_ADMIN capability for NVMe admin commands"));
}

TEST(QzctlDebugText, DeviceNodes)
{
    EXPECT_EQ(DeviceNodeOf("/sys/devices/pci0000:00/nvme/nvme0/nvme0n1"), "/dev/nvme0n1");
    EXPECT_EQ(DeviceNodeOf("\\\\.\\PHYSICALDRIVE12"), "/dev/nvme12");
    EXPECT_EQ(DeviceNodeOf("\\\\.\\physicaldrive1"), "/dev/nvme1");
    EXPECT_EQ(DeviceNodeOf("/dev/sdb"), "/dev/sdb");
}

TEST(QzctlDebugText, ProgressFollowsTheLastCompleteDiskLine)
{
    std::string text = "\n[DLL]dwDeviceCount = 5\n\n[DLL]szDevicePath[0] = /sys/a\n\n[DLL]szDevicePath[1] = /sys/b\n";
    EnumerationProgress p = ProgressOf(text);
    ASSERT_TRUE(p.known);
    EXPECT_EQ(p.position, 1);
    EXPECT_EQ(p.total, 5);
    EXPECT_EQ(p.path, "/sys/b");
    // A line still being written is not believed yet.
    p = ProgressOf(text + "\n[DLL]szDevicePath[2] = /sys/c-so-f");
    EXPECT_EQ(p.position, 1);
    EXPECT_FALSE(ProgressOf("\n[DLL]dwDeviceCount = 0\n").known);
    EXPECT_EQ(DisksExamined(text), 5);
    EXPECT_EQ(DisksExamined("\n[DLL]QZ library initialized\n"), -1);
}

TEST(QzctlDebugText, SimulationProblems)
{
    EXPECT_THAT(SimulationProblems("\n[DLL]simulation file /x.sim: line 3: unknown kind \"tape\"\n\n[DLL]other\n"),
                ElementsAre("simulation file /x.sim: line 3: unknown kind \"tape\""));
}

// ---- Identify ------------------------------------------------------------------------------------------

TEST(QzctlIdentify, FieldsOfTheControllerData)
{
    std::vector<uint8_t> data(4096, 0);
    data[0] = 0x4D;
    data[1] = 0x14; // vendor 144Dh
    data[2] = 0x34;
    data[3] = 0x12;
    std::memcpy(&data[4], "S4EWNX0N123456      ", 20);
    std::memcpy(&data[24], "Lighted SSD 1TB                         ", 40);
    std::memcpy(&data[64], "1B2QEXM7", 8);
    data[73] = 0x38;
    data[74] = 0x25;
    data[75] = 0x00; // OUI 00-25-38
    data[78] = 6;
    data[80] = 0x00;
    data[81] = 0x04;
    data[82] = 0x01; // version 1.4
    data[256] = 0x17;
    data[260] = 0x07; // slot 1 read-only, 3 slots
    const uint64_t capacity = 1000204886016ull;
    for (int i = 0; i < 8; ++i)
        data[280 + i] = static_cast<uint8_t>(capacity >> (8 * i));
    data[516] = 1;

    const IdentifyController id = DecodeIdentify(data.data());
    EXPECT_EQ(id.serial, "S4EWNX0N123456");
    EXPECT_EQ(id.model, "Lighted SSD 1TB");
    EXPECT_EQ(id.firmware, "1B2QEXM7");
    const auto summary = SummaryOf(id);
    auto value = [&](const std::string &label) {
        for (const auto &[l, v] : summary) {
            if (l == label)
                return v;
        }
        return std::string("(missing)");
    };
    EXPECT_EQ(value("PCI vendor ID"), "0x144D");
    EXPECT_EQ(value("PCI subsystem vendor ID"), "0x1234");
    EXPECT_EQ(value("IEEE OUI"), "00-25-38");
    EXPECT_EQ(value("Controller ID"), "6");
    EXPECT_EQ(value("NVMe version"), "1.4");
    EXPECT_EQ(value("Namespaces"), "1");
    EXPECT_EQ(value("Total capacity"), "1000204886016 bytes (1000.2 GB)");
    EXPECT_EQ(value("Firmware slots"), "3 (slot 1 read-only)");
    EXPECT_EQ(value("Firmware download"), "supported");
}

TEST(QzctlIdentify, OddTextAndNumbers)
{
    const uint8_t text[] = {'A', 0x01, 'B', 0xFF, ' ', 0, 0, ' '};
    EXPECT_EQ(FieldText(text, sizeof text), "A.B.");
    const uint8_t blank[] = {' ', ' ', 0};
    EXPECT_EQ(FieldText(blank, sizeof blank), "");
    EXPECT_EQ(VersionText(0), "not reported");
    EXPECT_EQ(VersionText(0x00020001), "2.0.1");
    EXPECT_EQ(CapacityText(0, 0), "not reported");
    EXPECT_EQ(CapacityText(512, 0), "512 bytes");
    EXPECT_EQ(CapacityText(0, 1), "18446744073709551616 bytes");
    const std::vector<uint8_t> zeros(4096, 0);
    const auto summary = SummaryOf(DecodeIdentify(zeros.data()));
    EXPECT_EQ(summary[0].second, "-");
}

// ---- block files ---------------------------------------------------------------------------------------

class QzctlBlockFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/qzctl-parts-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string File(const std::string &name, std::size_t size)
    {
        const std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << std::string(size, 'q');
        return path;
    }
    std::string folder;
};

TEST_F(QzctlBlockFile, OnlyExactly4096BytesAreABlock)
{
    std::vector<uint8_t> block;
    std::string error;
    ASSERT_TRUE(ReadBlockFile(File("ok", 4096), block, error)) << error;
    EXPECT_EQ(block, std::vector<uint8_t>(4096, 'q'));

    EXPECT_FALSE(ReadBlockFile(File("short", 4095), block, error));
    EXPECT_THAT(error, HasSubstr("short holds 4095 bytes; a block file must hold exactly 4096 bytes"));
    EXPECT_FALSE(ReadBlockFile(File("long", 4097), block, error));
    EXPECT_THAT(error, HasSubstr("long holds more than 4096 bytes"));
    EXPECT_FALSE(ReadBlockFile(File("empty", 0), block, error));
    EXPECT_THAT(error, HasSubstr("holds 0 bytes"));
    EXPECT_FALSE(ReadBlockFile(folder + "/missing", block, error));
    EXPECT_THAT(error, HasSubstr("cannot open " + folder + "/missing: No such file or directory"));
    EXPECT_FALSE(ReadBlockFile(folder, block, error));
    EXPECT_THAT(error, HasSubstr("is a folder"));
    EXPECT_EQ(block, std::vector<uint8_t>(4096, 'q')); // failures leave the block alone
}

TEST_F(QzctlBlockFile, WritingReplacesTheFile)
{
    const std::string path = File("answer", 9000);
    const std::vector<uint8_t> data(4096, 7);
    std::string error;
    ASSERT_TRUE(WriteBlockFile(path, data.data(), data.size(), error)) << error;
    EXPECT_EQ(std::filesystem::file_size(path), 4096u);
    EXPECT_FALSE(WriteBlockFile(folder + "/no/such/folder/x", data.data(), data.size(), error));
    EXPECT_THAT(error, HasSubstr("cannot create"));
}

TEST_F(QzctlBlockFile, WhereAFileCanBeWritten)
{
    std::string error;
    EXPECT_TRUE(CanWriteFile(folder + "/new", error));
    EXPECT_TRUE(CanWriteFile(File("old", 1), error));
    EXPECT_TRUE(CanWriteFile("-", error));
    EXPECT_FALSE(CanWriteFile(folder, error));
    EXPECT_THAT(error, HasSubstr("is a folder"));
    EXPECT_FALSE(CanWriteFile(folder + "/no/such/x", error));
}

// ---- JSON text ----------------------------------------------------------------------------------------

TEST(QzctlJson, StringsAreEscapedAndAlwaysValidUtf8)
{
    const struct
    {
        std::string text;
        std::string json;
    } cases[] = {
        {"Sim Direct", "\"Sim Direct\""},
        {"a\"b\\c", "\"a\\\"b\\\\c\""},
        {"tab\there\nnew", "\"tab\\there\\nnew\""},
        {std::string("\x01\x1f\x7f", 3), "\"\\u0001\\u001f\\u007f\""},
        {std::string("nul\0x", 5), "\"nul\\u0000x\""},
        {"caf\xc3\xa9 \xe4\xb8\xad", "\"caf\xc3\xa9 \xe4\xb8\xad\""}, // valid UTF-8 is kept
        {"\xff\xc3", "\"\\ufffd\\ufffd\""}, // a stray byte and a cut sequence
        {"\xc0\xaf", "\"\\ufffd\\ufffd\""}, // an overlong '/'
        {"\xed\xa0\x80", "\"\\ufffd\\ufffd\\ufffd\""}, // a surrogate
    };
    for (const auto &c : cases)
        EXPECT_EQ(JsonString(c.text), c.json) << c.text;
}

} // namespace
