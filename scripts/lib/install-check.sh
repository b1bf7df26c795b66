#!/usr/bin/env bash
# scripts/package --install-check: installs the built packages on this
# machine with apt-get, checks each format with its own host tools, then
# purges them and checks that nothing of them is left. Exit 3 on a failure.
# Usage: install-check.sh PACKAGE_DIR
set -euo pipefail
out="$(realpath "$1")"  # apt takes a package file by a path with a slash
fail() { echo "install check: $*" >&2; exit 3; }
mapfile -t debs < <(ls "$out"/tarnwhistle*.deb)
mapfile -t names < <(for deb in "${debs[@]}"; do dpkg-deb -f "$deb" Package; done)
for name in "${names[@]}"; do
    dpkg-query -W -f='${Status}' "$name" 2>/dev/null | grep -q "install ok installed" &&
        fail "$name is installed already; remove it first"
done
stray() { find /usr /etc -path '*arnwhistle*' 2>/dev/null | sort; }
before="$(stray)"
scratch="$(mktemp -d)"
jack_pid=""
purged=0
purge() {
    ((purged)) && return
    purged=1
    DEBIAN_FRONTEND=noninteractive apt-get purge -y -qq "${names[@]}" >/dev/null
}
# Whatever fails, the machine is left without the packages.
cleanup() {
    [[ -n $jack_pid ]] && kill "$jack_pid" 2>/dev/null
    purge
    rm -rf "$scratch"
}
trap cleanup EXIT

echo "== apt-get install ${debs[*]##*/}"
DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${debs[@]}" >/dev/null 2>"$scratch/apt.log" ||
    { cat "$scratch/apt.log" >&2; fail "apt-get install failed"; }
for name in "${names[@]}"; do dpkg -L "$name"; done >"$scratch/files"

echo "== LV2: lv2ls"
for plugin in urn:quernstoneworks:tarnwhistle:mono urn:quernstoneworks:tarnwhistle:stereo; do
    lv2ls | grep -qx "$plugin" || fail "lv2ls does not list $plugin"
done

echo "== LV2: lv2apply"
# A short stereo sine through the installed stereo plug-in, found by lilv.
python3 - "$scratch/in.wav" <<'PY'
import math, struct, sys, wave
with wave.open(sys.argv[1], "wb") as out:
    out.setnchannels(2); out.setsampwidth(2); out.setframerate(48000)
    out.writeframes(b"".join(struct.pack("<hh", int(8000 * math.sin(i * 0.05)), 0) for i in range(4800)))
PY
lv2apply -i "$scratch/in.wav" -o "$scratch/out.wav" urn:quernstoneworks:tarnwhistle:stereo ||
    fail "lv2apply could not run the installed plug-in"
[[ -s $scratch/out.wav ]] || fail "lv2apply wrote no output"

echo "== LV2: jalv"
# jalv on JACK's dummy back end with its command input held open, run for
# three seconds: still running then (timeout's 124), having named the
# plug-in's JACK client, means it loaded and ran the plug-in.
export JACK_DEFAULT_SERVER="tw-package-$$"
jackd --no-realtime -n "$JACK_DEFAULT_SERVER" -d dummy -r 48000 -p 256 >"$scratch/jackd.log" 2>&1 &
jack_pid=$!
for _ in $(seq 50); do
    jack_lsp >/dev/null 2>&1 && break
    sleep 0.1
done
status=0
sleep 4 | timeout 3 jalv urn:quernstoneworks:tarnwhistle:stereo >"$scratch/jalv.log" 2>&1 || status=$?
if ((status != 124)) || ! grep -q "^JACK Name: *Tarnwhistle Stereo" "$scratch/jalv.log"; then
    cat "$scratch/jalv.log" >&2
    fail "jalv did not run the installed plug-in (exit status $status)"
fi

echo "== JACK: tarnwhistle-jack"
# Headless on the same server: its ports appear, and SIGTERM ends it with 0.
tarnwhistle-jack --no-gui --name tw-install-check >"$scratch/standalone.log" 2>&1 &
standalone_pid=$!
for _ in $(seq 50); do
    jack_lsp 2>/dev/null | grep -q "^tw-install-check:out_2$" && break
    sleep 0.1
done
jack_lsp 2>/dev/null | grep -q "^tw-install-check:out_2$" ||
    { kill "$standalone_pid" 2>/dev/null; cat "$scratch/standalone.log" >&2; fail "tarnwhistle-jack made no ports"; }
kill -TERM "$standalone_pid"
status=0
wait "$standalone_pid" || status=$?
((status == 0)) || { cat "$scratch/standalone.log" >&2; fail "tarnwhistle-jack ended with $status on SIGTERM"; }
kill "$jack_pid"
wait "$jack_pid" 2>/dev/null || true
jack_pid=""

echo "== CLAP: Qtractor's plug-in scanner"
scanner=/usr/lib/x86_64-linux-gnu/qtractor/qtractor_plugin_scan
clap=/usr/lib/clap/Tarnwhistle.clap
[[ -f $clap ]] || fail "$clap is not installed"
if [[ -x $scanner ]]; then
    # It reads TYPE:FILE lines and answers one line per plug-in.
    listed="$(echo "CLAP:$clap" | "$scanner" 2>/dev/null)"
    for name in "Tarnwhistle Mono" "Tarnwhistle Stereo"; do
        grep -q "^CLAP|$name|" <<<"$listed" || fail "Qtractor's scanner does not list $name: $listed"
    done
else
    echo "   (skipped: Qtractor is not installed; apt-get install qtractor to check it)"
fi

echo "== VST3: Ardour's VST3 scanner"
vst3=/usr/lib/vst3/Tarnwhistle.vst3
[[ -f $vst3/Contents/x86_64-linux/Tarnwhistle.so ]] || fail "$vst3 is not installed"
if [[ -x /usr/lib/ardour7/ardour-vst3-scanner ]]; then
    HOME="$scratch" LD_LIBRARY_PATH=/usr/lib/ardour7 /usr/lib/ardour7/ardour-vst3-scanner -f -v "$vst3" >"$scratch/vst3-scan.log" 2>&1 ||
        { cat "$scratch/vst3-scan.log" >&2; fail "Ardour's VST3 scanner failed on $vst3"; }
    grep -q "Found Plugin: Tarnwhistle" "$scratch/vst3-scan.log" ||
        { cat "$scratch/vst3-scan.log" >&2; fail "Ardour's VST3 scanner does not find Tarnwhistle"; }
else
    echo "   (skipped: Ardour is not installed; apt-get install ardour to check it)"
fi

echo "== HPI: hpi-host"
module=/usr/lib/x86_64-linux-gnu/tarnwhistle/Tarnwhistle.so
/usr/bin/hpi-host --version >/dev/null || fail "hpi-host --version failed"
/usr/bin/hpi-host render "$module" "$scratch/in.wav" "$scratch/hpi.wav" --set HighPass=300Hz >/dev/null ||
    fail "hpi-host could not render through the installed module"

echo "== man -w hpi-host"
man -w hpi-host >/dev/null || fail "man does not find hpi-host(1)"

echo "== apt-get purge ${names[*]}"
purge
while read -r path; do
    [[ -f $path || -L $path ]] && fail "$path is left after the purge"
done <"$scratch/files"
after="$(stray)"
[[ $after == "$before" ]] || fail "left behind: $(comm -13 <(echo "$before") <(echo "$after"))"
echo "install check passed"
