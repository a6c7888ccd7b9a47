#!/usr/bin/env bash
# The project's main job: installs what it needs, builds the library with its
# tools and examples, then runs the koru tool on the bundled page: a dump of its
# nodes, then the page with a fragment merged into it, written back as KORU.
#
#   bash scripts/run-example.sh                       # examples/page.koru + examples/fragment.koru
#   bash scripts/run-example.sh doc.koru              # dump another document
#   bash scripts/run-example.sh doc.koru more.koru    # dump it, then merge more.koru into it
set -euo pipefail
# shellcheck source-path=SCRIPTDIR
source "$(dirname "${BASH_SOURCE[0]}")/lib.sh"

# Debian packages the build needs, one per line.
RUN_PACKAGES=(
    cmake
    g++
    make
    libcli11-dev
    nlohmann-json3-dev
)

BUILD_DIR="$KORU_BUILD_ROOT/main"
# The program to run and its default arguments: the document, then fragments.
RUN_PROGRAM="$BUILD_DIR/tools/koru"
RUN_ARGS=(examples/page.koru examples/fragment.koru)

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
        "The koru tool lives under tools/ (tools/CMakeLists.txt);" \
        "it is not in this tree, or the build skipped it.")"
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

TOOL="${RUN_PROGRAM#"$KORU_ROOT"/}"
log "$TOOL dump ${RUN_ARGS[0]}"
"$RUN_PROGRAM" dump "${RUN_ARGS[0]}"
if [ "${#RUN_ARGS[@]}" -gt 1 ]; then
    log "$TOOL merge ${RUN_ARGS[*]}"
    "$RUN_PROGRAM" merge "${RUN_ARGS[@]}"
fi
