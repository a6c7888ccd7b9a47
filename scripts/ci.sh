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
    gcovr
    libcli11-dev
    nlohmann-json3-dev
    clang
    libclang-rt-14-dev
    llvm
    libbenchmark-dev
    libpugixml-dev
    libtinyxml2-dev
    libexpat1-dev
    libxml2-dev
    pybind11-dev
    python3-dev
    python3-pytest
    python3-venv
    python3-setuptools
    python3-wheel
)

# The Python module is built for Debian's interpreter, the one apt's pytest serves.
PYTHON=/usr/bin/python3
PYTHON_OPTIONS=(-DKORU_BUILD_PYTHON=ON "-DPython_EXECUTABLE=$PYTHON")

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
        -DKORU_WERROR=ON \
        "${PYTHON_OPTIONS[@]}"
    cmake --build "$BUILD_DIR" -j2
}

stage_test() {
    ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j2
}

stage_install() {
    rm -rf "$INSTALL_PREFIX"
    cmake --install "$BUILD_DIR" --prefix "$INSTALL_PREFIX"
    [ -f "$INSTALL_PREFIX/include/koru/koru.h" ] || die "koru.h was not installed"
    check_python_module "$PYTHON" "$INSTALL_PREFIX/$(python_site_dir)"
}

# Where cmake --install puts the Python module, relative to the prefix.
python_site_dir() {
    "$PYTHON" -c 'import sys; print("lib/python%d.%d/site-packages" % sys.version_info[:2])'
}

# The installed module, run by the given interpreter with the given PYTHONPATH
# (empty for none) from the source tree: it reads the bundled page, and a
# deleted node raises instead of being read.
check_python_module() {
    local python="$1" path="$2" out
    [ -z "$path" ] || [ -f "$path/koru.pyi" ] || die "koru.pyi was not installed in $path"
    out="$(cd "$KORU_ROOT" && PYTHONPATH="$path" "$python" -c "import koru; print(koru.parse(open('examples/page.koru').read()).body['N'])")" \
        || die "the installed Python module failed"
    [ "$out" = order ] || die "the installed Python module printed '$out'"
    out="$(cd "$KORU_ROOT" && PYTHONPATH="$path" "$python" -c "
import koru
doc = koru.parse(open('examples/page.koru').read())
node = doc.find('C', 'basket')
doc.delete(node)
try:
    node.tag
except koru.DeletedNodeError as error:
    print('raised:', error)
")" || die "a deleted node crashed the installed Python module"
    printf '%s\n' "$out"
    [ "$out" = "raised: the node was deleted from its document" ] || die "a deleted node did not raise"
}

# The Python tests, by name, so that a build that skipped them (no pytest)
# fails here; and the module built by pip from the source tree, as the README
# tells, into a virtual environment that sees Debian's setuptools and wheel.
stage_python() {
    ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -R '^Python\.'
    local venv="$WORK_DIR/venv"
    "$PYTHON" -m venv --system-site-packages "$venv"
    KORU_CMAKE_ARGS=-DKORU_WERROR=ON "$venv/bin/pip" install --no-build-isolation --no-index "$KORU_ROOT"
    check_python_module "$venv/bin/python" ""
}

# Runs a build of examples/host-find-package (the command given, after any env
# prefix) on the bundled page and checks what it prints: the node count, the
# first node of the main list (closing order, level, attributes) and the body's link.
check_host_program() {
    local out
    out="$("$@" "$KORU_ROOT/examples/page.koru")" || die "$* failed"
    printf '%s\n' "$out"
    [ "$(sed -n '1,2p;$p' <<<"$out")" = '12 nodes
A   level 4, 1 word(s): N=label V="Search the catalogue"
body link: https://shop.example/spring/order' ] || die "$* gave the wrong output"
}

# The example host program found through find_package(koru 0.1 CONFIG REQUIRED)
# (the version request checks the installed version file), built with warnings
# as errors.
stage_consumer_cmake() {
    local dir="$WORK_DIR/consumer-cmake"
    cmake -S "$KORU_ROOT/examples/host-find-package" -B "$dir" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$INSTALL_PREFIX" \
        -DCMAKE_CXX_FLAGS=-Werror
    cmake --build "$dir" -j2
    check_host_program "$dir/koru_print"
}

# The same host program built with the flags pkg-config gives.
stage_consumer_pkgconfig() {
    local pc
    pc="$(find "$INSTALL_PREFIX" -name koru.pc -path '*/pkgconfig/*' | head -n 1)"
    [ -n "$pc" ] || die "koru.pc was not installed"
    local flags
    flags="$(PKG_CONFIG_PATH="$(dirname "$pc")" pkg-config --cflags --libs koru)"
    log "pkg-config --cflags --libs koru: $flags"
    # shellcheck disable=SC2086  # the flags are meant to split into words
    g++ -std=c++17 -Wall -Wextra -Wpedantic -Werror \
        "$KORU_ROOT/examples/host-find-package/main.cpp" $flags -o "$WORK_DIR/koru_print_pc"
    check_host_program "$WORK_DIR/koru_print_pc"
}

# Line coverage of koru/ by the unit tests: a gcc --coverage tree without the
# tool (so no test reaches the library through it), every test run once, one at
# a time (with atomic counters for the thread test), and gcovr, reading this
# tree alone, fails the stage below COVERAGE_FLOOR percent.
COVERAGE_FLOOR="${COVERAGE_FLOOR:-92}"

# Configures a gcc tree of the library without the tool and the examples;
# further cmake options follow the directory.
configure_library_tree() {
    local dir="$1"
    shift
    cmake -S "$KORU_ROOT" -B "$dir" -DKORU_BUILD_TOOLS=OFF -DKORU_BUILD_EXAMPLES=OFF -DKORU_WERROR=ON "$@"
}

stage_coverage() {
    local dir="$KORU_BUILD_ROOT/coverage"
    configure_library_tree "$dir" -DCMAKE_BUILD_TYPE=Debug -DKORU_BUILD_TESTS=ON \
        "-DCMAKE_CXX_FLAGS=--coverage -fprofile-update=atomic" -DCMAKE_EXE_LINKER_FLAGS=--coverage
    cmake --build "$dir" -j2
    find "$dir" -name '*.gcda' -delete
    ctest --test-dir "$dir" --output-on-failure --no-tests=error
    gcovr --root "$KORU_ROOT" --object-directory "$dir" --filter "$KORU_ROOT/koru/" \
        --print-summary --fail-under-line "$COVERAGE_FLOOR" "$dir" \
        || die "line coverage of koru/ is below ${COVERAGE_FLOOR}%"
}

# The koru tool's tests and the docs' examples, by name, so that a build that
# skipped them fails here instead of passing with fewer tests.
stage_cli() {
    ctest --test-dir "$BUILD_DIR" --output-on-failure --no-tests=error -j2 -R '^(Cli|LanguageGuide)\.'
}

# The example host program that builds koru from this tree (add_subdirectory;
# the one against the installed package is stage_consumer_cmake's), and the
# installed tool.
stage_examples() {
    local sub="$WORK_DIR/host-subdirectory" out
    cmake -S "$KORU_ROOT/examples/host-subdirectory" -B "$sub" -DCMAKE_BUILD_TYPE=Release
    cmake --build "$sub" -j2
    out="$("$sub/koru_merge" "$KORU_ROOT/examples/page.koru" "$KORU_ROOT/examples/fragment.koru")"
    printf '%s\n' "$out"
    grep -q '^control help -> https://shop.example/spring/help$' <<<"$out" || die "koru_merge gave the wrong output"

    "$INSTALL_PREFIX/bin/koru" --version
    "$INSTALL_PREFIX/bin/koru" check "$KORU_ROOT/examples/page.koru" "$KORU_ROOT/examples/fragment.koru"
}

# The libkoru file the loader picks for a program started without LD_LIBRARY_PATH.
loaded_libkoru() {
    realpath "$(env -u LD_LIBRARY_PATH ldd "$1" | awk '/libkoru\.so/ { print $3 }')"
}

# A shared koru (tests and examples off, the tool on), installed in a fresh
# prefix: the installed tool must start without LD_LIBRARY_PATH (it finds the
# library through its relative RPATH), the library must export nothing of
# koru::detail, and a host program built against the package must run.

stage_shared() {
    local dir="$KORU_BUILD_ROOT/shared" prefix="$WORK_DIR/shared-prefix" host="$WORK_DIR/consumer-shared" lib
    cmake -S "$KORU_ROOT" -B "$dir" \
        -DCMAKE_BUILD_TYPE=Release \
        -DBUILD_SHARED_LIBS=ON \
        -DKORU_BUILD_TESTS=OFF -DKORU_BUILD_TOOLS=ON -DKORU_BUILD_EXAMPLES=OFF \
        -DKORU_WERROR=ON
    cmake --build "$dir" -j2
    rm -rf "$prefix"
    cmake --install "$dir" --prefix "$prefix"
    lib="$(find "$prefix" -name 'libkoru.so.*' -type f | head -n 1)"
    [ -n "$lib" ] || die "no shared libkoru was installed"
    lib="$(realpath "$lib")"
    # Internal functions and classes stay hidden; a public class's private
    # members may name internal types in their signatures.
    if nm -D --defined-only -C "$lib" | grep -E '^[0-9a-f]+ [A-Za-z] ((vtable|typeinfo|typeinfo name) for )?koru::detail::'; then
        die "$lib exports internal symbols"
    fi
    [ "$(loaded_libkoru "$prefix/bin/koru")" = "$lib" ] || die "the installed koru tool does not load $lib"
    env -u LD_LIBRARY_PATH "$prefix/bin/koru" --version

    cmake -S "$KORU_ROOT/examples/host-find-package" -B "$host" \
        -DCMAKE_BUILD_TYPE=Release \
        -DCMAKE_PREFIX_PATH="$prefix" \
        -DCMAKE_CXX_FLAGS=-Werror
    cmake --build "$host" -j2
    [ "$(loaded_libkoru "$host/koru_print")" = "$lib" ] || die "koru_print does not load $lib"
    check_host_program env -u LD_LIBRARY_PATH "$host/koru_print"
}

# ---------------------------------------------------------------------------
# Sanitizer and fuzz stages, built with clang:
#   asan  the whole test suite under AddressSanitizer, LeakSanitizer and UBSan
#         (the Python tests with the interpreter, leaks not checked)
#   tsan  the two-thread test (tests/threads) under ThreadSanitizer
#   fuzz  every libFuzzer target for FUZZ_SECONDS (20) from its seed corpus
# asan and fuzz share one tree; the fuzz targets link their own instrumented
# copy of the library. (In every tree the test code is compiled at -O0; the
# library keeps -O2.)
# ---------------------------------------------------------------------------
FUZZ_SECONDS="${FUZZ_SECONDS:-20}"
FUZZ_TARGETS=(parse merge update host_lists scanners uri authoring)
SANITIZED_ASAN_DIR="$KORU_BUILD_ROOT/asan"
SANITIZED_TSAN_DIR="$KORU_BUILD_ROOT/tsan"

# Configures a clang tree with the given sanitizers; the fuzz targets only go
# with AddressSanitizer.
configure_sanitized() {
    local dir="$1" sanitizers="$2" extra=()
    # The fuzz targets and the Python tests (with the interpreter) go with
    # AddressSanitizer.
    [ "$sanitizers" = address,undefined ] && extra=(-DKORU_BUILD_FUZZERS=ON "${PYTHON_OPTIONS[@]}")
    CC=clang CXX=clang++ cmake -S "$KORU_ROOT" -B "$dir" \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DKORU_BUILD_TESTS=ON \
        -DKORU_WERROR=ON \
        -DKORU_SANITIZE="$sanitizers" \
        "${extra[@]}"
}

stage_asan() {
    configure_sanitized "$SANITIZED_ASAN_DIR" address,undefined
    cmake --build "$SANITIZED_ASAN_DIR" -j2
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1:strict_string_checks=1:detect_stack_use_after_return=1 \
    UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
        ctest --test-dir "$SANITIZED_ASAN_DIR" --output-on-failure --no-tests=error -j2
}

stage_tsan() {
    configure_sanitized "$SANITIZED_TSAN_DIR" thread
    cmake --build "$SANITIZED_TSAN_DIR" --target koru_tests_threads -j2
    TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        ctest --test-dir "$SANITIZED_TSAN_DIR" --output-on-failure --no-tests=error -R '^TwoThreads\.'
}

stage_fuzz() {
    configure_sanitized "$SANITIZED_ASAN_DIR" address,undefined
    cmake --build "$SANITIZED_ASAN_DIR" --target koru_fuzzers -j2
    local target corpus artifacts log input
    for target in "${FUZZ_TARGETS[@]}"; do
        corpus="$WORK_DIR/fuzz-corpus/$target"
        artifacts="$WORK_DIR/fuzz-artifacts/$target"
        log="$WORK_DIR/fuzz-$target.log"
        mkdir -p "$corpus" "$artifacts"
        log "fuzzing $target for ${FUZZ_SECONDS}s"
        if ! ASAN_OPTIONS=detect_leaks=1 UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 \
            "$SANITIZED_ASAN_DIR/fuzz/fuzz_$target" -max_total_time="$FUZZ_SECONDS" -max_len=4096 \
                -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix="$artifacts/" \
                "$corpus" "$KORU_ROOT/fuzz/corpus/$target" >"$log" 2>&1; then
            tail -n 60 "$log"
            for input in "$artifacts"/*; do
                [ -f "$input" ] || continue
                log "failing input $input:"
                od -c "$input" | head -n 40
            done
            die "fuzz target $target found a failure"
        fi
        grep -a 'stat::number_of_executed_units' "$log" || true
    done
}

# Benchmarks (off in the default build): built in their own Release tree and
# run once each, briefly. Every benchmark checks its results (node and element
# counts, merged values) and koru_bench exits non-zero when one is wrong; the
# timings and the goal summary are printed for the log, not judged.
stage_bench() {
    local dir="$KORU_BUILD_ROOT/bench"
    configure_library_tree "$dir" -DCMAKE_BUILD_TYPE=Release -DKORU_BUILD_TESTS=OFF -DKORU_BUILD_BENCHMARKS=ON
    cmake --build "$dir" --target koru_bench -j2
    "$dir/bench/koru_bench" --benchmark_min_time=0.01 --benchmark_color=false
}

CI_STAGES=(
    stage_packages
    stage_build
    stage_test
    stage_cli
    stage_python
    stage_coverage
    stage_install
    stage_consumer_cmake
    stage_consumer_pkgconfig
    stage_examples
    stage_shared
    stage_bench
    stage_asan
    stage_tsan
    stage_fuzz
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
