# Runs every group of checks in the guest, each in its own shell so that one
# group's failure to set up does not stop the others.
. /tests/lib.sh
uptime_seconds() { cut -d' ' -f1 /proc/uptime; }
for group in /tests/nvme.sh /tests/usb.sh /tests/bridge.sh; do
    [ -f "$group" ] || continue
    started=$(uptime_seconds)
    sh "$group" || check_fail "$(basename "$group" .sh)-group" "ended with status $?"
    note "timing: $(basename "$group" .sh) checks from ${started}s to $(uptime_seconds)s of the guest's uptime"
done
