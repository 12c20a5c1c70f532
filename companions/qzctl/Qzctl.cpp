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
        : o_(options)
        , terminal_(::isatty(STDERR_FILENO) == 1 && !options.debug)
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
    std::string_view LastCallText() const { return std::string_view(host_.DebugText()).substr(host_.LastCallStart()); }

    const Options &o_;
    const bool terminal_; // progress lines on standard error
    LibraryHost host_;
    Progress progress_ = Progress::None;
    bool progressShown_ = false;
    std::vector<KeptDrive> kept_;
    std::vector<uint8_t> block_; // the block file's contents
    int count_ = 0;
    std::size_t echoed_ = 0; // debug text shown so far
};

// Shows the library's lines one per line, "[DLL]" first; with `all`, also a
// last line that has not ended yet.
void Session::EchoDebugLines(bool all)
{
    const std::string &text = host_.DebugText();
    if (echoed_ >= text.size())
        return;
    const std::string_view pending = std::string_view(text).substr(echoed_);
    for (std::string_view line : DebugLines(pending, !all)) {
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.remove_suffix(1);
        std::fprintf(stderr, "[DLL]%.*s\n", static_cast<int>(line.size()), line.data());
        echoed_ = static_cast<std::size_t>(line.data() + line.size() - text.data());
    }
    if (all)
        echoed_ = text.size();
    std::fflush(stderr);
}

void Session::OnDebugText(const std::string &text, std::size_t from)
{
    (void)from;
    if (o_.debug)
        EchoDebugLines(false);
    if (progress_ == Progress::Enumeration && terminal_) {
        const EnumerationProgress p = ProgressOf(std::string_view(text).substr(host_.LastCallStart()));
        if (p.known && p.total > 0) {
            ShowProgress("examining disk " + std::to_string(p.position + 1) + " of " + std::to_string(p.total) + ": "
                         + ShortName(p.path));
        }
    }
}

void Session::ShowProgress(const std::string &line)
{
    if (!terminal_)
        return;
    std::fprintf(stderr, "\rqzctl: %s...\033[K", line.c_str());
    std::fflush(stderr);
    progressShown_ = true;
}

void Session::ClearProgress()
{
    if (!progressShown_)
        return;
    std::fputs("\r\033[K", stderr);
    std::fflush(stderr);
    progressShown_ = false;
}

std::string Session::Describe(unsigned drive) const
{
    std::string text = "drive " + std::to_string(drive);
    if (drive < kept_.size()) {
        const KeptDrive &k = kept_[drive];
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
    Message("%s%s", what.c_str(), o_.debug ? "" : " (run with --debug to see the library's report)");
    return kExitFailed;
}

int Session::Version()
{
    std::printf("qzctl %s\n", QZCTL_VERSION);
    std::fflush(stdout);
    int code = kExitOk;
    if (!LoadLibrary(code))
        return code;
    std::printf("QZlibrary_Ocelot_64 %s\n", host_.Version());
    return kExitOk;
}

bool Session::CheckFilesFirst(int &code)
{
    std::string error;
    if (o_.command == Command::McuWrite || o_.command == Command::McuRead) {
        if (!ReadBlockFile(o_.blockFile, block_, error)) {
            Message("%s", error.c_str());
            code = kExitUsage;
            return false;
        }
    }
    const std::string *output = o_.command == Command::McuRead ? &o_.answerFile
        : o_.command == Command::Identify && o_.raw            ? &o_.rawFile
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
    if (!o_.simulation.empty()) {
        const int fd = ::open(o_.simulation.c_str(), O_RDONLY | O_CLOEXEC);
        if (fd < 0) {
            Message("cannot read the simulation file %s: %s", o_.simulation.c_str(), std::strerror(errno));
            code = kExitUsage;
            return false;
        }
        struct stat status = {};
        const bool folder = ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
        ::close(fd);
        if (folder) {
            Message("the simulation file %s is a folder: name a simulation file", o_.simulation.c_str());
            code = kExitUsage;
            return false;
        }
        ::setenv("QZLIB_SIMULATION", o_.simulation.c_str(), 1);
    }
    return true;
}

bool Session::LoadLibrary(int &code)
{
    host_.CaptureDebugChannel();
    host_.SetListener([this](const std::string &text, std::size_t from) { OnDebugText(text, from); });
    std::string error;
    if (!host_.Load(o_.library, error)) {
        const std::string &name = o_.library;
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
    host_.UnInitialize();
    if (o_.debug)
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
    if (o_.version)
        return Version();
    int code = kExitOk;
    if (!CheckFilesFirst(code))
        return code;
    if (!LoadLibrary(code))
        return code;

    host_.Initialize();
    progress_ = Progress::Enumeration;
    if (terminal_)
        ShowProgress("looking for drives");
    count_ = host_.Enumerate();
    progress_ = Progress::None;
    ClearProgress();
    const std::string_view enumeration = LastCallText();
    kept_ = KeptDrives(enumeration);
    for (const std::string &problem : SimulationProblems(enumeration))
        Message("%s", problem.c_str());
    const std::vector<Denial> enumerationDenials = Denials(enumeration);
    if (count_ <= 0)
        return Finish(NoDrives());

    if (o_.command != Command::List && o_.drive >= static_cast<uint32_t>(count_)) {
        Message("there is no drive %u: %s", o_.drive,
                count_ == 1 ? "the only drive is number 0"
                            : ("the drives are numbered 0 to " + std::to_string(count_ - 1)).c_str());
        return Finish(kExitBadDrive);
    }

    switch (o_.command) {
    case Command::List:
        code = List(count_);
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
        if (static_cast<std::size_t>(drive) < kept_.size())
            listed.kept = &kept_[static_cast<std::size_t>(drive)];

        ShowProgress("reading the Identify data of drive " + std::to_string(drive) + " of " + std::to_string(count));
        std::vector<uint8_t> data(kBlockSize, 0);
        listed.identified = host_.Identify(static_cast<unsigned char>(drive), data.data());
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
    std::fputs((o_.json ? ListJson(drives) : ListTable(drives)).c_str(), stdout);
    std::fflush(stdout);
    return code;
}

int Session::Identify()
{
    std::vector<uint8_t> data(kBlockSize, 0);
    const auto drive = static_cast<unsigned char>(o_.drive);
    if (!host_.Identify(drive, data.data())) {
        return ReportFailure("reading the Identify data of " + Describe(o_.drive) + " failed");
    }
    if (o_.json) {
        std::printf("%s\n", IdentifyJson(DecodeIdentify(data.data()), 0).c_str());
        std::fflush(stdout);
        return kExitOk;
    }
    if (o_.raw) {
        std::string error;
        if (!WriteBlockFile(o_.rawFile.empty() ? "-" : o_.rawFile, data.data(), data.size(), error)) {
            Message("%s", error.c_str());
            return kExitFailed;
        }
        return kExitOk;
    }
    const std::string title = Describe(o_.drive);
    std::printf("%c%s\n", static_cast<char>(std::toupper(static_cast<unsigned char>(title[0]))), title.c_str() + 1);
    for (const auto &[label, value] : SummaryOf(DecodeIdentify(data.data()))) {
        std::printf("  %-25s %s\n", (label + ":").c_str(), value.c_str());
    }
    std::fflush(stdout);
    return kExitOk;
}

int Session::McuWrite()
{
    if (!host_.McuWrite(static_cast<unsigned char>(o_.drive), block_.data())) {
        return ReportFailure("sending the command block to " + Describe(o_.drive) + " failed");
    }
    std::printf("Sent the 4096-byte command block to drive %u.\n", o_.drive);
    std::fflush(stdout);
    return kExitOk;
}

int Session::McuRead()
{
    if (!host_.McuRead(static_cast<unsigned char>(o_.drive), block_.data())) {
        return ReportFailure("the request to " + Describe(o_.drive) + " or its answer failed");
    }
    std::string error;
    if (!WriteBlockFile(o_.answerFile, block_.data(), block_.size(), error)) {
        Message("%s", error.c_str());
        return kExitFailed;
    }
    if (o_.answerFile != "-") {
        std::printf("Wrote the MCU's 4096-byte answer from drive %u to %s.\n", o_.drive, o_.answerFile.c_str());
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
