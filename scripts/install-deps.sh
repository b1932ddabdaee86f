#!/bin/sh
# Installs the Debian packages Velmora needs that are missing, and nothing else.
#   scripts/install-deps.sh [build] [bench] [shots] [fuzz] [format] [tidy] [install] [package] [windows]
# build: compiler, CMake, Qt 6, GoogleTest, libcurl, zlib, fonts (the default); bench: GNU time;
# shots: Xvfb, the openbox window manager, xdotool, the X utilities and ImageMagick for the screenshots;
# fuzz: clang with its sanitizer runtimes; format: clang-format (and python3 for the function-length check); tidy: clang-tidy with run-clang-tidy;
# install: the validators of the installed tree (desktop entry, AppStream, manual page, polkit action);
# package: what the tests of the Debian package and the systemd units use (debhelper, lintian,
# debootstrap for a throwaway root, systemd-analyze, libseccomp for the units' system call filter);
# windows: the mingw-w64 cross compiler and its zlib, wine to run its programs, GoogleTest's sources to build
# for it, and wixl to make the MSI.
set -eu

groups=${*:-build}
packages=""
for group in $groups; do
    case $group in
    build) packages="$packages cmake make g++ pkg-config qt6-base-dev libicu-dev libgl-dev libgtest-dev libcanberra-dev libcurl4-openssl-dev zlib1g-dev fonts-wine" ;;
    bench) packages="$packages time" ;;
    shots) packages="$packages xvfb openbox xdotool x11-utils imagemagick" ;;
    fuzz) packages="$packages clang libclang-rt-14-dev" ;;
    format) packages="$packages clang-format python3" ;;
    tidy) packages="$packages clang-tidy" ;;
    install) packages="$packages desktop-file-utils appstream groff-base libxml2-utils polkitd binutils" ;;
    package) packages="$packages dpkg-dev debhelper lintian debootstrap xz-utils systemd python3 python3-seccomp" ;;
    windows) packages="$packages cmake make g++-mingw-w64-x86-64-posix libz-mingw-w64-dev wine wine64 googletest wixl" ;;
    *) echo "install-deps: unknown group '$group' (build, bench, shots, fuzz, format, tidy, install, package, windows)" >&2; exit 2 ;;
    esac
done

if ! command -v dpkg-query >/dev/null 2>&1 || ! command -v apt-get >/dev/null 2>&1; then
    echo "install-deps: this system has no apt-get; install these packages (or their equivalents) yourself:$packages" >&2
    exit 0
fi

missing=""
for p in $packages; do
    status=$(dpkg-query -W -f='${db:Status-Status}' "$p" 2>/dev/null || true)
    [ "$status" = "installed" ] || missing="$missing $p"
done
[ -z "$missing" ] && exit 0

echo "install-deps: installing$missing"
if [ "$(id -u)" -eq 0 ]; then
    sudo=""
elif command -v sudo >/dev/null 2>&1; then
    sudo="sudo"
else
    echo "install-deps: need root (or sudo) to install:$missing" >&2
    exit 1
fi
$sudo apt-get update -qq
# shellcheck disable=SC2086
DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends $missing
