#!/usr/bin/env bash
# Installs, from Debian's archive, whatever the builds and tests need and the
# machine does not have yet. Safe to run again: it installs only what is missing.
set -euo pipefail

packages=(
  cmake ninja-build g++ clang libclang-rt-14-dev
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix
  wine64 wine wine32:i386 xvfb xauth locales e2fsprogs dpkg-dev file binutils-mingw-w64-x86-64
  wixl msitools osslsigncode openssl python3
  libglib2.0-dev  # GIO: the desktop's mailto: default, D-Bus
  thunderbird claws-mail evolution x11-utils xdotool dbus-daemon  # the real-client tests: the clients, their windows, a session bus
)

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "install_deps: everything is installed"
  exit 0
fi

echo "install_deps: installing ${missing[*]}"
sudo=""
[ "$(id -u)" -eq 0 ] || sudo="sudo"
# The 32-bit Wine loader (for the 32-bit Wrenpost.exe) is an i386 package.
if [[ " ${missing[*]} " == *" wine32:i386 "* ]] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $sudo dpkg --add-architecture i386
fi
# No prompts: CI has no stdin (and sudo would drop an exported setting).
# A mirror caught mid-sync fails one index; the others still serve the install.
$sudo env DEBIAN_FRONTEND=noninteractive apt-get update -q </dev/null || echo "install_deps: apt-get update reported errors; installing from the lists it has"
native=()
foreign=()
for package in "${missing[@]}"; do
  if [[ $package == *:i386 ]]; then foreign+=("$package"); else native+=("$package"); fi
done
if [ ${#native[@]} -gt 0 ]; then
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${native[@]}" </dev/null
fi
# The 32-bit loader on its own: an i386 list out of step with the amd64 one
# (a mirror mid-sync) must not stop the rest. Without it the 32-bit Wine
# runs are skipped, with a line saying why.
if [ ${#foreign[@]} -gt 0 ]; then
  $sudo env DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "${foreign[@]}" </dev/null ||
    echo "install_deps: could not install ${foreign[*]}; the 32-bit Wine runs will be skipped"
fi
