#!/bin/sh
# `cmake --install` into a temporary prefix, then the desktop's validators over what it put there:
# the desktop entry, the AppStream metainfo, the icons, the manual page and the polkit action.
# A validator that is not installed is skipped with its name (exit 77, after the other checks).
# The tree is installed under a prefix the build was not configured for: everything that names a
# path names that prefix, and the program finds the helper installed beside it.
#   tests/install/check-install.sh BUILD_DIR VERSION APP_ID
set -u
build=$1
version=$2
app=$3
prefix=$(mktemp -d)
trap 'rm -rf "$prefix"' EXIT
failed=0
skipped=""
fail() {
    echo "FAIL: $*"
    failed=1
}
have() {
    command -v "$1" >/dev/null 2>&1 && return 0
    skipped="$skipped $1"
    return 1
}

cmake --install "$build" --prefix "$prefix" >"$prefix.log" 2>&1 || { cat "$prefix.log"; rm -f "$prefix.log"; exit 1; }
rm -f "$prefix.log"
share=$prefix/share
for file in bin/velmora libexec/velmora/velmora-window libexec/velmora/velmora-save-hosts share/applications/$app.desktop \
    share/metainfo/$app.metainfo.xml share/icons/hicolor/scalable/apps/$app.svg share/man/man1/velmora.1 \
    share/polkit-1/actions/$app.save-hosts.policy share/doc/velmora/LICENSE share/doc/velmora/docs/velmora.png \
    share/doc/velmora/docs/velmora-remove-block.png; do
    [ -s "$prefix/$file" ] || fail "not installed: $file"
done

printed=$("$prefix/bin/velmora" --version)
[ "$printed" = "velmora $version" ] || fail "velmora --version printed '$printed', not 'velmora $version'"

# Every size in its own folder, with the size the folder says.
for size in 16 32 48 64 128 256; do
    png=$share/icons/hicolor/${size}x$size/apps/$app.png
    dimensions=$(od -An -tu1 -j16 -N8 "$png" 2>/dev/null | awk '{print $3*256+$4 "x" $7*256+$8}')
    [ "$dimensions" = "${size}x$size" ] || fail "$png is $dimensions"
done

if have desktop-file-validate; then
    # Hints are advice (two main categories, System and Network, are meant); anything else fails.
    report=$(desktop-file-validate "$share/applications/$app.desktop" 2>&1)
    status=$?
    problems=$(printf '%s\n' "$report" | grep -v ': hint: ' | grep -v '^$')
    [ $status -eq 0 ] && [ -z "$problems" ] || fail "desktop-file-validate: $report"
fi
if have appstreamcli; then
    report=$(appstreamcli validate --no-net "$share/metainfo/$app.metainfo.xml" 2>&1) ||
        fail "appstreamcli validate: $report"
    grep -q '<screenshot type="default">' "$share/metainfo/$app.metainfo.xml" || fail "metainfo without a screenshot"
fi
if have groff; then
    report=$(groff -man -ww -z "$share/man/man1/velmora.1" 2>&1)
    [ -z "$report" ] || fail "groff -man -ww -z: $report"
    # Every option and switch of --help has its place in the manual page.
    page=$(groff -man -Tutf8 "$share/man/man1/velmora.1" 2>/dev/null | sed 's/.\x08//g; s/‐/-/g')
    for option in $("$prefix/bin/velmora" --help | grep -oE '(^| )(--?[a-z]+|/[a-z]+)' | sort -u); do
        printf '%s\n' "$page" | grep -qF -- "$option" || fail "the manual page does not mention $option"
    done
fi
if have xmllint; then
    xmllint --noout "$share/icons/hicolor/scalable/apps/$app.svg" || fail "the scalable icon is not well-formed"
    policy=$share/polkit-1/actions/$app.save-hosts.policy
    dtd=/usr/share/polkit-1/policyconfig-1.dtd
    if [ -f "$dtd" ]; then
        xmllint --noout --dtdvalid "$dtd" "$policy" || fail "the polkit action does not follow $dtd"
    else
        skipped="$skipped $dtd"
    fi
    helper=$(xmllint --xpath 'string(//annotate[@key="org.freedesktop.policykit.exec.path"])' "$policy")
    # Every save asks again: a kept authorisation would let any program of the user write the file meanwhile.
    for who in allow_any allow_inactive allow_active; do
        [ "$(xmllint --xpath "string(//$who)" "$policy")" = auth_admin ] || fail "$policy: $who is not auth_admin"
    done
    # pkexec finds the action by the path the program runs it with: the helper of this tree.
    [ "$helper" = "$prefix/libexec/velmora/velmora-save-hosts" ] || fail "the polkit action names $helper"
    [ "$(xmllint --xpath 'string(//action/@id)' "$policy")" = "$app.save-hosts" ] || fail "$policy: action id"
    metainfo=$share/metainfo/$app.metainfo.xml
    [ "$(xmllint --xpath 'string(//releases/release[1]/@version)' "$metainfo")" = "$version" ] ||
        fail "the metainfo's newest release is not $version"
fi
# The window finds its helper from its own folder, and velmora the window from its own, by the steps the
# build put in them.
window=$prefix/libexec/velmora/velmora-window
step=$(grep -ao '[./a-z0-9_-]*/velmora-save-hosts' "$window" | head -n 1)
case $step in
/*) fail "the window runs the helper by an absolute path, not from its own folder: $step" ;;
*) [ -x "$(dirname "$window")/$step" ] || fail "the window looks for its helper at $(dirname "$window")/$step, where there is none" ;;
esac
step=$(grep -ao '[./a-z0-9_-]*/velmora-window' "$prefix/bin/velmora" | head -n 1)
case $step in
/*) fail "velmora runs the window by an absolute path, not from its own folder: $step" ;;
*) [ -x "$prefix/bin/$step" ] || fail "velmora looks for the window at $prefix/bin/$step, where there is none" ;;
esac
grep -q "^\.TH VELMORA 1 \"[0-9]\{4\}-[0-9][0-9]-[0-9][0-9]\" \"Velmora $version\"" "$share/man/man1/velmora.1" ||
    fail "the manual page has no date and version: $(head -n 1 "$share/man/man1/velmora.1")"
# The helper runs as root: no library of a display server or a toolkit. The command line links none
# either, nor ICU or libcurl (loaded when a download starts): a batch run maps only what it uses.
if have readelf; then
    readelf -d "$prefix/libexec/velmora/velmora-save-hosts" | grep NEEDED | grep -Ei 'libx|libQt|libGL|libwayland' &&
        fail "the helper links the libraries above"
    readelf -d "$prefix/bin/velmora" | grep NEEDED | grep -Ei 'libx|libQt|libGL|libwayland|libicu|libcurl' &&
        fail "velmora links the libraries above"
fi

[ $failed -eq 0 ] || exit 1
if [ -n "$skipped" ]; then
    echo "SKIPPED, not installed:$skipped (scripts/install-deps.sh install); the other checks passed"
    exit 77
fi
echo "installed tree valid"
