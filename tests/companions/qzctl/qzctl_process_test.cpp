// qzctl as a real process: it loads the library built beside it and talks to
// simulated drives; every command, and every error with its exit code.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

using ::testing::HasSubstr;
using ::testing::Not;

extern char **environ;

namespace {

const std::string kQzctl = std::string(QZ_TEST_BIN_DIR) + "/qzctl";
constexpr int kTimeoutSeconds = 60;

struct Outcome
{
    int exitCode = -1;
    std::string out;
    std::string err;
};

// The environment of the test without the library's own variables: qzctl
// must never reach real disks, nor pick up a debug sink from outside.
std::vector<std::string> CleanEnvironment()
{
    std::vector<std::string> env;
    for (char **e = environ; *e != nullptr; ++e) {
        const std::string entry = *e;
        if (entry.rfind("QZLIB_", 0) == 0)
            continue;
        env.push_back(entry);
    }
    return env;
}

std::vector<char *> Pointers(std::vector<std::string> &strings)
{
    std::vector<char *> pointers;
    for (std::string &s : strings)
        pointers.push_back(s.data());
    pointers.push_back(nullptr);
    return pointers;
}

// Runs a program with `args`, feeding `input` on standard input.
Outcome RunProgram(const std::string &program, std::vector<std::string> args, const std::string &input = "")
{
    int in[2], out[2], err[2];
    if (pipe(in) != 0 || pipe(out) != 0 || pipe(err) != 0)
        return {};
    args.insert(args.begin(), program);
    std::vector<std::string> env = CleanEnvironment();
    std::vector<char *> argv = Pointers(args);
    std::vector<char *> envp = Pointers(env);

    const pid_t pid = fork();
    if (pid == 0) {
        dup2(in[0], STDIN_FILENO);
        dup2(out[1], STDOUT_FILENO);
        dup2(err[1], STDERR_FILENO);
        for (int fd : {in[0], in[1], out[0], out[1], err[0], err[1]})
            close(fd);
        execve(program.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    close(in[0]);
    close(out[1]);
    close(err[1]);
    signal(SIGPIPE, SIG_IGN);
    if (!input.empty())
        (void)!write(in[1], input.data(), input.size());
    close(in[1]);

    Outcome outcome;
    pollfd fds[2] = {{out[0], POLLIN, 0}, {err[0], POLLIN, 0}};
    std::string *sinks[2] = {&outcome.out, &outcome.err};
    int open = 2;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(kTimeoutSeconds);
    while (open > 0 && std::chrono::steady_clock::now() < deadline) {
        if (poll(fds, 2, 1000) <= 0)
            continue;
        for (int i = 0; i < 2; ++i) {
            if (fds[i].fd < 0 || (fds[i].revents & (POLLIN | POLLHUP)) == 0)
                continue;
            char chunk[4096];
            const ssize_t n = read(fds[i].fd, chunk, sizeof chunk);
            if (n > 0) {
                sinks[i]->append(chunk, static_cast<std::size_t>(n));
            } else {
                close(fds[i].fd);
                fds[i].fd = -1;
                --open;
            }
        }
    }
    if (open > 0)
        kill(pid, SIGKILL);
    int status = 0;
    waitpid(pid, &status, 0);
    for (const pollfd &p : fds) {
        if (p.fd >= 0)
            close(p.fd);
    }
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

std::string ReadFile(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

std::string Pattern(std::size_t size, int seed)
{
    std::string data(size, '\0');
    for (std::size_t i = 0; i < size; ++i)
        data[i] = static_cast<char>(i * 13 + static_cast<std::size_t>(seed));
    return data;
}

std::string Inverted(std::string data)
{
    for (char &c : data)
        c = static_cast<char>(~static_cast<unsigned char>(c));
    return data;
}

constexpr char kNvmePath[] = "/sys/devices/pci0000:00/0000:00:01.1/0000:01:00.0/nvme/nvme0/nvme0n1";
constexpr char kUsbPath[] = "/sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb";

class QzctlProcess : public ::testing::Test
{
protected:
    void SetUp() override
    {
        char pattern[] = "/tmp/qzctl-test-XXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        folder = pattern;
        record = folder + "/requests.txt";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // A simulation with a direct drive and a JMicron-bridged drive (plus a SATA
    // disk that is not kept); `nvmeExtra` and `usbExtra` go into their sections.
    std::string Simulation(const std::string &nvmeExtra = "", const std::string &usbExtra = "")
    {
        const std::string path = folder + "/drives.sim";
        std::ofstream(path)
            << "[simulation]\nrecord = " << record << "\n"
            << "[drive]\npath = " << kNvmePath << "\nkind = nvme\nnumber = 0\nmodel = Sim Direct\n"
            << "serial = SD-1\nfirmware = FWD1\nanswer = invert\n"
            << nvmeExtra << "[drive]\npath = /sys/devices/pci0000:00/0000:00:17.0/ata1/host0/block/sda\nkind = disk\n"
            << "[drive]\npath = " << kUsbPath << "\nkind = jmicron\nmodel = Sim Bridged\n"
            << "serial = SB-2\nfirmware = FWB2\nanswer = invert\n"
            << usbExtra;
        return path;
    }
    std::string WriteFile(const std::string &name, const std::string &data)
    {
        const std::string path = folder + "/" + name;
        std::ofstream(path, std::ios::binary) << data;
        return path;
    }
    Outcome Qzctl(std::vector<std::string> args, const std::string &input = "")
    {
        return RunProgram(kQzctl, std::move(args), input);
    }

    std::string folder;
    std::string record;
};

// ---- help and version -----------------------------------------------------------------------------

TEST_F(QzctlProcess, HelpAndVersion)
{
    Outcome o = Qzctl({"--help"});
    EXPECT_EQ(o.exitCode, 0);
    EXPECT_THAT(o.out, HasSubstr("Usage: qzctl [OPTIONS] COMMAND"));
    EXPECT_THAT(o.out, HasSubstr("6  permission denied"));

    o = Qzctl({"--version"});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_THAT(o.out, HasSubstr("qzctl "));
    EXPECT_THAT(o.out, HasSubstr("QZlibrary_Ocelot_64 0.00.001\n"));
}

TEST_F(QzctlProcess, UsageErrorsExitWith2)
{
    for (const std::vector<std::string> &args :
         std::vector<std::vector<std::string>> {{}, {"frob"}, {"identify"}, {"identify", "one"}, {"list", "--x"}}) {
        const Outcome o = Qzctl(args);
        EXPECT_EQ(o.exitCode, 2);
        EXPECT_THAT(o.err, HasSubstr("Run 'qzctl --help' for usage."));
    }
}

// ---- list and identify ----------------------------------------------------------------------------

TEST_F(QzctlProcess, ListShowsEachDriveWithItsTransportAndIdentity)
{
    const Outcome o = Qzctl({"list", "--simulation", Simulation()});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    std::istringstream lines(o.out);
    std::string header, first, second, extra;
    std::getline(lines, header);
    std::getline(lines, first);
    std::getline(lines, second);
    EXPECT_FALSE(std::getline(lines, extra));
    EXPECT_THAT(header, HasSubstr("Transport"));
    EXPECT_THAT(first, testing::MatchesRegex("0 +NVMe +- +Sim Direct +SD-1 +FWD1 +/sys/devices/.*/nvme0n1"));
    EXPECT_THAT(second, testing::MatchesRegex("1 +USB +JMicron +Sim Bridged +SB-2 +FWB2 +/sys/devices/.*/block/sdb"));
    EXPECT_EQ(o.err, ""); // no progress lines without a terminal
}

TEST_F(QzctlProcess, IdentifySummaryAndRawBytes)
{
    const std::string sim = Simulation();
    Outcome o = Qzctl({"identify", "1", "--simulation", sim});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_THAT(o.out, HasSubstr("Drive 1 (USB bridge JMicron, " + std::string(kUsbPath) + ")"));
    EXPECT_THAT(o.out, HasSubstr("Model number:             Sim Bridged\n"));
    EXPECT_THAT(o.out, HasSubstr("Serial number:            SB-2\n"));
    EXPECT_THAT(o.out, HasSubstr("Firmware download:        supported\n"));

    o = Qzctl({"identify", "0", "--raw", "--simulation", sim});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    ASSERT_EQ(o.out.size(), 4096u);
    EXPECT_EQ(o.out.substr(4, 4), "SD-1");
    EXPECT_EQ(o.out.substr(24, 10), "Sim Direct");

    const std::string file = folder + "/id.bin";
    o = Qzctl({"--simulation=" + sim, "identify", "0", "--raw", file});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.out, "");
    EXPECT_EQ(ReadFile(file).substr(0, 64), Qzctl({"identify", "0", "--raw", "--simulation", sim}).out.substr(0, 64));
}

// ---- the MCU exchange -------------------------------------------------------------------------------

TEST_F(QzctlProcess, McuWriteCarriesTheFileToTheDrive)
{
    const std::string block = WriteFile("command.bin", Pattern(4096, 1));
    const Outcome o = Qzctl({"mcu-write", "1", block, "--simulation", Simulation()});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.out, "Sent the 4096-byte command block to drive 1.\n");
    // The bridge received the download (opcode 11h) on the USB disk's path.
    EXPECT_THAT(ReadFile(record), HasSubstr(std::string("scsi ") + kUsbPath + " cdb=A18300001000"));
}

TEST_F(QzctlProcess, McuReadWritesTheAnswerFile)
{
    const std::string request = Pattern(4096, 5);
    const std::string requestFile = WriteFile("request.bin", request);
    const std::string answerFile = folder + "/answer.bin";
    for (const char *drive : {"0", "1"}) {
        const Outcome o = Qzctl({"mcu-read", drive, requestFile, answerFile, "--simulation", Simulation()});
        ASSERT_EQ(o.exitCode, 0) << o.err;
        EXPECT_THAT(o.out, HasSubstr("Wrote the MCU's 4096-byte answer from drive " + std::string(drive)));
        EXPECT_EQ(ReadFile(answerFile), Inverted(request)) << drive;
    }
    // From standard input to standard output.
    const Outcome o = Qzctl({"mcu-read", "0", "-", "-", "--simulation", Simulation()}, request);
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_EQ(o.out, Inverted(request));
}

TEST_F(QzctlProcess, BlockFilesOfAnyOtherSizeAreRefusedBeforeAnyDriveIsTouched)
{
    const std::string sim = Simulation();
    for (std::size_t size : {0u, 100u, 4095u, 4097u, 8192u}) {
        const std::string file = WriteFile("block.bin", Pattern(size, 2));
        Outcome o = Qzctl({"mcu-write", "0", file, "--simulation", sim});
        EXPECT_EQ(o.exitCode, 2) << size;
        EXPECT_THAT(o.err, HasSubstr("a block file must hold exactly 4096 bytes")) << size;
        o = Qzctl({"mcu-read", "0", file, folder + "/answer.bin", "--simulation", sim});
        EXPECT_EQ(o.exitCode, 2) << size;
    }
    Outcome o = Qzctl({"mcu-write", "0", folder + "/missing.bin", "--simulation", sim});
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_THAT(o.err, HasSubstr("missing.bin: No such file or directory"));
    o = Qzctl({"mcu-read", "0", WriteFile("ok.bin", Pattern(4096, 0)), folder + "/no/folder/answer.bin", "--simulation",
               sim});
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_THAT(o.err, HasSubstr("cannot create"));
    EXPECT_FALSE(std::filesystem::exists(record)) << ReadFile(record);
    EXPECT_FALSE(std::filesystem::exists(folder + "/answer.bin"));
}

// ---- errors ---------------------------------------------------------------------------------------

TEST_F(QzctlProcess, ALibraryThatCannotBeFoundOrIsNotTheDriveLibrary)
{
    // A copy of qzctl with no library beside it.
    const std::string lonely = folder + "/qzctl";
    std::filesystem::copy_file(kQzctl, lonely);
    Outcome o = RunProgram(lonely, {"list"});
    EXPECT_EQ(o.exitCode, 3);
    EXPECT_THAT(o.err, HasSubstr("cannot load the drive library libQZlibrary_Ocelot_64.so"));
    EXPECT_THAT(o.err, HasSubstr("--library PATH"));

    o = Qzctl({"list", "--library", folder + "/nothing.so"});
    EXPECT_EQ(o.exitCode, 3);

    o = Qzctl({"list", "--library", "libm.so.6"});
    EXPECT_EQ(o.exitCode, 3);
    EXPECT_THAT(o.err, HasSubstr("is not the drive library: it lacks QZLib_GetDllVersion"));
}

TEST_F(QzctlProcess, NoDrives)
{
    const std::string sim = WriteFile("disks.sim", "[drive]\npath = /sys/devices/ata1/block/sda\nkind = disk\n");
    Outcome o = Qzctl({"list", "--simulation", sim});
    EXPECT_EQ(o.exitCode, 4);
    EXPECT_THAT(o.err, HasSubstr("no drives found among 1 disk: only NVMe drives"));
    EXPECT_EQ(o.out, "");

    o = Qzctl({"identify", "0", "--simulation", WriteFile("none.sim", "")});
    EXPECT_EQ(o.exitCode, 4);
    EXPECT_THAT(o.err, HasSubstr("the system lists no disks"));

    o = Qzctl({"list", "--simulation", folder + "/absent.sim"});
    EXPECT_EQ(o.exitCode, 2);
    EXPECT_THAT(o.err, HasSubstr("cannot read the simulation file"));

    o = Qzctl({"list", "--simulation", WriteFile("bad.sim", "[drive]\nkind = tape\n")});
    EXPECT_EQ(o.exitCode, 4);
    EXPECT_THAT(o.err, HasSubstr("simulation file " + folder + "/bad.sim: line 2"));
}

TEST_F(QzctlProcess, ADriveNumberAtOrAboveTheCount)
{
    const std::string sim = Simulation();
    for (const char *drive : {"2", "255", "256", "4294967295"}) {
        const Outcome o = Qzctl({"identify", drive, "--simulation", sim});
        EXPECT_EQ(o.exitCode, 5) << drive;
        EXPECT_THAT(o.err, HasSubstr("the drives are numbered 0 to 1")) << drive;
    }
    // Nothing but the enumeration reached a drive.
    EXPECT_THAT(ReadFile(record), Not(HasSubstr("nvme=06")));
}

TEST_F(QzctlProcess, PermissionDeniedSaysWhichPrivilegeIsMissing)
{
    // The device nodes cannot be opened: nothing is found.
    Outcome o
        = Qzctl({"list", "--simulation", Simulation("fault = open fail error 13\n", "fault = open fail error 13\n")});
    EXPECT_EQ(o.exitCode, 6);
    EXPECT_THAT(o.err, HasSubstr("qzctl: Permission denied on /dev/nvme0n1: needs read access"));
    EXPECT_THAT(o.err, HasSubstr("qzctl: Permission denied on /dev/sdb: needs read access"));
    EXPECT_THAT(o.err, HasSubstr("usually \"disk\""));

    // Some disks refused, others found: the listing says which were not examined.
    o = Qzctl({"list", "--simulation", Simulation("fault = open fail error 13\n")});
    EXPECT_EQ(o.exitCode, 0) << o.err;
    EXPECT_THAT(o.out, HasSubstr("Sim Bridged"));
    EXPECT_THAT(o.out, Not(HasSubstr("Sim Direct")));
    EXPECT_THAT(o.err, HasSubstr("note: some disks were not examined: Permission denied on /dev/nvme0n1"));

    // Vendor SCSI commands refused on the bridge.
    const std::string block = WriteFile("command.bin", Pattern(4096, 3));
    o = Qzctl({"mcu-write", "1", block, "--simulation", Simulation("", "fault = scsi a1 fail error 1\n")});
    EXPECT_EQ(o.exitCode, 6);
    EXPECT_THAT(o.err, HasSubstr("Operation not permitted on /dev/sdb: needs the CAP_SYS_RAWIO capability"));

    // NVMe admin commands refused on the direct drive.
    o = Qzctl({"mcu-write", "0", block, "--simulation", Simulation("fault = fwinfo fail error 13\n")});
    EXPECT_EQ(o.exitCode, 6);
    EXPECT_THAT(o.err, HasSubstr("Permission denied on /dev/nvme0: needs the CAP_SYS_ADMIN capability"));

    // In a listing, the drive that cannot be identified is marked.
    o = Qzctl({"list", "--simulation", Simulation("fault = identify fail error 13\n")});
    EXPECT_EQ(o.exitCode, 6);
    EXPECT_THAT(o.out, HasSubstr("(Identify failed)"));
    EXPECT_THAT(o.out, HasSubstr("Sim Bridged"));
}

TEST_F(QzctlProcess, AFailingCommandExitsWith1AndLeavesNoAnswer)
{
    const std::string block = WriteFile("command.bin", Pattern(4096, 4));
    Outcome o = Qzctl({"mcu-write", "0", block, "--simulation", Simulation("fault = download returncode 5\n")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_THAT(o.err, HasSubstr("sending the command block to drive 0 (NVMe, " + std::string(kNvmePath) + ") failed"));
    EXPECT_THAT(o.err, HasSubstr("--debug"));

    const std::string answer = folder + "/answer.bin";
    o = Qzctl({"mcu-read", "0", block, answer, "--simulation", Simulation("fault = log c7 fail\n")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_FALSE(std::filesystem::exists(answer));

    o = Qzctl({"identify", "1", "--simulation", Simulation("", "fault = identify fail payload\n")});
    EXPECT_EQ(o.exitCode, 1);
    EXPECT_THAT(o.err, HasSubstr("reading the Identify data of drive 1"));
}

// ---- debug lines and progress ---------------------------------------------------------------------

TEST_F(QzctlProcess, DebugShowsTheLibrarysLines)
{
    const Outcome o = Qzctl({"--debug", "identify", "0", "--simulation", Simulation()});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    EXPECT_THAT(o.err, HasSubstr("[DLL]QZ library initialized\n[DLL]dwDeviceCount = 3\n"));
    EXPECT_THAT(o.err, HasSubstr("[DLL]######### - QZ device 1: USB bridge JMicron, "));
    EXPECT_THAT(o.err, HasSubstr("[DLL]QZ library uninitialized\n"));
    EXPECT_THAT(o.out, HasSubstr("Sim Direct"));
    EXPECT_THAT(Qzctl({"identify", "0", "--simulation", Simulation()}).err, Not(HasSubstr("[DLL]")));
}

// Runs qzctl with a terminal as standard input, output and error.
Outcome RunOnTerminal(std::vector<std::string> args)
{
    Outcome outcome;
    int terminal = -1;
    const pid_t pid = forkpty(&terminal, nullptr, nullptr, nullptr);
    if (pid < 0)
        return outcome;
    if (pid == 0) {
        args.insert(args.begin(), kQzctl);
        std::vector<std::string> env = CleanEnvironment();
        std::vector<char *> argv = Pointers(args);
        std::vector<char *> envp = Pointers(env);
        execve(kQzctl.c_str(), argv.data(), envp.data());
        _exit(127);
    }
    char chunk[4096];
    for (;;) {
        pollfd p = {terminal, POLLIN, 0};
        if (poll(&p, 1, kTimeoutSeconds * 1000) <= 0)
            break;
        const ssize_t n = read(terminal, chunk, sizeof chunk);
        if (n <= 0)
            break;
        outcome.out.append(chunk, static_cast<std::size_t>(n));
    }
    int status = 0;
    waitpid(pid, &status, 0);
    close(terminal);
    outcome.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return outcome;
}

TEST_F(QzctlProcess, ProgressOnATerminal)
{
    const Outcome o = RunOnTerminal({"list", "--simulation", Simulation()});
    EXPECT_EQ(o.exitCode, 0) << o.out;
    EXPECT_THAT(o.out, HasSubstr("\rqzctl: looking for drives..."));
    EXPECT_THAT(o.out, HasSubstr("qzctl: examining disk 3 of 3: sdb..."));
    EXPECT_THAT(o.out, HasSubstr("qzctl: reading the Identify data of drive 1 of 2..."));
    EXPECT_THAT(o.out, HasSubstr("Sim Bridged"));
}

TEST_F(QzctlProcess, BinaryDataIsNotSentToATerminal)
{
    const Outcome o = RunOnTerminal({"identify", "0", "--raw", "--simulation", Simulation()});
    EXPECT_EQ(o.exitCode, 2) << o.out;
    EXPECT_THAT(o.out, HasSubstr("would go to the terminal"));
    EXPECT_FALSE(std::filesystem::exists(record));
}

// ---- scripting --------------------------------------------------------------------------------------

QJsonDocument ParsedJson(const std::string &text)
{
    QJsonParseError error {};
    QJsonDocument document = QJsonDocument::fromJson(QByteArray::fromStdString(text), &error);
    EXPECT_EQ(error.error, QJsonParseError::NoError) << error.errorString().toStdString() << "\n" << text;
    return document;
}

TEST_F(QzctlProcess, ListAndIdentifyAsJson)
{
    // A model that needs escaping, on the bridged drive.
    const std::string sim = Simulation("", "");
    std::string text = ReadFile(sim);
    text.replace(text.find("model = Sim Bridged"), 19, "model = Sim \"Q\" \\ B");
    WriteFile("drives.sim", text);

    Outcome o = Qzctl({"list", "--json", "--simulation", sim});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    const QJsonArray devices = ParsedJson(o.out).object().value("Devices").toArray();
    ASSERT_EQ(devices.size(), 2);
    const struct
    {
        const char *transport;
        QJsonValue bridge;
        const char *model;
        const char *serial;
        const char *path;
    } expected[] = {
        {"NVMe", QJsonValue::Null, "Sim Direct", "SD-1", kNvmePath},
        {"USB", "JMicron", "Sim \"Q\" \\ B", "SB-2", kUsbPath},
    };
    for (int i = 0; i < 2; ++i) {
        const QJsonObject d = devices[i].toObject();
        EXPECT_TRUE(d.value("Index").isDouble());
        EXPECT_EQ(d.value("Index").toInt(-1), i);
        EXPECT_EQ(d.value("Transport").toString().toStdString(), expected[i].transport);
        EXPECT_EQ(d.value("Bridge"), expected[i].bridge);
        EXPECT_EQ(d.value("ModelNumber").toString().toStdString(), expected[i].model);
        EXPECT_EQ(d.value("SerialNumber").toString().toStdString(), expected[i].serial);
        EXPECT_EQ(d.value("DevicePath").toString().toStdString(), expected[i].path);
    }

    o = Qzctl({"identify", "1", "--json", "--simulation", sim});
    ASSERT_EQ(o.exitCode, 0) << o.err;
    const QJsonObject id = ParsedJson(o.out).object();
    EXPECT_EQ(id.value("mn").toString().toStdString(), "Sim \"Q\" \\ B");
    EXPECT_EQ(id.value("fr").toString().toStdString(), "FWB2");
    for (const char *number : {"vid", "ssvid", "ieee", "cntlid", "ver", "oacs", "frmw", "tnvmcap", "nn"})
        EXPECT_TRUE(id.value(number).isDouble()) << number;
}

TEST_F(QzctlProcess, MessagesThatTellTheTruth)
{
    const std::string sim = Simulation();
    const std::string library = folder + "/libQZcopy.so";
    std::filesystem::copy_file(std::string(QZ_TEST_BIN_DIR) + "/libQZlibrary_Ocelot_64.so", library);
    const std::filesystem::path before = std::filesystem::current_path();
    std::filesystem::current_path(folder); // the child starts here

    const struct
    {
        std::vector<std::string> args;
        int exitCode;
        const char *message;
    } cases[] = {
        {{"list", "--simulation", folder}, 2, "is a folder"},
        {{"identify", "4294967296", "--simulation", sim}, 2, "\"4294967296\" is not a drive number"},
        {{"list", "--library", "libQZcopy.so", "--simulation", sim}, 3, "write ./libQZcopy.so to load the file here"},
        {{"list", "--library", "./libQZcopy.so", "--simulation", sim}, 0, ""},
    };
    for (const auto &c : cases) {
        const Outcome o = Qzctl(c.args);
        EXPECT_EQ(o.exitCode, c.exitCode) << c.args[0] << " " << c.args[1] << " " << c.args[2] << "\n" << o.err;
        EXPECT_THAT(o.err, HasSubstr(c.message));
    }
    std::filesystem::current_path(before);
}

} // namespace
