# Runs every group of checks in the guest, each in its own shell so that one
# group's failure to set up does not stop the others.
. /tests/lib.sh
for group in /tests/nvme.sh /tests/usb.sh /tests/bridge.sh; do
    [ -f "$group" ] || continue
    sh "$group" || check_fail "$(basename "$group" .sh)-group" "ended with status $?"
done
