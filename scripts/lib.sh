# shellcheck shell=bash
# Shared helpers for the scripts in this folder; sourced, not run.
# Sets KORU_ROOT to the repository root and cds there; KORU_CALLER_PWD keeps
# the directory the script was started from.

# shellcheck disable=SC2034  # read by the scripts that source this file
KORU_CALLER_PWD="$PWD"
KORU_ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$KORU_ROOT" || exit 1

# Where the scripts put their build trees (build/ci, build/main); override with
# KORU_BUILD_ROOT to keep them elsewhere.
KORU_BUILD_ROOT="${KORU_BUILD_ROOT:-$KORU_ROOT/build}"

export CMAKE_BUILD_PARALLEL_LEVEL="${CMAKE_BUILD_PARALLEL_LEVEL:-2}"

log() {
    printf '==> %s\n' "$*"
}

die() {
    printf 'error: %s\n' "$*" >&2
    exit 1
}

# True when the Debian package is fully installed (not merely known or half-removed).
package_installed() {
    [ "$(dpkg-query -W -f='${db:Status-Status}' "$1" 2>/dev/null)" = "installed" ]
}

# Installs the given Debian packages with apt-get, skipping apt entirely when
# every one of them is already installed. Uses sudo only when not root.
install_packages() {
    local missing=() pkg
    for pkg in "$@"; do
        package_installed "$pkg" || missing+=("$pkg")
    done
    if [ "${#missing[@]}" -eq 0 ]; then
        log "packages already installed: $*"
        return 0
    fi
    local sudo=()
    if [ "$(id -u)" -ne 0 ]; then
        command -v sudo >/dev/null 2>&1 || die "not root and no sudo: cannot install ${missing[*]}"
        sudo=(sudo)
    fi
    log "installing: ${missing[*]}"
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive apt-get update -q
    "${sudo[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -q --no-install-recommends "${missing[@]}"
}

# Runs the named stage functions in order, timing each, and prints a summary.
# Stops at the first failing stage (set -e in the caller does the rest).
run_stages() {
    local stage start end
    local -a summary=()
    local total_start=$SECONDS
    for stage in "$@"; do
        declare -F "$stage" >/dev/null || die "unknown stage: $stage"
        log "stage $stage"
        start=$SECONDS
        "$stage"
        end=$SECONDS
        summary+=("$(printf '%-28s %5ds' "$stage" $((end - start)))")
        log "stage $stage done in $((end - start))s"
    done
    log "summary"
    printf '    %s\n' "${summary[@]}"
    printf '    %-28s %5ds\n' "total" $((SECONDS - total_start))
}
