# A JMicron bridge emulated in user space (qz_usb_bridge, through FunctionFS)
# with an NVMe drive behind it: the tunnel on a real kernel and a real USB
# transport, as the drive library uses it.
. /tests/lib.sh

gadget=/sys/kernel/config/usb_gadget/qzbridge
ffs=/dev/ffs-qzbridge
udc=$(ls /sys/class/udc 2>/dev/null | head -n 1)

# plug_bridge VENDOR-ID PRODUCT-ID [--asmedia]: starts the bridge program,
# binds the gadget and sets $disk, $path and $bridge (its process).
plug_bridge() {
    mkdir -p $gadget/strings/0x409 $gadget/configs/c.1 $gadget/functions/ffs.qzbridge $ffs
    echo "$1" >$gadget/idVendor
    echo "$2" >$gadget/idProduct
    echo QZKTBRIDGE >$gadget/strings/0x409/serialnumber
    ln -s $gadget/functions/ffs.qzbridge $gadget/configs/c.1/ 2>/dev/null
    mount -t functionfs qzbridge $ffs
    : >bridge.fault
    rm -f bridge.log bridge.out
    qz_usb_bridge $3 $ffs bridge.log bridge.fault >bridge.out 2>bridge.err &
    bridge=$!
    tries=0
    while ! grep -q ready bridge.out 2>/dev/null && [ "$tries" -lt 100 ]; do
        usleep 100000
        tries=$((tries + 1))
    done
    echo "$udc" >$gadget/UDC
    disk=""
    tries=0
    while [ -z "$disk" ] && [ "$tries" -lt 150 ]; do
        disk=$(ls /sys/block | grep '^sd' | head -n 1)
        [ -z "$disk" ] && usleep 100000
        tries=$((tries + 1))
    done
    if [ -z "$disk" ]; then
        cat bridge.err bridge.log
        return 1
    fi
    wait_for /dev/$disk 50
    usleep 300000
    path=$(readlink -f /sys/block/$disk | tr 'A-Z' 'a-z')
}

unplug_bridge() {
    echo "" >$gadget/UDC
    [ -z "$disk" ] || wait_for /sys/block/$disk 100 !
    kill $bridge
    wait $bridge 2>/dev/null
    cat bridge.err
    umount $ffs
    rm -f $gadget/configs/c.1/ffs.qzbridge
    rmdir $gadget/functions/ffs.qzbridge $gadget/configs/c.1 $gadget/strings/0x409 $gadget 2>/dev/null
}

if ! plug_bridge 0x152d 0x0583; then
    check_fail bridge-disk "the emulated JMicron bridge gave no disk"
    unplug_bridge
    exit 1
fi
note "bridge: JMicron bridge at $path"

# Lines the bridge logged since a mark: since LINE FILE
mark() { wc -l <bridge.log; }
since() { tail -n +$(($1 + 1)) bridge.log >"$2"; }
tunnel() { grep -E '^(cdb a1|entry) ' "$1"; }

qzctl --debug list >list.out 2>list.err
cat list.out list.err
check bridge-listed "no JMicron row with the drive's model, serial and firmware at $path" \
    grep -qE "^1 +USB +JMicron +QZ Kernel Tier Bridged Drive +QZBRIDGE0001 +KT01 +$path\$" list.out

at=$(mark)
qzctl identify 1 --raw id.jm 2>id.err
status=$?
since "$at" identify.log
check bridge-identify "identify exited with $status" [ "$status" = 0 ]
check bridge-identify-data "the Identify data is not the drive's" cmp -s id.jm bridge.log.identify
tunnel identify.log >identify.tunnel
cat >identify.expected <<'END'
cdb a1 80 00 00 02 00 00 00 00 00 00 00 out 512
entry opc 06 nsid 00000000 cdw10 00000001 cdw11 00000000 cdw12 00000000
cdb a1 82 00 00 10 00 00 00 00 00 00 00 in 4096
END
check bridge-identify-tunnel "tunnel: $(tr '\n' '|' <identify.tunnel)" cmp -s identify.tunnel identify.expected

# A write: the pre-read of C6h, then the block as a firmware download.
make_block block 'Q'
at=$(mark)
qzctl mcu-write 1 block 2>write.err
status=$?
since "$at" write.log
check bridge-write "mcu-write exited with $status" [ "$status" = 0 ]
tunnel write.log >write.tunnel
cat >write.expected <<'END'
cdb a1 80 00 00 02 00 00 00 00 00 00 00 out 512
entry opc 02 nsid 00000000 cdw10 03ff00c6 cdw11 00000000 cdw12 00000000
cdb a1 82 00 00 10 00 00 00 00 00 00 00 in 4096
cdb a1 80 00 00 02 00 00 00 00 00 00 00 out 512
entry opc 11 nsid 00000000 cdw10 000003ff cdw11 00000000 cdw12 00000000
cdb a1 83 00 00 10 00 00 00 00 00 00 00 out 4096
END
check bridge-write-tunnel "tunnel: $(tr '\n' '|' <write.tunnel)" cmp -s write.tunnel write.expected

# A read: the same, then the answer from log page C7h (the block inverted).
at=$(mark)
qzctl mcu-read 1 block answer.jm 2>read.err
status=$?
since "$at" read.log
check bridge-read "mcu-read exited with $status" [ "$status" = 0 ]
tunnel read.log >read.tunnel
{
    cat write.expected
    echo "cdb a1 80 00 00 02 00 00 00 00 00 00 00 out 512"
    echo "entry opc 02 nsid 00000000 cdw10 03ff00c7 cdw11 00000000 cdw12 00000000"
    echo "cdb a1 82 00 00 10 00 00 00 00 00 00 00 in 4096"
} >read.expected
check bridge-read-tunnel "tunnel: $(tr '\n' '|' <read.tunnel)" cmp -s read.tunnel read.expected
answer_bytes=$(od -An -v -tx1 answer.jm 2>/dev/null | tr -s ' ' '\n' | grep . | sort -u | tr '\n' ' ')
check bridge-read-answer "the answer holds bytes $answer_bytes, not only ae" \
    [ "$answer_bytes" = "ae " -a "$(stat -c %s answer.jm 2>/dev/null)" = 4096 ]

# Nothing between a payload phase and its data phase: the next command the
# bridge sees after "a1 80" is the data phase of the same command.
cat identify.log write.log read.log | grep '^cdb ' >phases.log
foreign=$(awk 'payload && !/^cdb a1 8[123] / {n++; print "after a payload: " $0 > "/dev/stderr"}
               {payload = /^cdb a1 80 /} END {print n + 0}' phases.log)
check bridge-no-command-between-phases "$foreign foreign command(s) between a payload and its data phase" \
    [ "$foreign" = 0 ]

# No descriptor opened for writing: udev would re-probe the disk at each close.
qz_count_close_writes /dev/$disk -- sh -c \
    'qzctl identify 1 --raw id.again; qzctl mcu-write 1 block; qzctl mcu-read 1 block answer.again' \
    >closes.txt 2>/dev/null
closes=$(sed -n 's/^close-write [^ ]*: //p' closes.txt)
check bridge-no-write-close "${closes:-no count of} IN_CLOSE_WRITE on /dev/$disk" [ "$closes" = 0 ]

# read_with_fault FAULT NAME: reads slot 1's answer into answer.NAME while
# the bridge shows FAULT; the bridge's log of the read goes to NAME.log and
# qzctl's exit status to $status.
read_with_fault() {
    echo "$1" >bridge.fault
    at=$(mark)
    qzctl mcu-read 1 block "answer.$2" 2>"$2.err"
    status=$?
    since "$at" "$2.log"
    : >bridge.fault
}

# Data phases that end short with CHECK CONDITION must fail and leave the
# caller's data alone.
read_with_fault short-answer short
check bridge-short-answer-served "the bridge did not end the C7h phase short" \
    grep -q "csw status 1 residue 3096" short.log
check bridge-short-answer-fails "mcu-read exited with $status after a short answer" [ "$status" = 1 ]
check bridge-short-answer-no-file "an answer file was written after a short answer" [ ! -e answer.short ]

read_with_fault status-only-answer none
check bridge-status-only-answer-served "the bridge did not answer C7h with status only" \
    grep -q "csw status 1 residue 4096" none.log
check bridge-status-only-answer-fails "mcu-read exited with $status after an answer without data" \
    [ "$status" = 1 -a ! -e answer.none ]

read_with_fault empty-answer empty
check bridge-empty-answer-served "the bridge did not answer C7h with no data and GOOD status" \
    grep -q "csw status 0 residue 4096" empty.log
check bridge-empty-answer-fails "mcu-read exited with $status after an answer without data" \
    [ "$status" = 1 -a ! -e answer.empty ]

echo short-identify >bridge.fault
qzctl identify 1 --raw id.short 2>short-id.err
status=$?
: >bridge.fault
check bridge-short-identify-fails "identify exited with $status after a short Identify" [ "$status" = 1 ]

# A block the bridge took only in part (GOOD status, a residue) is a failure.
echo short-write >bridge.fault
at=$(mark)
qzctl --debug mcu-write 1 block 2>short-write.err
status=$?
since "$at" short-write.log
: >bridge.fault
check bridge-short-write-served "the bridge did not take the block short" \
    grep -q "csw status 0 residue 3096" short-write.log
check bridge-short-write-fails "mcu-write exited with $status after a block taken in part" [ "$status" = 1 ]
check bridge-short-write-says-why "no debug line names the short data-out" \
    grep -q "Short data-out = 1000 of 4096" short-write.err

unplug_bridge

# --- the same drive behind an ASMedia bridge ---------------------------------
# Enumeration and Identify go through EAh and EBh; no download form is known
# for this chip, so an exchange must fail rather than claim a block was sent.
if ! plug_bridge 0x174c 0x2362 --asmedia; then
    check_fail bridge-asmedia-disk "the emulated ASMedia bridge gave no disk"
    unplug_bridge
    exit 1
fi
note "bridge: ASMedia bridge at $path"
qzctl --debug list >list.out 2>list.err
cat list.out list.err
check bridge-asmedia-listed "no ASMedia row with the drive's model, serial and firmware at $path" \
    grep -qE "^1 +USB +ASMedia +QZ Kernel Tier Bridged Drive +QZBRIDGE0001 +KT01 +$path\$" list.out

at=$(mark)
qzctl identify 1 --raw id.asm 2>id.err
status=$?
since "$at" identify.log
check bridge-asmedia-identify "identify exited with $status" [ "$status" = 0 ]
check bridge-asmedia-identify-data "the Identify data is not the drive's" cmp -s id.asm bridge.log.identify
grep -E '^(cdb e[ab]|entry) ' identify.log >identify.tunnel
cat >identify.expected <<'END'
cdb ea 5a 80 00 01 00 00 00 00 00 00 00 00 40 00 00 out 64
entry opc 06 nsid 00000000 cdw10 00000001 cdw11 00000000 cdw12 00000000
cdb eb 5a 81 00 01 00 00 00 00 00 00 00 10 00 00 00 in 4096
END
check bridge-asmedia-identify-tunnel "tunnel: $(tr '\n' '|' <identify.tunnel)" cmp -s identify.tunnel identify.expected

qzctl --debug mcu-write 1 block >write.out 2>write.err
status=$?
cat write.err
check bridge-asmedia-write-fails "mcu-write exited with $status for a block this bridge does not carry" \
    [ "$status" = 1 ]
check bridge-asmedia-write-says-why "no debug line says the block is not carried" grep -qi "not carried" write.err
rm -f answer.asm
qzctl mcu-read 1 block answer.asm 2>read.err
status=$?
check bridge-asmedia-read-fails "mcu-read exited with $status for a request this bridge does not carry" \
    [ "$status" = 1 -a ! -e answer.asm ]

echo short-identify >bridge.fault
qzctl identify 1 --raw id.short.asm 2>/dev/null
status=$?
: >bridge.fault
check bridge-asmedia-short-identify-fails "identify exited with $status after a short Identify" [ "$status" = 1 ]
unplug_bridge
