#!/usr/bin/env bash
# Runs `tarvik crl` and `tarvik expiry` with no display at all, against the real openssl,
# in a temporary program directory holding CAs made with openssl itself.
#   cli_test.sh BUILD_DIR
set -eu
tarvik=$1/tarvik
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM TARVIK_CA_PASS
cd "$tmp"
pass=s3cret-phrase
utc() { date -u -d "$1" +%y%m%d%H%M%SZ; }

# acme.test: a CA for 100 days with one certificate that ends in 5 days.
mkdir -p acme.test/private acme.test/crl acme.test/newcerts
printf '01\r\n' >acme.test/serial.txt
# mail.acme.test was renewed: its older certificate, ending in 5 days too, is no concern.
{
  printf 'V\t%s\t\t01\tunknown\t/CN=mail.acme.test\n' "$(utc '+5 days')"
  printf 'V\t%s\t\t02\tunknown\t/CN=www.acme.test\n' "$(utc '+5 days')"
  printf 'V\t%s\t\t03\tunknown\t/CN=mail.acme.test\n' "$(utc '+400 days')"
} >acme.test/index.txt
TARVIK_CA_PASS=$pass openssl req -x509 -newkey rsa:2048 -passout env:TARVIK_CA_PASS -subj /CN=acme -days 100 \
  -keyout acme.test/private/ca.key -out acme.test/private/ca.crt 2>/dev/null
# old.test: a CA whose certificate ended in 2021.
mkdir -p old.test/private old.test/newcerts scratch
: >scratch/index.txt
printf '[ca]\ndefault_ca=d\n[d]\ndatabase=scratch/index.txt\nnew_certs_dir=scratch\nserial=scratch/serial\npolicy=p\ndefault_md=sha256\n[p]\ncommonName=supplied\n' >scratch/ca.cnf
echo 01 >scratch/serial
: >old.test/index.txt
openssl req -new -newkey rsa:2048 -nodes -keyout old.test/private/ca.key -subj /CN=old -out scratch/old.csr 2>/dev/null
openssl ca -batch -config scratch/ca.cnf -selfsign -keyfile old.test/private/ca.key -in scratch/old.csr \
  -startdate 20200101000000Z -enddate 20210101000000Z -out old.test/private/ca.crt 2>/dev/null
printf '[domaine]\r\nacme.test=1\r\nold.test=0\r\n[path]\r\nopenssl=%s\r\n' "$(command -v openssl)" >tarvik.ini

crl=acme.test/crl/acme.test.crl.crt
crlnumber() { openssl crl -in "$crl" -noout -crlnumber | cut -d= -f2; }

# Publishing makes a CRL that verifies, with a higher number; no secret is printed.
TARVIK_CA_PASS=$pass "$tarvik" crl acme.test --dir "$tmp" >out 2>&1 || { cat out >&2; fail "first crl"; }
first=$(crlnumber)
TARVIK_CA_PASS=$pass "$tarvik" --dir "$tmp" crl acme.test >out 2>&1 || { cat out >&2; fail "second crl"; }
[ $(($(crlnumber))) -gt $((first)) ] || fail "CRL number $(crlnumber) not above $first"
openssl crl -in "$crl" -CAfile acme.test/private/ca.crt -noout 2>&1 | grep -q 'verify OK' || fail "the CRL does not verify"
! grep -q "$pass" out || fail "the pass phrase was printed"
cp "$crl" before.crl

# Each refusal: its exit status, its reason, and the CRL left byte for byte.
echo "$pass" >open.pass; chmod 644 open.pass
echo wrong >wrong.pass; chmod 600 wrong.pass
while IFS='|' read -r want reason cmd; do
  set +e; eval "$cmd" >out 2>&1; got=$?; set -e
  [ "$got" = "$want" ] || { cat out >&2; fail "$cmd: exit $got, not $want"; }
  grep -q "$reason" out || { cat out >&2; fail "$cmd: no « $reason »"; }
  cmp -s before.crl "$crl" || fail "$cmd changed the CRL"
done <<'CASES'
2|accessible à d'autres|"$tarvik" --dir . crl acme.test --passphrase-file open.pass
1|échoué|"$tarvik" --dir . crl acme.test --passphrase-file wrong.pass
1|déjà en cours|TARVIK_CA_PASS=$pass flock acme.test "$tarvik" --dir . crl acme.test
2|n'existe pas|TARVIK_CA_PASS=$pass "$tarvik" --dir . crl other.test
2|n'existe pas|"$tarvik" --dir "$tmp/missing" expiry
0|CRL à republier avant|"$tarvik" --dir . expiry acme.test --days 3
1|www.acme.test — n° 02 — expire le|"$tarvik" --dir . expiry acme.test
2|CA expiré depuis|"$tarvik" --dir . expiry
CASES
"$tarvik" --dir . expiry acme.test >out 2>&1 || true
! grep -q "mail.acme.test" out || fail "a renewed certificate is reported as ending"

# A killed tarvik leaves its run's tool holding the CA's lock: the next command is refused
# until that tool has ended.
printf '#!/bin/sh\necho $$ >"%s/tool.pid"\nexec sleep 30\n' "$tmp" >slow-tool; chmod 700 slow-tool
sed "s|^openssl=.*|openssl=$tmp/slow-tool\r|" tarvik.ini >slow.ini; cp tarvik.ini fast.ini; cp slow.ini tarvik.ini
TARVIK_CA_PASS=$pass "$tarvik" --dir . crl acme.test >/dev/null 2>&1 &
parent=$!
for _ in $(seq 100); do [ -s tool.pid ] && break; sleep 0.1; done
[ -s tool.pid ] || fail "the slow tool never started"
kill -9 "$parent"; wait "$parent" 2>/dev/null || true
cp fast.ini tarvik.ini
set +e; TARVIK_CA_PASS=$pass "$tarvik" --dir . crl acme.test >out 2>&1; got=$?; set -e
[ "$got" = 1 ] && grep -q "déjà en cours" out || { cat out >&2; fail "the CA was free while its tool still ran ($got)"; }
kill "$(cat tool.pid)"
for _ in $(seq 100); do flock -n acme.test true && break; sleep 0.1; done
TARVIK_CA_PASS=$pass "$tarvik" --dir . crl acme.test >out 2>&1 || { cat out >&2; fail "the CA stayed locked after its tool ended"; }
echo "cli test passed"
