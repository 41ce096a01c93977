#!/usr/bin/env bash
# A test program run as plain `ctest` runs it, outside scripts/run-tests: no TESSEL_REGISTRY, no
# runtime folder, no display, HOME an empty folder. It registers the component (in the process and
# through the tessel program it starts) and passes, and leaves HOME empty and /tmp without a
# runtime folder of Qt's making.
#   test_isolated_environment.sh BUILD_DIR
set -euo pipefail
build=$(cd "$1" && pwd)
home=$(mktemp -d /tmp/tessel-home.XXXXXX)
trap 'rm -rf "$home"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

run_alone() {
  local output status=0
  output=$(env -u TESSEL_REGISTRY -u XDG_RUNTIME_DIR -u XDG_CONFIG_HOME -u XDG_CACHE_HOME -u XDG_DATA_HOME \
    -u QT_QPA_PLATFORM -u DISPLAY -u WAYLAND_DISPLAY HOME="$home" "$@" 2>&1) || status=$?
  [ "$status" -eq 0 ] || fail "$(basename "$1") failed alone (status $status): $output"
  local written
  written=$(cd "$home" && find . -mindepth 1)
  [ -z "$written" ] || fail "$(basename "$1") wrote into HOME: $written"
  # Qt makes /tmp/runtime-USER when it has no runtime folder, and says so.
  if grep -q "XDG_RUNTIME_DIR" <<<"$output"; then
    fail "$(basename "$1") ran without a runtime folder of its own: $output"
  fi
}

run_alone "$build/tests/host_test_late_bound_call"
run_alone "$build/tests/host_test_operator_script" --gtest_filter='*FinishWritesTheTreeAndHandsBackTheCellId*'
echo "both test programs ran alone and left HOME empty"
