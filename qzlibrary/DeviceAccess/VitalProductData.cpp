#include "DeviceAccess/VitalProductData.h"

#include <cstdio>

#include "QZUtil/QZUtil.h"

namespace qz {
namespace {

constexpr uint32_t kInquiryTimeoutSeconds = 10;
constexpr uint32_t kPageHeaderBytes = 4;

std::string Page(DeviceAccess &access, DeviceHandle handle, uint8_t page)
{
    uint8_t data[kVitalProductDataLength] = {};
    ScsiRequest request;
    request.cdb[0] = 0x12; // INQUIRY
    request.cdb[1] = 0x01; // EVPD
    request.cdb[2] = page;
    request.cdb[4] = static_cast<uint8_t>(sizeof data);
    request.cdbLength = 12; // as the library sends its standard INQUIRY
    request.dataIn = true;
    request.buffer = data;
    request.length = sizeof data;
    request.timeoutSeconds = kInquiryTimeoutSeconds;

    char name[8];
    std::snprintf(name, sizeof name, "vpd%02x ", page);
    const bool carried = access.ScsiPassThrough(handle, request);
    const uint32_t delivered = request.transferred < sizeof data ? request.transferred : sizeof data;
    if (!carried || request.scsiStatus != 0 || delivered < kPageHeaderBytes || data[1] != page)
        return std::string(name) + "absent";
    const uint32_t pageBytes = kPageHeaderBytes + ((uint32_t {data[2]} << 8) | data[3]);
    const uint32_t count = pageBytes < delivered ? pageBytes : delivered;
    std::string text = name;
    static const char kHex[] = "0123456789abcdef";
    for (uint32_t i = 0; i < count; ++i) {
        text += kHex[data[i] >> 4];
        text += kHex[data[i] & 0x0F];
    }
    return text;
}

} // namespace

std::string DeviceIdentificationPages(DeviceAccess &access, DeviceHandle handle)
{
    const uint32_t savedError = QZ_GetLastError();
    std::string text = Page(access, handle, kUnitSerialNumberPage);
    text += ' ';
    text += Page(access, handle, kDeviceIdentificationPage);
    QZ_SetLastError(savedError);
    return text;
}

} // namespace qz
