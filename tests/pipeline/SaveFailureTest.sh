#!/usr/bin/env bash
# The pipeline command under a file-size limit and on a FIFO: a save that cannot be
# completed fails with the report and the system's reason, keeps the processed file of an
# earlier run, leaves no temporary file, and the program ends by itself instead of being
# killed by SIGXFSZ; a FIFO as input is refused at once.
# Usage: SaveFailureTest.sh PARTICLE_PIPELINE (run in an empty working folder)
set -u
pipeline=$1
failures=0
fail() { echo "FAILED: $*"; failures=$((failures + 1)); }

rm -rf data && mkdir data
"$pipeline" generate --kind uniform --type pos --count 20000 --output data/p.raw > /dev/null || fail "generate"
"$pipeline" load --type pos --input data/p.raw --ppv data/saved --quiet 1 > /dev/null 2>&1 || fail "first save"
[ -s data/saved_0000.ppv ] || fail "no processed file after the first save"
before=$(cksum < data/saved_0000.ppv)

# 4 KiB per file: the raw file is read, the processed file cannot be written.
( ulimit -f 4; exec "$pipeline" load --type pos --input data/p.raw --ppv data/saved --brick-size 32 ) > limited.log 2>&1
status=$?
[ "$status" -eq 1 ] || fail "exit status $status under the file-size limit (1 expected; 153 is SIGXFSZ)"
grep -q "writing failed" limited.log || fail "no error report of the failed save"
grep -q "Could not write \"data/saved_0000.ppv\": File too large" limited.log || fail "no line with the reason"
[ "$(cksum < data/saved_0000.ppv)" = "$before" ] || fail "the earlier processed file changed"
ls data | grep -q partial && fail "temporary files left: $(ls data | tr "\n" " ")"

mkfifo data/fifo.raw
timeout 20 "$pipeline" load --type pos --input data/fifo.raw > fifo.log 2>&1
status=$?
[ "$status" -eq 1 ] || fail "exit status $status for a FIFO (124 means it waited)"
grep -q "not a regular file" fifo.log || fail "no \"not a regular file\" for a FIFO: $(tail -3 fifo.log)"

if [ "$failures" -ne 0 ]; then
  echo "--- under the limit:"; cat limited.log
  echo "0 passed, $failures failed"
  exit 1
fi
echo "1 passed, 0 failed"
