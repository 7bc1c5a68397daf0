#!/usr/bin/env bash
# `tarvik trust` from the built program with no display, into NSS databases of a temporary
# HOME and a system store below a temporary root: checked with certutil, removed again.
#   trust_test.sh BUILD_DIR
set -eu
tarvik=$1/tarvik
command -v certutil >/dev/null || { echo "no certutil: skipped"; exit 0; }
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM TARVIK_CA_PASS
export HOME=$tmp/home
cd "$tmp"
mkdir -p prog "$HOME/.config/mozilla/firefox/abc.default" "$HOME/snap/firefox" other
printf '[Install4F96D1932A9F858E]\nDefault=abc.default\n\n[Profile0]\nName=default\nIsRelative=1\nPath=abc.default\n\n[Profile1]\nName=ailleurs\nIsRelative=0\nPath=%s\n' \
  "$tmp/other" >"$HOME/.config/mozilla/firefox/profiles.ini"
certutil -N -d "sql:$HOME/.config/mozilla/firefox/abc.default" --empty-password
certutil -N -d "sql:$tmp/other" --empty-password
TARVIK_CA_PASS=s3cret "$tarvik" --dir prog ca acme.test --email pki@acme.test --country FR --province P --city C \
  --company Acme --service IT --days 30 >out 2>&1 || { cat out >&2; fail "ca"; }
ca=prog/acme.test/private/ca.crt
nick="Tarvik acme.test"
dbs="$HOME/.pki/nssdb $HOME/.config/mozilla/firefox/abc.default $tmp/other"
# The certificate under the nickname, trusted for TLS servers, is the CA's.
holds() {
  certutil -L -d "sql:$1" | grep -q "^$nick  *C,," || return 1
  cmp -s <(certutil -L -d "sql:$1" -n "$nick" -a | openssl x509 -outform DER) <(openssl x509 -in $ca -outform DER)
}

"$tarvik" --dir prog trust acme.test >out 2>&1 || { cat out >&2; fail "trust"; }
for db in $dbs; do holds "$db" || { cat out >&2; fail "$db lacks the CA"; }; done
grep -q "Firefox snap.*jamais été ouvert" out || { cat out >&2; fail "the snap never started is not told"; }
[ ! -e "$HOME/snap/firefox/common" ] || fail "a snap folder was made"
cmp -s prog/acme.test/private/ca.cer <(openssl x509 -in $ca -outform DER) || fail "no DER copy"
"$tarvik" --dir prog trust acme.test >out 2>&1 || fail "trust again"
[ "$(grep -c 'déjà installé' out)" = 3 ] || { cat out >&2; fail "installed twice"; }

# Removal takes out exactly that certificate; a foreign one of the same name stays.
"$tarvik" --dir prog trust acme.test --remove >out 2>&1 || { cat out >&2; fail "remove"; }
for db in $dbs; do ! certutil -L -d "sql:$db" | grep -q "$nick" || fail "$db still holds the CA"; done
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout other/k -subj /CN=other -out other/c.pem 2>/dev/null
certutil -A -d "sql:$tmp/other" -t "C,," -n "$nick" -a -i other/c.pem
"$tarvik" --dir prog trust acme.test --remove --nss other >out 2>&1 || { cat out >&2; fail "remove foreign"; }
grep -q "autre certificat" out && certutil -L -d "sql:$tmp/other" | grep -q "$nick" || fail "a foreign certificate went"
"$tarvik" --dir prog trust acme.test --nss "$tmp/other" >out 2>&1 || { cat out >&2; fail "--nss"; }
holds "$tmp/other" && grep -q "à la place" out || { cat out >&2; fail "--nss did not replace"; }

# The system store below a scratch root, with one certificate of the distribution's.
root=$tmp/root
if command -v update-ca-certificates >/dev/null || [ -x /usr/sbin/update-ca-certificates ]; then
  mkdir -p $root/etc/ssl/certs $root/usr/share/ca-certificates/distro $root/usr/local/share/ca-certificates
  cp other/c.pem $root/usr/share/ca-certificates/distro/other.crt
  echo distro/other.crt >$root/etc/ca-certificates.conf
  bundle=$root/etc/ssl/certs/ca-certificates.crt
  TARVIK_SYSTEM_ROOT=$root "$tarvik" --dir prog trust acme.test --system >out 2>&1 || { cat out >&2; fail "--system"; }
  grep -q "$(sed -n 2p $ca)" $bundle || fail "the system bundle lacks the CA"
  TARVIK_SYSTEM_ROOT=$root "$tarvik" --dir prog trust acme.test --system --remove >out 2>&1 || { cat out >&2; fail "--system --remove"; }
  ! grep -q "$(sed -n 2p $ca)" $bundle && grep -q "$(sed -n 2p other/c.pem)" $bundle || fail "the system bundle is wrong"
fi

# Without certutil: refused with the package to install, nothing made.
rm -rf "$HOME/.pki"
mkdir bin; ln -s "$(command -v openssl)" bin/openssl
set +e; PATH=$tmp/bin "$tarvik" --dir prog trust acme.test >out 2>&1; got=$?; set -e
[ "$got" = 2 ] && grep -q libnss3-tools out || { cat out >&2; fail "no certutil: exit $got"; }
[ ! -e "$HOME/.pki" ] || fail "a database was made without certutil"
echo "trust test passed"
