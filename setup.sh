#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One command from a fresh Debian 12 clone to a running program or to green tests.
#   ./setup.sh run [ARGS...]   install what is missing, build, start the program
#   ./setup.sh test            install what is missing, then format check, warnings-as-errors
#                              build and tests, clang-tidy on the changed sources, the same
#                              build and tests under ASan+UBSan, fuzz smoke runs, package check
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
JOBS=$(nproc)

PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev qt6-image-formats-plugins
    qt6-translations-l10n
    libjpeg62-turbo-dev libgif-dev libxxhash-dev libdeflate-dev zlib1g-dev liblmdb-dev
    libsqlite3-dev
    libgtest-dev libgmock-dev libbenchmark-dev libglib2.0-dev xdg-utils
    xvfb xauth fonts-dejavu-core libxcb-cursor0
    clang clang-tidy clang-format cppcheck libclang-rt-14-dev
    dpkg-dev file desktop-file-utils appstream bash-completion groff-base lintian
)

install_packages() {
    local missing=()
    for p in "${PACKAGES[@]}"; do
        dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" ||
            missing+=("$p")
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    echo "Installing: ${missing[*]}"
    local sudo=()
    [ "$(id -u)" -eq 0 ] || sudo=(sudo)
    "${sudo[@]}" apt-get update
    DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y --no-install-recommends \
        "${missing[@]}"
}

# The build folders and their options are the presets of CMakePresets.json (build/<preset>).
configure_build() { # preset, extra cmake options...
    local preset=$1
    shift
    # ccache, where installed, makes a rebuild on the same machine cost little; not needed.
    local launcher=()
    if command -v ccache >/dev/null; then
        launcher=(-DCMAKE_C_COMPILER_LAUNCHER=ccache -DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
    fi
    cmake --preset "$preset" "${launcher[@]}" "$@" >/dev/null
    cmake --build --preset "$preset" -j "$JOBS"
}

# clang-tidy with the checks of .clang-tidy, on the C++ sources that differ from the base
# (TWINLY_TIDY_BASE, by default main, or the previous commit where there is no main branch).
tidy_check() { # build folder holding compile_commands.json
    echo "== clang-tidy on the changed sources"
    local base=${TWINLY_TIDY_BASE:-}
    if [ -z "$base" ]; then
        base=$(git rev-parse -q --verify main || git rev-parse -q --verify HEAD~1 || true)
    fi
    local files=()
    if [ -n "$base" ]; then
        mapfile -t files < <(git diff --name-only --diff-filter=d "$base" -- \
            'app/*.cpp' 'cli/*.cpp' 'platform/*.cpp' 'results/*.cpp' 'search/*.cpp' 'visual/*.cpp')
    fi
    if [ ${#files[@]} -eq 0 ]; then
        echo "(no changed sources)"
        return 0
    fi
    printf '%s\0' "${files[@]}" | xargs -0 -n 4 -P "$JOBS" clang-tidy -p "$1" --quiet \
        --extra-arg=-Wno-unknown-warning-option
}

format_check() {
    echo "== format check"
    git ls-files '*.cpp' '*.h' | xargs clang-format --dry-run -Werror
}

run_tests() { # dir
    (cd "$1" && ctest --output-on-failure -j "$JOBS")
}

fuzz_smoke() {
    echo "== fuzz smoke runs (clang, libFuzzer)"
    configure_build fuzz
    for binary in build/fuzz/fuzz/fuzz_*; do
        local target work
        target=$(basename "$binary")
        work=$(mktemp -d)
        cp fuzz/corpus/"$target"/* "$work"/
        echo "-- $target"
        "$binary" -max_total_time=15 -print_final_stats=0 "$work" 2>&1 | tail -n 1
        rm -rf "$work"
    done
}

package_check() {
    echo "== Debian package: build, unpack, check"
    configure_build release
    (cd build/release && cpack -G DEB)
    packaging/check-package.sh build/release
}

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"

case "${1:-}" in
run)
    shift
    install_packages
    configure_build release
    echo "Built: build/release/app/twinly and build/release/cli/twinly-cli"
    if [ -z "${DISPLAY:-}${WAYLAND_DISPLAY:-}" ]; then
        echo "No desktop session here; the command-line companion instead:"
        [ $# -gt 0 ] || set -- --help
        exec ./build/release/cli/twinly-cli "$@"
    fi
    exec ./build/release/app/twinly "$@"
    ;;
test)
    install_packages
    format_check
    echo "== build with warnings as errors, and tests"
    configure_build ci
    run_tests build/ci
    tidy_check build/ci
    echo "== AddressSanitizer and UndefinedBehaviorSanitizer build, and tests"
    configure_build asan
    ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 \
        LSAN_OPTIONS=suppressions="$ROOT/tests/lsan.supp" \
        UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1 run_tests build/asan
    fuzz_smoke
    package_check
    echo "== all checks passed"
    ;;
*)
    echo "usage: $0 run [ARGS...] | test" >&2
    exit 2
    ;;
esac
