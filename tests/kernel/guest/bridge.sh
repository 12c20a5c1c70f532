# A JMicron bridge emulated in user space (qz_usb_bridge, through FunctionFS)
# with an NVMe drive behind it: the tunnel on a real kernel and a real USB
# transport, as the drive library uses it.
. /tests/lib.sh

gadget=/sys/kernel/config/usb_gadget/qzbridge
ffs=/dev/ffs-qzbridge
udc=$(ls /sys/class/udc 2>/dev/null | head -n 1)

mkdir -p $gadget/strings/0x409 $gadget/configs/c.1 $gadget/functions/ffs.qzbridge $ffs
echo 0x152d >$gadget/idVendor
echo 0x0583 >$gadget/idProduct
echo QZKTBRIDGE >$gadget/strings/0x409/serialnumber
ln -s $gadget/functions/ffs.qzbridge $gadget/configs/c.1/
mount -t functionfs qzbridge $ffs
: >bridge.fault
qz_usb_bridge $ffs bridge.log bridge.fault >bridge.out 2>bridge.err &
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
    check_fail bridge-disk "the emulated bridge gave no disk"
    exit 1
fi
wait_for /dev/$disk 50
usleep 300000
path=$(readlink -f /sys/block/$disk | tr 'A-Z' 'a-z')
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

# Data phases that end short with CHECK CONDITION must fail and leave the
# caller's data alone.
echo short-answer >bridge.fault
at=$(mark)
qzctl mcu-read 1 block answer.short 2>short.err
status=$?
since "$at" short.log
: >bridge.fault
check bridge-short-answer-served "the bridge did not end the C7h phase short" \
    grep -q "csw status 1 residue 3096" short.log
check bridge-short-answer-fails "mcu-read exited with $status after a short answer" [ "$status" = 1 ]
check bridge-short-answer-no-file "an answer file was written after a short answer" [ ! -e answer.short ]

echo short-identify >bridge.fault
qzctl identify 1 --raw id.short 2>short-id.err
status=$?
: >bridge.fault
check bridge-short-identify-fails "identify exited with $status after a short Identify" [ "$status" = 1 ]

echo "" >$gadget/UDC
wait_for /sys/block/$disk 100 !
kill $bridge
cat bridge.err
