#!/usr/bin/env bash
# Installs the built program into a temporary root, starts the installed copy, an
# unpacked copy and a copy given --dir, each with a temporary HOME, and checks where
# each one keeps its settings.   install_test.sh BUILD_DIR
set -eu
build=$1
tmp=$(mktemp -d)
pid=""
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null && wait "$pid" 2>/dev/null
  rm -rf "$tmp"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
export QT_QPA_PLATFORM=offscreen
unset XDG_DATA_HOME

# Starts the program in the background, waits until it has written FILE (it writes
# its settings at start), checks that it runs in the directory holding FILE, and ends it.
start_until() {
  local file=$1; shift
  HOME=$tmp/home "$@" >"$tmp/out" 2>&1 & pid=$!
  for _ in $(seq 200); do
    [ -f "$file" ] && break
    kill -0 "$pid" 2>/dev/null || { cat "$tmp/out" >&2; fail "$* ended before writing $file"; }
    sleep 0.1
  done
  [ -f "$file" ] || fail "$* wrote no $file"
  [ "$(readlink "/proc/$pid/cwd")" = "$(dirname "$file")" ] || fail "$* does not work in $(dirname "$file")"
  kill "$pid"; wait "$pid" 2>/dev/null || true; pid=""
}

DESTDIR=$tmp/root cmake --install "$build" --prefix /usr >/dev/null
for f in bin/tarvik bin/tarvik-window share/applications/io.github.tarvik.Tarvik.desktop share/metainfo/io.github.tarvik.Tarvik.metainfo.xml \
         share/icons/hicolor/scalable/apps/tarvik.svg share/icons/hicolor/16x16/apps/tarvik.png \
         share/icons/hicolor/48x48/apps/tarvik.png lib/systemd/user/tarvik-crl@.service share/man/man1/tarvik.1; do
  [ -f "$tmp/root/usr/$f" ] || fail "not installed: /usr/$f"
done

# Installed: the user's private data directory, nothing beside the executable.
data=$tmp/home/.local/share/tarvik
start_until "$data/tarvik.ini" "$tmp/root/usr/bin/tarvik"
[ "$(stat -c %a "$data")" = 700 ] || fail "$data has mode $(stat -c %a "$data")"
[ "$(ls "$tmp/root/usr/bin" | tr '\n' ' ')" = "tarvik tarvik-window " ] || fail "the installed copy wrote beside itself"
rm -rf "$tmp/home"

# Unpacked folder: beside the executable, nothing in HOME.
mkdir -p "$tmp/unpacked"
cp "$build/tarvik" "$build/tarvik-window" "$tmp/unpacked/"
start_until "$tmp/unpacked/tarvik.ini" "$tmp/unpacked/tarvik"
[ ! -e "$tmp/home/.local" ] || fail "the unpacked copy wrote into HOME"

# --dir: the directory named; a missing one is refused with a message and creates nothing.
mkdir -p "$tmp/disk"
start_until "$tmp/disk/tarvik.ini" "$tmp/root/usr/bin/tarvik" --dir "$tmp/disk"
[ ! -e "$tmp/home/.local" ] || fail "--dir wrote into HOME"
# Said also where there is no display at all, as in a terminal over ssh.
if HOME=$tmp/home env -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY "$tmp/root/usr/bin/tarvik" --dir "$tmp/missing" 2>"$tmp/err"; then
  fail "a missing --dir was accepted"
fi
grep -q "n'existe pas" "$tmp/err" || fail "no message for a missing --dir: $(cat "$tmp/err")"
[ ! -e "$tmp/missing" ] && [ ! -e "$tmp/home/.local" ] || fail "a refused --dir created files"
# Without the window's program beside it, tarvik says so rather than failing in silence.
mkdir "$tmp/alone"; cp "$build/tarvik" "$tmp/alone/"
! HOME=$tmp/home "$tmp/alone/tarvik" 2>"$tmp/err" || fail "tarvik started without its window"
grep -q "impossible de lancer la fenêtre" "$tmp/err" || fail "no message for a missing window: $(cat "$tmp/err")"
echo "install test passed"
