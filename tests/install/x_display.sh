# Sourced by the install tests: counted failures, a scratch folder $tmp, a private Xvfb and the
# game's window on it; all stopped and removed at exit, after the test's own on_exit (if any).
fails=0
fail() { echo "FAIL: $*" && fails=$((fails + 1)); }
die() { echo "FAIL: $*" && exit 1; }
need() {  # need <tool>...: each on the PATH, or the test fails at once
    for t; do command -v "$t" >/dev/null || die "no $t: bash scripts/install-deps.sh test"; done
}
logged() {  # logged <log> <command>...: the output in <log>, shown if the command fails
    log=$1 && shift
    "$@" >"$log" 2>&1 || { tail -n 40 "$log" && die "$*"; }
}
finish() { [ "$fails" -eq 0 ] || die "$fails $1 check(s) failed"; echo "$1 checks passed"; }

tmp=$(mktemp -d)
game_pid= xvfb_pid=
cleanup() {
    [ -z "$game_pid" ] || kill "$game_pid" 2>/dev/null || true
    if type on_exit >/dev/null 2>&1; then on_exit; fi
    [ -z "$xvfb_pid" ] || kill "$xvfb_pid" 2>/dev/null || true
    rm -rf "$tmp"
}
trap cleanup EXIT

# start_xvfb: sets $display (":N"); the server picks a free display, so tests never share one.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$tmp/display" 2>/dev/null &
    xvfb_pid=$!
    for _ in $(seq 150); do [ -s "$tmp/display" ] && break; sleep 0.1; done
    display=:$(head -n1 "$tmp/display")
}

# launched <executable> <folder> <log>: the game started as $game_pid shows its window ($window)
# and runs <executable> (the launcher execs it) in <folder>; false with no window.
launched() {
    window=$(DISPLAY=$display timeout 30 xdotool search --sync --onlyvisible \
        --name '^Cobble Vale$' 2>/dev/null | head -n1 || true)
    [ -n "$window" ] || { fail "no window titled Cobble Vale appeared: $(cat "$3")" && return 1; }
    for what in "exe $1" "cwd $2"; do
        [ "$(readlink "/proc/$game_pid/${what%% *}")" = "${what#* }" ] ||
            fail "the game's $what expected, found $(readlink "/proc/$game_pid/${what%% *}")"
    done
}
