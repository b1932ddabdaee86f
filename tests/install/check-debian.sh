#!/bin/sh
# The Debian source package as a distribution would take it. A copy of the tree is built with
# dpkg-buildpackage (source and binary; tests left to the suite, debug symbols to no package, since no
# check reads them); lintian finds no error and no warning
# in either package, nor the notes of an unhardened or unstripped program; both programs are hardened
# as dpkg-buildflags asks and the helper that runs as root links no X library. A second build of the
# same tree in another folder, under another umask and time zone, gives byte-identical .debs (asked for
# with VELMORA_PACKAGE_REBUILD=1: it doubles the test's time, past what CI can give it). As root
# with debootstrap, the package is then installed with its dependencies into a throwaway Debian root,
# used there, and purged without a file left behind.
#   tests/install/check-debian.sh SOURCE_DIR VERSION APP_ID
# Tools, build dependencies or root that are missing skip what needs them, with the reason (exit 77
# after the other checks); scripts/install-deps.sh package installs them.
set -u
src=$(cd "$1" && pwd)
version=$2
app=$3
jobs=$(nproc 2>/dev/null || echo 2)
[ "$jobs" -gt 2 ] && jobs=2
failed=0
skipped=""
fail() {
    echo "FAIL: $*"
    failed=1
}
finish() {
    [ $failed -eq 0 ] || exit 1
    if [ -n "$skipped" ]; then
        echo "SKIPPED:$skipped; the other checks passed"
        exit 77
    fi
    echo "Debian package valid"
    exit 0
}

missing=""
for tool in dpkg-buildpackage dh lintian readelf git xz; do
    command -v $tool >/dev/null 2>&1 || missing="$missing $tool"
done
if [ -n "$missing" ]; then
    echo "SKIPPED, not installed:$missing (scripts/install-deps.sh package)"
    exit 77
fi
if ! (cd "$src" && dpkg-checkbuilddeps -B >/dev/null 2>&1); then
    echo "SKIPPED, build dependencies missing: $(cd "$src" && dpkg-checkbuilddeps -B 2>&1 | sed 's/.*dependencies: //')"
    exit 77
fi

# How long each part took, in the test's output: the package's test has the longest share of CI.
mark=$(date +%s)
took() {
    echo "$1 took $(($(date +%s) - mark)) s"
    mark=$(date +%s)
}

work=$(mktemp -d "${TMPDIR:-/tmp}/velmora-debian.XXXXXX")
# The throwaway root for the install at the end is made while the package builds: debootstrap mostly
# waits on the mirror and the disk, the build on the processors. Whatever happens, it is waited for
# before the folder goes.
if [ "$(id -u)" -ne 0 ]; then
    skipped="$skipped installing into a throwaway root (needs root)"
elif ! command -v debootstrap >/dev/null 2>&1; then
    skipped="$skipped installing into a throwaway root (debootstrap not installed)"
else
    sh "$src/tests/install/check-debian-root.sh" --prepare "$work/root" >"$work/making-root.log" 2>&1 &
    root_made=$!
fi
trap '[ -z "${root_made:-}" ] || wait "$root_made"; rm -rf "$work"' EXIT
upstream=$(dpkg-parsechangelog -l "$src/debian/changelog" -SVersion)
epoch=$(dpkg-parsechangelog -l "$src/debian/changelog" -STimestamp)
case $upstream in
"$version"-[0-9]*) ;;
*) fail "debian/changelog is at $upstream, not a Debian revision of $version (CMakeLists.txt)" ;;
esac

# The tree as git sees it (committed or not, nothing it ignores), under NAME-VERSION in folder $1.
copy_tree() {
    mkdir -p "$1/velmora-$version"
    (cd "$src" && git ls-files -z --cached --others --exclude-standard | xargs -0 -r sh -c \
        'for f; do [ -e "$f" ] && printf "%s\0" "$f"; done' sh | tar --null -T - -cf -) |
        tar -C "$1/velmora-$version" -xf -
}
# The upstream tarball is the tree without debian/, made the same way every time.
copy_tree "$work/first"
tar -C "$work/first" --sort=name --mtime="@$epoch" --owner=0 --group=0 --numeric-owner \
    --exclude="velmora-$version/debian" -cf - "velmora-$version" | xz -6 >"$work/first/velmora_$version.orig.tar.xz"

build() { # FOLDER ARGUMENTS...
    folder=$1
    shift
    (cd "$folder/velmora-$version" && DEB_BUILD_OPTIONS="nocheck noddebs parallel=$jobs" dpkg-buildpackage -us -uc "$@") \
        >"$folder/build.log" 2>&1 || {
        tail -n 60 "$folder/build.log"
        fail "dpkg-buildpackage $* in $folder"
        finish
    }
}
build "$work/first"
took "dpkg-buildpackage"
changes=$(ls "$work/first"/velmora_*_*.changes)
deb=$(ls "$work/first"/velmora_*_*.deb)

# lintian over the source and binary packages: errors and warnings fail, and so do the notes that
# mean a program without the hardening dpkg-buildflags asks for, or with sections left in.
lintian --info --display-info --fail-on error,warning "$changes" >"$work/lintian.log" 2>&1 ||
    fail "lintian: $(cat "$work/lintian.log")"
grep -E '^I: .*(hardening-no-|binary-has-unneeded-section|unstripped-binary)' "$work/lintian.log" &&
    fail "lintian notes above"
grep -q '^[EW]: ' "$work/lintian.log" && fail "lintian: $(grep '^[EW]: ' "$work/lintian.log")"
echo "lintian: $(grep -c '^[EW]: ' "$work/lintian.log") errors and warnings, $(grep -c '^I: ' "$work/lintian.log") notes"
took "lintian"

# The control fields the distribution depends on.
field() { dpkg-deb --field "$deb" "$1"; }
[ "$(field Version)" = "$upstream" ] || fail "Version: $(field Version), not $upstream"
depends=$(field Depends)
for needed in libc6 'libqt6widgets6 (>=' libcurl4 pkexec fonts-wine; do
    case $depends in *"$needed"*) ;; *) fail "Depends lacks $needed: $depends" ;; esac
done
case $depends in *policykit-1*) fail "Depends names the obsolete policykit-1: $depends" ;; esac
case $(field Recommends) in lxpolkit\ \|*) ;; *) fail "Recommends does not name a light agent first: $(field Recommends)" ;; esac

# Every program hardened, stripped of its comment section; the helper without any X library.
dpkg-deb -x "$deb" "$work/tree"
helper=$work/tree/usr/libexec/velmora/velmora-save-hosts
for program in "$work/tree/usr/bin/velmora" "$work/tree/usr/libexec/velmora/velmora-window" "$helper"; do
    name=$(basename "$program")
    [ -f "$program" ] || { fail "not in the package: $program"; continue; }
    readelf -h "$program" | grep -q 'Type: *DYN' || fail "$name is not position independent"
    readelf -lW "$program" | grep -q GNU_RELRO || fail "$name has no read-only relocations"
    readelf -dW "$program" | grep -Eq 'BIND_NOW|FLAGS_1.* NOW' || fail "$name is not bound now"
    symbols=$(readelf --dyn-syms -W "$program")
    printf '%s\n' "$symbols" | grep -q '__stack_chk_fail' || fail "$name has no stack protector"
    # Fortified calls: __read_chk and the like, or __open_2 (open checked for its missing mode).
    printf '%s\n' "$symbols" | grep -Eq ' __[a-z0-9_]+_(chk|2)(@|$)' || fail "$name calls no fortified function"
    readelf -SW "$program" | grep -q '\.comment' && fail "$name keeps its .comment section"
done
readelf -dW "$helper" | grep NEEDED | grep -Ei 'libx|libQt|libGL|libwayland' && fail "the helper links the libraries above"

# Where the units are, what they start, and the application ID throughout.
contents=$(dpkg-deb --contents "$deb")
for file in lib/systemd/system/velmora-update.service lib/systemd/system/velmora-update.timer \
    usr/share/applications/$app.desktop usr/share/metainfo/$app.metainfo.xml \
    usr/share/polkit-1/actions/$app.save-hosts.policy usr/share/icons/hicolor/scalable/apps/$app.svg \
    usr/share/man/man1/velmora.1.gz usr/share/doc/velmora/copyright usr/share/doc/velmora/changelog.Debian.gz; do
    printf '%s\n' "$contents" | grep -q " \./$file\$" || fail "not in the package: /$file"
done
grep -qx 'ExecStart=/usr/bin/velmora --update' "$work/tree/lib/systemd/system/velmora-update.service" ||
    fail "the service does not start /usr/bin/velmora: $(grep ExecStart "$work/tree/lib/systemd/system/velmora-update.service")"
grep -q '/usr/libexec/velmora/velmora-save-hosts<' "$work/tree/usr/share/polkit-1/actions/$app.save-hosts.policy" ||
    fail "the polkit action does not name /usr/libexec/velmora/velmora-save-hosts"
printf '%s\n' "$contents" | awk '$2 != "root/root"' | grep . && fail "files not owned by root"

# The same tree built again elsewhere gives the same bytes.
if [ "${VELMORA_PACKAGE_REBUILD:-0}" = 1 ]; then
    copy_tree "$work/second-build-in-a-longer-folder"
    (umask 0002 && TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 build "$work/second-build-in-a-longer-folder" -b)
    [ $? -eq 0 ] || fail "the second build failed"
    for first in "$work/first"/*.deb; do
        second="$work/second-build-in-a-longer-folder/$(basename "$first")"
        if cmp -s "$first" "$second"; then
            echo "reproducible: $(sha256sum "$first" | cut -c1-64) $(basename "$first")"
        else
            fail "$(basename "$first") differs between two builds of the same tree"
        fi
    done
else
    echo "not built a second time to compare (VELMORA_PACKAGE_REBUILD=1 does)"
fi

# Installed into a throwaway Debian root with its dependencies, used there, purged without a trace.
if [ -n "${root_made:-}" ]; then
    status=0
    wait "$root_made" || status=$?
    root_made=""
    cat "$work/making-root.log"
    took "waiting for the throwaway root"
    if [ $status -eq 0 ]; then
        sh "$src/tests/install/check-debian-root.sh" "$deb" "$work/root" "$app" || fail "in the throwaway root"
    else
        fail "the throwaway root was not made"
    fi
    took "the throwaway root"
fi
finish
