#!/usr/bin/env bash
# The Debian package as it would land on a machine, without installing it:
# unpacked into a temporary root, it holds exactly the shipped files (the
# documents among them, so the README's links lead somewhere), every
# library its binaries need resolves, lilv finds both plug-ins with all their
# presets, the unpacked hpi-host loads the unpacked module, and the manual
# page documents every command and option the tool's help lists.
# Usage: package_test.sh PACKAGE.deb
set -euo pipefail
deb="$(realpath "$1")"
root="$(mktemp -d)"
trap 'rm -rf "$root" "$root.errors"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }

dpkg-deb -x "$deb" "$root"
version="$(dpkg-deb -f "$deb" Version)"
module=usr/lib/x86_64-linux-gnu/tarnwhistle/Tarnwhistle.so
tool="$root/usr/bin/hpi-host"

echo "== file list"
expected="usr/bin/hpi-host
usr/lib/lv2/tarnwhistle.lv2/manifest.ttl
usr/lib/lv2/tarnwhistle.lv2/presets.ttl
usr/lib/lv2/tarnwhistle.lv2/tarnwhistle.so
usr/lib/lv2/tarnwhistle.lv2/tarnwhistle.ttl
usr/lib/lv2/tarnwhistle.lv2/tarnwhistle_ui.so
$module
usr/share/doc/tarnwhistle/README.md
usr/share/doc/tarnwhistle/changelog.gz
usr/share/doc/tarnwhistle/copyright
usr/share/man/man1/hpi-host.1.gz"
# The documents' pages and pictures, as the source tree has them.
source="$(cd "$(dirname "$0")/../.." && pwd)"
for page in "$source"/docs/*.md "$source"/docs/*.png; do
    expected+=$'\n'"usr/share/doc/tarnwhistle/docs/${page##*/}"
done
actual="$(cd "$root" && find . ! -type d | sed 's|^\./||' | LC_ALL=C sort)"
if [[ $actual != "$(LC_ALL=C sort <<<"$expected")" ]]; then
    fail "the package's files differ from the shipped ones (< expected, > packaged):"
    diff <(LC_ALL=C sort <<<"$expected") <(echo "$actual") >&2 || true
fi

echo "== libraries"
for binary in "$tool" "$root/$module" "$root"/usr/lib/lv2/tarnwhistle.lv2/*.so; do
    missing="$(ldd "$binary" | grep "not found" || true)"
    [[ -z $missing ]] || fail "${binary#"$root"/} needs libraries that are not there: $missing"
    file "$binary" | grep -q ", stripped" || fail "${binary#"$root"/} is not stripped"
done

echo "== lilv"
export LV2_PATH="$root/usr/lib/lv2"
plugins="$(lv2ls)"
for plugin in urn:quernstoneworks:tarnwhistle:mono urn:quernstoneworks:tarnwhistle:stereo; do
    grep -qx "$plugin" <<<"$plugins" || fail "lilv does not find $plugin in the package"
    # lv2info lists the presets one per line under "Presets:"; lilv reports
    # a bundle file it cannot load on stderr.
    description="$(lv2info "$plugin" 2>"$root.errors")"
    if [[ -s $root.errors ]]; then
        fail "lilv reports errors on $plugin: $(sort -u "$root.errors")"
    fi
    presets="$(awk '/^\tPresets:/ { on = 1; next } on && /^\t +[^ ]/ { print; next } { on = 0 }' <<<"$description")"
    count="$(grep -c . <<<"$presets" || true)"
    ((count == 6)) || fail "$plugin has $count presets in the package, not 6: $presets"
done

echo "== hpi-host"
[[ "$("$tool" --version)" == "hpi-host $version" ]] || fail "hpi-host --version does not say $version"
info="$("$tool" info "$root/$module")" || fail "the packaged hpi-host info failed on the packaged module"
grep -q "Tarnwhistle" <<<"$info" || fail "hpi-host info does not describe Tarnwhistle: $info"

echo "== manual page"
page="$(MANWIDTH=200 man -l "$root/usr/share/man/man1/hpi-host.1.gz" 2>&1 | col -b)"
commands="$("$tool" --help | awk '/^Subcommands:/ { on = 1; next } on && NF { print $1; next } { on = 0 }')"
[[ -n $commands ]] || fail "hpi-host --help lists no subcommands"
for command in "" $commands; do
    # Every option of the command's help: "--name" words in its first column.
    # shellcheck disable=SC2086 # no command is the main help
    options="$("$tool" $command --help | grep -oE '^  (-[a-z],)?--[a-z-]+' | grep -oE -- '--[a-z-]+')"
    for word in ${command:+"hpi-host $command"} $options; do
        grep -qF -- "$word" <<<"$page" || fail "hpi-host(1) does not mention '$word'${command:+ (of $command)}"
    done
done

if ((failures)); then
    echo "$failures package checks failed" >&2
    exit 1
fi
echo "package checks passed"
