#!/usr/bin/env bash
# Builds the release packages into build/packages: the Debian package of the Linux tools (checked
# with lintian, which must find no error) and the zip of the Windows programs, 32-bit and 64-bit.
#
#   scripts/package.sh                    the Windows programs unsigned
#   scripts/package.sh --sign CODE.p12 [--password-file FILE] [--timestamp URL] [--ca-file CAS]
#                                         signed with osslsigncode and the certificate and key in
#                                         CODE.p12 (its password in FILE), timestamped by the
#                                         RFC 3161 server at URL only when one is named, and
#                                         verified against the CA certificates in CAS (default:
#                                         the system's)
#   scripts/package.sh --sign-throwaway   signed with a certificate made for this run alone and
#                                         verified against it: CI's check of the signing path
set -euo pipefail
cd "$(dirname "$0")/.."

usage() { sed -n '5,14s/^# \{0,1\}//p' "$0" >&2; exit 2; }

pkcs12="" password_file="" timestamp="" ca_file=/etc/ssl/certs/ca-certificates.crt throwaway=false
while (($#)); do
  case $1 in
    --sign) (($# > 1)) || usage; pkcs12=$(realpath "$2"); shift 2 ;;
    --password-file) (($# > 1)) || usage; password_file=$(realpath "$2"); shift 2 ;;
    --timestamp) (($# > 1)) || usage; timestamp=$2; shift 2 ;;
    --ca-file) (($# > 1)) || usage; ca_file=$(realpath "$2"); shift 2 ;;
    --sign-throwaway) throwaway=true; shift ;;
    *) usage ;;
  esac
done
if $throwaway && [[ -n $pkcs12 ]]; then usage; fi

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A self-signed code-signing certificate that lives as long as this run.
if $throwaway; then
  openssl req -x509 -newkey rsa:3072 -nodes -days 2 -subj "/CN=RegCorvex throw-away signer" \
    -addext keyUsage=critical,digitalSignature -addext extendedKeyUsage=codeSigning \
    -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
  openssl rand -hex 16 >"$work/password"
  openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/sign.p12" \
    -passout "file:$work/password"
  pkcs12=$work/sign.p12 password_file=$work/password ca_file=$work/cert.pem
fi
if [[ -n $pkcs12 ]] && ! command -v osslsigncode >/dev/null; then
  echo "package.sh: signing needs osslsigncode (scripts/setup.sh --all installs it)" >&2
  exit 1
fi

# Signs the program in place and checks the signature; osslsigncode checks a timestamp against the
# system's CA certificates.
sign() {
  local options=(-pkcs12 "$pkcs12" -h sha256 -n RegCorvex)
  [[ -z $password_file ]] || options+=(-readpass "$password_file")
  [[ -z $timestamp ]] || options+=(-ts "$timestamp")
  osslsigncode sign "${options[@]}" -in "$1" -out "$1.signed" >/dev/null
  mv "$1.signed" "$1"
  if ! osslsigncode verify -CAfile "$ca_file" -in "$1" >"$work/verify.log" 2>&1; then
    cat "$work/verify.log" >&2
    echo "package.sh: the signature of $1 does not verify" >&2
    exit 1
  fi
  echo "Signed and verified: $1"
}

jobs=${PACKAGE_BUILD_JOBS:-$(nproc)}
rm -rf build/packages && mkdir -p build/packages

cmake -S . -B build/package-native -G Ninja -DCMAKE_BUILD_TYPE=Release -DREGCORVEX_TESTS=OFF \
  >/dev/null
cmake --build build/package-native -j "$jobs"
(cd build/package-native && cpack >/dev/null)

# One zip of both Windows builds: the 32-bit programs in x86/, the 64-bit ones in x64/.
version=$(sed -nE 's/^CMAKE_PROJECT_VERSION:STATIC=//p' build/package-native/CMakeCache.txt)
stage=build/package-windows-stage/regcorvex-$version-windows
rm -rf build/package-windows-stage
# PACKAGE_WINDOWS_BUILDS may name release build folders of both that exist (scripts/test.sh's).
windows_builds=(${PACKAGE_WINDOWS_BUILDS:-})
if [[ ${#windows_builds[@]} -eq 0 ]]; then
  for arch in i686 x86_64; do
    windows_builds+=("build/package-windows-$arch")
    cmake -S . -B "build/package-windows-$arch" -G Ninja \
      -DCMAKE_TOOLCHAIN_FILE="cmake/mingw-$arch.cmake" -DCMAKE_BUILD_TYPE=Release \
      -DREGCORVEX_TESTS=OFF >/dev/null
  done
fi
for build in "${windows_builds[@]}"; do
  cmake --build "$build" -j "$jobs" --target RegCorvex regcorvex-admin
  cmake --install "$build" --prefix "$stage" --strip >/dev/null
done
# Signed after stripping, which would drop the signature.
if [[ -n $pkcs12 ]]; then
  find "$stage" -name '*.exe' -print0 | sort -z | while IFS= read -r -d '' program; do
    sign "$program"
  done
fi
(cd build/package-windows-stage && cmake -E tar cf "../packages/regcorvex-$version-windows.zip" \
  --format=zip "regcorvex-$version-windows")

cp build/package-native/packages/*.deb build/packages/
deb=$(ls build/packages/regcorvex_*.deb)
# Errors fail the build; warnings and notes are shown.
lintian --fail-on error "$deb"
ls -l build/packages
