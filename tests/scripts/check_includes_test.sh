#!/usr/bin/env bash
# scripts/check-includes on small trees: each case adds one file with one
# include to a tree of a few headers and expects the check to pass or to fail
# naming that file.
set -euo pipefail
check="$1"
scratch="$(mktemp -d)"
trap 'rm -rf "$scratch"' EXIT

# file | its include line | expected exit code
cases=(
    'src/product/engine.cpp|#include "dsp/filter.h"|0'
    'src/core/param.cpp|#include "dsp/filter.h"|1'
    'src/dsp/filter_impl.h|#include <core/param.h>|1'
    'src/core/param.cpp|#include <vector>|0'
    'src/hpi/module/exports.cpp|#include "core/param.h"|0'
    'src/hpi/sdk/hpi_library.cpp|#include "core/param.h"|1'
    'src/editor/control.cpp|#include "editor/drawing/renderer.h"|1'
    'src/editor/platform/window.cpp|#include "editor/drawing/renderer.h"|0'
    'src/editor/drawing/renderer.cpp|#include "core/param.h"|1'
    'src/editor/drawing/gl/graphics_gl.cpp|#include "core/param.h"|0'
    'src/product/module/module.cpp|#include "product/editor/layout.h"|0'
    'src/product/editor/layout.cpp|#include "hpi/hpi_adapter.h"|1'
    'host/instance.cpp|#include "hpi/sdk/hpi_types.h"|0'
    'host/instance.cpp|#include "hpi/sdk/hpi_library.h"|1'
    'host/instance.cpp|#include "hpi_library.h"|1'
    'host/instance.cpp|#include "core/param.h"|1'
    'src/gadgets/gadget.cpp|#include <vector>|1'
)

failures=0
for entry in "${cases[@]}"; do
    IFS='|' read -r file include expected <<<"$entry"
    tree="$scratch/tree"
    rm -rf "$tree"
    for header in src/dsp/filter.h src/core/param.h src/hpi/sdk/hpi_types.h src/hpi/sdk/hpi_library.h \
                  src/hpi/hpi_adapter.h src/editor/drawing/renderer.h src/product/editor/layout.h host/host.h; do
        mkdir -p "$tree/$(dirname "$header")"
        echo '#pragma once' >"$tree/$header"
    done
    mkdir -p "$tree/$(dirname "$file")"
    printf '%s\n' "$include" >>"$tree/$file"
    set +e
    output="$(bash "$check" "$tree" 2>&1)"
    status=$?
    set -e
    if [[ "$status" != "$expected" ]]; then
        echo "FAIL: $file with '$include' exits $status, expected $expected"
        echo "$output"
        failures=$((failures + 1))
    elif [[ "$expected" == 1 && "$output" != *"$file"* ]]; then
        echo "FAIL: $file with '$include' fails without naming the file"
        echo "$output"
        failures=$((failures + 1))
    fi
done
((failures == 0)) || exit 1
echo "all ${#cases[@]} cases behave"
