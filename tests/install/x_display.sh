# Sourced by the install tests: a private Xvfb server and the game's window on it.
#   start_xvfb <scratch dir>   starts it and sets $display (":N") and $xvfb_pid; the server picks
#                              a free display itself, so tests running at once never share one.
start_xvfb() {
    Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp 3>"$1/display" 2>/dev/null &
    xvfb_pid=$!
    i=0
    while [ ! -s "$1/display" ] && [ $i -lt 150 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    display=:$(head -n1 "$1/display")
}

#   game_window                prints the id of the visible window titled Cobble Vale on
#                              $display, waiting for it at most 30 s (nothing when none appears)
game_window() {
    DISPLAY=$display timeout 30 xdotool search --sync --onlyvisible --name '^Cobble Vale$' \
        2>/dev/null | head -n1 || true
}
