# Sourced by the install tests: a private Xvfb server.
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
