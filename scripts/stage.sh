#!/usr/bin/env bash
# Runs one stage of `make test` and says how long it took, so that a slow stage shows in CI's log.
name=$1
shift
start=$(date +%s)
"$@"
rc=$?
echo "== stage ${name}: $(($(date +%s) - start)) s$([ $rc -eq 0 ] || echo ", failed ($rc)")"
exit $rc
