#!/usr/bin/env bash
# Sets up a Debian machine for Quorel, builds it and runs what is asked:
#   ./setup.sh test       build twice (normal, and with Address/UB sanitizers) and run every test,
#                         then build the fuzz targets with clang and libFuzzer and run each for
#                         QUOREL_FUZZ_SECONDS (20) seconds
#   ./setup.sh fuzz [s]   build the fuzz targets and run each for s seconds (default 600),
#                         keeping what they learn in build-fuzz/fuzz-corpus/
#   ./setup.sh orvanto    build and start Orvanto with the shipped database and the first example
#   ./setup.sh lunetta    build and start Lunetta with the shipped database
#   ./setup.sh bench      build and run the benchmarks
set -euo pipefail
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
what="${1:-test}"
shift || true
jobs="$(nproc 2>/dev/null || echo 4)"

packages=(cmake g++ ninja-build pkg-config python3 libcairo2-dev libjpeg62-turbo-dev libxlsxwriter-dev
          qt6-base-dev fonts-dejavu-core libgtest-dev libgmock-dev libbenchmark-dev unzip
          clang libclang-rt-14-dev)

install_missing() {
  local missing=()
  for p in "${packages[@]}"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
  done
  if [ ${#missing[@]} -gt 0 ]; then
    echo "Installing: ${missing[*]}"
    local sudo=""
    [ "$(id -u)" -eq 0 ] || sudo="sudo"
    $sudo apt-get update -qq
    DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
  fi
}

configure_build() {  # dir, extra cmake args...
  local dir="$1"; shift
  cmake -S "$here" -B "$dir" -G Ninja "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# The fuzz build: clang with libFuzzer, Address and UndefinedBehavior sanitizers; ctest runs
# each target for the given seconds and fails on any finding (a crash, a sanitizer report, a
# broken check, a leak, a timeout, or more than 3 GB).
run_fuzzers() {  # seconds
  CC=clang CXX=clang++ configure_build "$here/build-fuzz" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
    -DQUOREL_FUZZ=ON -DQUOREL_FUZZ_SECONDS="$1"
  (cd "$here/build-fuzz" && \
    ASAN_OPTIONS="detect_leaks=1:strict_string_checks=1" \
    UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
    ctest --output-on-failure -j "$jobs" --timeout "$(( $1 + 300 ))")
}

install_missing
case "$what" in
  test)
    configure_build "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    (cd "$here/build" && ctest --output-on-failure -j "$jobs" --timeout 900)
    configure_build "$here/build-asan" -DCMAKE_BUILD_TYPE=Debug -DQUOREL_SANITIZE=ON -DQUOREL_BENCH=OFF
    (cd "$here/build-asan" && \
      ASAN_OPTIONS="detect_leaks=1:abort_on_error=1:strict_string_checks=1" \
      LSAN_OPTIONS="suppressions=$here/tools/lsan.supp:print_suppressions=0" \
      UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1" \
      ctest --output-on-failure -j "$jobs" --timeout 1800)
    run_fuzzers "${QUOREL_FUZZ_SECONDS:-20}"
    ;;
  fuzz)
    run_fuzzers "${1:-600}"
    ;;
  orvanto)
    configure_build "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    # Without a file of its own, Orvanto opens the first example system.
    [ $# -gt 0 ] || set -- "$here/examples/1_methane_oxygen_3000K.eql"
    exec "$here/build/orvanto" "$@"
    ;;
  lunetta)
    configure_build "$here/build" -DCMAKE_BUILD_TYPE=RelWithDebInfo
    exec "$here/build/lunetta" "$@"
    ;;
  bench)
    configure_build "$here/build" -DCMAKE_BUILD_TYPE=Release
    for b in "$here"/build/bench_*; do [ -x "$b" ] && "$b" "$@"; done
    ;;
  *)
    echo "usage: $0 test|fuzz [seconds]|orvanto|lunetta|bench" >&2; exit 2 ;;
esac
