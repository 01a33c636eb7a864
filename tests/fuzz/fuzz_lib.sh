# Shared by the fuzz runners (sourced): a private work directory with
# seeds/ and corpus/, a scratch $TMPDIR on a tmpfs where there is one, both
# removed on exit, and the bounded libFuzzer run.
set -euo pipefail
work=$(mktemp -d)
scratch=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$work" "$scratch"' EXIT
export TMPDIR=$scratch
seeds=$work/seeds corpus=$work/corpus
mkdir -p "$seeds" "$corpus"

# run_fuzzer FUZZER SECONDS MAX_LEN: exit status 0 means no crash, leak or
# sanitizer report within the time. A finding is written as crash-*,
# leak-* or timeout-* into the current directory, to be run again with
# `FUZZER FILE`.
run_fuzzer() {
  "$1" -max_total_time="$2" -max_len="$3" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    "$corpus" "$seeds"
}
