#!/usr/bin/env bash
# `tarvik import` from the built program, with no display: an easy-rsa PKI made by easy-rsa
# itself, and CA pairs made with openssl, each refusal leaving the program directory as it was.
#   import_test.sh BUILD_DIR
set -eu
tarvik=$1/tarvik
easyrsa=/usr/share/easy-rsa/easyrsa
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }
[ -x "$easyrsa" ] || fail "easy-rsa is not installed (scripts/deps)"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM TARVIK_CA_PASS
cd "$tmp"
pass=vpn-phrase
mkdir prog src
printf '[path]\r\nopenssl=%s\r\n' "$(command -v openssl)" >prog/tarvik.ini

# An easy-rsa PKI with a server, two users, one of them revoked.
(
  cd src
  export EASYRSA=/usr/share/easy-rsa EASYRSA_BATCH=1 EASYRSA_PKI=$tmp/src/pki EASYRSA_PASSIN=env:ERP \
    EASYRSA_PASSOUT=env:ERP ERP=$pass EASYRSA_DN=org EASYRSA_REQ_COUNTRY=FR EASYRSA_REQ_PROVINCE=Bretagne \
    EASYRSA_REQ_CITY=Rennes EASYRSA_REQ_ORG=Acme EASYRSA_REQ_EMAIL=pki@acme.test EASYRSA_REQ_OU=Réseau
  "$easyrsa" init-pki
  EASYRSA_REQ_CN="Old VPN CA" "$easyrsa" build-ca
  for name in vpn.acme.test alice bob; do "$easyrsa" build-client-full "$name" nopass; done
  "$easyrsa" revoke bob
  "$easyrsa" gen-crl
) >easyrsa.log 2>&1 || { cat easyrsa.log >&2; fail "easy-rsa"; }
state() { (cd "$1" && find . -printf '%p %m %s %T@\n' | sort && find . -type f -exec sha256sum {} + | sort); }
state src >src.before
serial_of() { awk -F'\t' -v cn="/CN=$1(/|$)" '$6 ~ cn {print $4}' src/pki/index.txt; }
alice=$(serial_of alice); bob=$(serial_of bob)
[ -n "$alice" ] && [ -n "$bob" ] || fail "no serials in the easy-rsa database"

# Refusals: status 2, the reason, the program directory and the source unchanged.
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout plain.key -subj "/CN=Plain CA/O=Plain" \
  -days 30 -out plain.crt 2>/dev/null
openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:P-256 -nodes -keyout leaf.key -subj /CN=leaf \
  -addext basicConstraints=CA:FALSE -out leaf.crt 2>/dev/null
mkdir scratch && : >scratch/index.txt && echo 01 >scratch/serial
printf '[ca]\ndefault_ca=d\n[d]\ndatabase=scratch/index.txt\nnew_certs_dir=scratch\nserial=scratch/serial\npolicy=p\ndefault_md=sha256\nx509_extensions=v3\n[p]\ncommonName=supplied\n[v3]\nbasicConstraints=critical,CA:TRUE\n' >scratch/ca.cnf
openssl req -new -key plain.key -subj /CN=old -out scratch/old.csr
openssl ca -batch -config scratch/ca.cnf -selfsign -keyfile plain.key -in scratch/old.csr -notext \
  -startdate 20200101000000Z -enddate 20210101000000Z -out old.crt 2>/dev/null
echo wrong >wrong.pass && chmod 600 wrong.pass
state prog >prog.before
while IFS='|' read -r reason cmd; do
  set +e; eval "$cmd" >out 2>&1; got=$?; set -e
  [ "$got" = 2 ] || { cat out >&2; fail "$cmd: exit $got, not 2"; }
  grep -q -- "$reason" out || { cat out >&2; fail "$cmd: no « $reason »"; }
  state prog | cmp -s - prog.before || fail "$cmd wrote into the program directory"
done <<'CASES'
ne déchiffre pas|"$tarvik" --dir prog import vpn.test --easy-rsa src/pki --passphrase-file wrong.pass
n'est pas celle|TARVIK_CA_PASS=x "$tarvik" --dir prog import p.test --key leaf.key --cert plain.crt
n'est pas le certificat d'un CA|TARVIK_CA_PASS=x "$tarvik" --dir prog import p.test --key leaf.key --cert leaf.crt
a expiré le 1 janvier 2021|TARVIK_CA_PASS=x "$tarvik" --dir prog import p.test --key plain.key --cert old.crt
Impossible de lire|TARVIK_CA_PASS=x "$tarvik" --dir prog import p.test --key plain.key --cert missing.crt
n'est pas le dossier « pki »|TARVIK_CA_PASS=x "$tarvik" --dir prog import p.test --easy-rsa src
Nom de CA invalide|TARVIK_CA_PASS=x "$tarvik" --dir prog import p_test --key plain.key --cert plain.crt
--easy-rsa DOSSIER, soit|TARVIK_CA_PASS=x "$tarvik" --dir prog import p.test --easy-rsa src/pki --cert plain.crt
CASES

# The easy-rsa PKI: its files where Tarvik looks, its subject and key type, and a CRL.
TARVIK_CA_PASS=$pass "$tarvik" --dir prog import vpn.test --easy-rsa src/pki >out 2>&1 || { cat out >&2; fail "import"; }
grep -q "2 certificat(s) en vigueur, 1 révoqué(s), 2 clé(s)" out || { cat out >&2; fail "import summary"; }
ca=prog/vpn.test
cmp -s src/pki/ca.crt $ca/private/ca.crt && cmp -s src/pki/index.txt $ca/index.txt || fail "CA or database not copied"
for s in $alice $bob; do [ -f $ca/newcerts/$s.pem ] || fail "newcerts/$s.pem missing"; done
cmp -s src/pki/private/alice.key $ca/certs/alice/user.key || fail "alice's key not copied"
[ ! -e $ca/certs/bob ] || fail "a revoked certificate has a folder"
[ "$(stat -c %a $ca/private/ca.key)" = 600 ] && [ "$(stat -c %a $ca)" = 700 ] || fail "CA key or folder open to others"
for kv in countryName=FR stateOrProvinceName=Bretagne 0.organizationName=Acme organizationalUnitName=Réseau \
  email=pki@acme.test key_type=rsa2048 vpn.test=1; do
  grep -q "^$kv" prog/tarvik.ini || { cat prog/tarvik.ini >&2; fail "tarvik.ini lacks $kv"; }
done
crl=$ca/crl/vpn.test.crl.crt
openssl crl -in $crl -CAfile src/pki/ca.crt -noout 2>&1 | grep -q 'verify OK' || fail "the CRL does not verify"
openssl crl -in $crl -noout -text | grep -q "Serial Number: $bob" || fail "the CRL lacks bob"
"$tarvik" --dir prog list vpn.test >out 2>&1 || { cat out >&2; fail "list"; }
grep -q "alice" out && grep -q "bob" out || { cat out >&2; fail "list lacks the imported certificates"; }

# Revoking alice lists old and new revocations; a new certificate verifies with a fresh serial.
TARVIK_CA_PASS=$pass "$tarvik" --dir prog revoke vpn.test $alice --yes >out 2>&1 || { cat out >&2; fail "revoke"; }
openssl crl -in $crl -noout -text >crl.txt
grep -q "Serial Number: $bob" crl.txt && grep -q "Serial Number: $alice" crl.txt || fail "CRL lacks a revocation"
TARVIK_CA_PASS=$pass TARVIK_EXPORT_PASS=pw "$tarvik" --dir prog server vpn.test www --days 30 >out 2>&1 ||
  { cat out >&2; fail "new certificate"; }
openssl verify -CAfile src/pki/ca.crt $ca/certs/www/user.crt >/dev/null || fail "new certificate does not verify"
new=$(openssl x509 -in $ca/certs/www/user.crt -noout -serial | cut -d= -f2)
! grep -q "$new" src/pki/index.txt || fail "serial $new reused"
state src | cmp -s - src.before || fail "the easy-rsa folder changed"

# A pair whose key has no pass phrase: stored encrypted under the one given; the name is then taken.
TARVIK_CA_PASS=plain-phrase "$tarvik" --dir prog import plain.test --key plain.key --cert plain.crt >out 2>&1 ||
  { cat out >&2; fail "pair import"; }
grep -q ENCRYPTED prog/plain.test/private/ca.key || fail "the key was stored in the clear"
grep -q "key_type=ecdsa-p256" prog/tarvik.ini || fail "key type of the pair"
state prog >prog.before
set +e; TARVIK_CA_PASS=x "$tarvik" --dir prog import Plain.test --key plain.key --cert plain.crt >out 2>&1; got=$?; set -e
[ $got = 2 ] && grep -q "existe déjà" out || { cat out >&2; fail "a name taken: exit $got"; }
state prog | cmp -s - prog.before || fail "a name taken wrote into the program directory"
echo "import: all passed"
