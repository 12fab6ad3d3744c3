#!/usr/bin/env bash
# Signs a copy of the program with a throw-away self-signed certificate, verifies the
# Authenticode signature, and reads the signed program's resources back under Wine.
#   sign_test.sh <installer.exe> <win32_tests.exe> <wine-run>
set -euo pipefail
program=$1 resource_tests=$2 wine_run=$3
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj "/CN=澄岚软件工作室 测试/O=澄岚软件工作室" \
  -utf8 -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
cp "$program" "$work/installer.exe"
"$here/scripts/sign" "$work/cert.pem" "$work/key.pem" "$work/installer.exe"

if cmp -s "$program" "$work/installer.exe"; then
  echo "FAILED: the program was not changed by signing" >&2
  exit 1
fi
osslsigncode verify -CAfile "$work/cert.pem" -in "$work/installer.exe" >"$work/verify.txt" 2>&1 || {
  cat "$work/verify.txt" >&2
  echo "FAILED: the signature does not verify" >&2
  exit 1
}
grep -q "Signature verification: ok" "$work/verify.txt" || {
  cat "$work/verify.txt" >&2
  exit 1
}
# A changed byte must break the signature.
cp "$work/installer.exe" "$work/tampered.exe"
printf 'X' | dd of="$work/tampered.exe" bs=1 seek=4096 conv=notrunc status=none
if osslsigncode verify -CAfile "$work/cert.pem" -in "$work/tampered.exe" >/dev/null 2>&1; then
  echo "FAILED: a tampered program still verifies" >&2
  exit 1
fi

SETUP_PROGRAM_UNDER_TEST="Z:$work/installer.exe" "$wine_run" "$resource_tests" \
  --gtest_filter='ProgramResources.*'
echo "signed, verified, and its resources read back"
