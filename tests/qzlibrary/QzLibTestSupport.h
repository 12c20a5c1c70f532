// Shared helpers for the drive library's tests: capturing the debug channel,
// a clean instance table, and simulated drives installed as the backend.
#pragma once

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "DeviceAccess/DeviceAccess.h"
#include "DeviceAccess/DeviceSession.h"
#include "DeviceAccess/sim/SimDeviceAccess.h"
#include "V_Comm/QZ_AP.h"
#include "dbg/DllPrintf.h"
#include "driverdef/DeviceTypes.h"

namespace qztest {

// Collects every line of the debug channel while alive.
class DebugCapture
{
public:
    DebugCapture() { qz::dbg::SetCapture(&DebugCapture::Receive, this); }
    ~DebugCapture() { qz::dbg::SetCapture(nullptr, nullptr); }
    DebugCapture(const DebugCapture &) = delete;
    DebugCapture &operator=(const DebugCapture &) = delete;

    // Lines without their "\n[DLL]" prefix (each is checked to carry it).
    std::vector<std::string> Texts() const
    {
        std::vector<std::string> texts;
        for (const std::string &line : lines) {
            EXPECT_EQ(line.rfind("\n[DLL]", 0), 0u) << line;
            texts.push_back(line.substr(6));
        }
        return texts;
    }
    bool Has(std::string_view text) const
    {
        for (const std::string &t : Texts()) {
            if (t == text)
                return true;
        }
        return false;
    }
    void Clear() { lines.clear(); }

    std::vector<std::string> lines;

private:
    static void Receive(void *self, const char *line, std::size_t length)
    {
        static_cast<DebugCapture *>(self)->lines.emplace_back(line, length);
    }
};

inline void ClearInstanceTable()
{
    for (_AP_INSTANCE_DATA &slot : AP_Instance) {
        std::memset(slot.pDevicePath, 0, sizeof slot.pDevicePath);
        std::memset(slot.devPhyFileName, 0, sizeof slot.devPhyFileName);
        slot.diskIdentity = {};
        slot.controllerIdentity = {};
        slot.diskIdentityRecorded = false;
        slot.controllerIdentityRecorded = false;
        slot.ucUSBCommandPath = 0;
        slot.ucNVMeCommandPath = 0;
        slot.ucUSBBridgeVendor = 0;
    }
    g_dwQZDeviceCount = 0;
}

// Records the identity of the slot's paths as enumeration would, with the
// backend installed now.
inline void RecordIdentity(int slot)
{
    qz::RecordSlotIdentity(static_cast<uint32_t>(slot));
}

// Puts a bridged drive into a slot as enumeration would, identity included
// (the backend must be installed first).
inline void SetBridgeSlot(int slot, const std::string &path, NVMeBridgeVendorType vendor)
{
    std::snprintf(AP_Instance[slot].pDevicePath, sizeof AP_Instance[slot].pDevicePath, "%s", path.c_str());
    AP_Instance[slot].ucUSBCommandPath = 1;
    AP_Instance[slot].ucNVMeCommandPath = 0;
    AP_Instance[slot].ucUSBBridgeVendor = vendor;
    RecordIdentity(slot);
}

// Installs the simulation described by `text` as the backend for one test.
class SimulatedDrives
{
public:
    explicit SimulatedDrives(std::string_view text)
    {
        std::string error;
        sim = qz::SimDeviceAccess::FromText(text, &error);
        if (!sim) {
            ADD_FAILURE() << "simulation file: " << error;
            sim = std::make_unique<qz::SimDeviceAccess>();
        }
        qz::SetDeviceAccessForTesting(sim.get());
    }
    ~SimulatedDrives()
    {
        EXPECT_EQ(sim->OpenHandleCount(), 0u) << "a device was left open";
        qz::SetDeviceAccessForTesting(nullptr);
    }
    SimulatedDrives(const SimulatedDrives &) = delete;
    SimulatedDrives &operator=(const SimulatedDrives &) = delete;

    qz::SimDeviceAccess *operator->() { return sim.get(); }

    // The SCSI commands and requests received, without opens and closes.
    std::vector<qz::SimDeviceAccess::Record> Requests() const
    {
        std::vector<qz::SimDeviceAccess::Record> out;
        for (const auto &r : sim->Records()) {
            using K = qz::SimDeviceAccess::RequestKind;
            if (r.kind != K::Open && r.kind != K::Close)
                out.push_back(r);
        }
        return out;
    }

    std::unique_ptr<qz::SimDeviceAccess> sim;
};

inline std::vector<uint8_t> Bytes(std::initializer_list<int> values)
{
    std::vector<uint8_t> out;
    for (int v : values)
        out.push_back(static_cast<uint8_t>(v));
    return out;
}

// A 4096-byte block with a recognisable pattern.
inline std::vector<uint8_t> PatternBlock(uint8_t seed)
{
    std::vector<uint8_t> block(4096);
    for (std::size_t i = 0; i < block.size(); ++i)
        block[i] = static_cast<uint8_t>(i * 31 + seed);
    return block;
}

// A temporary folder removed with its contents.
class TempFolder
{
public:
    TempFolder()
    {
        char pattern[] = "/tmp/qzlib-test-XXXXXX";
        const char *made = mkdtemp(pattern);
        if (made == nullptr)
            ADD_FAILURE() << "mkdtemp failed";
        path = made != nullptr ? made : "/tmp";
    }
    ~TempFolder()
    {
        std::error_code ec;
        std::filesystem::remove_all(path, ec);
    }
    TempFolder(const TempFolder &) = delete;
    TempFolder &operator=(const TempFolder &) = delete;
    std::string path;
};

} // namespace qztest

namespace qztest {

// Runs each test with an empty instance table and nothing enumerated.
class CleanTableTest : public ::testing::Test
{
protected:
    void SetUp() override { ClearInstanceTable(); }
    void TearDown() override { ClearInstanceTable(); }
};

// The SCSI commands among the requests, as (CDB, direction, length).
struct ScsiCall
{
    std::vector<uint8_t> cdb;
    bool dataIn;
    uint32_t length;
    std::vector<uint8_t> sent;
};

inline std::vector<ScsiCall> ScsiCalls(const std::vector<qz::SimDeviceAccess::Record> &records)
{
    std::vector<ScsiCall> calls;
    for (const auto &r : records) {
        if (r.kind == qz::SimDeviceAccess::RequestKind::Scsi)
            calls.push_back({r.cdb, r.dataIn, r.length, r.sent});
    }
    return calls;
}

// The paths the requests opened, in order.
inline std::vector<std::string> OpenedPaths(const std::vector<qz::SimDeviceAccess::Record> &records)
{
    std::vector<std::string> paths;
    for (const auto &r : records) {
        if (r.kind == qz::SimDeviceAccess::RequestKind::Open)
            paths.push_back(r.path);
    }
    return paths;
}

} // namespace qztest
