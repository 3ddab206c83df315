#!/bin/sh
# package_test.sh <source dir> <host_xhelper>: the Debian package built from a copy of the files
# git knows of, clean for lintian, installed with apt-get, played by an unprivileged player under
# Xvfb until a close request (status 0), purged leaving none of its files. Root only (else status
# 77, skipped, as when cobblevale is installed); work trees take turns through a lock file.
set -eu
. "$(dirname "$0")/x_display.sh"
src=$1 && xhelper=$2
[ "$(id -u)" -eq 0 ] || { echo "skipped: installing the package needs root" && exit 77; }
need dpkg-buildpackage dh lintian Xvfb xdotool setpriv flock git
chmod 755 "$tmp"  # apt reads the .deb as its own user
apt="apt-get -y -q -o DPkg::Lock::Timeout=300"
installed=
on_exit() { [ -z "$installed" ] || $apt purge cobblevale >/dev/null 2>&1 || true; }

mkdir "$tmp/src"
git -C "$src" ls-files -z --cached --others --exclude-standard |
    (cd "$src" && tar --null -T - --ignore-failed-read -cf - 2>/dev/null) | tar -C "$tmp/src" -xf -
logged "$tmp/build.log" env -C "$tmp/src" DEB_BUILD_OPTIONS="nocheck noddebs parallel=$(nproc)" \
    dpkg-buildpackage -us -uc -b
deb=$(ls "$tmp"/cobblevale_*_amd64.deb 2>/dev/null || true)
[ -f "$deb" ] || die "no cobblevale_<version>_amd64.deb: $(ls "$tmp")"
echo "built $(basename "$deb"), $(stat -c %s "$deb") bytes"
lintian --fail-on error "$deb" >"$tmp/lintian.log" 2>&1 || fail "lintian: $(cat "$tmp/lintian.log")"

exec 9>/tmp/cobblevale-package-test.lock
flock -w 600 9 || die "another package test held /tmp/cobblevale-package-test.lock for 10 minutes"
dpkg-query -W -f='${Status}' cobblevale 2>/dev/null | grep -q 'ok installed' &&
    echo "skipped: cobblevale is installed here and the test would purge it" && exit 77
# The package's paths that exist before it is installed (the shared folders) may stay.
dpkg-deb --fsys-tarfile "$deb" | tar -tf - | sed 's|^\./|/|; s|/$||; /^$/d' | while read -r p; do
    if [ -e "$p" ] || [ -L "$p" ]; then echo "$p"; fi
done >"$tmp/before"
installed=yes
logged "$tmp/apt.log" env DEBIAN_FRONTEND=noninteractive $apt install "$deb"
dpkg -L cobblevale >"$tmp/listed"
for path in /usr/games/cobblevale /usr/lib/games/cobblevale/data/plume_font.png \
    /usr/share/man/man6/cobblevale.6.gz; do
    [ -e "$path" ] || fail "the package did not install $path"
done

# A player's environment: their own user and home, /usr/games on the PATH, nothing else.
home=$tmp/home
mkdir "$home" && chown nobody:nogroup "$home"
start_xvfb
setpriv --reuid=nobody --regid=nogroup --clear-groups env -i HOME="$home" DISPLAY="$display" \
    PATH=/usr/local/bin:/usr/bin:/bin:/usr/local/games:/usr/games cobblevale \
    </dev/null >"$tmp/game.log" 2>&1 &
game_pid=$!
if launched /usr/lib/games/cobblevale/cobblevale "$home/.local/share/cobblevale" "$tmp/game.log"
then
    DISPLAY=$display "$xhelper" close "$window" || fail "cannot send the close request"
    for _ in $(seq 100); do kill -0 "$game_pid" 2>/dev/null || break; sleep 0.1; done
    kill -0 "$game_pid" 2>/dev/null && kill "$game_pid" && fail "the game runs 10 s after close"
    status=0
    wait "$game_pid" || status=$?
    game_pid=
    [ "$status" -eq 0 ] || fail "the game exited with status $status: $(cat "$tmp/game.log")"
fi

logged "$tmp/apt.log" $apt purge cobblevale
installed=
while read -r path; do
    { [ -e "$path" ] || [ -L "$path" ]; } && [ "$path" != /. ] &&
        ! grep -qxF "$path" "$tmp/before" && fail "$path is left after the purge"
done <"$tmp/listed"
finish package
