#!/bin/sh
# Installs the build into a fresh prefix and checks what a player's desktop gets:
#   install_test.sh <build dir> <application id> <icon size>...
# the layout, with the build's data files beside the installed executable; the .desktop entry and
# the AppStream metadata passing their validators cleanly; the launcher, started from another
# folder, reaching the installed game with the player's data directory as its working directory
# (without a display, and under Xvfb where the game opens its window).
set -eu
. "$(dirname "$0")/x_display.sh"
build=$1
id=$2
shift 2

prefix=$tmp/prefix
logged "$tmp/install.log" cmake --install "$build" --prefix "$prefix"

# --- Layout -----------------------------------------------------------------------------------
game=$prefix/lib/cobblevale/cobblevale
launcher=$prefix/bin/cobblevale
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
[ -x "$game" ] || fail "no executable game at $game"
[ -x "$launcher" ] || fail "no executable launcher at $launcher"
[ -f "$desktop" ] || fail "no desktop entry at $desktop"
[ -f "$metainfo" ] || fail "no metainfo at $metainfo"
[ -f "$prefix/share/man/man6/cobblevale.6" ] || fail "no manual page in $prefix/share/man/man6"
# Every data file of the build, byte for byte, beside the executable.
diff -r "$build/bin/data" "$prefix/lib/cobblevale/data" >"$tmp/data.diff" ||
    fail "installed data differs from the build's: $(head -5 "$tmp/data.diff")"

# A PNG's width and height are the big-endian words at bytes 16 and 20 of its header.
png_size() {
    od -An -tu1 -j16 -N8 "$1" |
        awk '{ printf "%dx%d", (($1*256+$2)*256+$3)*256+$4, (($5*256+$6)*256+$7)*256+$8 }'
}
for n in "$@"; do
    icon=$prefix/share/icons/hicolor/${n}x$n/apps/$id.png
    if [ ! -f "$icon" ]; then
        fail "no ${n}px icon at $icon"
    elif [ "$(head -c 8 "$icon" | od -An -tx1 | tr -d ' \n')" != 89504e470d0a1a0a ]; then
        fail "$icon is not a PNG"
    elif [ "$(png_size "$icon")" != "${n}x$n" ]; then
        fail "$icon is $(png_size "$icon"), not ${n}x$n"
    fi
done

# --- Validation -------------------------------------------------------------------------------
# Both must pass clean: a hint or an info (such as a missing content rating) counts as a fault.
if ! out=$(desktop-file-validate "$desktop" 2>&1) || [ -n "$out" ]; then
    fail "desktop-file-validate: $out"
fi
# The pedantic notes too (an uppercase id, a missing release, ...): software centres show them.
if ! out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) ||
    printf '%s\n' "$out" | grep -q '^[EWIP]: '; then
    fail "appstreamcli: $out"
fi
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
grep -qx "Exec=cobblevale" "$desktop" || fail "the desktop entry does not run the launcher"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"

# --- The launcher, without a display ----------------------------------------------------------
# The window library fails at once; its message shows that the installed game was reached.
# XDG_DATA_HOME, when set, chooses the data directory.
elsewhere=$tmp/elsewhere
mkdir -p "$elsewhere" "$tmp/home"
status=0
(cd "$elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$tmp/home" \
    XDG_DATA_HOME="$tmp/xdg" "$launcher") >"$tmp/nodisplay.log" 2>&1 || status=$?
[ "$status" -ne 0 ] || fail "the game without a display exited with status 0"
grep -q "glfwInit failed" "$tmp/nodisplay.log" ||
    fail "the launcher did not reach the game: $(cat "$tmp/nodisplay.log")"
[ -d "$tmp/xdg/cobblevale" ] || fail "the launcher did not create \$XDG_DATA_HOME/cobblevale"

# --- The launcher, under Xvfb -----------------------------------------------------------------
# The game opens its window, running as the launcher's own process (the launcher execs it) in
# ~/.local/share/cobblevale, and keeps running.
need Xvfb xdotool xprop
start_xvfb
(cd "$elsewhere" && exec env -u XDG_DATA_HOME -u WAYLAND_DISPLAY DISPLAY="$display" \
    HOME="$tmp/home" "$launcher") >"$tmp/xvfb.log" 2>&1 &
game_pid=$!
if launched "$game" "$tmp/home/.local/share/cobblevale" "$tmp/xvfb.log"; then
    sleep 1
    kill -0 "$game_pid" 2>/dev/null ||
        fail "the game ended after opening its window: $(cat "$tmp/xvfb.log")"
    # The desktop matches windows to the entry by their WM_CLASS class.
    wm_class=$(grep '^StartupWMClass=' "$desktop" | cut -d= -f2-)
    DISPLAY=$display xprop -id "$window" WM_CLASS | grep -q ", \"$wm_class\"\$" ||
        fail "the window's WM_CLASS is not StartupWMClass=$wm_class"
fi
[ -z "$(ls -A "$elsewhere")" ] || fail "files landed in the starting folder: $(ls -A "$elsewhere")"

finish install
