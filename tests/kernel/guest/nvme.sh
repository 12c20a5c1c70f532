# QEMU's emulated NVMe controller: what the library finds and reads there,
# compared with nvme-cli, and what the controller answers to the exchange.
. /tests/lib.sh

if ! wait_for /sys/block/nvme0n1 100; then
    check_fail nvme-present "no /sys/block/nvme0n1 after 10 s"
    exit 1
fi
check_pass nvme-present
