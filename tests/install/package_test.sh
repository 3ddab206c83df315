#!/bin/sh
# The Debian package, the way a player gets it:
#   package_test.sh <source dir> <host_xhelper>
# builds it with dpkg-buildpackage from a copy of the source tree (so the work tree stays
# clean), checks it with lintian, installs it with apt-get, starts the installed cobblevale as
# an unprivileged player under Xvfb, closes its window the way a window manager's close button
# does and expects status 0, then purges the package and checks that no file it had installed
# is left. It installs and removes a system package, so it needs root: exit status 77 (skipped)
# otherwise, and when cobblevale is already installed, which it would remove. Runs of it from
# several work trees on one machine take turns at the package through a lock file.
set -eu
. "$(dirname "$0")/x_display.sh"
src=$(cd "$1" && pwd)
xhelper=$2

if [ "$(id -u)" -ne 0 ]; then
    echo "skipped: installing the package needs root"
    exit 77
fi
need dpkg-buildpackage dh lintian Xvfb xdotool setpriv flock

# apt reads the .deb as its own unprivileged user.
chmod 755 "$tmp"
apt="apt-get -y -q -o DPkg::Lock::Timeout=300"
installed=
on_exit() {
    [ -z "$installed" ] || $apt purge cobblevale >/dev/null 2>&1 || true
}

# --- Build ------------------------------------------------------------------------------------
# The files git knows of (tracked, or new and not ignored), as they are in the work tree; a
# source tree without git is copied whole, less its build folders.
mkdir "$tmp/src"
if git -C "$src" rev-parse --is-inside-work-tree >/dev/null 2>&1; then
    (cd "$src" && git ls-files -z --cached --others --exclude-standard |
        tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -C "$tmp/src" -xf -
else
    tar -C "$src" --exclude='./build*' --exclude='./obj-*' -cf - . | tar -C "$tmp/src" -xf -
fi
logged "$tmp/build.log" env -C "$tmp/src" DEB_BUILD_OPTIONS="nocheck noddebs parallel=$(nproc)" \
    dpkg-buildpackage -us -uc -b
set -- "$tmp"/cobblevale_*_amd64.deb
deb=$1
[ -f "$deb" ] || die "no cobblevale_<version>_amd64.deb: $(ls "$tmp")"
echo "built $(basename "$deb"), $(stat -c %s "$deb") bytes"

lintian --fail-on error "$deb" >"$tmp/lintian.log" 2>&1 || fail "lintian: $(cat "$tmp/lintian.log")"

# --- Install ----------------------------------------------------------------------------------
# Several work trees on one machine may run this test at once: one at a time owns the package.
exec 9>/tmp/cobblevale-package-test.lock
flock -w 600 9 || die "another package test held /tmp/cobblevale-package-test.lock for 10 minutes"
if dpkg-query -W -f='${Status}' cobblevale 2>/dev/null | grep -q 'ok installed'; then
    echo "skipped: cobblevale is installed on this machine and the test would purge it"
    exit 77
fi
# Which of the package's paths exist before it is installed (the shared folders do).
dpkg-deb --fsys-tarfile "$deb" | tar -tf - | sed 's|^\./|/|; s|/$||; /^$/d' >"$tmp/paths"
while read -r path; do
    if [ -e "$path" ] || [ -L "$path" ]; then echo "$path"; fi
done <"$tmp/paths" >"$tmp/before"
installed=yes
logged "$tmp/apt.log" env DEBIAN_FRONTEND=noninteractive $apt install "$deb"
dpkg -L cobblevale >"$tmp/listed"
for path in /usr/games/cobblevale /usr/lib/games/cobblevale/data/plume_font.png \
    /usr/share/man/man6/cobblevale.6.gz; do
    [ -e "$path" ] || fail "the package did not install $path"
done

# --- Play -------------------------------------------------------------------------------------
# A player's environment: their own user and home, /usr/games on the PATH, nothing else.
home=$tmp/home
mkdir "$home"
chown nobody:nogroup "$home"
start_xvfb
setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$home" DISPLAY="$display" \
    PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games cobblevale \
    </dev/null >"$tmp/game.log" 2>&1 &
game_pid=$!
game=/usr/lib/games/cobblevale/cobblevale
if launched "$game" "$home/.local/share/cobblevale" "$tmp/game.log"; then
    DISPLAY=$display "$xhelper" close "$window" || fail "cannot send the close request"
    i=0
    while kill -0 "$game_pid" 2>/dev/null && [ $i -lt 100 ]; do
        sleep 0.1
        i=$((i + 1))
    done
    if kill -0 "$game_pid" 2>/dev/null; then
        fail "the game still runs 10 s after its window was asked to close"
        kill "$game_pid"
    fi
    status=0
    wait "$game_pid" || status=$?
    game_pid=
    [ "$status" -eq 0 ] || fail "the game exited with status $status: $(cat "$tmp/game.log")"
fi

# --- Purge ------------------------------------------------------------------------------------
if ! $apt purge cobblevale >"$tmp/apt.log" 2>&1; then
    cat "$tmp/apt.log"
    fail "apt-get purge"
fi
installed=
while read -r path; do
    [ "$path" != /. ] || continue
    if { [ -e "$path" ] || [ -L "$path" ]; } && ! grep -qxF "$path" "$tmp/before"; then
        fail "$path is left after the purge"
    fi
done <"$tmp/listed"

finish package
