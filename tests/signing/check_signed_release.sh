#!/usr/bin/env bash
# The signed Windows release, made as a release is made: a throwaway
# code-signing certificate and a local RFC 3161 time-stamping authority, then
# tools/release_windows.sh. Checks that
#   - without a certificate tools/sign_windows.sh signs nothing and says so;
#   - the MSI, the program inside the MSI and inside the zips carry a SHA-256
#     Authenticode signature with a timestamp that `osslsigncode verify` accepts;
#   - the build outputs were not changed, so that
#   - a release made next without a certificate carries no signature anywhere;
#   - the MSI names the product, its version, its maker and a per-user scope.
#
#   tests/signing/check_signed_release.sh <work folder>
#
# Leaves in <work folder>/test-signed only what the installer check needs,
# named so that nobody takes it for the release: Wrenpost-<version>-test-signed.msi
# and Wrenpost-test-signed.exe (the 32-bit program it carries). The throwaway
# keys live in a temporary folder removed at the end, and the releases made
# here are removed too. Needs openssl, python3, osslsigncode, wixl and msitools.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mkdir -p "$1" && cd "$1" && pwd)
version=$(sed -n 's/^set(WRENPOST_VERSION \([0-9.]*\))$/\1/p' "$root/cmake/Version.cmake")
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

# A fresh pair of throwaway certificates on every run: one to sign code, one
# for the time-stamping authority. Never a release certificate.
keys=$(mktemp -d "${TMPDIR:-/tmp}/wrenpost-test-keys.XXXXXX")
trap 'rm -rf "$keys"' EXIT
# An earlier run's layout (keys and releases named like the real ones) goes too.
rm -rf "$work/keys" "$work/dist" "$work/unsigned-dist" "$work/unpacked" "$work/unsigned-unpacked" "$work/test-signed"
certificate() {  # <name> <subject> <extended key usage>
  openssl req -x509 -newkey rsa:3072 -sha256 -days 2 -nodes -subj "$2" \
    -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=critical,$3" \
    -addext "basicConstraints=critical,CA:FALSE" \
    -keyout "$keys/$1-key.pem" -out "$keys/$1-cert.pem" 2>/dev/null
}
certificate signing "/CN=Wrenpost test signing/O=Wrenpost" codeSigning
certificate tsa "/CN=Wrenpost test time stamps/O=Wrenpost" timeStamping
password=$(openssl rand -hex 16)
openssl pkcs12 -export -inkey "$keys/signing-key.pem" -in "$keys/signing-cert.pem" \
  -out "$keys/signing.p12" -passout "fd:3" 3<<<"$password"
echo 01 >"$keys/tsa-serial"
cat >"$keys/tsa.cnf" <<CNF
[ tsa ]
default_tsa = tsa_config
[ tsa_config ]
serial = $keys/tsa-serial
crypto_device = builtin
signer_cert = $keys/tsa-cert.pem
signer_key = $keys/tsa-key.pem
signer_digest = sha256
default_policy = 1.3.6.1.4.1.4146.2.3
digests = sha256, sha384, sha512
accuracy = secs:1
ordering = yes
tsa_name = yes
ess_cert_id_alg = sha256
CNF

python3 "$root/tests/signing/timestamp_server.py" "$keys/tsa.cnf" "$keys/tsa-port" &
tsa_pid=$!
trap 'kill $tsa_pid 2>/dev/null || true; rm -rf "$keys"' EXIT
for _ in $(seq 100); do [ -s "$keys/tsa-port" ] && break; sleep 0.1; done
[ -s "$keys/tsa-port" ] || { echo "the time-stamping server did not start" >&2; exit 1; }

echo "--- without a certificate"
cp "$root/build-mingw32/Wrenpost.exe" "$work/unsigned.exe"
said=$(env -u WRENPOST_SIGN_PKCS12 -u WRENPOST_SIGN_CERT -u WRENPOST_SIGN_KEY \
  bash "$root/tools/sign_windows.sh" "$work/unsigned.exe")
echo "$said"
grep -q "nothing signed" <<<"$said" || fail "sign_windows.sh without a certificate did not say that nothing was signed"
cmp -s "$root/build-mingw32/Wrenpost.exe" "$work/unsigned.exe" || fail "sign_windows.sh without a certificate changed the file"

echo "--- the release, signed"
outputs_before=$(sha256sum "$root/build-mingw32/Wrenpost.exe" "$root/build-mingw64/Wrenpost.exe")
WRENPOST_SIGN_PKCS12=$keys/signing.p12 WRENPOST_SIGN_PASSWORD=$password \
  WRENPOST_SIGN_TIMESTAMP_URL=http://127.0.0.1:$(cat "$keys/tsa-port")/ \
  bash "$root/tools/release_windows.sh" "$work/dist"

# The program as the MSI and the zips of the release in <folder> carry it.
unpack() {  # <release folder> <into>
  rm -rf "$2"
  mkdir -p "$2/msi"
  (cd "$2/msi" && msiextract "$1/Wrenpost-$version.msi" >/dev/null)
  for arch in win32 win64; do
    python3 -m zipfile -e "$1/Wrenpost-$version-$arch.zip" "$2/$arch"
  done
}
unpacked=$work/unpacked
unpack "$work/dist" "$unpacked"

verify() {  # <file>: a valid signature by the test certificate, timestamped
  local report
  if ! report=$(osslsigncode verify -CAfile "$keys/signing-cert.pem" -TSA-CAfile "$keys/tsa-cert.pem" \
      -in "$1" 2>&1); then
    fail "osslsigncode verify rejects $1"; echo "$report"; return
  fi
  grep -q "Signature verification: ok" <<<"$report" || fail "$1: no verified signature"
  grep -q "Timestamp Server Signature verification: ok" <<<"$report" || fail "$1: no verified timestamp"
  grep -q "^Warning" <<<"$report" && fail "$1: $(grep "^Warning" <<<"$report")"
  grep -Eq "^Message digest algorithm +: SHA256" <<<"$report" || fail "$1: not SHA-256"
  printf '%s: %s\n' "${1#"$work"/}" "$(grep -E 'Signature verification: ok|Timestamp time|^Succeeded' <<<"$report" |
    tr -d '\t' | paste -sd ';' -)"
}
echo "--- osslsigncode verify"
for file in "$work/dist/Wrenpost-$version.msi" "$unpacked/msi/Programs/Wrenpost/Wrenpost.exe" \
    "$unpacked/win32/Wrenpost.exe" "$unpacked/win64/Wrenpost.exe"; do
  verify "$file"
done
cmp -s "$unpacked/msi/Programs/Wrenpost/Wrenpost.exe" "$unpacked/win32/Wrenpost.exe" ||
  fail "the MSI and the win32 zip do not carry the same signed Wrenpost.exe"

echo "--- the build outputs, untouched"
[ "$(sha256sum "$root/build-mingw32/Wrenpost.exe" "$root/build-mingw64/Wrenpost.exe")" = "$outputs_before" ] ||
  fail "the signed release changed the build outputs"

unsigned() {  # <file>: osslsigncode finds no signature in it
  local report
  report=$(osslsigncode verify -in "$1" 2>&1) && fail "$1 carries a signature"
  grep -Eq "No signature found|has no signature" <<<"$report" || { fail "$1: $report"; return; }
  printf '%s: %s\n' "${1#"$work"/}" "$(grep -E "No signature found|has no signature" <<<"$report")"
}
echo "--- a release without a certificate, made next (its folder given relative to the current one)"
(cd "$work" && env -u WRENPOST_SIGN_PKCS12 -u WRENPOST_SIGN_CERT -u WRENPOST_SIGN_KEY -u WRENPOST_SIGN_PASSWORD \
  bash "$root/tools/release_windows.sh" unsigned-dist >/dev/null)
unpack "$work/unsigned-dist" "$work/unsigned-unpacked"
for file in "$work/unsigned-dist/Wrenpost-$version.msi" "$work/unsigned-unpacked/msi/Programs/Wrenpost/Wrenpost.exe" \
    "$work/unsigned-unpacked/win32/Wrenpost.exe" "$work/unsigned-unpacked/win64/Wrenpost.exe"; do
  unsigned "$file"
done

echo "--- the MSI's summary and properties"
msi=$work/dist/Wrenpost-$version.msi
summary=$(msiinfo suminfo "$msi")
properties=$(msiinfo export "$msi" Property | tr -d '\r')
echo "$summary"
echo "$properties"
expect() {  # <what> <text> <line that must be in it>
  grep -qxF -- "$3" <<<"$2" || fail "$1 has no line '$3'"
}
expect "the summary" "$summary" "Subject: Wrenpost $version"
expect "the summary" "$summary" "Author: Wrenpost"
# Word count 10: compressed (2), no elevation needed (8), the per-user scope.
expect "the summary" "$summary" "Source: 10 (a)"
expect "the summary" "$summary" "Template: Intel;1033"
expect "the properties" "$properties" "ProductName	Wrenpost"
expect "the properties" "$properties" "ProductVersion	$version"
expect "the properties" "$properties" "Manufacturer	Wrenpost"
expect "the properties" "$properties" "UpgradeCode	{AD849A1A-EAFE-4493-8DC4-82E98115B7A8}"
grep -q "^ALLUSERS	" <<<"$properties" && fail "the MSI sets ALLUSERS: a per-machine install"
expect "the directories" "$(msiinfo export "$msi" Directory | tr -d '\r')" "INSTALLDIR	UserProgramsFolder	Wrenpost"
expect "the directories" "$(msiinfo export "$msi" Directory | tr -d '\r')" "UserProgramsFolder	LocalAppDataFolder	Programs"
grep -q "^Installed OR NOT ALLUSERS" <<<"$(msiinfo export "$msi" LaunchCondition)" ||
  fail "the MSI does not refuse a per-machine install"
echo "$(stat -c %s "$msi") bytes: $msi"

# What the installer check takes, under names no release has; nothing else stays.
mkdir -p "$work/test-signed"
mv "$msi" "$work/test-signed/Wrenpost-$version-test-signed.msi"
mv "$unpacked/win32/Wrenpost.exe" "$work/test-signed/Wrenpost-test-signed.exe"
rm -rf "$work/dist" "$work/unsigned-dist" "$unpacked" "$work/unsigned-unpacked" "$work/unsigned.exe"

[ "$failures" -eq 0 ] || { echo "signed release: $failures failures" >&2; exit 1; }
echo "signed release: passed"
