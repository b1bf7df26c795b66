#!/usr/bin/env bash
# The Debian packages as they would land on a machine, without installing
# them: each holds exactly its files with Debian's modes and owners, every
# library its binaries need comes from a package its Depends names, no
# binary carries a RUNPATH and each is stripped with its debug symbols in a
# -dbgsym package; unpacked together, lilv finds both plug-ins with all their
# presets, the unpacked hpi-host loads the unpacked module, and the manual
# page names every command and option the tool's help lists, as whole words.
# Usage: package_test.sh PACKAGE_DIR
set -euo pipefail
dir="$(realpath "$1")"
root="$(mktemp -d)"
trap 'rm -rf "$root" "$root.errors"' EXIT
failures=0
fail() { echo "FAIL: $*" >&2; failures=$((failures + 1)); }
source="$(cd "$(dirname "$0")/../.." && pwd)"
module=usr/lib/x86_64-linux-gnu/tarnwhistle/Tarnwhistle.so
bundle=usr/lib/lv2/tarnwhistle.lv2
tool="$root/usr/bin/hpi-host"

# package FILES...: what each binary package holds.
declare -A files
files[tarnwhistle]="usr/share/doc/tarnwhistle/README.md
usr/share/doc/tarnwhistle/changelog.gz
usr/share/doc/tarnwhistle/copyright"
for page in "$source"/docs/*.md "$source"/docs/*.png; do
    files[tarnwhistle]+=$'\n'"usr/share/doc/tarnwhistle/docs/${page##*/}"
done
files[tarnwhistle-lv2]="$bundle/manifest.ttl
$bundle/presets.ttl
$bundle/tarnwhistle.so
$bundle/tarnwhistle.ttl
$bundle/tarnwhistle_ui.so
usr/share/doc/tarnwhistle-lv2/changelog.gz
usr/share/doc/tarnwhistle-lv2/copyright"
files[tarnwhistle-tools]="usr/bin/hpi-host
$module
usr/share/man/man1/hpi-host.1.gz
usr/share/doc/tarnwhistle-tools/changelog.gz
usr/share/doc/tarnwhistle-tools/copyright"
files[tarnwhistle-clap]="usr/lib/clap/Tarnwhistle.clap
usr/share/doc/tarnwhistle-clap/changelog.gz
usr/share/doc/tarnwhistle-clap/copyright"
files[tarnwhistle-vst3]="usr/lib/vst3/Tarnwhistle.vst3/Contents/Resources/moduleinfo.json
usr/lib/vst3/Tarnwhistle.vst3/Contents/x86_64-linux/Tarnwhistle.so
usr/share/doc/tarnwhistle-vst3/changelog.gz
usr/share/doc/tarnwhistle-vst3/copyright"
files[tarnwhistle-jack]="usr/bin/tarnwhistle-jack
usr/share/applications/tarnwhistle-jack.desktop
usr/share/man/man1/tarnwhistle-jack.1.gz
usr/share/doc/tarnwhistle-jack/changelog.gz
usr/share/doc/tarnwhistle-jack/copyright"
# The packages with binaries, and what the metapackage pulls in.
binary_packages=(tarnwhistle-lv2 tarnwhistle-clap tarnwhistle-vst3 tarnwhistle-jack tarnwhistle-tools)

for name in "${!files[@]}"; do
    echo "== $name"
    deb="$(ls "$dir/${name}_"*.deb 2>/dev/null | head -1)"
    [[ -n $deb ]] || { fail "no $name package in $dir"; continue; }
    dpkg-deb -x "$deb" "$root"
    listing="$(dpkg-deb -c "$deb")"
    actual="$(awk '$1 !~ /^d/ { sub(/^\.\//, "", $6); print $6 }' <<<"$listing" | LC_ALL=C sort)"
    if [[ $actual != "$(LC_ALL=C sort <<<"${files[$name]}")" ]]; then
        fail "$name's files differ from the shipped ones (< expected, > packaged):"
        diff <(LC_ALL=C sort <<<"${files[$name]}") <(echo "$actual") >&2 || true
    fi
    # Owned by root; directories and programs 0755, everything else 0644.
    while read -r mode owner _ _ _ path; do
        [[ $owner == root/root ]] || fail "$path is owned by $owner"
        want=-rw-r--r--
        [[ $path == ./usr/bin/?* ]] && want=-rwxr-xr-x
        [[ $mode == d* ]] && want=drwxr-xr-x
        [[ $mode == "$want" ]] || fail "$path has mode $mode, not $want"
    done <<<"$listing"
done

echo "== Depends"
depends() { dpkg-deb -f "$dir/${1}_"*.deb Depends | tr ',' '\n' | sed 's/^ *//; s/ .*//'; }
version="$(dpkg-deb -f "$dir"/tarnwhistle_*.deb Version)"
meta="$(dpkg-deb -f "$dir"/tarnwhistle_*.deb Depends)"
for name in "${binary_packages[@]}"; do
    grep -qE "(^|, )$name \(>= $version\)" <<<"$meta" || fail "tarnwhistle does not depend on $name (>= $version): $meta"
done
for name in "${binary_packages[@]}"; do
    deps="$(depends "$name")"
    for path in ${files[$name]}; do
        binary="$root/$path"
        file "$binary" | grep -q ELF || continue
        for library in $(readelf -d "$binary" | sed -n 's/.*(NEEDED).*\[\(.*\)\]/\1/p'); do
            # The package of the file the loader picks (/lib is /usr/lib on
            # a merged /usr, and dpkg knows either name).
            found="$(ldd "$binary" | awk -v l="$library" '$1 == l { print $3 } $1 ~ "/" l "$" { print $1 }')"
            owner=""
            [[ -n $found ]] || { fail "$path needs $library, which the loader does not find"; continue; }
            for candidate in "$found" "${found#/usr}" "/usr$found" "$(realpath -m "$found")"; do
                owner="$(dpkg -S "$candidate" 2>/dev/null | head -1 | cut -d: -f1 || true)"
                [[ -n $owner ]] && break
            done
            [[ -n $owner ]] || { fail "$path needs $library, which no installed package holds"; continue; }
            grep -qx "$owner" <<<"$deps" || fail "$path needs $library from $owner, which $name does not depend on"
        done
        # The editors open libGL through libepoxy at run time, out of dpkg-shlibdeps' sight.
        if readelf -d "$binary" | grep -q "NEEDED.*\[libepoxy"; then
            grep -qx libgl1 <<<"$deps" || fail "$path draws through libepoxy, but $name does not depend on libgl1"
        fi
        readelf -d "$binary" | grep -qE "\((RUNPATH|RPATH)\)" && fail "$path has a RUNPATH"
        file "$binary" | grep -q ", stripped" || fail "$path is not stripped"
        missing="$(ldd "$binary" | grep "not found" || true)"
        [[ -z $missing ]] || fail "$path needs libraries that are not there: $missing"
    done
    ls "$dir/${name}-dbgsym_"*.deb >/dev/null 2>&1 || fail "no $name-dbgsym package"
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
# A whole word: "--set" is not found in "--set-norm".
whole() { grep -qE -- "(^|[^[:alnum:]-])$1([^[:alnum:]-]|$)" <<<"$page"; }
for command in "" $commands; do
    # Every option of the command's help: "--name" words in its first column.
    # shellcheck disable=SC2086 # no command is the main help
    options="$("$tool" $command --help | grep -oE '^  (-[a-z],)?--[a-z-]+' | grep -oE -- '--[a-z-]+')"
    for word in ${command:+"hpi-host $command"} $options; do
        whole "$word" || fail "hpi-host(1) does not mention '$word'${command:+ (of $command)} as a whole word"
    done
done
for code in $("$tool" --help | sed -n 's/^ \{1,3\}\([0-9]\{1,2\}\)  .*/\1/p'); do
    grep -qE "^[[:space:]]+$code[[:space:]]+" <<<"$page" || fail "hpi-host(1) does not list exit code $code"
done
grep -q "hpi-host - load an HPI plug-in module" <<<"$page" || fail "hpi-host(1)'s NAME is not the tool's own line"

if ((failures)); then
    echo "$failures package checks failed" >&2
    exit 1
fi
echo "package checks passed"
