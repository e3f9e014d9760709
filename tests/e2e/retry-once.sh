#!/usr/bin/env bash
# Runs an end-to-end test program under Wine. The few cases that fail are run once more on
# their own: on a busy machine Wine and Xvfb now and then lose an injected click or refuse a
# process start, which says nothing about the program. A case that fails twice fails the run,
# and every second chance is written to RETRY_LOG for the test command's summary.
# Usage: retry-once.sh RETRY_LOG PROGRAM [ARGUMENTS...]
set -uo pipefail
retry_log=$1
shift
runner="$(dirname "$0")/../../scripts/wine-run.sh"
first=$(mktemp)
trap 'rm -f "$first"' EXIT

"$runner" "$@" 2>&1 | tee "$first"
rc=${PIPESTATUS[0]}
[ "$rc" -eq 0 ] && exit 0

# The summary lists each failed case once; a crash lists none, and many failures are no fluke.
mapfile -t failed < <(sed -n 's/^\[  FAILED  \] \([A-Za-z0-9_/]*\.[A-Za-z0-9_/]*\).*/\1/p' "$first" |
    sort -u)
if [ "${#failed[@]}" -eq 0 ] || [ "${#failed[@]}" -gt 3 ]; then
    exit "$rc"
fi
filter=$(IFS=:; echo "${failed[*]}")
echo
echo "=== running once more on their own: ${failed[*]}"
"$runner" "$@" --gtest_filter="$filter"
rc=$?
outcome=$([ "$rc" -eq 0 ] && echo "passed the second time" || echo "failed again")
{
    printf '%s: %s %s\n' "$(basename "$1")" "${failed[*]}" "$outcome"
    # What each case said the first time, so a flake can be told apart from a fault later.
    for case in "${failed[@]}"; do
        sed -n "\%^\[ RUN      \] ${case}\$%,\%^\[  FAILED  \] ${case} (%p" "$first" |
            grep -v '^\[' | head -n 12 | sed 's/^/    /'
    done
} >>"$retry_log"
exit "$rc"
