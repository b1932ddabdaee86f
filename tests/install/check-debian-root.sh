#!/bin/sh
# The package in a throwaway Debian root (debootstrap, minimal): apt installs it with its
# dependencies; --version, --help, --add, --blocks and --dry-run work there on a HOSTS file of the
# test's; the units are installed, not enabled, and systemd-analyze verifies them; apt purge, after the
# administrator enabled the timer, leaves no file of the package behind. Run as root; the machine's
# own root is never touched (everything happens under ROOT, which is removed at the end).
#   tests/install/check-debian-root.sh DEB ROOT APP_ID
# The root can be made beforehand, while the package is still being built, since making it mostly waits
# on the mirror and the disk: --prepare makes ROOT (debootstrap, apt's lists) and leaves it there for a
# later run on the same ROOT, which then uses it as it is.
#   tests/install/check-debian-root.sh --prepare ROOT
set -u
if [ "$1" = --prepare ]; then
    prepare_only=1
    root=$2
else
    prepare_only=0
    deb=$1
    root=$2
    app=$3
fi
failed=0
fail() {
    echo "FAIL (throwaway root): $*"
    failed=1
}
inside() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin LC_ALL=C.UTF-8 "$@"; }

# The mirror and suite this machine installs from, so that the root gets what a fresh install would.
# apt's lists are fetched here too; they are apt's, outside what the purge is checked for below. The root
# is thrown away, so dpkg need not sync each file it unpacks there (the install is the same without).
prepare() {
    mirror=$(sed -n 's/^URIs: *\([^ ]*\).*/\1/p' /etc/apt/sources.list.d/debian.sources 2>/dev/null | head -n 1)
    [ -n "$mirror" ] || mirror=$(awk '$1 == "deb" { print $2; exit }' /etc/apt/sources.list 2>/dev/null)
    suite=$(. /etc/os-release && echo "$VERSION_CODENAME")
    started=$(date +%s)
    debootstrap --variant=minbase "$suite" "$root" "${mirror:-http://deb.debian.org/debian}" >"$root.log" 2>&1 &&
        cp /etc/resolv.conf "$root/etc/resolv.conf" && inside apt-get update -qq >>"$root.log" 2>&1 &&
        echo force-unsafe-io >"$root/etc/dpkg/dpkg.cfg.d/unsafe-io" || {
        tail -n 20 "$root.log"
        rm -rf "$root" "$root.log"
        echo "FAIL: debootstrap $suite and apt-get update"
        exit 1
    }
    rm -f "$root.log"
    echo "debootstrap and apt-get update took $(($(date +%s) - started)) s"
}
if [ $prepare_only = 1 ]; then
    prepare
    exit 0
fi
[ -d "$root" ] || prepare
trap 'rm -rf "$root"' EXIT
before=$(cd "$root" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev \) -prune -o -print | sort)

cp "$deb" "$root/tmp/velmora.deb"
DEBIAN_FRONTEND=noninteractive inside apt-get install -y -qq /tmp/velmora.deb >"$root/tmp/apt.log" 2>&1 ||
    { cat "$root/tmp/apt.log"; fail "apt-get install ./velmora.deb"; exit 1; }
rm -f "$root/tmp/velmora.deb" "$root/tmp/apt.log"
installed=$(inside dpkg-query -W -f='${Version}' velmora)
echo "installed velmora $installed into a minimal root with $(inside dpkg-query -W -f='.\n' | wc -l) packages"

# The command line, on a HOSTS file of the test's.
mkdir "$root/tmp/try"
printf '127.0.0.1 localhost\n' >"$root/tmp/try/hosts"
printf 'ads.example\n0.0.0.0 track.example\n' >"$root/tmp/try/list.txt"
run() { inside VELMORA_HOSTS=/tmp/try/hosts /usr/bin/velmora "$@" 2>&1; }
run --version | grep -qx "velmora ${installed%-*}" || fail "--version: $(run --version)"
run --help | grep -q -- '--dry-run' || fail "--help: $(run --help)"
run --add /tmp/try/list.txt --dry-run | grep -qx '+127.0.0.1 ads.example' || fail "--add --dry-run: $(run --add /tmp/try/list.txt --dry-run)"
run --add /tmp/try/list.txt >/dev/null || fail "--add: $(run --add /tmp/try/list.txt)"
[ "$(cat "$root/tmp/try/hosts")" = "$(printf '127.0.0.1 localhost\n127.0.0.1 ads.example\n0.0.0.0 track.example')" ] ||
    fail "--add wrote: $(cat "$root/tmp/try/hosts")"
[ -s "$root/tmp/try/hosts.bak" ] || fail "--add kept no backup"
run --update ads /tmp/try/list.txt >/dev/null || fail "--update: $(run --update ads /tmp/try/list.txt)"
run --blocks | grep -q '^ads	' || fail "--blocks: $(run --blocks)"
[ -s "$root/usr/share/man/man1/velmora.1.gz" ] || fail "no manual page"

# The units: in systemd's folder, not enabled, and clean to systemd-analyze verify (with the root's
# own paths; the manual page is looked up by the check above, systemd would ask the machine's man).
unit=$root/lib/systemd/system/velmora-update.service
[ -f "$unit" ] && [ -f "$root/lib/systemd/system/velmora-update.timer" ] || fail "the units are not in /lib/systemd/system"
state=$(systemctl --root="$root" is-enabled velmora-update.timer 2>&1)
[ "$state" = disabled ] || fail "the timer is $state after the install, not disabled"
if command -v systemd-analyze >/dev/null 2>&1; then
    report=$(systemd-analyze verify --man=no --root="$root" /lib/systemd/system/velmora-update.service \
        /lib/systemd/system/velmora-update.timer 2>&1) || fail "systemd-analyze verify: $report"
    [ -z "$report" ] || fail "systemd-analyze verify: $report"
fi

# The administrator enabled the daily update, then purges the package: nothing of it may remain, not
# the enabled timer's link, nor the files the runs above made in the package's folders.
systemctl --root="$root" enable velmora-update.timer >/dev/null 2>&1 || fail "systemctl enable velmora-update.timer"
rm -rf "$root/tmp/try"
DEBIAN_FRONTEND=noninteractive inside apt-get purge -y -qq --autoremove velmora >"$root/tmp/purge.log" 2>&1 ||
    { cat "$root/tmp/purge.log"; fail "apt-get purge velmora"; }
rm -f "$root/tmp/purge.log"
after=$(cd "$root" && find . -xdev \( -path ./proc -o -path ./sys -o -path ./dev \) -prune -o -print | sort)
left=$(printf '%s\n' "$after" | grep -Ei "velmora|$app" | grep -v '^\./var/lib/apt/lists/')
[ -z "$left" ] || fail "left after apt purge: $left"
added=$(printf '%s\n' "$before" "$before" "$after" | sort | uniq -u |
    grep -Ev '^\./(var/lib/(apt|dpkg|systemd/deb-systemd-helper)|var/cache/(apt|debconf|ldconfig)|var/log|etc/ld\.so\.cache|tmp)(/|$)')
[ -z "$added" ] || echo "(still there after the purge, from dependencies: $(printf '%s\n' "$added" | wc -l) paths)"
[ $failed -eq 0 ] && echo "throwaway root: installed, used and purged"
exit $failed
