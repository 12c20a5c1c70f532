# QEMU's emulated NVMe controller: what the library finds and reads there,
# compared with nvme-cli, and what the controller answers to the exchange.
. /tests/lib.sh

if ! wait_for /sys/block/nvme0n1 100; then
    check_fail nvme-present "no /sys/block/nvme0n1 after 10 s"
    exit 1
fi
path=$(readlink -f /sys/block/nvme0n1 | tr 'A-Z' 'a-z')
controller=$(basename "$(readlink -f /sys/block/nvme0n1/device)")
instance=${controller#nvme}
note "nvme: namespace at $path, controller $controller"

# Enumeration: one NVMe drive with the namespace's sysfs path, reached for
# admin commands through its controller's physical-drive name.
qzctl --debug list >list.out 2>list.err
status=$?
cat list.out list.err
check nvme-list-status "qzctl list exited with $status" [ "$status" -eq 0 ]
check nvme-list-row "no NVMe row with $path" grep -qE "^0 +NVMe +- +.* $path\$" list.out
check nvme-list-physical-drive "no 'QZ device 0: NVMe \\\\.\\PHYSICALDRIVE$instance, $path' line" \
    grep -qF "QZ device 0: NVMe \\\\.\\PHYSICALDRIVE$instance, $path" list.err

# Identify: the library's 4096 bytes are nvme-cli's.
qzctl identify 0 --raw id.qz 2>id.err
status=$?
nvme id-ctrl /dev/nvme0 -b >id.cli 2>id.cli.err
check nvme-identify-status "qzctl identify exited with $status" [ "$status" -eq 0 ]
check nvme-identify-size "the Identify data is not 4096 bytes" [ "$(stat -c %s id.qz 2>/dev/null)" = 4096 ]
check nvme-identify-matches-nvme-cli "qzctl and nvme id-ctrl differ: $(cmp id.qz id.cli 2>&1 | head -n 1)" \
    cmp -s id.qz id.cli

# The exchange: this controller has no lighting MCU; both directions must
# fail, and a failed read leaves no answer file.
make_block block 'Q'
tracing=/sys/kernel/tracing
echo >$tracing/trace
echo 1 >$tracing/events/nvme/nvme_setup_cmd/enable
qzctl --debug mcu-write 0 block >write.out 2>write.err
status=$?
cat write.err
check nvme-write-fails "qzctl mcu-write exited with $status, not 1" [ "$status" -eq 1 ]
qzctl --debug mcu-read 0 block answer >read.out 2>read.err
status=$?
cat read.err
check nvme-read-fails "qzctl mcu-read exited with $status, not 1" [ "$status" -eq 1 ]
check nvme-read-leaves-no-answer "an answer file was written" [ ! -e answer ]
echo 0 >$tracing/events/nvme/nvme_setup_cmd/enable

# What the driver put in the submission entries: the lighting log pages go
# with NSID 0 and 4096 bytes, as through a bridge. (This controller ends the
# exchange before the download, so C7h is never asked for here.)
grep nvme_setup_cmd $tracing/trace | grep qzctl | sed 's/.*nvme_setup_cmd: //' >exchange.trace
note_file "nvme submitted: " exchange.trace
check nvme-log-c6-entry "no Get Log Page C6h with NSID 0 and 1024 dwords" \
    grep -q "nsid=0, .*nvme_admin_get_log_page cdw10=c6 00 ff 03 " exchange.trace
check nvme-log-pages-nsid "a lighting log page went with a namespace other than 0" \
    [ "$(grep -cE 'nvme_admin_get_log_page cdw10=c[67] ' exchange.trace)" = \
      "$(grep -cE 'nsid=0, .*nvme_admin_get_log_page cdw10=c[67] ' exchange.trace)" ]

# Opens that make udev re-probe: no descriptor of ours is opened for writing
# on the namespace or controller nodes during an Identify and an exchange.
qz_count_close_writes /dev/nvme0n1 /dev/$controller -- sh -c \
    'qzctl identify 0 --raw id.again; qzctl mcu-write 0 block; qzctl mcu-read 0 block answer' >closes.txt 2>/dev/null
cat closes.txt
check nvme-no-write-close "IN_CLOSE_WRITE during Identify and the exchange: $(tr '\n' ' ' <closes.txt)" \
    [ "$(grep -c ': 0$' closes.txt)" = 2 ]

# What the controller answers to each command of the exchange, asked by
# nvme-cli for the record.
ask() {
    label=$1
    shift
    "$@" >ask.out 2>&1
    note "nvme answer to $label (exit $?): $(grep -v '^$' ask.out | head -n 3 | tr '\n' ' ')"
}
ask "Get Log Page C6h, 4096 bytes, NSID 0" nvme get-log /dev/nvme0 --log-id=0xc6 --log-len=4096 --namespace-id=0 -b
ask "Get Log Page C7h, 4096 bytes, NSID 0" nvme get-log /dev/nvme0 --log-id=0xc7 --log-len=4096 --namespace-id=0 -b
ask "Get Log Page C6h, NSID FFFFFFFFh" nvme get-log /dev/nvme0 --log-id=0xc6 --log-len=4096 -b
ask "Firmware Slot Information log" nvme fw-log /dev/nvme0
ask "Firmware Image Download, 4096 bytes at 0" nvme fw-download /dev/nvme0 --fw=block --xfer=4096 --offset=0
nvme id-ctrl /dev/nvme0 >idctrl.txt 2>&1
note "nvme id-ctrl: $(grep -E '^(oacs|frmw|lpa|fwug) ' idctrl.txt | tr -s ' ' | tr '\n' ';')"
