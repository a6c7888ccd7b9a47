#!/usr/bin/env bash
# The project's main job: installs what it needs, builds the library with its
# tools and examples, and runs the example host program on the sample page.
#
#   bash scripts/run-example.sh                 # the sample page
#   bash scripts/run-example.sh other.koru      # another document
set -euo pipefail
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Debian packages the build needs, one per line.
RUN_PACKAGES=(
    cmake
    g++
    make
)

BUILD_DIR="$KORU_BUILD_ROOT/main"
# The program to run and its default arguments.
RUN_PROGRAM="$BUILD_DIR/examples/koru_example"
RUN_ARGS=(examples/page.koru)

install_packages "${RUN_PACKAGES[@]}"

cmake -S "$KORU_ROOT" -B "$BUILD_DIR" \
    -DCMAKE_BUILD_TYPE=Release \
    -DKORU_BUILD_TESTS=OFF \
    -DKORU_BUILD_TOOLS=ON \
    -DKORU_BUILD_EXAMPLES=ON
cmake --build "$BUILD_DIR" -j2

if [ ! -x "$RUN_PROGRAM" ]; then
    die "$(printf '%s\n' \
        "${RUN_PROGRAM#"$KORU_ROOT"/} was not built." \
        "The example host programs live under examples/ (examples/CMakeLists.txt);" \
        "they are not in this tree yet, or the build skipped them.")"
fi

if [ "$#" -gt 0 ]; then
    # Arguments given by the caller are paths relative to where they stand.
    RUN_ARGS=("$@")
    cd "$KORU_CALLER_PWD"
else
    for arg in "${RUN_ARGS[@]}"; do
        [ -e "$arg" ] || die "sample input ${arg} is missing from the tree"
    done
fi

log "${RUN_PROGRAM#"$KORU_ROOT"/} ${RUN_ARGS[*]}"
"$RUN_PROGRAM" "${RUN_ARGS[@]}"
