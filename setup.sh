#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One command from a fresh Debian 12 clone to a running program or to green tests.
#   ./setup.sh run [ARGS...]   install what is missing, build, start the program
#   ./setup.sh test            install what is missing, then format check, warnings-as-errors
#                              build and tests, the same under ASan+UBSan, fuzz smoke runs
set -euo pipefail
cd "$(dirname "$0")"
ROOT=$PWD
JOBS=$(nproc)

PACKAGES=(
    g++ cmake ninja-build pkg-config
    qt6-base-dev qt6-base-dev-tools qt6-charts-dev libqt6opengl6-dev qt6-image-formats-plugins
    libjpeg62-turbo-dev libgif-dev libxxhash-dev libdeflate-dev zlib1g-dev liblmdb-dev
    libgtest-dev libgmock-dev libbenchmark-dev libglib2.0-dev xdg-utils
    xvfb xauth fonts-dejavu-core libxcb-cursor0
    clang clang-tidy clang-format cppcheck libclang-rt-14-dev
    dpkg-dev file desktop-file-utils appstream bash-completion groff-base
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

configure_build() { # dir, cmake options...
    local dir=$1
    shift
    cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >/dev/null
    cmake --build "$dir" -j "$JOBS"
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
    CC=clang CXX=clang++ configure_build build/fuzz -DTWINLY_FUZZ=ON -DTWINLY_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=RelWithDebInfo \
        -DCMAKE_CXX_FLAGS="-fsanitize=fuzzer-no-link,address,undefined"
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
    configure_build build/pkg -DCMAKE_BUILD_TYPE=Release -DTWINLY_WERROR=ON -DTWINLY_TESTS=OFF \
        -DTWINLY_BENCH=OFF
    (cd build/pkg && cpack -G DEB)
    packaging/check-package.sh build/pkg
}

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
chmod 700 "$XDG_RUNTIME_DIR"

case "${1:-}" in
run)
    shift
    install_packages
    configure_build build/release -DCMAKE_BUILD_TYPE=Release -DTWINLY_TESTS=OFF -DTWINLY_BENCH=OFF
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
    configure_build build/dev -DTWINLY_WERROR=ON
    run_tests build/dev
    echo "== AddressSanitizer and UndefinedBehaviorSanitizer build, and tests"
    configure_build build/asan -DTWINLY_WERROR=ON -DTWINLY_SANITIZE=ON -DTWINLY_BENCH=OFF \
        -DCMAKE_BUILD_TYPE=Debug
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
