// The shared library as a host sees it: exactly seven exported names with C
// linkage, loaded and unloaded with the load hook's lines.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <dlfcn.h>
#include <elf.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <vector>

namespace {

const std::string kLibrary = std::string(QZ_TEST_BIN_DIR) + "/libQZlibrary_Ocelot_64.so";

std::vector<char> ReadAll(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Names the library defines in its dynamic symbol table with global or weak binding.
std::set<std::string> DefinedDynamicSymbols(const std::vector<char> &file)
{
    std::set<std::string> names;
    if (file.size() < sizeof(Elf64_Ehdr))
        return names;
    Elf64_Ehdr header;
    std::memcpy(&header, file.data(), sizeof header);
    if (std::memcmp(header.e_ident, ELFMAG, SELFMAG) != 0 || header.e_ident[EI_CLASS] != ELFCLASS64)
        return names;
    auto section = [&](std::size_t index) {
        Elf64_Shdr s;
        std::memcpy(&s, file.data() + header.e_shoff + index * header.e_shentsize, sizeof s);
        return s;
    };
    for (std::size_t i = 0; i < header.e_shnum; ++i) {
        const Elf64_Shdr symbols = section(i);
        if (symbols.sh_type != SHT_DYNSYM)
            continue;
        const Elf64_Shdr strings = section(symbols.sh_link);
        for (std::size_t offset = 0; offset + sizeof(Elf64_Sym) <= symbols.sh_size; offset += sizeof(Elf64_Sym)) {
            Elf64_Sym symbol;
            std::memcpy(&symbol, file.data() + symbols.sh_offset + offset, sizeof symbol);
            const unsigned binding = ELF64_ST_BIND(symbol.st_info);
            if (symbol.st_shndx == SHN_UNDEF || (binding != STB_GLOBAL && binding != STB_WEAK))
                continue;
            names.insert(file.data() + strings.sh_offset + symbol.st_name);
        }
    }
    return names;
}

TEST(SharedLibrary, ExportsExactlyTheSevenEntryPoints)
{
    const std::vector<char> file = ReadAll(kLibrary);
    ASSERT_FALSE(file.empty()) << kLibrary;
    EXPECT_EQ(DefinedDynamicSymbols(file),
              (std::set<std::string> {"QZLib_GetDllVersion", "QZLib_Initialize", "QZLib_UnInitialize",
                                      "QZLib_PROC_GetQZDevice", "QZLib_Identify", "QZLib_SYS_IloRgbMcuCmdWrite",
                                      "QZLib_SYS_IloRgbMcuCmdRead"}));
}

std::string ReadText(const std::string &path)
{
    std::ifstream in(path, std::ios::binary);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

TEST(SharedLibrary, AHostLoadsItCallsItAndUnloadsIt)
{
    char folder[] = "/tmp/qzlib-host-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string log = std::string(folder) + "/debug.log";
    setenv("QZLIB_DEBUG", log.c_str(), 1);
    // Never the machine's own disks: a simulation without drives.
    const std::string simulation = std::string(folder) + "/none.sim";
    std::ofstream(simulation) << "# no drives\n";
    setenv("QZLIB_SIMULATION", simulation.c_str(), 1);

    void *library = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    EXPECT_EQ(ReadText(log), "\n[DLL]QZ DLL Enterance\n\n[DLL]QZ DLL_PROCESS_ATTACH!\n");

    using Version = const char *(*)();
    using Flag = bool (*)();
    using Count = int (*)();
    using PerDrive = bool (*)(unsigned char, unsigned char *);
    auto version = reinterpret_cast<Version>(dlsym(library, "QZLib_GetDllVersion"));
    auto initialize = reinterpret_cast<Flag>(dlsym(library, "QZLib_Initialize"));
    auto uninitialize = reinterpret_cast<Flag>(dlsym(library, "QZLib_UnInitialize"));
    auto enumerate = reinterpret_cast<Count>(dlsym(library, "QZLib_PROC_GetQZDevice"));
    auto identify = reinterpret_cast<PerDrive>(dlsym(library, "QZLib_Identify"));
    ASSERT_TRUE(version && initialize && uninitialize && enumerate && identify);
    EXPECT_EQ(dlsym(library, "__dll_printf"), nullptr);
    EXPECT_EQ(dlsym(library, "_libmain"), nullptr);

    EXPECT_STREQ(version(), "0.00.001");
    EXPECT_TRUE(initialize());
    EXPECT_EQ(enumerate(), 0);
    unsigned char buffer[4096] = {};
    EXPECT_FALSE(identify(200, buffer));
    EXPECT_TRUE(uninitialize());
    EXPECT_FALSE(uninitialize());

    EXPECT_EQ(dlclose(library), 0);
    const std::string text = ReadText(log);
    const std::string tail = "\n[DLL]QZ DLL Enterance\n\n[DLL]QZ DLL_PROCESS_DETACH!\n";
    ASSERT_GE(text.size(), tail.size());
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << "the library stayed loaded after dlclose";
    EXPECT_NE(text.find("\n[DLL]QZ library initialized\n\n[DLL]dwDeviceCount = 0\n\n[DLL]QZ library uninitialized\n"),
              std::string::npos);

    unsetenv("QZLIB_DEBUG");
    unsetenv("QZLIB_SIMULATION");
    std::filesystem::remove_all(folder);
}

// What a host does, start to end, with the drives of a simulation file.
TEST(SharedLibrary, AHostSessionWithSimulatedDrives)
{
    char folder[] = "/tmp/qzlib-host-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    const std::string simulation = std::string(folder) + "/drives.sim";
    std::ofstream(simulation) << "[drive]\npath = /sys/devices/pci0000:00/nvme/nvme0/nvme0n1\nkind = nvme\n"
                                 "serial = HOSTNVME\nanswer = invert\n"
                                 "[drive]\npath = /sys/devices/usb2/2-1/host6/block/sdb\nkind = jmicron\n"
                                 "serial = HOSTUSB\nanswer = invert\n";
    setenv("QZLIB_SIMULATION", simulation.c_str(), 1);

    void *library = dlopen(kLibrary.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    using Flag = bool (*)();
    using Count = int (*)();
    using PerDrive = bool (*)(unsigned char, unsigned char *);
    auto initialize = reinterpret_cast<Flag>(dlsym(library, "QZLib_Initialize"));
    auto uninitialize = reinterpret_cast<Flag>(dlsym(library, "QZLib_UnInitialize"));
    auto enumerate = reinterpret_cast<Count>(dlsym(library, "QZLib_PROC_GetQZDevice"));
    auto identify = reinterpret_cast<PerDrive>(dlsym(library, "QZLib_Identify"));
    auto write = reinterpret_cast<PerDrive>(dlsym(library, "QZLib_SYS_IloRgbMcuCmdWrite"));
    auto read = reinterpret_cast<PerDrive>(dlsym(library, "QZLib_SYS_IloRgbMcuCmdRead"));
    ASSERT_TRUE(initialize && uninitialize && enumerate && identify && write && read);

    EXPECT_TRUE(initialize());
    ASSERT_EQ(enumerate(), 2);
    const char *serials[] = {"HOSTNVME", "HOSTUSB"};
    for (unsigned char drive = 0; drive < 2; ++drive) {
        std::vector<unsigned char> block(4096, 0);
        ASSERT_TRUE(identify(drive, block.data()));
        EXPECT_EQ(std::string(reinterpret_cast<const char *>(block.data()) + 4, std::strlen(serials[drive])),
                  serials[drive]);
        for (std::size_t i = 0; i < block.size(); ++i)
            block[i] = static_cast<unsigned char>(i + drive);
        EXPECT_TRUE(write(drive, block.data()));
        EXPECT_TRUE(read(drive, block.data()));
        EXPECT_EQ(block[1], static_cast<unsigned char>(~(1 + drive)));
    }
    EXPECT_FALSE(identify(2, std::vector<unsigned char>(4096).data()));
    EXPECT_TRUE(uninitialize());
    EXPECT_EQ(dlclose(library), 0);

    unsetenv("QZLIB_SIMULATION");
    std::filesystem::remove_all(folder);
}

} // namespace
