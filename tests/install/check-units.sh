#!/bin/sh
# The daily update's units as installed by `cmake --install --prefix DIR`: ExecStart names DIR's own
# program, systemd-analyze verify finds nothing to say, and systemd-analyze security scores the
# service 2.5 or below. Then, as root, the service's command runs under its own sandbox, option by
# option (systemd is not needed to be running): every mount read-only but the folders of
# ReadWritePaths= and the cache, home folders and the temporary folder as ProtectHome= and PrivateTmp=
# leave them, no capability but CapabilityBoundingSet=, no new privileges, the umask, the system call
# filter and the address families (tests/install/unit-syscalls.py). Under it, `velmora --update` still
# updates a HOSTS file (atomically, with its backup) from a list in a folder of root's closed to others,
# from one in the temporary folder and from a web address on 127.0.0.1, refuses the list in another
# user's home (its block stays as it was, and the run says why), and cannot write elsewhere.
# The paths the unit names (/etc, /home, /tmp, /var/cache) stand for folders of the test's own, so
# the real HOSTS file is never reached.
#   tests/install/check-units.sh BUILD_DIR
set -u
build=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")" && pwd)
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
    echo "units valid"
    exit 0
}
if ! command -v systemd-analyze >/dev/null 2>&1; then
    echo "SKIPPED, not installed: systemd-analyze (scripts/install-deps.sh package)"
    exit 77
fi

work=$(mktemp -d "$build/units-test.XXXXXX")
server=""
cleanup() {
    [ -n "$server" ] && kill "$server" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
prefix=$work/prefix
cmake --install "$build" --prefix "$prefix" >"$work/install.log" 2>&1 || { cat "$work/install.log"; exit 1; }
service=$prefix/lib/systemd/system/velmora-update.service
timer=$prefix/lib/systemd/system/velmora-update.timer
[ -f "$service" ] && [ -f "$timer" ] || { fail "the units are not in $prefix/lib/systemd/system"; finish; }
grep -qx "ExecStart=$prefix/bin/velmora --update" "$service" || fail "ExecStart is not $prefix/bin/velmora: $(grep ExecStart "$service")"
grep -q '^WantedBy=timers.target$' "$timer" || fail "the timer cannot be enabled: no WantedBy=timers.target"

report=$(systemd-analyze verify --man=no "$service" "$timer" 2>&1) || fail "systemd-analyze verify: $report"
[ -z "$report" ] || fail "systemd-analyze verify: $report"
score=$(systemd-analyze security --offline=true --no-pager "$service" 2>&1 |
    sed -n 's/.*Overall exposure level for [^:]*: \([0-9.]*\).*/\1/p')
if [ -z "$score" ]; then
    fail "systemd-analyze security gave no score"
elif awk "BEGIN { exit !($score <= 2.5) }"; then
    echo "systemd-analyze security: $score"
else
    fail "systemd-analyze security scores the service $score, above 2.5:
$(systemd-analyze security --offline=true --no-pager "$service" 2>&1 | grep '✗')"
fi

# The sandbox, option by option.
missing=""
for tool in unshare setpriv mount findmnt /usr/bin/python3; do
    command -v $tool >/dev/null 2>&1 || missing="$missing $tool"
done
/usr/bin/python3 -c 'import seccomp' 2>/dev/null || missing="$missing python3-seccomp"
if [ "$(id -u)" -ne 0 ]; then
    skipped="$skipped the command under the sandbox (needs root)"
    finish
elif [ -n "$missing" ]; then
    skipped="$skipped the command under the sandbox (not installed:$missing)"
    finish
fi
setting() { sed -n "s/^$1=//p" "$service" | tail -n 1; }
[ "$(setting ProtectSystem)" = strict ] || fail "ProtectSystem=$(setting ProtectSystem): only strict is emulated"
[ "$(setting User)" = "" ] || fail "User=$(setting User): only root is emulated"

# The stand-ins: /etc with the HOSTS file, a folder of root's closed to others, a home folder (another
# user's, 0700), the temporary folder, the cache; the lists in them change after the blocks were made,
# and the run under the sandbox must bring the new lines in, but for the list another user could swap.
root=$work/root
mkdir -p "$root/etc" "$root/srv/lists" "$root/home/admin/lists" "$root/tmp" "$root/var/cache/velmora" "$root/web" \
    "$root/other"
chmod 755 "$root" "$root/etc" "$root/srv" "$root/var" "$root/var/cache" "$root/var/cache/velmora"
chmod 700 "$root/srv/lists"
printf '127.0.0.1 localhost\n' >"$root/etc/hosts"
printf 'srv1.example\n' >"$root/srv/lists/ads.txt"
printf 'home1.example\n' >"$root/home/admin/lists/ads.txt"
printf 'tmp1.example\n' >"$root/tmp/list.txt"
printf 'web1.example\n' >"$root/web/list.txt"
port=$(/usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])')
(cd "$root/web" && exec /usr/bin/python3 -m http.server --bind 127.0.0.1 "$port") >"$work/server.log" 2>&1 &
server=$!
for _ in 1 2 3 4 5 6 7 8 9 10; do
    /usr/bin/python3 -c "import socket; socket.create_connection(('127.0.0.1', $port), 1)" 2>/dev/null && break
    sleep 0.5
done
export VELMORA_HOSTS="$root/etc/hosts" XDG_CACHE_HOME="$root/var/cache" no_proxy=127.0.0.1
unset http_proxy https_proxy HTTP_PROXY HTTPS_PROXY
velmora=$prefix/bin/velmora
for block in "srv $root/srv/lists/ads.txt" "home $root/home/admin/lists/ads.txt" "tmp $root/tmp/list.txt" \
    "web http://127.0.0.1:$port/list.txt"; do
    # shellcheck disable=SC2086
    "$velmora" --update $block >"$work/setup.log" 2>&1 || { cat "$work/setup.log"; fail "setting up the block $block"; finish; }
done
chown -R 4242:4242 "$root/home/admin"
chmod 700 "$root/home/admin"
printf 'srv2.example\n' >"$root/srv/lists/ads.txt"
printf 'home2.example\n' >"$root/home/admin/lists/ads.txt"
printf 'tmp2.example\n' >"$root/tmp/list.txt"
printf 'web2.example\n' >"$root/web/list.txt"
# Newer than what the server said last time, to the second its Last-Modified counts in.
touch -d "@$(($(date +%s) + 60))" "$root/web/list.txt"
old=$(cat "$root/etc/hosts")
inode=$(stat -c %i "$root/etc/hosts")

# What the unit leaves writable, at its stand-in: ReadWritePaths= and the cache of CacheDirectory=.
writable="$root/var/cache/$(setting CacheDirectory)"
for path in $(sed -n 's/^ReadWritePaths=//p' "$service"); do
    writable="$writable $root${path#-}"
done
case $(setting ProtectHome) in
yes) home_mount="mount -t tmpfs -o mode=0 none $root/home" ;;
tmpfs) home_mount="mount -t tmpfs -o mode=0755 none $root/home" ;;
read-only | "" | no) home_mount=":" ;;
*) fail "ProtectHome=$(setting ProtectHome) is not emulated" ;;
esac
case $(setting PrivateTmp) in
yes | true) tmp_mount="mount -t tmpfs -o mode=1777 none $root/tmp" ;;
*) tmp_mount=":" ;;
esac
caps=$(setting CapabilityBoundingSet | tr 'A-Z' 'a-z' | sed 's/cap_/+/g; s/ /,/g')
nnp=""
[ "$(setting NoNewPrivileges)" = yes ] && nnp=--no-new-privs
umask_value=$(setting UMask)

# sandbox COMMAND...: the command as the unit would run it.
sandbox() {
    unshare --mount --propagation private sh -c '
        set -e
        for dir in '"$writable"'; do mount --bind "$dir" "$dir"; done
        findmnt -rn -o TARGET | sort -r | while read -r target; do
            case $target in /proc | /proc/* | /sys | /sys/* | /dev | /dev/*) continue ;; esac
            mount -o remount,bind,ro "$target" 2>/dev/null || true
        done
        for dir in '"$writable"'; do mount -o remount,bind,rw "$dir"; done
        '"$home_mount"'
        '"$tmp_mount"'
        umask '"${umask_value:-0022}"'
        exec setpriv '"$nnp"' --inh-caps=-all --bounding-set=-all'"${caps:+,$caps}"' -- \
            /usr/bin/python3 '"$here"'/unit-syscalls.py '"$service"' "$@"' sandbox "$@"
}
# The sandbox really is one: nothing outside the writable folders can be written.
sandbox sh -c ": >'$root/other/probe'" 2>/dev/null && fail "the sandbox let a file be written outside ReadWritePaths="
rm -f "$root/other/probe"

sandbox "$velmora" --update >"$work/update.log" 2>&1 &&
    fail "velmora --update under the sandbox took the list in another user's home: $(cat "$work/update.log")"
hosts=$(cat "$root/etc/hosts")
for name in srv2 tmp2 web2 home1; do
    printf '%s\n' "$hosts" | grep -qx "127.0.0.1 $name.example" || fail "$name.example not there: $(cat "$work/update.log")"
done
printf '%s\n' "$hosts" | grep -q home2 && fail "the list in another user's home was read: $(cat "$work/update.log")"
grep -qF "the folder $root/home/admin belongs to another user" "$work/update.log" ||
    fail "the refusal of the list in another user's home does not say why: $(cat "$work/update.log")"
[ "$(cat "$root/etc/hosts.bak")" = "$old" ] || fail "the backup does not hold the file as it was"
[ "$(stat -c %i "$root/etc/hosts")" != "$inode" ] || fail "the HOSTS file was rewritten in place, not replaced"
[ -z "$(ls -A "$root/var/cache/velmora")" ] && fail "nothing kept in the cache"

# Elsewhere the same run is refused by the file system, and says so.
cp "$root/etc/hosts.bak" "$root/other/hosts"
VELMORA_HOSTS=$root/other/hosts sandbox "$velmora" --update >"$work/refused.log" 2>&1 &&
    fail "an update wrote $root/other/hosts outside ReadWritePaths="
grep -q 'Read-only file system' "$work/refused.log" || fail "the refused update said: $(cat "$work/refused.log")"
finish
