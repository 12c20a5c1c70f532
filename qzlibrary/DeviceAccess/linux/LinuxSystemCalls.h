// The system calls the Linux backend makes, behind one seam so that tests
// can see every request it packs and answer as a device would.
#pragma once

#include <linux/fs.h>
#include <linux/nvme_ioctl.h>
#include <scsi/sg.h>

// Linux 5.15 and later; older headers lack it.
#ifndef BLKGETDISKSEQ
#define BLKGETDISKSEQ _IOR(0x12, 128, __u64)
#endif

namespace qz {

class LinuxSystemCalls
{
public:
    virtual ~LinuxSystemCalls() = default;
    // Each returns what the system call returns, with errno set on failure.
    virtual int Open(const char *path, int flags);
    virtual int Close(int fd);
    virtual int SgIo(int fd, sg_io_hdr_t *header); // ioctl SG_IO
    virtual int NvmeAdmin(int fd, struct nvme_admin_cmd *cmd); // ioctl NVME_IOCTL_ADMIN_CMD
    virtual int DiskSequence(int fd, unsigned long long *sequence); // ioctl BLKGETDISKSEQ
    virtual int DeviceNumber(int fd, unsigned *major, unsigned *minor); // fstat: st_rdev
};

} // namespace qz
