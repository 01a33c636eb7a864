#!/usr/bin/env bash
# Runs the settings-file fuzz target for a bounded time from seeds made now:
# the empty file, files one byte short of and one byte beyond the 1348-byte
# record, the record of the default settings, and a longer file.
# usage: settings_fuzz.sh SETTINGS_FUZZ SECONDS
source "$(dirname "$0")/fuzz_lib.sh"

: >"$seeds/empty.cfg"
head -c 1347 /dev/urandom >"$seeds/short.cfg"
head -c 1349 /dev/urandom >"$seeds/long.cfg"
head -c 4000 /dev/urandom >"$seeds/longer.cfg"
# The defaults: pathText empty, hostAddress "127.0.0.1", then the numbers
# from hostPort to pulseObjectSize, little-endian.
{
  head -c 1024 /dev/zero
  printf '127.0.0.1'
  head -c 247 /dev/zero
  printf '\x3b\x5e\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00'
  printf '\x20\x00\x00\x00\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00'
  printf '\x00\x00\x00\x00\x00\x00\x20\x41\x01\x00\x00\x00\x00\x00\x7a\x44'
  printf '\x01\x00\x00\x00\x01\x00\x00\x00\x00\x00\x00\x00\x32\x00\x00\x00'
  printf '\x00\x00\x00\x3f'
} >"$seeds/defaults.cfg"
test "$(stat -c %s "$seeds/defaults.cfg")" = 1348

run_fuzzer "$1" "$2" 8192
