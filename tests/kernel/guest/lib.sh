# Helpers shared by the guest's checks. A check's name is one word; the host
# compares names against tests/kernel/expected-failures.

check_pass() { echo "KTEST PASS $1"; }
check_fail() {
    name=$1
    shift
    echo "KTEST FAIL $name: $*"
}
# check NAME DETAIL COMMAND...: passes when the command succeeds.
check() {
    name=$1
    detail=$2
    shift 2
    if "$@"; then check_pass "$name"; else check_fail "$name" "$detail"; fi
}
note() { echo "KTEST NOTE $*"; }
# Shows a file's lines as notes, each with a prefix.
note_file() {
    prefix=$1
    while IFS= read -r line; do note "$prefix$line"; done <"$2"
}

# Waits up to $2 tenths of a second for a path to exist (or, with "!", to go).
wait_for() {
    tries=0
    while [ "$tries" -lt "$2" ]; do
        if [ "$3" = "!" ]; then [ -e "$1" ] || return 0; else [ -e "$1" ] && return 0; fi
        usleep 100000
        tries=$((tries + 1))
    done
    return 1
}

# A 4096-byte block with a recognisable pattern.
make_block() {
    dd if=/dev/zero bs=4096 count=1 2>/dev/null | tr '\0' "$2" >"$1"
}

export QZLIB_DEBUG=stderr
