#!/usr/bin/env bash
# Signs Windows files in place with Authenticode (SHA-256), through osslsigncode:
#
#   tools/sign_windows.sh FILE...        (Wrenpost.exe of either build, the .msi)
#
# The certificate comes from the caller, never from the repository:
#   WRENPOST_SIGN_PKCS12            a PKCS#12 file (.pfx/.p12) with the key and its chain, or
#   WRENPOST_SIGN_CERT and
#   WRENPOST_SIGN_KEY               the certificate chain (PEM, DER or SPC) and the private key
#   WRENPOST_SIGN_PASSWORD          the password of the PKCS#12 file or of the key, if any
#                                   (handed to osslsigncode through a pipe, not its command
#                                   line or environment); read it without echo and give it to
#                                   this command alone: read -rs pw; WRENPOST_SIGN_PASSWORD=$pw ...
#   WRENPOST_SIGN_TIMESTAMP_URL     an RFC 3161 time-stamping server; without it the
#                                   signature carries no timestamp and is valid only as long
#                                   as the certificate is
# Without a certificate nothing is signed and the script says so (exit status 0:
# a developer build stays unsigned). A file already signed gets the new
# signature in place of the old one. Exit status 2 for a wrong setting or a
# missing file, 1 when osslsigncode fails; a file it could not sign is left as it was.
set -euo pipefail

if [ $# -eq 0 ]; then
  echo "usage: tools/sign_windows.sh FILE..." >&2
  exit 2
fi

pkcs12=${WRENPOST_SIGN_PKCS12:-}
cert=${WRENPOST_SIGN_CERT:-}
key=${WRENPOST_SIGN_KEY:-}
timestamp_url=${WRENPOST_SIGN_TIMESTAMP_URL:-}
password=${WRENPOST_SIGN_PASSWORD:-}
unset WRENPOST_SIGN_PASSWORD

if [ -z "$pkcs12" ] && [ -z "$cert" ] && [ -z "$key" ]; then
  echo "sign_windows: no certificate given (WRENPOST_SIGN_PKCS12, or WRENPOST_SIGN_CERT and WRENPOST_SIGN_KEY): nothing signed"
  exit 0
fi
if [ -n "$pkcs12" ] && { [ -n "$cert" ] || [ -n "$key" ]; }; then
  echo "sign_windows: give either WRENPOST_SIGN_PKCS12 or WRENPOST_SIGN_CERT and WRENPOST_SIGN_KEY, not both" >&2
  exit 2
fi
if [ -z "$pkcs12" ] && { [ -z "$cert" ] || [ -z "$key" ]; }; then
  echo "sign_windows: WRENPOST_SIGN_CERT and WRENPOST_SIGN_KEY go together" >&2
  exit 2
fi
for file in "$pkcs12" "$cert" "$key" "$@"; do
  [ -z "$file" ] || [ -f "$file" ] || { echo "sign_windows: no such file: $file" >&2; exit 2; }
done
command -v osslsigncode >/dev/null || { echo "sign_windows: osslsigncode is not installed" >&2; exit 2; }

credentials=()
if [ -n "$pkcs12" ]; then
  credentials=(-pkcs12 "$pkcs12")
else
  credentials=(-certs "$cert" -key "$key")
fi
timestamp=()
[ -n "$timestamp_url" ] && timestamp=(-ts "$timestamp_url")

# The password reaches osslsigncode through a pipe, never as an argument.
sign() {
  if [ -n "$password" ]; then
    osslsigncode sign "$@" -readpass <(printf '%s' "$password")
  else
    osslsigncode sign "$@"
  fi
}

for file in "$@"; do
  signed="$file.signing"
  rm -f "$signed"
  # An MSI also gets the extended signature, which covers the package's
  # metadata (MsiDigitalSignatureEx) as well as its contents.
  extended=()
  [[ ${file,,} == *.msi ]] && extended=(-add-msi-dse)
  if ! sign "${credentials[@]}" -h sha256 -n Wrenpost "${extended[@]}" "${timestamp[@]}" \
      -in "$file" -out "$signed" >/dev/null; then
    rm -f "$signed"
    echo "sign_windows: could not sign $file" >&2
    exit 1
  fi
  mv -f "$signed" "$file"
  echo "sign_windows: signed $file (SHA-256${timestamp_url:+, timestamp from $timestamp_url})"
done
