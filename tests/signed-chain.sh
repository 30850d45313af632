#!/usr/bin/env bash
# The signed chain: a throwaway certificate signs a bundle (scripts/dev bundle --sign), and every layer
# must carry a SHA-256 signature by it that verifies: the installer, the launcher item inside it, the
# uninstaller item inside that launcher, and the sample. The inner layers are taken out with a standard
# resource reader (wrestool), as an auditor would, and are the signed programs byte for byte. Then the
# signed zip must check against a rebuild of this source (scripts/dev check-download).
# Usage: signed-chain.sh SOURCE_ROOT WORK_FOLDER
set -euo pipefail
root=$1 work=$2
rm -rf "$work"
mkdir -p "$work/layers"
cd "$work"

# The password reaches the tools through files only.
head -c 18 /dev/urandom | base64 >password
openssl req -x509 -newkey rsa:2048 -sha256 -days 2 -nodes -subj "/CN=Glow throwaway test signer" \
  -addext "keyUsage=critical,digitalSignature" -addext "extendedKeyUsage=codeSigning" \
  -keyout key.pem -out cert.pem 2>openssl.log
openssl pkcs12 -export -inkey key.pem -in cert.pem -passout file:password -out cert.pfx 2>>openssl.log

export GLOW_OUT=$work/out
"$root/scripts/dev" bundle --sign cert.pfx --password-file password
signed=$GLOW_OUT/signed
cp "$signed/dist/Glowset.exe" "$signed/dist/TAVO.scr" layers/
wrestool -x --raw --type=10 --name=UNINSTALL.EXE layers/Glowset.exe >layers/Glowrun.exe
wrestool -x --raw --type=10 --name=UNINSTALL.EXE layers/Glowrun.exe >layers/Glowclear.exe

status=0
for layer in Glowrun.exe Glowclear.exe; do
  cmp -s "layers/$layer" "$signed/bin/$layer" ||
    { echo "FAIL $layer as wrestool takes it out is not the signed $signed/bin/$layer"; status=1; }
done
for layer in Glowset.exe Glowrun.exe Glowclear.exe TAVO.scr; do
  if osslsigncode verify -CAfile cert.pem -in "layers/$layer" >"layers/$layer.verify" 2>&1 &&
     grep -q "Message digest algorithm *: *SHA256" "layers/$layer.verify"; then
    echo "signed, SHA-256, verifies: $layer"
  else
    echo "FAIL $layer: unsigned, not SHA-256, or its signature does not verify:"
    sed 's/^/    /' "layers/$layer.verify"
    status=1
  fi
done
[ $status = 0 ] || exit 1

"$root/scripts/dev" check-download "$signed"/Glow-*.zip
