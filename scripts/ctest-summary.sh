#!/usr/bin/env bash
# Adds up the "N tests failed out of M" lines of the ctest logs given and prints
# one closing line for the whole run.
passed=0; failed=0
for log in "$@"; do
  line=$(grep -E 'tests passed, [0-9]+ tests? failed out of [0-9]+' "$log" | tail -n 1)
  if [ -z "$line" ]; then
    echo "summary: $log has no ctest result" >&2
    failed=$((failed + 1)); continue
  fi
  f=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\1/')
  t=$(echo "$line" | sed -E 's/.* ([0-9]+) tests? failed out of ([0-9]+).*/\2/')
  passed=$((passed + t - f)); failed=$((failed + f))
done
echo "$passed passed, $failed failed"
[ "$failed" = 0 ]
