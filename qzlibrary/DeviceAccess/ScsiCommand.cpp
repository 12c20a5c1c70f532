#include "DeviceAccess/ScsiCommand.h"

#include <cstring>
#include <vector>

#include "DeviceAccess/DeviceAccess.h"
#include "DeviceAccess/DeviceSession.h"
#include "QZUtil/QZUtil.h"
#include "dbg/DllPrintf.h"

namespace {

constexpr uint8_t kCheckCondition = 0x02;

// Sense key, ASC and ASCQ of fixed-format (70h/71h) or descriptor-format
// (72h/73h) sense data, so that a UNIT ATTENTION after a reset reads
// differently from a bridge's refusal of a command.
void ReportSense(const qz::ScsiRequest &request)
{
    const uint8_t *sense = request.sense;
    const uint8_t code = sense[0] & 0x7F;
    if ((code == 0x70 || code == 0x71) && request.senseLength >= 14)
        __dll_printf(QZ_FORMAT_SENSE, sense[2] & 0x0Fu, sense[12], sense[13]);
    else if ((code == 0x72 || code == 0x73) && request.senseLength >= 4)
        __dll_printf(QZ_FORMAT_SENSE, sense[1] & 0x0Fu, sense[2], sense[3]);
}

bool SendScsiCommand(bool dataIn, const char *fileName, const uint8_t *cdb, uint32_t cdbLength, uint8_t *buffer,
                     uint32_t bufferLen, uint32_t *transferred, uint32_t timeout, DataInLength rule)
{
    qz::DeviceAccess &access = qz::CurrentDeviceAccess();
    if (cdbLength > sizeof(qz::ScsiRequest::cdb) || (bufferLen > 0 && buffer == nullptr)) {
        // A request the platform could not express: refused before any device
        // is opened.
        QZ_SetLastError(QZ_ErrorInvalidParameter());
        __dll_printf(dataIn ? "LastError(ReadSCSICommandWithTimeOutValue)[1] = %d\r\n"
                            : "LastError(WriteSCSICommandWithTimeOutValue)[1] = %d\r\n",
                     static_cast<int>(QZ_GetLastError()));
        return false;
    }

    const qz::DeviceLease lease(fileName);
    const qz::DeviceHandle handle = lease.Handle();
    if (handle == qz::kInvalidDeviceHandle) {
        __dll_printf(dataIn ? "ReadSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = %s\r\n"
                            : "WriteSCSICommandWithTimeOutValue(INVALID_HANDLE_VALUE) = %s\r\n",
                     fileName);
        qz::ReportIfAccessDenied(qz::DeniedAction::Open, fileName);
        return false;
    }

    qz::ScsiRequest request;
    std::memcpy(request.cdb, cdb, cdbLength);
    request.cdbLength = static_cast<uint8_t>(cdbLength);
    request.dataIn = dataIn;
    request.timeoutSeconds = timeout;

    // A single byte travels as two. Data from the device lands in scratch
    // first, so that a command that fails leaves the caller's buffer alone.
    uint8_t bounce[2] = {0, 0};
    std::vector<uint8_t> scratch;
    if (bufferLen == 1) {
        if (!dataIn)
            bounce[0] = buffer[0];
        request.buffer = bounce;
        request.length = 2;
    } else if (dataIn && bufferLen > 0) {
        scratch.assign(bufferLen, 0);
        request.buffer = scratch.data();
        request.length = bufferLen;
    } else {
        request.buffer = buffer;
        request.length = bufferLen;
    }

    const bool carried = access.ScsiPassThrough(handle, request);
    const uint32_t error = QZ_GetLastError();
    if (transferred != nullptr)
        *transferred = request.transferred;

    if (request.scsiStatus != 0) {
        __dll_printf(QZ_FORMAT_SCSI_STATUS, request.scsiStatus);
        ReportSense(request);
        if (request.scsiStatus == kCheckCondition)
            QZ_SetLastError(QZ_ErrorCheckCondition());
        return false;
    }
    if (carried && error == 0 && !dataIn && request.transferred < request.length) {
        // The device took only part of what was sent: the command did not
        // do what was asked, whatever its status says.
        __dll_printf(QZ_FORMAT_SHORT_DATA_OUT, request.transferred, request.length);
        QZ_SetLastError(QZ_ErrorShortTransfer());
        return false;
    }
    if (carried && error == 0 && dataIn) {
        const uint32_t delivered = request.transferred < bufferLen ? request.transferred : bufferLen;
        if (rule == DataInLength::Exact && delivered < bufferLen) {
            __dll_printf(QZ_FORMAT_SHORT_DATA_IN, delivered, bufferLen);
            return false;
        }
        if (delivered > 0)
            std::memcpy(buffer, request.buffer, delivered);
    }
    if (carried && error == 0)
        return true;
    __dll_printf(dataIn ? "LastError(ReadSCSICommandWithTimeOutValue)[1] = %d\r\n"
                        : "LastError(WriteSCSICommandWithTimeOutValue)[1] = %d\r\n",
                 static_cast<int>(error));
    QZ_SetLastError(error);
    qz::ReportIfAccessDenied(qz::DeniedAction::ScsiPassThrough, fileName);
    return false;
}

} // namespace

bool ReadSCSICommandWithTimeOutValue(const char *fileName, const uint8_t *cdb, uint32_t cdbLength, uint8_t *inputBuffer,
                                     uint32_t bufferLen, uint32_t *readLength, uint32_t timeout, DataInLength rule)
{
    return SendScsiCommand(true, fileName, cdb, cdbLength, inputBuffer, bufferLen, readLength, timeout, rule);
}

bool WriteSCSICommandWithTimeOutValue(const char *fileName, const uint8_t *cdb, uint32_t cdbLength,
                                      uint8_t *inputBuffer, uint32_t bufferLen, uint32_t *writeLength, uint32_t timeout)
{
    return SendScsiCommand(false, fileName, cdb, cdbLength, inputBuffer, bufferLen, writeLength, timeout,
                           DataInLength::UpTo);
}
