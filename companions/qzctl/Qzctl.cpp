#include "Qzctl.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>

#include "BlockFile.h"
#include "CommandLine.h"
#include "DebugText.h"
#include "DriveList.h"
#include "IdentifyData.h"
#include "JsonText.h"
#include "LibraryHost.h"

namespace qzctl {
namespace {

void Message(const char *format, ...) __attribute__((format(printf, 1, 2)));
void Message(const char *format, ...)
{
    std::fputs("qzctl: ", stderr);
    va_list args;
    va_start(args, format);
    std::vfprintf(stderr, format, args);
    va_end(args);
    std::fputc('\n', stderr);
    std::fflush(stderr);
}

std::string ShortName(const std::string &path)
{
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

class Session
{
public:
    explicit Session(const Options &options)
        : options(options)
        , terminal(::isatty(STDERR_FILENO) == 1 && !options.debug)
    { }

    int Run();

private:
    enum class Progress { None, Enumeration };

    int Version();
    bool CheckFilesFirst(int &code);
    bool LoadLibrary(int &code);
    int Finish(int code);
    int NoDrives();
    int ReportFailure(const std::string &what);
    void ReportDenials(const std::vector<Denial> &denials, const char *intro);
    std::string Describe(unsigned drive) const;

    int List(int count);
    int Identify();
    int McuWrite();
    int McuRead();

    void OnDebugText(const std::string &text, std::size_t from);
    void EchoDebugLines(bool all);
    void ShowProgress(const std::string &line);
    void ClearProgress();
    std::string_view LastCallText() const { return std::string_view(host.DebugText()).substr(host.LastCallStart()); }

    const Options &options;
    const bool terminal; // progress lines on standard error
    LibraryHost host;
    Progress progress = Progress::None;
    bool progressShown = false;
    std::vector<KeptDrive> kept;
    std::vector<uint8_t> block; // the block file's contents
    int driveCount = 0;
    std::size_t echoed = 0; // debug text shown so far
};

// Shows the library's lines one per line, "[DLL]" first; with `all`, also a
// last line that has not ended yet.
void Session::EchoDebugLines(bool all)
{
    const std::string &text = host.DebugText();
    if (echoed >= text.size())
        return;
    const std::string_view pending = std::string_view(text).substr(echoed);
    for (std::string_view line : DebugLines(pending, !all)) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        std::fprintf(stderr, "[DLL]%.*s\n", static_cast<int>(line.size()), line.data());
        echoed = static_cast<std::size_t>(line.data() + line.size() - text.data());
    }
    if (all)
        echoed = text.size();
    std::fflush(stderr);
}

void Session::OnDebugText(const std::string &text, std::size_t from)
{
    (void)from;
    if (options.debug)
        EchoDebugLines(false);
    if (progress == Progress::Enumeration && terminal) {
        const EnumerationProgress p = ProgressOf(std::string_view(text).substr(host.LastCallStart()));
        if (p.known && p.total > 0) {
            ShowProgress("examining disk " + std::to_string(p.position + 1) + " of " + std::to_string(p.total) + ": "
                         + ShortName(p.path));
        }
    }
}

void Session::ShowProgress(const std::string &line)
{
    if (!terminal)
        return;
    std::fprintf(stderr, "\rqzctl: %s...\033[K", line.c_str());
    std::fflush(stderr);
    progressShown = true;
}

void Session::ClearProgress()
{
    if (!progressShown)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    progressShown = false;
}

std::string Session::Describe(unsigned drive) const
{
    std::string text = "drive " + std::to_string(drive);
    if (drive < kept.size()) {
        const KeptDrive &k = kept[drive];
        text += k.bridge ? " (USB bridge " + k.bridgeVendor + ", " + k.path + ")" : " (NVMe, " + k.path + ")";
    }
    return text;
}

// One line per device node and kind of request: "<error> on <node>: needs <what>".
void Session::ReportDenials(const std::vector<Denial> &denials, const char *intro)
{
    std::set<std::string> said;
    for (const Denial &d : denials) {
        const std::string node = DeviceNodeOf(d.path);
        const std::string need = PrivilegeNeeded(d);
        if (!said.insert(node + need).second)
            continue;
        Message("%s%s on %s: needs %s", intro, std::strerror(static_cast<int>(d.error)), node.c_str(), need.c_str());
    }
}

int Session::ReportFailure(const std::string &what)
{
    const std::vector<Denial> denials = Denials(LastCallText());
    if (!denials.empty()) {
        Message("%s: permission denied", what.c_str());
        ReportDenials(denials, "");
        return kExitPermission;
    }
    if (!ReplacedSlots(LastCallText()).empty()) {
        // The library refused the drive: it is not (or no longer) the one
        // listed, e.g. an enclosure that saw a media change or a reset.
        Message("%s: the drive is gone or was replaced since it was listed; list the drives again", what.c_str());
        return kExitFailed;
    }
    Message("%s%s", what.c_str(), options.debug ? "" : " (run with --debug to see the library's report)");
    return kExitFailed;
}

int Session::Version()
{
    std::printf("qzctl %s\n", QZCTL_VERSION);
    std::fflush(stdout);
    int code = kExitOk;
    if (!LoadLibrary(code))
        return code;
    std::printf("QZlibrary_Ocelot_64 %s\n", host.Version());
    return kExitOk;
}

bool Session::CheckFilesFirst(int &code)
{
    std::string error;
    if (options.command == Command::McuWrite || options.command == Command::McuRead) {
        if (!ReadBlockFile(options.blockFile, block, error)) {
            Message("%s", error.c_str());
            code = kExitUsage;
            return false;
        }
    }
    const std::string *output = options.command == Command::McuRead ? &options.answerFile
        : options.command == Command::Identify && options.raw       ? &options.rawFile
                                                                    : nullptr;
    if (output != nullptr && !output->empty() && !CanWriteFile(*output, error)) {
        Message("%s", error.c_str());
        code = kExitUsage;
        return false;
    }
    if (output != nullptr && (output->empty() || *output == "-") && ::isatty(STDOUT_FILENO) == 1) {
        Message("4096 bytes of binary data would go to the terminal: name a file, or redirect standard output");
        code = kExitUsage;
        return false;
    }
    if (!options.simulation.empty()) {
        const int fd = ::open(options.simulation.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            Message("cannot read the simulation file %s: %s", options.simulation.c_str(), std::strerror(errno));
            code = kExitUsage;
            return false;
        }
        struct stat status = {};
        const bool folder = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
        ::close(fd);
        if (folder) {
            Message("the simulation file %s is a folder: name a simulation file", options.simulation.c_str());
            code = kExitUsage;
            return false;
        }
        ::setenv("QZLIB_SIMULATION", options.simulation.c_str(), 1);
    }
    return true;
}

bool Session::LoadLibrary(int &code)
{
    host.CaptureDebugChannel();
    host.SetListener([this](const std::string &text, std::size_t from) { OnDebugText(text, from); });
    std::string error;
    if (!host.Load(options.library, error)) {
        const std::string &name = options.library;
        // The loader looks a name without a slash up in the library folders,
        // never in the current folder: say so rather than "no such file".
        if (!name.empty() && name.find('/') == std::string::npos && ::access(name.c_str(), F_OK) == 0) {
            error = "a name without a slash is looked up in the system's library folders, not in the current "
                    "folder; write ./"
                + name + " to load the file here";
        }
        Message("cannot load the drive library %s: %s", name.empty() ? kLibrarySoname : name.c_str(), error.c_str());
        if (name.empty()) {
            Message("install the drive library, put %s beside qzctl or in a folder of LD_LIBRARY_PATH, or name it "
                    "with --library PATH",
                    kLibrarySoname);
        }
        code = kExitNoLibrary;
        return false;
    }
    return true;
}

int Session::Finish(int code)
{
    host.UnInitialize();
    if (options.debug)
        EchoDebugLines(true);
    return code;
}

int Session::NoDrives()
{
    const std::string_view text = LastCallText();
    const std::vector<Denial> denials = Denials(text);
    if (!denials.empty()) {
        Message("no drives found: the system refused access to some disks");
        ReportDenials(denials, "");
        return kExitPermission;
    }
    const int examined = DisksExamined(text);
    if (examined <= 0) {
        Message("no drives found: the system lists no disks");
    } else {
        Message("no drives found among %d disk%s: only NVMe drives attached directly or in a JMicron or ASMedia "
                "USB enclosure can be reached",
                examined, examined == 1 ? "" : "s");
    }
    return kExitNoDrives;
}

int Session::Run()
{
    if (options.version)
        return Version();
    int code = kExitOk;
    if (!CheckFilesFirst(code))
        return code;
    if (!LoadLibrary(code))
        return code;

    host.Initialize();
    progress = Progress::Enumeration;
    if (terminal)
        ShowProgress("looking for drives");
    driveCount = host.Enumerate();
    progress = Progress::None;
    ClearProgress();
    const std::string_view enumeration = LastCallText();
    kept = KeptDrives(enumeration);
    for (const std::string &problem : SimulationProblems(enumeration))
        Message("%s", problem.c_str());
    const std::vector<Denial> enumerationDenials = Denials(enumeration);
    if (driveCount <= 0)
        return Finish(NoDrives());

    if (options.command != Command::List && options.drive >= static_cast<uint32_t>(driveCount)) {
        Message("there is no drive %u: %s", options.drive,
                driveCount == 1 ? "the only drive is number 0"
                                : ("the drives are numbered 0 to " + std::to_string(driveCount - 1)).c_str());
        return Finish(kExitBadDrive);
    }

    switch (options.command) {
    case Command::List:
        code = List(driveCount);
        if (!enumerationDenials.empty())
            ReportDenials(enumerationDenials, "note: some disks were not examined: ");
        break;
    case Command::Identify:
        code = Identify();
        break;
    case Command::McuWrite:
        code = McuWrite();
        break;
    case Command::McuRead:
        code = McuRead();
        break;
    case Command::None:
        break;
    }
    return Finish(code);
}

int Session::List(int count)
{
    std::vector<ListedDrive> drives;
    int code = kExitOk;
    for (int drive = 0; drive < count; ++drive) {
        ListedDrive listed;
        listed.index = drive;
        if (static_cast<std::size_t>(drive) < kept.size())
            listed.kept = &kept[static_cast<std::size_t>(drive)];

        ShowProgress("reading the Identify data of drive " + std::to_string(drive) + " of " + std::to_string(count));
        std::vector<uint8_t> data(kBlockSize, 0);
        listed.identified = host.Identify(static_cast<unsigned char>(drive), data.data());
        ClearProgress();
        if (listed.identified) {
            listed.id = DecodeIdentify(data.data());
        } else {
            const int failure
                = ReportFailure("reading the Identify data of drive " + std::to_string(drive) + " failed");
            if (code != kExitPermission)
                code = failure;
        }
        drives.push_back(std::move(listed));
    }
    std::fputs((options.json ? ListJson(drives) : ListTable(drives)).c_str(), stdout);
    std::fflush(stdout);
    return code;
}

int Session::Identify()
{
    std::vector<uint8_t> data(kBlockSize, 0);
    const auto drive = static_cast<unsigned char>(options.drive);
    if (!host.Identify(drive, data.data())) {
        return ReportFailure("reading the Identify data of " + Describe(options.drive) + " failed");
    }
    if (options.json) {
        std::printf("%s\n", IdentifyJson(DecodeIdentify(data.data()), 0).c_str());
        std::fflush(stdout);
        return kExitOk;
    }
    if (options.raw) {
        std::string error;
        if (!WriteBlockFile(options.rawFile.empty() ? "-" : options.rawFile, data.data(), data.size(), error)) {
            Message("%s", error.c_str());
            return kExitFailed;
        }
        return kExitOk;
    }
    const std::string title = Describe(options.drive);
    std::printf("%c%s\n", static_cast<char>(std::toupper(static_cast<unsigned char>(title[0]))), title.c_str() + 1);
    for (const auto &[label, value] : SummaryOf(DecodeIdentify(data.data()))) {
        std::printf("  %-25s %s\n", (label + ":").c_str(), value.c_str());
    }
    std::fflush(stdout);
    return kExitOk;
}

int Session::McuWrite()
{
    if (!host.McuWrite(static_cast<unsigned char>(options.drive), block.data())) {
        return ReportFailure("sending the command block to " + Describe(options.drive) + " failed");
    }
    std::printf("Sent the 4096-byte command block to drive %u.\n", options.drive);
    std::fflush(stdout);
    return kExitOk;
}

int Session::McuRead()
{
    if (!host.McuRead(static_cast<unsigned char>(options.drive), block.data())) {
        return ReportFailure("the request to " + Describe(options.drive) + " or its answer failed");
    }
    std::string error;
    if (!WriteBlockFile(options.answerFile, block.data(), block.size(), error)) {
        Message("%s", error.c_str());
        return kExitFailed;
    }
    if (options.answerFile != "-") {
        std::printf("Wrote the MCU's 4096-byte answer from drive %u to %s.\n", options.drive,
                    options.answerFile.c_str());
        std::fflush(stdout);
    }
    return kExitOk;
}

} // namespace

int Run(const std::vector<std::string> &args)
{
    const ParseResult parsed = ParseCommandLine(args);
    if (!parsed.ok) {
        Message("%s", parsed.error.c_str());
        std::fputs("Run 'qzctl --help' for usage.\n", stderr);
        return kExitUsage;
    }
    if (parsed.options.help) {
        std::fputs(UsageText().c_str(), stdout);
        return kExitOk;
    }
    Session session(parsed.options);
    return session.Run();
}

} // namespace qzctl
