#!/usr/bin/env bash
# The project's test command: installs what it needs, builds, runs the unit tests,
# installs the library and builds a host program against the installed package.
#
#   bash scripts/ci.sh                 # every stage in CI_STAGES
#   bash scripts/ci.sh build test      # only the named stages
set -euo pipefail
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Debian packages the stages need, one per line.
CI_PACKAGES=(
    cmake
    g++
    make
    pkg-config
    libgtest-dev
    googletest
    libcli11-dev
    nlohmann-json3-dev
)

BUILD_DIR="$KORU_BUILD_ROOT/ci"
WORK_DIR="$(mktemp -d "${TMPDIR:-/tmp}/koru-ci.XXXXXX")"
INSTALL_PREFIX="$WORK_DIR/prefix"
trap 'rm -rf "$WORK_DIR"' EXIT

stage_packages() {
    install_packages "${CI_PACKAGES[@]}"
}

stage_build() {
    cmake -S "$KORU_ROOT" -B "$BUILD_DIR" \
        -DCMAKE_BUILD_TYPE=Release \
        -DKORU_BUILD_TESTS=ON \
        -DKORU_WERROR=ON
    cmake --build "$BUILD_DIR" -j2
}

stage_test() {
    ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j2
}

stage_install() {
    rm -rf "$INSTALL_PREFIX"
    cmake --install "$BUILD_DIR" --prefix "$INSTALL_PREFIX"
    [ -f "$INSTALL_PREFIX/include/koru/koru.h" ] || die "koru.h was not installed"
}

# Host program found through find_package(koru CONFIG REQUIRED).
stage_consumer_cmake() {
    local dir="$WORK_DIR/consumer-cmake"
    cmake -S "$KORU_ROOT/tests/consumer" -B "$dir" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$INSTALL_PREFIX"
    cmake --build "$dir" -j2
    "$dir/koru_consumer"
}

# Host program built with the flags pkg-config gives.
stage_consumer_pkgconfig() {
    local pc
    pc="$(find "$INSTALL_PREFIX" -name koru.pc -path '*/pkgconfig/*' | head -n 1)"
    [ -n "$pc" ] || die "koru.pc was not installed"
    local flags
    flags="$(PKG_CONFIG_PATH="$(dirname "$pc")" pkg-config --cflags --libs koru)"
    log "pkg-config --cflags --libs koru: $flags"
    # shellcheck disable=SC2086  # the flags are meant to split into words
    g++ -std=c++17 -Wall -Wextra -Wpedantic -Werror \
        "$KORU_ROOT/tests/consumer/main.cpp" $flags -o "$WORK_DIR/koru_consumer_pc"
    "$WORK_DIR/koru_consumer_pc"
}

# The koru tool's tests and the docs' examples, by name, so that a build that
# skipped them fails here instead of passing with fewer tests.
stage_cli() {
    ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j2 -R '^(Cli|LanguageGuide)\.'
}

# The two example host programs: one against the installed package
# (find_package), one building koru from this tree (add_subdirectory).
stage_examples() {
    local fp="$WORK_DIR/host-find-package" sub="$WORK_DIR/host-subdirectory" out
    cmake -S "$KORU_ROOT/examples/host-find-package" -B "$fp" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$INSTALL_PREFIX"
    cmake --build "$fp" -j2
    out="$("$fp/koru_print" "$KORU_ROOT/examples/page.koru")"
    printf '%s\n' "$out"
    grep -q '^body link: https://shop.example/spring/order$' <<<"$out" || die "koru_print gave the wrong output"

    cmake -S "$KORU_ROOT/examples/host-subdirectory" -B "$sub" -DCMAKE_BUILD_TYPE=Release
    cmake --build "$sub" -j2
    out="$("$sub/koru_merge" "$KORU_ROOT/examples/page.koru" "$KORU_ROOT/examples/fragment.koru")"
    printf '%s\n' "$out"
    grep -q '^control help -> https://shop.example/spring/help$' <<<"$out" || die "koru_merge gave the wrong output"

    "$INSTALL_PREFIX/bin/koru" --version
    "$INSTALL_PREFIX/bin/koru" check "$KORU_ROOT/examples/page.koru" "$KORU_ROOT/examples/fragment.koru"
}

# ---------------------------------------------------------------------------
# Further stages (sanitizers, fuzzing, ...) go here: define a stage_* function
# above this line's block and add its name to CI_STAGES below.
# ---------------------------------------------------------------------------

CI_STAGES=(
    stage_packages
    stage_build
    stage_test
    stage_cli
    stage_install
    stage_consumer_cmake
    stage_consumer_pkgconfig
    stage_examples
)

if [ "$#" -gt 0 ]; then
    stages=()
    for name in "$@"; do
        case "$name" in
            stage_*) stages+=("$name") ;;
            *) stages+=("stage_$name") ;;
        esac
    done
    run_stages "${stages[@]}"
else
    run_stages "${CI_STAGES[@]}"
fi
