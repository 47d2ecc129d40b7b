#!/usr/bin/env bash
# Runs the suite under a sanitizer: "address" (ASan + UBSan) or "thread" (TSan).
set -euo pipefail
cd "$(dirname "$0")/.."
kind=${1:?usage: sanitize.sh address|thread}
export BUILD_DIR=build-$kind
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
export TSAN_OPTIONS="halt_on_error=1 second_deadlock_stack=1 suppressions=$PWD/tests/tsan.supp"
exec bash scripts/test.sh -DREELVANE_SANITIZE="$kind" -DCMAKE_BUILD_TYPE=Debug
