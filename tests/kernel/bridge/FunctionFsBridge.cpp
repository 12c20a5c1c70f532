// A USB bridge made in user space: serves the USB mass-storage bulk-only
// transport through the kernel's FunctionFS and hands every command to
// BridgeTarget, which answers as a JMicron NVMe enclosure does. The guest's
// tests bind it to the dummy host controller and drive it through the
// kernel's usb-storage and sd drivers, as a real enclosure is.
//
// Usage: qz_usb_bridge [--asmedia] FUNCTIONFS-MOUNT LOG-FILE [FAULT-FILE]
// (a JMicron bridge unless --asmedia)
// Prints "ready" once the descriptors are written (then the gadget can be
// bound) and puts the drive's Identify data in LOG-FILE.identify. Logs every command: "cdb <bytes> <in|out|none> <length>", what the
// tunnel carried, and "csw status <n> residue <n>". FAULT-FILE, read at every
// command, may hold "short-answer", "short-identify", "short-write", "status-only-answer" or
// "empty-answer".
#include <endian.h>
#include <fcntl.h>
#include <linux/usb/ch9.h>
#include <linux/usb/functionfs.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>

#include "BridgeTarget.h"

namespace {

constexpr uint32_t kCbwSignature = 0x43425355; // "USBC"
constexpr uint32_t kCswSignature = 0x53425355; // "USBS"
constexpr std::size_t kCbwBytes = 31;
constexpr uint8_t kGetMaxLun = 0xFE;
constexpr uint8_t kBulkOnlyReset = 0xFF;
constexpr char kInterfaceName[] = "QZ bridge";

struct Endpoints
{
    usb_interface_descriptor interface;
    usb_endpoint_descriptor_no_audio in;
    usb_endpoint_descriptor_no_audio out;
} __attribute__((packed));

struct Descriptors
{
    usb_functionfs_descs_head_v2 header;
    uint32_t fsCount;
    uint32_t hsCount;
    Endpoints fs;
    Endpoints hs;
} __attribute__((packed));

struct Strings
{
    usb_functionfs_strings_head header;
    uint16_t language;
    char text[sizeof kInterfaceName];
} __attribute__((packed));

Endpoints BulkOnlyInterface(uint16_t maxPacket)
{
    Endpoints e;
    std::memset(&e, 0, sizeof e);
    e.interface.bLength = sizeof e.interface;
    e.interface.bDescriptorType = USB_DT_INTERFACE;
    e.interface.bNumEndpoints = 2;
    e.interface.bInterfaceClass = USB_CLASS_MASS_STORAGE;
    e.interface.bInterfaceSubClass = 0x06; // SCSI transparent command set
    e.interface.bInterfaceProtocol = 0x50; // bulk-only
    e.interface.iInterface = 1;
    for (usb_endpoint_descriptor_no_audio *ep : {&e.in, &e.out}) {
        ep->bLength = sizeof *ep;
        ep->bDescriptorType = USB_DT_ENDPOINT;
        ep->bmAttributes = USB_ENDPOINT_XFER_BULK;
        ep->wMaxPacketSize = htole16(maxPacket);
    }
    e.in.bEndpointAddress = 1 | USB_DIR_IN;
    e.out.bEndpointAddress = 2 | USB_DIR_OUT;
    return e;
}

uint32_t GetLE32(const uint8_t *p)
{
    return uint32_t {p[0]} | uint32_t {p[1]} << 8 | uint32_t {p[2]} << 16 | uint32_t {p[3]} << 24;
}

void PutLE32(uint8_t *p, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = static_cast<uint8_t>(v >> (8 * i));
}

bool WriteAll(int fd, const void *data, std::size_t size)
{
    const auto *bytes = static_cast<const uint8_t *>(data);
    while (size > 0) {
        const ssize_t done = ::write(fd, bytes, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        bytes += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

bool ReadAll(int fd, uint8_t *data, std::size_t size)
{
    while (size > 0) {
        const ssize_t done = ::read(fd, data, size);
        if (done < 0 && errno == EINTR)
            continue;
        if (done <= 0)
            return false;
        data += done;
        size -= static_cast<std::size_t>(done);
    }
    return true;
}

// Control requests that reach the function: Get Max LUN is answered (one
// LUN), a bulk-only reset is acknowledged, everything else is stalled.
void ServeControl(int ep0)
{
    usb_functionfs_event events[4];
    for (;;) {
        const ssize_t got = ::read(ep0, events, sizeof events);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            return;
        for (std::size_t i = 0; i < static_cast<std::size_t>(got) / sizeof events[0]; ++i) {
            if (events[i].type != FUNCTIONFS_SETUP)
                continue;
            const usb_ctrlrequest &request = events[i].u.setup;
            const bool isClass = (request.bRequestType & USB_TYPE_MASK) == USB_TYPE_CLASS;
            if ((request.bRequestType & USB_DIR_IN) != 0) {
                const uint8_t lastLun = 0;
                if (isClass && request.bRequest == kGetMaxLun)
                    (void)::write(ep0, &lastLun, 1);
                else
                    (void)::read(ep0, nullptr, 0); // stall
            } else if (isClass && request.bRequest == kBulkOnlyReset) {
                (void)::read(ep0, nullptr, 0); // acknowledge
            } else {
                (void)::write(ep0, nullptr, 0); // stall
            }
        }
    }
}

qzbridge::Fault FaultFrom(const char *path)
{
    if (path == nullptr)
        return qzbridge::Fault::None;
    std::ifstream in(path);
    std::string word;
    in >> word;
    if (word == "short-answer")
        return qzbridge::Fault::ShortAnswer;
    if (word == "short-identify")
        return qzbridge::Fault::ShortIdentify;
    if (word == "status-only-answer")
        return qzbridge::Fault::StatusOnlyAnswer;
    if (word == "empty-answer")
        return qzbridge::Fault::EmptyAnswer;
    if (word == "short-write")
        return qzbridge::Fault::ShortWrite;
    return qzbridge::Fault::None;
}

std::string Hex(const std::vector<uint8_t> &bytes)
{
    std::string text;
    char byte[4];
    for (uint8_t b : bytes) {
        std::snprintf(byte, sizeof byte, text.empty() ? "%02x" : " %02x", b);
        text += byte;
    }
    return text;
}

int Fail(const char *what, const std::string &path)
{
    std::fprintf(stderr, "qz_usb_bridge: %s %s: %s\n", what, path.c_str(), std::strerror(errno));
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    qzbridge::Chip chip = qzbridge::Chip::JMicron;
    if (argc > 1 && std::strcmp(argv[1], "--asmedia") == 0) {
        chip = qzbridge::Chip::ASMedia;
        --argc;
        ++argv;
    }
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: qz_usb_bridge [--asmedia] FUNCTIONFS-MOUNT LOG-FILE [FAULT-FILE]\n");
        return 2;
    }
    const std::string mount = argv[1];
    const char *faultFile = argc == 4 ? argv[3] : nullptr;
    std::FILE *log = std::fopen(argv[2], "a");
    if (log == nullptr)
        return Fail("cannot open the log", argv[2]);

    const int ep0 = ::open((mount + "/ep0").c_str(), O_RDWR);
    if (ep0 < 0)
        return Fail("cannot open", mount + "/ep0");
    Descriptors descriptors;
    std::memset(&descriptors, 0, sizeof descriptors);
    descriptors.header.magic = htole32(FUNCTIONFS_DESCRIPTORS_MAGIC_V2);
    descriptors.header.flags = htole32(FUNCTIONFS_HAS_FS_DESC | FUNCTIONFS_HAS_HS_DESC);
    descriptors.header.length = htole32(sizeof descriptors);
    descriptors.fsCount = htole32(3);
    descriptors.hsCount = htole32(3);
    descriptors.fs = BulkOnlyInterface(64);
    descriptors.hs = BulkOnlyInterface(512);
    Strings strings;
    std::memset(&strings, 0, sizeof strings);
    strings.header.magic = htole32(FUNCTIONFS_STRINGS_MAGIC);
    strings.header.length = htole32(sizeof strings);
    strings.header.str_count = htole32(1);
    strings.header.lang_count = htole32(1);
    strings.language = htole16(0x0409);
    std::memcpy(strings.text, kInterfaceName, sizeof kInterfaceName);
    if (!WriteAll(ep0, &descriptors, sizeof descriptors) || !WriteAll(ep0, &strings, sizeof strings))
        return Fail("cannot write the descriptors to", mount + "/ep0");

    const int in = ::open((mount + "/ep1").c_str(), O_RDWR);
    const int out = ::open((mount + "/ep2").c_str(), O_RDWR);
    if (in < 0 || out < 0)
        return Fail("cannot open the bulk endpoints in", mount);
    std::thread control(ServeControl, ep0);
    control.detach();
    std::printf("ready\n");
    std::fflush(stdout);

    qzbridge::BridgeTarget target(chip);
    // The drive's Identify data beside the log, for hosts to compare with.
    std::ofstream(std::string(argv[2]) + ".identify", std::ios::binary)
        .write(reinterpret_cast<const char *>(target.Drive().IdentifyData().data()),
               static_cast<std::streamsize>(target.Drive().IdentifyData().size()));
    uint8_t cbw[512];
    for (;;) {
        const ssize_t got = ::read(out, cbw, sizeof cbw);
        if (got < 0) {
            ::usleep(10 * 1000); // not bound or not configured yet
            continue;
        }
        if (static_cast<std::size_t>(got) != kCbwBytes || GetLE32(cbw) != kCbwSignature) {
            std::fprintf(log, "invalid command block wrapper of %zd bytes\n", got);
            std::fflush(log);
            continue;
        }
        qzbridge::ScsiCommand command;
        command.transferLength = GetLE32(cbw + 8);
        command.dataIn = (cbw[12] & 0x80) != 0;
        command.cdb.assign(cbw + 15, cbw + 15 + std::min<uint8_t>(cbw[14] & 0x1F, 16));
        if (!command.dataIn && command.transferLength > 0) {
            command.dataOut.resize(command.transferLength);
            if (!ReadAll(out, command.dataOut.data(), command.dataOut.size()))
                continue;
        }
        std::fprintf(log, "cdb %s %s %u\n", Hex(command.cdb).c_str(),
                     command.transferLength == 0 ? "none"
                         : command.dataIn        ? "in"
                                                 : "out",
                     command.transferLength);
        target.SetFault(FaultFrom(faultFile));
        const qzbridge::ScsiReply reply = target.Execute(command);
        for (const std::string &note : target.Notes())
            std::fprintf(log, "%s\n", note.c_str());

        uint32_t residue = command.dataIn ? command.transferLength : reply.dataOutLeft;
        if (command.dataIn && command.transferLength > 0) {
            const std::size_t sent = std::min<std::size_t>(reply.dataIn.size(), command.transferLength);
            if (sent > 0)
                WriteAll(in, reply.dataIn.data(), sent);
            // A short transfer that ends on a packet boundary would not end
            // the host's read: stall the pipe instead (reading halts an IN
            // endpoint in FunctionFS); the host clears it and reads the status.
            if (sent < command.transferLength && sent % 64 == 0) {
                uint8_t ignored;
                (void)::read(in, &ignored, 1);
            }
            residue = command.transferLength - static_cast<uint32_t>(sent);
        }
        uint8_t csw[13] = {};
        PutLE32(csw, kCswSignature);
        std::memcpy(csw + 4, cbw + 4, 4); // the tag
        PutLE32(csw + 8, residue);
        csw[12] = reply.good ? 0 : 1;
        WriteAll(in, csw, sizeof csw);
        std::fprintf(log, "csw status %u residue %u\n", csw[12], residue);
        std::fflush(log);
    }
}
