#!/usr/bin/env bash
# Long runs of the random action tester: RUNS walks of up to STEPS user
# actions each (default 100000 of 40), split over the machine's cores with
# a different seed each. Replay a failure with RC_PARAMS="seed=N ...".
set -euo pipefail
cd "$(dirname "$0")/.."
runs="${1:-100000}"
steps="${2:-40}"
jobs="$(nproc)"
scripts/build.sh >/dev/null
start=$(date +%s)
pids=()
for i in $(seq 1 "$jobs"); do
  seed=$((RANDOM * 32768 + RANDOM))
  echo "job $i: seed $seed"
  RC_PARAMS="seed=$seed max_success=$((runs / jobs)) verbose_progress=0" REKUDA31_WALK_STEPS="$steps" \
    QT_QPA_PLATFORM=offscreen LC_ALL=C.UTF-8 QTEST_FUNCTION_TIMEOUT=86400000 \
    TMPDIR="$([ -d /dev/shm ] && echo /dev/shm || echo "${TMPDIR:-/tmp}")" \
    build/tests/tst_random_actions randomWalks >"build/random-actions-$i.log" 2>&1 &
  pids+=($!)
done
status=0
for i in "${!pids[@]}"; do
  if ! wait "${pids[$i]}"; then
    status=1
    cat "build/random-actions-$((i + 1)).log"
  fi
done
echo "$runs walks of up to $steps steps in $(( $(date +%s) - start )) s: $([ $status -eq 0 ] && echo passed || echo FAILED)"
exit $status
