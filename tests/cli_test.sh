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

# Every operation of the window from the command line, in a program directory of its own:
# each command's exit status, what it says, and what openssl finds in its results.
work=$tmp/work; mkdir "$work"; cd "$work"
printf '[path]\r\nopenssl=%s\r\n' "$(command -v openssl)" >tarvik.ini
export TARVIK_CA_PASS=$pass TARVIK_EXPORT_PASS=export-pw
t() { "$tarvik" --dir "$work" "$@"; }
ca=net.test/private/ca.crt
v() { openssl verify -x509_strict -CAfile "$ca" "$@" 2>&1 | grep -q ': OK'; }
openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout dev.key -subj /CN=dev.net.test \
  -addext subjectAltName=DNS:dev.net.test,IP:10.1.2.3 -out "$tmp/dev.csr" 2>/dev/null
openssl req -new -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout lab.key -subj /CN=lab.net.test -out "$tmp/lab.csr" 2>/dev/null
mkfifo fifo.pass
printf '\n%s\n' "$pass" >empty.pass; chmod 600 empty.pass
head -c 5000 /dev/zero | tr '\0' x >big.pass; chmod 600 big.pass
printf '%s\n' "$pass" >"$tmp/caller.pass"; chmod 600 "$tmp/caller.pass"
subject="--email pki@net.test --country FR --province IDF --city Paris --company Net --service IT"
while IFS='|' read -r want reason cmd check; do
  set +e; eval "$cmd" >out 2>&1 </dev/null; got=$?; set -e
  [ "$got" = "$want" ] || { cat out >&2; fail "$cmd: exit $got, not $want"; }
  grep -q -- "$reason" out || { cat out >&2; fail "$cmd: no « $reason »"; }
  [ -z "$check" ] || eval "$check" || { cat out >&2; fail "$cmd: $check"; }
  ! grep -q -e "$pass" -e export-pw out || fail "$cmd printed a secret"
done <<'CASES'
2|commande inconnue : « clr »|env -u DISPLAY "$tarvik" clr x|
2|option inconnue : « --no-such »|"$tarvik" --no-such|
2|usage : tarvik server|t server net.test|
2|attend une valeur|t expiry --days|
0|Usage : tarvik \[--dir RÉPERTOIRE\] server CA HÔTE|t server --help|
2|Nom de CA invalide|t ca bad_name $subject --days 3650|[ ! -e bad_name ]
2|type de clé inconnu|t ca net.test $subject --days 3650 --key-type dsa|[ ! -e net.test ]
2|Nom province|t ca net.test --email pki@net.test --country FR --city Paris --company Net --service IT --days 3650|[ ! -e net.test ]
0|Votre ca.crt est dans net.test/private/ca.crt|t ca net.test $subject --days 3650 --key-type ecdsa-p256|openssl x509 -in $ca -noout -text | grep -q 'ASN1 OID: prime256v1' && openssl crl -in net.test/crl/net.test.crl.crt -CAfile $ca -noout 2>&1 | grep -q 'verify OK'
2|La nouvelle clé du CA sera de type ECDSA P-256|t ca net.test --days 3650|cmp -s $ca net.test/private/ca.crt.prev || [ ! -e net.test/private/ca.crt.prev ]
0|www.p12|t server net.test www.net.test --alt 10.0.0.5 --alt web --days 397|v -verify_ip 10.0.0.5 net.test/certs/www/user.crt && openssl pkcs12 -in net.test/certs/www/www.p12 -passin pass:export-pw -noout && ! openssl x509 -in net.test/certs/www/user.crt -noout -ext keyUsage | grep -q 'Key Encipherment'
2|Vous avez déja un certificat|t server net.test www --days 397|
2|825|t server net.test api --days 1000|[ ! -e net.test/certs/api/user.crt ]
0|api.p12|t server net.test api --days 1000 --yes --aes|openssl pkcs12 -in net.test/certs/api/api.p12 -passin pass:export-pw -info -noout 2>&1 | grep -q AES-256
2|ni un nom DNS|t server net.test mail --alt 'bad name!' --days 397|[ ! -e net.test/certs/mail ]
0|alice.p12|t user net.test alice --email alice@net.test --days 365|openssl x509 -in net.test/certs/alice/user.crt -noout -ext subjectAltName | grep -q alice@net.test
0|zoé.p12|t user net.test zoé --days 365|
0|zoé — n° 04|t list net.test|! grep -q 'zo\\x' out
2|pas un fichier ordinaire|env -u TARVIK_CA_PASS "$tarvik" --dir "$work" user net.test bob --days 365 --passphrase-file fifo.pass|[ ! -e net.test/certs/bob ]
2|est vide|env -u TARVIK_CA_PASS "$tarvik" --dir "$work" user net.test bob --days 365 --passphrase-file empty.pass|
2|dépasse 4 Kio|env -u TARVIK_CA_PASS "$tarvik" --dir "$work" crl net.test --passphrase-file big.pass|
2|aucun terminal|env -u TARVIK_EXPORT_PASS "$tarvik" --dir "$work" user net.test bob --days 365|[ ! -e net.test/certs/bob ]
2|Signer cette demande|t sign net.test "$tmp/dev.csr" --server --days 397|[ ! -e net.test/certs/dev.net.test ]
0|dev.net.test-chain.pem|t sign net.test "$tmp/dev.csr" --server --days 397 --yes|v -verify_ip 10.1.2.3 net.test/certs/dev.net.test/user.crt
2|précisez --server ou --user|t sign net.test "$tmp/dev.csr" --days 397|
0|lab.net.test.p12|t user net.test lab.net.test --days 365|
2|celui d'un utilisateur|t sign net.test "$tmp/lab.csr" --server --days 397 --yes|[ -e net.test/certs/lab.net.test/lab.net.test.p12 ]
0|reste valable|t renew net.test www|openssl x509 -in net.test/certs/www/user.crt -noout -ext subjectAltName | grep -q 'IP Address:10.0.0.5'
0|reste valable|t renew net.test dev.net.test --yes|v net.test/certs/dev.net.test/user.crt
2|aucun certificat en vigueur|t renew net.test nobody|
2|Révoquer le certificat|t revoke net.test 01|! openssl crl -in net.test/crl/net.test.crl.crt -noout -text | grep -q 'Serial Number: 01'
0|liste de revocation|t revoke net.test 01 --yes|openssl crl -in net.test/crl/net.test.crl.crt -noout -text | grep -q 'Serial Number: 01'
1|échoué|t revoke net.test 01|! grep -q '^tarvik\.[a-z]*:' out
1|déjà en cours|flock net.test "$tarvik" --dir "$work" crl net.test|
0|liste de revocation|(cd "$tmp" && env -u TARVIK_CA_PASS "$tarvik" --dir "$work" crl net.test --passphrase-file caller.pass)|
0|"state": "revoked"|t list --json|[ "$(t list --json | jq -r '.[] | select(.name == "alice") | .files.pkcs12')" = "$work/net.test/certs/alice/alice.p12" ]
0|n° 03|t list net.test|
0|"item": "crl"|t expiry --json net.test|t expiry --json | jq -e 'map(select(.item == "ca" and .status == "ok")) | length == 1' >/dev/null
2|aucun terminal|t ca sub.net.test $subject --service Sub --days 365 --issuer net.test|[ ! -e sub.net.test/private/ca.crt ]
0|Votre ca.crt|env TARVIK_ISSUER_PASS=$pass "$tarvik" --dir "$work" ca sub.net.test $subject --service Sub --days 365 --issuer net.test --name-constraint|v sub.net.test/private/ca.crt && openssl x509 -in sub.net.test/private/ca.crt -noout -ext nameConstraints | grep -q DNS:sub.net.test
2|hors du domaine|t server sub.net.test www --alt www.evil.test --days 30|[ ! -e sub.net.test/certs/www ]
0|^sub.net.test : CRL à republier|t expiry sub.net.test|grep -q '^net.test : CA valable' out && openssl crl -in sub.net.test/crl/sub.net.test.crl.crt -CAfile sub.net.test/private/ca.crt -noout 2>&1 | grep -q 'verify OK'
0|sub.net.test : Émis par le CA net.test|t list sub.net.test|
0|"kind": "ca"|t list net.test --json|[ "$(t list net.test --json | jq -r '.[] | select(.kind == "ca") | .name')" = "Net CA" ]
CASES

# Each state a crash can leave in the middle of a commit is finished by the next command:
# the CA key matches its certificate again, the CA publishes a CRL, no journal is left.
p=net.test/private; w=net.test/certs/www
newpair() { # a new CA pair under the pending names, as a run leaves it before its commit
  openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -passout env:TARVIK_CA_PASS -subj /CN=Net\ CA \
    -days 30 -keyout $p/ca.key.new -out $p/ca.crt.new 2>/dev/null
}
journal() { for f; do printf 'rename\t%s.new\t%s\n' "$f" "$f"; done >net.test/commit.journal; }
while IFS='|' read -r state setup; do
  eval "$setup"
  t crl net.test >out 2>&1 || { cat out >&2; fail "$state: the CA publishes no CRL"; }
  [ "$(openssl pkey -in $p/ca.key -passin env:TARVIK_CA_PASS -pubout)" = "$(openssl x509 -in $p/ca.crt -noout -pubkey)" ] \
    || fail "$state: key and certificate differ"
  openssl crl -in net.test/crl/net.test.crl.crt -CAfile $p/ca.crt -noout 2>&1 | grep -q 'verify OK' || fail "$state: CRL"
  [ ! -e net.test/commit.journal ] && [ -z "$(find net.test -name '*.new')" ] || fail "$state: left a journal or a pending file"
done <<'STATES'
earlier version, between key and certificate|newpair; ln -f $p/ca.key $p/ca.key.prev; ln -f $p/ca.crt $p/ca.crt.prev; mv $p/ca.key.new $p/ca.key
journal written, nothing renamed|newpair; journal $p/ca.key $p/ca.crt
journal written, the key renamed|newpair; journal $p/ca.key $p/ca.crt; mv $p/ca.key.new $p/ca.key
journal written, everything renamed|newpair; journal $p/ca.key $p/ca.crt; mv $p/ca.key.new $p/ca.key; mv $p/ca.crt.new $p/ca.crt
certificate, key and request renamed|cp $w/user.crt $w/user.crt.new; cp $w/www.p12 $w/www.p12.new; cp $w/www-chain.pem $w/www-chain.pem.new; journal $w/user.key $w/user.csr $w/user.crt $w/www.p12 $w/www-chain.pem
STATES

# A tool run outliving a killed Tarvik keeps the CA locked until it ends; the interpreter
# that would feed it further commands dies with Tarvik.
real=$(command -v openssl)
printf '#!/bin/sh\ntouch "%s/started"\nsleep 2\nexec "%s" "$@"\n' "$work" "$real" >slow-openssl; chmod +x slow-openssl
sed -i "s#^openssl=.*#openssl=$work/slow-openssl\r#" tarvik.ini
"$tarvik" --dir "$work" crl net.test >/dev/null 2>&1 & victim=$!
for _ in $(seq 100); do [ -e started ] && break; sleep 0.1; done
[ -e started ] || fail "the slow tool never started"
interpreter=$(pgrep -P $victim)
kill -9 $victim; wait $victim 2>/dev/null || true
running() { case "$(ps -o stat= -p "$1" 2>/dev/null)" in '' | Z*) return 1 ;; esac; } # a zombie waits for init alone
for _ in $(seq 50); do running "$interpreter" || break; sleep 0.1; done
! running "$interpreter" || fail "the interpreter outlived Tarvik"
set +e; t crl net.test >out 2>&1; got=$?; set -e
[ "$got" = 1 ] && grep -q 'déjà en cours' out || { cat out >&2; fail "a second run went beside the survivor ($got)"; }
timeout 20 flock net.test true || fail "the survivor kept the CA locked for good"
sed -i "s#^openssl=.*#openssl=$real\r#" tarvik.ini
t crl net.test >out 2>&1 || { cat out >&2; fail "the CA was not free again"; }
echo "cli test passed"
