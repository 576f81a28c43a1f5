#!/usr/bin/env bash
# Builds everything and runs every test: the native build, the 32-bit and the
# 64-bit Windows builds under Wine (each in a private prefix of its own
# architecture, with its own X server), the sanitizer builds, the fuzz targets
# and the release archives. Ends with one line: "N passed, N failed".
# Environment: ORVALT_FUZZ_SECONDS (default 30), ORVALT_STAGES (default
# "native win32 win64 asan tsan fuzz package").
set -u
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"

bash scripts/install-deps.sh || { echo "dependency installation failed"; echo "0 passed, 1 failed"; exit 1; }

jobs=$(nproc 2>/dev/null || echo 2)
stages=${ORVALT_STAGES:-native win32 win64 asan tsan fuzz package}
fuzz_seconds=${ORVALT_FUZZ_SECONDS:-30}
logs="$root/build/test-logs"
mkdir -p "$logs"
passed=0
failed=0
failures=()

# Tests never read or write a user's own settings.
export XDG_CONFIG_HOME="$root/build/test-config"
rm -rf "$XDG_CONFIG_HOME" && mkdir -p "$XDG_CONFIG_HOME"

# Adds the counts of one ctest run (its log) to the totals.
count_ctest() {
  local stage=$1 log=$2
  local line total bad
  line=$(grep -E '[0-9]+% tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    failed=$((failed + 1)); failures+=("$stage: no test result"); return
  fi
  total=$(sed -E 's/.* out of ([0-9]+).*/\1/' <<<"$line")
  bad=$(sed -E 's/.* ([0-9]+) tests? failed.*/\1/' <<<"$line")
  # A skip means something this script installs was missing: the test proved
  # nothing, so the run does not pass. ctest counts a skip as not failed.
  skipped=$(grep -cE '\*\*\*Skipped' "$log")
  passed=$((passed + total - bad - skipped))
  failed=$((failed + bad + skipped))
  if [ "$bad" -gt 0 ]; then
    failures+=("$stage: $(grep -E '^\s+[0-9]+ - .*\)$' "$log" | grep -v '(Skipped)' | sed -E 's/^\s+//' | tr '\n' ';')")
  fi
  if [ "$skipped" -gt 0 ]; then
    failures+=("$stage: skipped, a tool the test command installs is missing: $(grep -E '\*\*\*Skipped' "$log" | sed -E 's/.*Test +#[0-9]+: ([^ ]+).*/\1/' | tr '\n' ' ')")
  fi
}

# configure + build one preset; counts a failure and returns 1 when either fails.
build_preset() {
  local preset=$1; shift
  echo "== $preset: configure and build"
  if ! cmake --preset "$preset" "$@" >"$logs/$preset-configure.log" 2>&1; then
    tail -n 30 "$logs/$preset-configure.log"
    failed=$((failed + 1)); failures+=("$preset: configure failed"); return 1
  fi
  if ! cmake --build "build/$preset" -j"$jobs" >"$logs/$preset-build.log" 2>&1; then
    grep -E 'error|Error' "$logs/$preset-build.log" | head -n 30
    failed=$((failed + 1)); failures+=("$preset: build failed"); return 1
  fi
}

run_ctest() {
  local stage=$1 dir=$2; shift 2
  echo "== $stage: tests"
  ctest --test-dir "$dir" --output-on-failure -j"$jobs" "$@" >"$logs/$stage-ctest.log" 2>&1
  grep -E '(Passed|Failed|\*\*\*|Not Run|tests passed)' "$logs/$stage-ctest.log" | sed 's/^/   /' | tail -n 60
  count_ctest "$stage" "$logs/$stage-ctest.log"
}

# Starts an X server on a display number nobody holds, its socket ready before
# Wine starts; sets DISPLAY and xvfb_pid.
start_xvfb() {
  local n=90
  while [ -e "/tmp/.X$n-lock" ] || [ -e "/tmp/.X11-unix/X$n" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >"$logs/xvfb-$1.log" 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 50); do [ -e "/tmp/.X11-unix/X$n" ] && break; sleep 0.1; done
  export DISPLAY=:$n
}

stop_xvfb() {
  kill "$xvfb_pid" 2>/dev/null; wait "$xvfb_pid" 2>/dev/null
  unset DISPLAY
}

# A fresh Wine prefix of the given architecture (win32 or win64), named after the
# stage; WINEARCH is explicit because with Wine's 64-bit loader installed a new
# prefix would be 64-bit.
start_wine() {
  local stage=$1 arch=$2
  export WINEARCH=$arch WINEPREFIX="$root/build/wineprefix-test-$stage" WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  rm -rf "$WINEPREFIX"
  wineboot -i >"$logs/wineboot-$stage.log" 2>&1
}

stop_wine() {
  wineserver -k 2>/dev/null
  unset WINEARCH WINEPREFIX
}

# One Windows build and its tests under Wine: preset = stage, architecture.
wine_stage() {
  local stage=$1 arch=$2
  build_preset "$stage" || return 0
  start_xvfb "$stage"
  start_wine "$stage" "$arch"
  run_ctest "$stage" "build/$stage"
  stop_wine
  stop_xvfb
}

# The release archives, unpacked into a scratch folder; each plug-in loaded from there.
package_stage() {
  echo "== package: archives"
  if ! bash scripts/package.sh >"$logs/package.log" 2>&1; then
    tail -n 30 "$logs/package.log"
    failed=$((failed + 1)); failures+=("package: scripts/package.sh failed"); return
  fi
  grep -E '^dist/' "$logs/package.log" | sed 's/^/   /'
  start_xvfb package
  if bash tests/package/checkArchives.sh "$root/dist" "$root/build/package-check" >"$logs/package-check.log" 2>&1; then
    passed=$((passed + 1))
  else
    failed=$((failed + 1)); failures+=("package: archive check (see $logs/package-check.log)")
  fi
  sed 's/^/   /' "$logs/package-check.log" | tail -n 20
  # The Debian package installed on this machine and removed again; the
  # Windows installer under Wine.
  local check
  for check in checkDeb:orvalt_*_amd64.deb checkInstaller:Orvalt-*-setup.exe; do
    local script=${check%%:*} file
    file=$(ls dist/${check#*:} 2>/dev/null | head -n 1)
    if [ -n "$file" ] && bash "tests/package/$script.sh" "$file" "$root/build/package-$script" >"$logs/$script.log" 2>&1; then
      passed=$((passed + 1))
    else
      failed=$((failed + 1)); failures+=("package: $script (see $logs/$script.log)")
    fi
    sed 's/^/   /' "$logs/$script.log" | tail -n 25
  done
  stop_xvfb
}

for stage in $stages; do
  start=$(date +%s)
  case $stage in
    native)
      # The display tests (the X11 editor, the validator's editor checks) run
      # under Xvfb; everything else runs without a display, as on a server.
      if build_preset native; then
        run_ctest native build/native -LE display
        start_xvfb native
        run_ctest native-display build/native -L display
        stop_xvfb
      fi ;;
    win32) wine_stage win32 win32 ;;
    win64) wine_stage win64 win64 ;;
    asan)
      if build_preset native-asan; then
        start_xvfb asan
        ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1 \
          LSAN_OPTIONS=suppressions=$root/tests/support/lsan.supp \
          run_ctest asan build/native-asan -LE slow
        stop_xvfb
      fi ;;
    tsan)
      build_preset native-tsan && TSAN_OPTIONS=halt_on_error=1:second_deadlock_stack=1 \
        run_ctest tsan build/native-tsan -L threads ;;
    fuzz)
      build_preset fuzz -DORVALT_FUZZ_SECONDS="$fuzz_seconds" && run_ctest fuzz build/fuzz ;;
    package) package_stage ;;
    *) echo "unknown stage $stage"; failed=$((failed + 1)) ;;
  esac
  echo "   ($stage took $(( $(date +%s) - start )) s)"
done

for f in "${failures[@]}"; do echo "FAILED $f"; done
echo "$passed passed, $failed failed"
[ "$failed" -eq 0 ]
