# Sourced by the install tests: counted failures, a scratch folder $tmp, a private Xvfb server
# and the game's window on it. At exit, what was started is stopped (after the test's own
# on_exit, when it defines one) and $tmp is removed.
fails=0
fail() {
    echo "FAIL: $*"
    fails=$((fails + 1))
}
die() {
    echo "FAIL: $*"
    exit 1
}
# need <tool>...: each one on the PATH, or the test fails at once.
need() {
    for tool; do
        command -v "$tool" >/dev/null || die "$tool is missing: bash scripts/install-deps.sh test"
    done
}
# logged <log> <command>...: the command's output goes to <log>, shown when the command fails,
# which fails the test at once.
logged() {
    log=$1
    shift
    "$@" >"$log" 2>&1 || {
        tail -n 40 "$log"
        die "$*"
    }
}
# finish <what>: the verdict and the exit status.
finish() {
    [ "$fails" -eq 0 ] || {
        echo "$fails $1 check(s) failed"
        exit 1
    }
    echo "$1 checks passed"
}

tmp=$(mktemp -d)
game_pid=
xvfb_pid=
cleanup() {
    [ -z "$game_pid" ] || kill "$game_pid" 2>/dev/null || true
    if type on_exit >/dev/null 2>&1; then on_exit; fi
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

# start_xvfb: starts the server and sets $display (":N"); the server picks a free display
# itself, so tests running at once never share one.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
    xvfb_pid=$!
    i=0
    while [ ! -s "$tmp/display" ] && [ $i -lt 150 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    display=:$(head -n1 "$tmp/display")
}

# launched <executable> <folder> <log>: the game started as $game_pid shows its window (its id
# in $window) and runs <executable> (the launcher execs it) in <folder>; false with no window.
launched() {
    window=$(DISPLAY=$display timeout 30 xdotool search --sync --onlyvisible \
        --name '^Cobble Vale$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] || {
        fail "no window titled Cobble Vale appeared: $(cat "$3")"
        return 1
    }
    [ "$(readlink "/proc/$game_pid/exe")" = "$1" ] ||
        fail "the game's process runs $(readlink "/proc/$game_pid/exe"), not $1"
    [ "$(readlink "/proc/$game_pid/cwd")" = "$2" ] ||
        fail "the game runs in $(readlink "/proc/$game_pid/cwd"), not $2"
}
