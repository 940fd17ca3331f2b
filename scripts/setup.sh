#!/usr/bin/env bash
# Installs the Debian 12 packages the build needs, and only those that are missing.
#   scripts/setup.sh          what the native program needs
#   scripts/setup.sh --all    everything the tests and packages need as well (mingw-w64, Wine 8,
#                             Xvfb, clang, dpkg-dev, lintian, osslsigncode with openssl, and
#                             column for the test run's table)
set -euo pipefail

packages=(cmake ninja-build g++ pkg-config libxml2-dev binutils-mingw-w64-i686)
if [[ "${1:-}" == "--all" ]]; then
  packages+=(googletest libxml2-utils mingw-w64 wine wine32 wine64 xvfb xauth
             clang libclang-rt-14-dev util-linux dpkg-dev lintian osslsigncode openssl
             bsdextrautils)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
    missing+=("$package")
done
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)

install_missing() {
  [[ ${#missing[@]} -eq 0 ]] && return 0
  echo "Installing: ${missing[*]}" >&2
  if printf '%s\n' "${missing[@]}" | grep -q ':i386\|^wine32$'; then
    "${sudo[@]}" dpkg --add-architecture i386
  fi
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
    "${missing[@]}" >/dev/null
}
install_missing

# Wine runs the 32-bit program with its 32-bit loader. A kernel booted without 32-bit emulation
# (ia32_emulation=off) cannot execute it; then i386 programs run through qemu's user-mode emulator,
# registered with binfmt_misc.
[[ "${1:-}" == "--all" ]] || exit 0
/lib/ld-linux.so.2 --version >/dev/null 2>&1 && exit 0
echo "This kernel does not run 32-bit programs: running them through qemu-i386" >&2
missing=()
dpkg-query -W -f='${Status}' qemu-user-static 2>/dev/null | grep -q "install ok installed" ||
  missing=(qemu-user-static)
install_missing
binfmt=/proc/sys/fs/binfmt_misc
[[ -e $binfmt/register ]] || "${sudo[@]}" mount -t binfmt_misc binfmt_misc "$binfmt"
if [[ ! -e $binfmt/qemu-i386 ]]; then
  magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
  mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
  echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" |
    "${sudo[@]}" tee "$binfmt/register" >/dev/null
fi
/lib/ld-linux.so.2 --version >/dev/null 2>&1 || { echo "32-bit programs still do not run" >&2; exit 1; }
