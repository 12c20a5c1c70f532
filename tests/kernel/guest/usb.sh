# USB disks made in the guest with the kernel's gadget stack (dummy_hcd and
# the mass-storage function): an ASMedia bridge that classifies but carries
# no tunnel, disks that must be rejected, and a disk replaced behind a slot.
. /tests/lib.sh

gadget=/sys/kernel/config/usb_gadget/qz
udc=$(ls /sys/class/udc 2>/dev/null | head -n 1)
tracing=/sys/kernel/tracing
if [ -z "$udc" ]; then
    check_fail usb-gadget-stack "no USB device controller (dummy_hcd) in /sys/class/udc"
    exit 1
fi

# plug VENDOR-ID PRODUCT-ID "INQUIRY VENDOR" "INQUIRY PRODUCT" BACKING-FILE [ro]
# Makes one USB disk; BACKING-FILE "" makes a drive with no medium. Sets
# $disk to its block device name.
plug() {
    mkdir -p $gadget/strings/0x409 $gadget/configs/c.1 $gadget/functions/mass_storage.0
    echo "$1" >$gadget/idVendor
    echo "$2" >$gadget/idProduct
    echo "QZKT$2" >$gadget/strings/0x409/serialnumber
    echo 1 >$gadget/functions/mass_storage.0/lun.0/removable
    echo "${6:+1}" >$gadget/functions/mass_storage.0/lun.0/ro
    printf '%-8s%-16s%-4s' "$3" "$4" "0100" >$gadget/functions/mass_storage.0/lun.0/inquiry_string
    echo "$5" >$gadget/functions/mass_storage.0/lun.0/file
    ln -s $gadget/functions/mass_storage.0 $gadget/configs/c.1/ 2>/dev/null
    echo "$udc" >$gadget/UDC
    tries=0
    disk=""
    while [ -z "$disk" ] && [ "$tries" -lt 150 ]; do
        disk=$(ls /sys/block | grep '^sd' | head -n 1)
        [ -z "$disk" ] && usleep 100000
        tries=$((tries + 1))
    done
    [ -n "$disk" ] || return 1
    # The disk is usable once sd has read its capacity (0 without a medium).
    wait_for /dev/$disk 50 && usleep 300000
}

unplug() {
    echo "" >$gadget/UDC
    [ -z "$disk" ] || wait_for /sys/block/$disk 100 !
    rm -f $gadget/configs/c.1/mass_storage.0
    rmdir $gadget/functions/mass_storage.0 $gadget/configs/c.1 $gadget/strings/0x409 $gadget 2>/dev/null
}

sysfs_path() { readlink -f /sys/block/$1 | tr 'A-Z' 'a-z'; }

scsi_trace_on() {
    echo >$tracing/trace
    echo 1 >$tracing/events/scsi/scsi_dispatch_cmd_start/enable
}
scsi_trace_off() {
    echo 0 >$tracing/events/scsi/scsi_dispatch_cmd_start/enable
    grep scsi_dispatch_cmd_start $tracing/trace >"$1"
}

truncate -s 16M medium.img
truncate -s 16M other.img
make_block block 'Q'

# --- an ASMedia bridge: classified, every tunnel refused ---------------------
if plug 0x174c 0x2362 "ASMedia" "ASM2362 NVMe" medium.img; then
    path=$(sysfs_path $disk)
    note "usb: ASMedia gadget at $path"
    qzctl --debug list >list.out 2>list.err
    cat list.out list.err
    check usb-asmedia-listed "no 'USB ASMedia' row for $path" grep -qE "^1 +USB +ASMedia +.* $path\$" list.out
    qz_count_close_writes /dev/$disk -- sh -c 'qzctl identify 1 --raw id.asm 2>/dev/null; echo $? >id.status
        qzctl mcu-write 1 block 2>/dev/null; echo $? >write.status
        qzctl mcu-read 1 block answer.asm 2>/dev/null; echo $? >read.status' >closes.txt
    closes=$(sed -n 's/^close-write [^ ]*: //p' closes.txt)
    check usb-asmedia-identify-fails "identify exited with $(cat id.status)" [ "$(cat id.status)" = 1 ]
    check usb-asmedia-write-fails "mcu-write exited with $(cat write.status)" [ "$(cat write.status)" = 1 ]
    check usb-asmedia-read-fails "mcu-read exited with $(cat read.status)" [ "$(cat read.status)" = 1 ]
    check usb-asmedia-read-leaves-no-answer "an answer file was written" [ ! -e answer.asm ]
    check usb-asmedia-no-write-close "${closes:-no count of} IN_CLOSE_WRITE on /dev/$disk during identify, write and read" \
        [ "$closes" = 0 ]
    unplug
else
    check_fail usb-asmedia-listed "the ASMedia gadget did not appear"
    unplug
fi

# --- a write-protected ASMedia enclosure is still found -----------------------
if plug 0x174c 0x2362 "ASMedia" "ASM2362 NVMe" medium.img ro; then
    qzctl --debug list >list.out 2>list.err
    cat list.out list.err
    check usb-read-only-enclosure-listed "the write-protected enclosure was not found" \
        grep -qE "^1 +USB +ASMedia " list.out
else
    check_fail usb-read-only-enclosure-listed "the gadget did not appear"
fi
unplug

# --- disks that must be rejected ------------------------------------------------
# name vendor-id product-id "inquiry vendor" "inquiry product" backing-file
while read -r name vid pid vendor product medium; do
    vendor=$(echo "$vendor" | tr '_' ' ')
    product=$(echo "$product" | tr '_' ' ')
    [ "$medium" = none ] && medium=""
    if ! plug "$vid" "$pid" "$vendor" "$product" "$medium"; then
        check_fail "usb-rejects-$name" "the gadget did not appear"
        unplug
        continue
    fi
    path=$(sysfs_path $disk)
    qzctl --debug list >list.out 2>list.err
    status=$?
    cat list.out list.err
    if ! grep -qF "szDevicePath[1] = $path" list.err; then
        check_fail "usb-rejects-$name" "the disk at $path was not examined"
    elif grep -qE "^[0-9]+ +USB " list.out; then
        check_fail "usb-rejects-$name" "listed: $(grep -E '^[0-9]+ +USB ' list.out)"
    else
        check "usb-rejects-$name" "qzctl list exited with $status" [ "$status" = 0 ]
    fi
    unplug
done <<'DISKS'
plain-disk 0x1d6b 0x0104 Linux File-Stor_Gadget medium.img
jmicron-without-chip 0x152d 0x0583 JMicron Generic_NVMe medium.img
asmedia-other-chip 0x174c 0x1153 ASMedia ASM1153E_SATA medium.img
asmedia-no-medium 0x174c 0x2362 ASMedia ASM2362_NVMe none
DISKS

# --- a disk replaced behind an enumerated slot ----------------------------------
# The library enumerates the ASMedia bridge, the bridge is unplugged and a
# plain disk takes its name; the old slot must reach nothing.
if plug 0x174c 0x2362 "ASMedia" "ASM2362 NVMe" medium.img; then
    old_path=$(sysfs_path $disk)
    old_disk=$disk
    old_sequence=$(cat /sys/block/$disk/diskseq 2>/dev/null)
    rm -f enumerated replaced
    qz_library_session enumerate signal enumerated wait-for replaced \
        write 1 block read 1 block answer.replaced identify 1 id.replaced >session.out 2>session.err &
    session=$!
    wait_for enumerated 300
    unplug
    plug 0x1d6b 0x0104 "Linux" "File-Stor Gadget" other.img
    new_path=$(sysfs_path $disk)
    note "usb: replaced $old_disk ($old_path, diskseq $old_sequence) by $disk ($new_path, diskseq $(cat /sys/block/$disk/diskseq 2>/dev/null))"
    scsi_trace_on
    touch replaced
    wait $session
    scsi_trace_off replaced.trace
    cat session.out session.err replaced.trace
    check usb-replaced-enumerated "the bridge was not in slot 1" grep -q "QZ device 1: USB bridge ASMedia" session.err
    check usb-replaced-same-name "the new disk is $disk, not $old_disk" [ "$disk" = "$old_disk" ]
    check usb-replaced-write-fails "the write on the old slot succeeded" grep -qx "write: failed" session.out
    check usb-replaced-read-fails "the read on the old slot succeeded" grep -qx "read: failed" session.out
    check usb-replaced-identify-fails "Identify on the old slot succeeded" grep -qx "identify: failed" session.out
    note "usb: commands that reached the new disk while the old slot was used: $(sed -n 's/.*raw=\([0-9a-f]*\).*/\1/p' replaced.trace | tr '\n' ' ')"
    vendor_commands=$(grep -ciE "raw=(ea|eb|a1|12) " replaced.trace)
    check usb-replaced-no-command "$vendor_commands INQUIRY or vendor commands reached the new disk" \
        [ "$vendor_commands" = 0 ]
    check usb-replaced-reported "no debug line says the drive was replaced" grep -qi "replaced" session.err
    unplug
else
    check_fail usb-replaced-enumerated "the ASMedia gadget did not appear"
fi
