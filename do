#!/usr/bin/env bash
# The suite's one entry point.
#   ./do test           install what is missing, build with sanitizers, run every test
#   ./do run PROGRAM    install, build and start orvane, rindle or tollen
#   ./do bench          build in release mode and run the benchmarks
#   ./do package        build in release mode and make the Debian package
#   ./do fuzz [SECONDS] build the fuzz targets with clang and run each for SECONDS (default 60)
#   ./do screenshots    draw the README's pictures from the windows of this build into docs/
set -euo pipefail
cd "$(dirname "$0")"
root=$(pwd)
jobs=$(nproc 2>/dev/null || echo 2)

packages=(cmake ninja-build g++ pkg-config qt6-base-dev qt6-serialport-dev libgl-dev
          googletest libgtest-dev libgmock-dev libbenchmark-dev fonts-dejavu-core
          dpkg-dev file desktop-file-utils appstream libelf-dev
          xvfb xdotool x11-utils make)
# The package test checks the package with Debian's own checker.
packages+=(lintian)

# The checked build (./do test) and the fuzz targets are compiled by clang:
# it builds the sanitized suite in half the time g++ takes. lld links it.
clang_packages=(clang lld libclang-rt-dev)

install_missing() {
  local missing=()
  for p in "${packages[@]}" "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  ((${#missing[@]})) || return 0
  echo "Installing: ${missing[*]}"
  local sudo=()
  [ "$(id -u)" -eq 0 ] || sudo=(sudo)
  "${sudo[@]}" apt-get update -qq
  DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends "${missing[@]}"
}

# Warnings stop only the checked build; g++ builds the programs, and a warning
# of its own must not keep a user from running one.
configure_build() {  # dir, extra cmake args...
  local dir=$1; shift
  cmake -S "$root" -B "$dir" -G Ninja -DSUITE_WERROR=OFF "$@" >/dev/null
  cmake --build "$dir" -j "$jobs"
}

# The checked build of the suite and its tests in build/test: clang,
# sanitizers, warnings as errors.
build_checked() {
  install_missing "${clang_packages[@]}"
  # A build folder configured by another compiler is started afresh.
  if [ -f "$root/build/test/CMakeCache.txt" ] &&
     ! grep -q '^CMAKE_CXX_COMPILER:.*clang++$' "$root/build/test/CMakeCache.txt"; then
    rm -rf "$root/build/test"
  fi
  configure_build "$root/build/test" -DCMAKE_CXX_COMPILER=clang++ -DCMAKE_BUILD_TYPE=Debug \
                  -DSUITE_SANITIZE=ON -DSUITE_TESTS=ON -DSUITE_WERROR=ON
}

cmd=${1:-}
case "$cmd" in
  test)
    build_checked
    export QT_QPA_PLATFORM=offscreen
    # The window and serial-link tests spend much of their time waiting on
    # event loops and the simulated box, so twice as many run as there are
    # cores.
    ctest --test-dir "$root/build/test" --output-on-failure -j "$((jobs * 2))"
    ;;
  screenshots)
    # The window tests draw each program's main window and one dialog from
    # the real windows into build/test/screenshots/readme/; the README shows
    # them from docs/.
    build_checked
    shots="$root/build/test/screenshots/readme"
    rm -rf "$shots"
    for t in rindle_ui_tests tollen_ui_tests orvane_ui_tests; do
      if ! QT_QPA_PLATFORM=offscreen ASAN_OPTIONS=detect_leaks=0 \
           "$root/build/test/tests/$t" --gtest_filter='*ReadmePictures*' >"$root/build/test/$t.log" 2>&1; then
        cat "$root/build/test/$t.log"; exit 1
      fi
    done
    mkdir -p "$root/docs"
    cp "$shots"/*.png "$root/docs/"
    ls "$root"/docs/*.png
    ;;
  bench)
    install_missing
    configure_build "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DSUITE_TESTS=OFF -DSUITE_BENCH=ON
    shopt -s nullglob
    status=0
    for b in "$root"/build/bench/bench/*; do
      [ -f "$b" ] && [ -x "$b" ] || continue
      echo "== $(basename "$b")"
      "$b" "${@:2}" || status=1
    done
    exit $status
    ;;
  package)
    install_missing
    configure_build "$root/build/package" -DCMAKE_BUILD_TYPE=Release -DSUITE_TESTS=OFF
    (cd "$root/build/package" && cpack -B "$root/build/package/deb")
    ls "$root"/build/package/deb/*.deb
    ;;
  run)
    prog=${2:-}
    case "$prog" in
      orvane|rindle|tollen) ;;
      *) echo "usage: ./do run orvane|rindle|tollen" >&2; exit 2 ;;
    esac
    install_missing
    configure_build "$root/build/run" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DSUITE_TESTS=OFF
    exe="$root/build/run/bin/$prog"
    if [ ! -x "$exe" ]; then
      echo "$prog is not built yet" >&2; exit 1
    fi
    exec "$root/tools/start-program.sh" "$prog" "$exe" "${@:3}"
    ;;
  fuzz)
    # New corpus entries go to build/fuzz/corpus/<target>, seeded from
    # fuzz/corpus/<target>; a crash is kept with its input in
    # build/fuzz/crashes/<target>/. FUZZ_JOBS=2 runs two targets at once.
    seconds=${2:-60}
    install_missing "${clang_packages[@]}"
    out="$root/build/fuzz"
    cmake -S "$root" -B "$out" -G Ninja -DCMAKE_CXX_COMPILER=clang++ -DSUITE_FUZZ=ON \
          -DSUITE_TESTS=OFF -DSUITE_WERROR=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo \
          "-DCMAKE_CXX_FLAGS_RELWITHDEBINFO=-O1 -g" >/dev/null
    cmake --build "$out" -j "$jobs" --target fuzz_all
    export LSAN_OPTIONS="suppressions=$root/cmake/lsan.supp"
    # Short allocation stacks keep the many small allocations of the Qt
    # parsers cheap; run a crash file by hand for the full stacks.
    export ASAN_OPTIONS="${ASAN_OPTIONS:-malloc_context_size=2}"
    run_target() {  # name
      local t=$1
      mkdir -p "$out/corpus/$t" "$out/crashes/$t" "$out/logs"
      "$out/fuzz/fuzz_$t" "$out/corpus/$t" "$root/fuzz/corpus/$t" \
        -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
        -artifact_prefix="$out/crashes/$t/" >"$out/logs/$t.log" 2>&1
    }
    status=0
    targets=()
    for exe in "$out"/fuzz/fuzz_*; do
      [ -f "$exe" ] && [ -x "$exe" ] && targets+=("${exe##*/fuzz_}")
    done
    running=0
    for t in "${targets[@]}"; do
      echo "== $t: ${seconds}s"
      run_target "$t" &
      running=$((running + 1))
      if ((running >= ${FUZZ_JOBS:-1})); then wait -n || status=1; running=$((running - 1)); fi
    done
    while ((running > 0)); do wait -n || status=1; running=$((running - 1)); done
    for t in "${targets[@]}"; do
      log="$out/logs/$t.log"
      runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
      rate=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
      crashes=$(find "$out/crashes/$t" -type f | wc -l)
      printf '%-20s %12s runs %8s/s  %s crash files  (log %s)\n' "$t" "${runs:-?}" "${rate:-?}" "$crashes" "$log"
      ((crashes == 0)) || status=1
    done
    exit $status
    ;;
  *)
    echo "usage: ./do test | ./do run PROGRAM | ./do bench | ./do package | ./do fuzz [SECONDS]" >&2
    exit 2
    ;;
esac
