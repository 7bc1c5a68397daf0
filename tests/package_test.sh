#!/usr/bin/env bash
# Builds the Debian package into a temporary directory and checks what it holds and
# what it depends on.   package_test.sh BUILD_DIR
set -eu
build=$1
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
cpack -G DEB -B "$tmp" --config "$build/CPackConfig.cmake" >"$tmp/log" 2>&1 || { cat "$tmp/log" >&2; fail "cpack"; }
deb=$(ls "$tmp"/tarvik_*.deb)
depends=$(dpkg-deb -f "$deb" Depends)
for dep in openssl libqt6widgets6 libc6; do
  [[ ", $depends," == *", $dep"[\ ,]* ]] || fail "Depends lacks $dep: $depends"
done
files=$(dpkg-deb -c "$deb")
for f in usr/bin/tarvik usr/bin/tarvik-window usr/share/applications/io.github.tarvik.Tarvik.desktop \
         usr/share/metainfo/io.github.tarvik.Tarvik.metainfo.xml usr/lib/systemd/user/tarvik-crl@.timer \
         usr/share/icons/hicolor/scalable/apps/tarvik.svg usr/share/icons/hicolor/48x48/apps/tarvik.png \
         usr/share/man/man1/tarvik.1; do
  grep -q " \./$f\$" <<<"$files" || fail "the package lacks /$f"
done
echo "package test passed: $(stat -c %s "$deb") bytes; Depends: $depends"
