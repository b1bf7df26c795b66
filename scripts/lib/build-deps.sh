# Installs what debian/control's Build-Depends lists and this machine lacks:
# the one list of the packages the build, the tests and the packages need.
# Sourced by scripts/test, demo, package and try-hosts.
# shellcheck shell=bash

# tw_build_deps ROOT [PROFILE]: with PROFILE nocheck, only what the build
# itself needs. As root it runs apt-get build-dep; otherwise it prints the
# command to run and exits with status 5.
tw_build_deps() {
    local root="$1" profile="${2:-}"
    local profile_args=()
    [[ -n $profile ]] && profile_args=(-P "$profile")
    # dpkg-checkbuilddeps (dpkg-dev) answers without the network; a machine
    # without it lacks build packages anyway.
    if command -v dpkg-checkbuilddeps >/dev/null &&
        (cd "$root" && dpkg-checkbuilddeps "${profile_args[@]}" >/dev/null 2>&1); then
        return 0
    fi
    if ((EUID != 0)); then
        echo "Some build packages are missing. Install them as root with:" >&2
        echo "  apt-get update && apt-get build-dep -y ${profile_args[*]} $root" >&2
        exit 5
    fi
    echo "== installing the build packages (apt-get build-dep ${profile_args[*]} $root)"
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq
    apt-get build-dep -y -qq --no-install-recommends "${profile_args[@]}" "$root" >/dev/null
}
