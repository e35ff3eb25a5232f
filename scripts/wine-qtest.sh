#!/usr/bin/env bash
# Runs a QtTest program under Wine: wine-qtest.sh PREFIX PROGRAM [ARGS...]
# Under Wine the test log written to a pipe is lost, so it goes to a file that is printed after.
set -uo pipefail
prefix=$1 program=$2
shift 2
log=$(mktemp)
trap 'rm -f "$log"' EXIT
"$(dirname "$0")/wine-run.sh" "$prefix" "$program" -o "Z:$log,txt" "$@"
rc=$?
cat "$log"
exit $rc
