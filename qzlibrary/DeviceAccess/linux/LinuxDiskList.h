// The present disks as sysfs sees them. A disk's interface path is the
// canonical sysfs path of its block device, e.g.
//   /sys/devices/pci0000:00/0000:00:14.0/usb2/2-1/2-1:1.0/host6/target6:0:0/6:0:0:0/block/sdb
//   /sys/devices/pci0000:00/0000:00:01.1/0000:01:00.0/nvme/nvme0/nvme0n1
// It names the bus the disk hangs on ("usb", "nvme"), stays valid when
// lower-cased, and needs no udev links. `root` redirects the sysfs tree
// (empty: the real one); paths are reported without it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace qz {

// Whole-disk block devices backed by hardware, in natural name order: no
// partitions, loop, RAM, device-mapper, MD, optical or hidden devices.
// False when the block device list cannot be read.
bool ListSysfsDisks(const std::string &root, std::size_t maxCount, std::vector<std::string> &paths);

// The instance number N of the NVMe controller (/dev/nvmeN) behind a disk's
// interface path; false for a disk that is not an NVMe namespace. A
// multipath namespace takes its first path through a live controller.
bool SysfsNvmeControllerInstance(const std::string &root, const std::string &interfacePath, uint32_t &instance);

// Orders names with embedded numbers naturally: sdb < sdaa, nvme2n1 < nvme10n1.
bool NaturalLess(const std::string &a, const std::string &b);

} // namespace qz
