#!/usr/bin/env bash
# A Slurm job array over a batch plan (carbonel-cli batch --plan): task I of N (its rank in the
# array, whatever the array's first index and step) converts plan lines I+1, I+1+N, I+1+2N, ...
# with carbonel-cli convert, passing it the options given after the plan.
#   sbatch --array=0-3 scripts/slurm-batch.sh plan.tsv --style pen
# By hand, or on another scheduler: SLURM_ARRAY_TASK_ID=I SLURM_ARRAY_TASK_COUNT=N
# scripts/slurm-batch.sh PLAN [OPTIONS...]. CARBONEL_CLI names the tool (default: carbonel-cli).
# A line that is not SOURCE<TAB>TARGET, a source that is gone and a failed conversion are
# reported with the plan's line number; the others go on, and the exit status is then 1.
#SBATCH --job-name=carbonel
set -uo pipefail
plan=${1:?usage: slurm-batch.sh PLAN [OPTIONS...]}
shift
id=${SLURM_ARRAY_TASK_ID:?SLURM_ARRAY_TASK_ID is not set}
count=${SLURM_ARRAY_TASK_COUNT:?SLURM_ARRAY_TASK_COUNT is not set}
# --array=1-4 or 0-6:2 number the tasks otherwise than 0..N-1: the rank counts them in order.
task=$(((id - ${SLURM_ARRAY_TASK_MIN:-0}) / ${SLURM_ARRAY_TASK_STEP:-1}))
if [ "$task" -lt 0 ] || [ "$task" -ge "$count" ]; then
  echo "slurm-batch.sh: task $id is not among the array's $count tasks" >&2
  exit 1
fi
cli=${CARBONEL_CLI:-carbonel-cli}
status=0
number=0
while IFS= read -r line || [ -n "$line" ]; do
  number=$((number + 1))
  [ $(((number - 1) % count)) -eq "$task" ] || continue
  source=${line%%$'\t'*}
  target=${line#*$'\t'}
  if [[ "$line" != *$'\t'* || "$target" == *$'\t'* || -z "$source" || -z "$target" ]]; then
    echo "$plan:$number: not SOURCE<TAB>TARGET" >&2
    status=1
  elif [ ! -e "$source" ]; then
    echo "$plan:$number: $source: no such file" >&2
    status=1
  elif ! "$cli" convert "$@" -- "$source" "$target"; then
    echo "$plan:$number: $source was not converted" >&2
    status=1
  fi
done < "$plan"
exit "$status"
