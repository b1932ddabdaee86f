#!/bin/sh
# `cpack -G DEB` over the build, then dpkg-deb's view of the package: its control fields, its
# dependencies as dpkg-shlibdeps found them, and its files with their owners and modes. The package
# is not installed: that would change the machine.
#   tests/install/check-package.sh BUILD_DIR VERSION
set -u
build=$1
version=$2
for tool in cpack dpkg-deb dpkg-shlibdeps; do
    command -v $tool >/dev/null 2>&1 || { echo "SKIPPED, not installed: $tool (apt-get install dpkg-dev)"; exit 77; }
done
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
failed=0
fail() {
    echo "FAIL: $*"
    failed=1
}
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$out" >"$out/cpack.log" 2>&1 || { cat "$out/cpack.log"; exit 1; }
deb=$(ls "$out"/velmora_*.deb)
field() { dpkg-deb --field "$deb" "$1"; }

[ "$(field Package)" = velmora ] || fail "Package: $(field Package)"
[ "$(field Version)" = "$version" ] || fail "Version: $(field Version), not $version"
depends=$(field Depends)
for needed in libc6 'libqt6widgets6 (>=' 'pkexec | policykit-1'; do
    case $depends in *"$needed"*) ;; *) fail "Depends lacks $needed: $depends" ;; esac
done
[ "$(field Recommends)" = polkit-1-auth-agent ] || fail "Recommends: $(field Recommends)"

prefix=$(grep -o 'CPACK_PACKAGING_INSTALL_PREFIX "[^"]*"' "$build/CPackConfig.cmake" | cut -d'"' -f2)
contents=$(dpkg-deb --contents "$deb")
for file in bin/velmora libexec/velmora/velmora-save-hosts share/applications/org.example.velmora.desktop \
    share/polkit-1/actions/org.example.velmora.save-hosts.policy share/man/man1/velmora.1 share/doc/velmora/LICENSE; do
    printf '%s\n' "$contents" | grep -q " \.$prefix/$file\$" || fail "not in the package: $prefix/$file"
done
# Everything root's; the helper no set-user-ID program (pkexec gives it its rights, nothing else).
printf '%s\n' "$contents" | awk '$2 != "root/root"' | grep . && fail "files not owned by root"
printf '%s\n' "$contents" | grep ' \./.*velmora-save-hosts$' | grep -q '^-rwxr-xr-x ' || fail "helper mode"
[ $failed -eq 0 ] || exit 1
echo "package valid: $(basename "$deb"), Depends: $depends"
