#!/usr/bin/env bash
# Runs the fuzz target of a shared source's leftovers (a lock file's pid, a
# shmsink segment's name) for a bounded time, from seeds of both shapes.
# usage: share_names_fuzz.sh FUZZER SECONDS
source "$(dirname "$0")/fuzz_lib.sh"

printf '12345\n' >"$seeds/pid"
printf '2147483647' >"$seeds/largest"
printf 'shmpipe. 9923.    0' >"$seeds/segment"
printf 'shmpipe.123456.   12' >"$seeds/wide"

run_fuzzer "$1" "$2" 64
