#!/usr/bin/env bash
# Runs Tarnwhistle's LV2 bundle through LV2 tools written elsewhere and checks
# what they make of it. One check per call:
#   outside_hosts.sh validate BUNDLE_DIR
#   outside_hosts.sh lv2apply LV2_DIR HPI_HOST HPI_MODULE AUDIO_CHECK WORK_DIR
#   outside_hosts.sh lv2file  LV2_DIR HPI_HOST HPI_MODULE AUDIO_CHECK WORK_DIR
#   outside_hosts.sh lv2bench LV2_DIR
# lv2apply and lv2file render a test signal with some settings; the result
# must equal hpi-host's render of the same file with the same settings and
# block length, from frame 0: both hosts set the values before the first block,
# and the strip starts on them.
# Exit 0 passed, 77 a tool is missing (skipped), anything else failed.
set -euo pipefail

need() {
    for tool in "$@"; do
        if ! command -v "$tool" >/dev/null 2>&1; then
            echo "skipped: $tool is not installed"
            exit 77
        fi
    done
}

check="${1:?which check}"
shift
case "$check" in
validate)
    need lv2_validate sord_validate
    bundle="$1"
    lv2_validate "$bundle"/*.ttl 2>&1 | tee /dev/stderr | grep -q "Found 0 errors"
    ;;
lv2apply | lv2file)
    lv2dir="$1" hpihost="$2" module="$3" audiocheck="$4" work="$5"
    mkdir -p "$work"
    export LV2_PATH="$lv2dir"
    if [[ "$check" == lv2apply ]]; then
        need lv2apply
        # lv2apply runs the plug-in one frame at a time.
        "$audiocheck" generate "$work/in.wav" --channels 2 --seconds 1.5
        lv2apply -i "$work/in.wav" -o "$work/lv2.wav" \
            -c preamp_gain 6 -c output_trim -2 -c highpass 2 -c low_freq 3 -c low_gain 4.5 \
            -c mid_freq 4 -c mid_gain -3 -c high_gain 3 -c mic_pre 1 \
            urn:quernstoneworks:tarnwhistle:stereo
        "$hpihost" render "$module" "$work/in.wav" "$work/hpi.wav" --quiet --block 1 \
            --set "Preamp Gain=6" --set "Output Trim=-2" --set HighPass=2 --set "Low Freq=3" \
            --set "Low Gain=4.5" --set "Mid Freq=4" --set "Mid Gain=-3" --set "High Gain=3" --set "Mic Pre=1"
    else
        need lv2file
        "$audiocheck" generate "$work/in.wav" --channels 1 --seconds 1.5 --rate 44100
        lv2file -i "$work/in.wav" -o "$work/lv2.wav" -b 512 \
            -p preamp_gain:12 -p oversampling:1 -p mid_freq:2 -p mid_gain:7.5 -p high_gain:-6 -p highpass:3 \
            urn:quernstoneworks:tarnwhistle:mono
        "$hpihost" render "$module" "$work/in.wav" "$work/hpi.wav" --quiet --block 512 \
            --set "Preamp Gain=12" --set Oversampling=1 --set "Mid Freq=2" --set "Mid Gain=7.5" --set "High Gain=-6" --set HighPass=3
    fi
    "$audiocheck" compare "$work/hpi.wav" "$work/lv2.wav" --tolerance 1e-6
    ;;
lv2bench)
    need lv2bench
    export LV2_PATH="$1"
    for uri in urn:quernstoneworks:tarnwhistle:mono urn:quernstoneworks:tarnwhistle:stereo; do
        out="$(lv2bench -n 96000 -b 256 "$uri")"
        echo "$out"
        # One line: seconds and the URI; a plug-in it could not run is not listed.
        [[ "$out" == *"$uri"* ]] || { echo "lv2bench did not run $uri"; exit 1; }
    done
    ;;
*)
    echo "unknown check '$check'" >&2
    exit 2
    ;;
esac
