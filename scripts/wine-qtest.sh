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
# A suite whose every case skipped (Wine lacks what it tests) is reported as skipped, with the
# reasons above, rather than as passed.
if [ $rc -eq 0 ] && grep -Eq '^Totals: 2 passed, 0 failed, [1-9][0-9]* skipped' "$log"; then
  exit 77
fi
exit $rc
