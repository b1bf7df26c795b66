# The Debian packages the project's build, tests and package need: sourced
# by scripts/test, which installs the missing ones, and by scripts/try-hosts.
# shellcheck shell=bash disable=SC2034
tw_packages=(cmake ninja-build g++ clang libclang-rt-14-dev libgtest-dev libgmock-dev libbenchmark-dev
             libsndfile1-dev libstb-dev pkg-config lv2-dev liblilv-dev lilv-utils lv2file sordi
             python3-pil fonts-roboto-unhinted libepoxy-dev libegl-dev libgl-dev libegl-mesa0 libgl1-mesa-dri libcli11-dev nlohmann-json3-dev
             libsleef-dev libturbojpeg0-dev libcairo2-dev
             xvfb x11-utils libx11-dev libxi-dev libxtst-dev libglx-mesa0
             jalv jackd2
             python3 help2man dpkg-dev file man-db bsdextrautils)
