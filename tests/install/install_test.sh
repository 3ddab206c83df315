#!/bin/sh
# install_test.sh <build dir> <application id> <icon size>...: the build installed into a fresh
# prefix as a desktop gets it: layout, validators, and the launcher, started from another
# folder, reaching the installed game in the player's data directory.
set -eu
. "$(dirname "$0")/x_display.sh"
build=$1
id=$2 && shift 2

prefix=$tmp/prefix
logged "$tmp/install.log" cmake --install "$build" --prefix "$prefix"
game=$prefix/lib/cobblevale/cobblevale
launcher=$prefix/bin/cobblevale
desktop=$prefix/share/applications/$id.desktop
metainfo=$prefix/share/metainfo/$id.metainfo.xml
for f in "$game" "$launcher"; do [ -x "$f" ] || fail "no executable $f"; done
for f in "$desktop" "$metainfo" "$prefix/share/man/man6/cobblevale.6"; do
    [ -f "$f" ] || fail "no $f"
done
diff -r "$build/bin/data" "$prefix/lib/cobblevale/data" >"$tmp/data.diff" ||
    fail "installed data differs from the build's: $(head -5 "$tmp/data.diff")"
# A PNG: its signature, then its width and height as big-endian words at bytes 16 and 20.
for n in "$@"; do
    icon=$prefix/share/icons/hicolor/${n}x$n/apps/$id.png
    header=$(od -An -tu1 -N24 "$icon" 2>/dev/null | tr -s ' \n' ' ' || true)
    expected=" 137 80 78 71 13 10 26 10 0 0 0 13 73 72 68 82 0 0 $((n / 256)) $((n % 256))"
    [ "$header" = "$expected 0 0 $((n / 256)) $((n % 256)) " ] || fail "$icon: not a ${n}px PNG"
done

# Both validators clean: a hint, an info or a pedantic note (software centres show them) fails.
{ out=$(desktop-file-validate "$desktop" 2>&1) && [ -z "$out" ]; } || fail "desktop-file: $out"
out=$(appstreamcli validate --no-net --pedantic "$metainfo" 2>&1) && ! printf '%s\n' "$out" |
    grep -q '^[EWIP]: ' || fail "appstreamcli: $out"
grep -qx "Icon=$id" "$desktop" || fail "the desktop entry does not name the icon $id"
grep -qx "Exec=cobblevale" "$desktop" || fail "the desktop entry does not run the launcher"
grep -q "<launchable type=\"desktop-id\">$id.desktop</launchable>" "$metainfo" ||
    fail "the metainfo does not launch $id.desktop"

# Without a display the window library fails at once, which shows the game was reached; the data
# directory is under $XDG_DATA_HOME when set.
elsewhere=$tmp/elsewhere
mkdir -p "$elsewhere" "$tmp/home"
status=0
(cd "$elsewhere" && env -u DISPLAY -u WAYLAND_DISPLAY HOME="$tmp/home" \
    XDG_DATA_HOME="$tmp/xdg" "$launcher") >"$tmp/nodisplay.log" 2>&1 || status=$?
[ "$status" -eq 255 ] || fail "the game without a display exited with status $status"
grep -q "glfwInit failed" "$tmp/nodisplay.log" ||
    fail "the launcher did not reach the game: $(cat "$tmp/nodisplay.log")"
[ -d "$tmp/xdg/cobblevale" ] || fail "the launcher did not create \$XDG_DATA_HOME/cobblevale"

# Under Xvfb the game opens its window as the launcher's own process in
# ~/.local/share/cobblevale, keeps running, and its WM_CLASS class is StartupWMClass.
need Xvfb xdotool xprop
start_xvfb
(cd "$elsewhere" && exec env -u XDG_DATA_HOME -u WAYLAND_DISPLAY DISPLAY="$display" \
    HOME="$tmp/home" "$launcher") >"$tmp/xvfb.log" 2>&1 &
game_pid=$!
if launched "$game" "$tmp/home/.local/share/cobblevale" "$tmp/xvfb.log"; then
    sleep 1
    kill -0 "$game_pid" 2>/dev/null || fail "the game ended after opening: $(cat "$tmp/xvfb.log")"
    wm_class=$(grep '^StartupWMClass=' "$desktop" | cut -d= -f2-)
    DISPLAY=$display xprop -id "$window" WM_CLASS | grep -q ", \"$wm_class\"\$" ||
        fail "the window's WM_CLASS is not StartupWMClass=$wm_class"
fi
[ -z "$(ls -A "$elsewhere")" ] || fail "files landed in the starting folder: $(ls -A "$elsewhere")"
finish install
