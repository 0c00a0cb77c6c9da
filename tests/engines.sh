#!/usr/bin/env bash
# The README's recipes for other engines, run as written on a tree of 40 photos (two of the same
# name in different folders) into an out folder that already holds some of the names: GNU parallel
# with two local workers, the same killed after 20 files and resumed, the Slurm array script run
# by hand for tasks 0..3 of 4, and xargs -P each write exactly the files `carbonel-cli batch`
# writes, byte for byte; the resumed run rewrites nothing the first one wrote.
# Usage: tests/engines.sh BUILD_DIR
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
export PATH="$(cd "$1" && pwd)/bin:$PATH"
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "engines: $*" >&2; exit 1; }
recipe() {  # a recipe's line, as README writes it
  grep -qxF "    $1" "$root/README.md" || fail "README has no recipe line: $1"
  bash -euo pipefail -c "$1"
}

cd "$work"
data=$root/tests/data
for folder in a b c d; do
  mkdir -p "photos/$folder"
  for i in $(seq 1 9); do
    cp "$data/$( [ $((i % 3)) -eq 0 ] && echo coffee.jpg || echo chelsea.jpg)" "photos/$folder/p$i.jpg"
  done
done
cp "$data/chelsea-8bit.bmp" photos/a/cat.bmp
cp "$data/chelsea-8bit.bmp" photos/b/cat.bmp  # the same name in another folder
cp "$data/seed.png" photos/c/seed.png
# A name of 250 bytes, near the most a file system takes: no temporary name may extend it.
long_name=$(printf 'r%.0s' $(seq 1 246)).jpg
cp "$data/rocket.jpg" "photos/d/$long_name"
# A named pipe with a photo's name would keep every engine waiting: left out, and said so.
mkfifo photos/c/pipe.jpg
[ "$(find photos -type f | wc -l)" -eq 40 ] || fail "the tree does not hold 40 photos"
fresh() {  # an out folder that already holds some of the names
  rm -rf sketches
  mkdir sketches
  echo old > sketches/cat.bmp
  echo old > sketches/p3.jpg
}
same() {  # the files of sketches equal those of the batch
  diff -r expected sketches > /dev/null || fail "$1 wrote other files than the batch"
}

fresh
carbonel-cli batch --style pen --out sketches photos 2> batch.err || fail "the batch failed: $(cat batch.err)"
grep -q "photos/c/pipe.jpg: skipped: it is a named pipe" batch.err || fail "the pipe was not told"
mv sketches expected
[ "$(find expected -type f | wc -l)" -eq 42 ] || fail "the batch did not write 40 sketches"
[ -f "expected/$long_name" ] || fail "the batch did not write the long name"

fresh
recipe "carbonel-cli batch --plan --style pen --out sketches photos > plan.tsv"
[ "$(wc -l < plan.tsv)" -eq 40 ] || fail "the plan does not hold 40 lines"
recipe "parallel --colsep '\t' --tagstring 'plan line {#}:' -j 2 --joblog jobs.log carbonel-cli convert --style pen -- {1} {2} :::: plan.tsv"
same "GNU parallel"

# Killed after 20 files, then resumed: the rest is written, nothing is written twice.
fresh
rm -f jobs.log
parallel --halt now,success=20 --colsep '\t' --tagstring 'plan line {#}:' -j 2 --joblog jobs.log \
  carbonel-cli convert --style pen -- {1} {2} :::: plan.tsv > /dev/null 2>&1 || true
done=$(find sketches -type f -newer plan.tsv | wc -l)
[ "$done" -ge 20 ] && [ "$done" -lt 40 ] || fail "the first run wrote $done files, not about half"
# What the first run finished: the jobs its log records as ended well (a job killed after its file
# was in place is not one of them, and is run again).
awk -F '\t' 'NR > 1 && $7 == 0 && $8 == 0 { print $1 }' jobs.log | while read -r line; do
  target=$(sed -n "${line}p" plan.tsv | cut -f 2)
  stat -c '%n %i %Y' "$target"
done | sort > first-run
[ "$(wc -l < first-run)" -ge 20 ] || fail "the first run finished fewer than 20 files"
recipe "parallel --colsep '\t' --tagstring 'plan line {#}:' -j 2 --joblog jobs.log --resume-failed carbonel-cli convert --style pen -- {1} {2} :::: plan.tsv"
same "the resumed GNU parallel"
while read -r name inode time; do
  [ "$(stat -c '%i %Y' "$name")" = "$inode $time" ] || fail "the resumed run rewrote $name"
done < first-run

# The Slurm array, task by task as Slurm would run them, each line converted once.
fresh
bash -n "$root/scripts/slurm-batch.sh"
cat > logging-cli <<LOG
#!/usr/bin/env bash
echo "\${@: -2:1}" >> $work/converted
exec carbonel-cli "\$@"
LOG
chmod +x logging-cli
for task in 0 1 2 3; do
  SLURM_ARRAY_TASK_ID=$task SLURM_ARRAY_TASK_COUNT=4 CARBONEL_CLI=./logging-cli \
    bash "$root/scripts/slurm-batch.sh" plan.tsv --style pen
done
same "the Slurm array"
[ "$(sort converted | uniq | wc -l)" -eq 40 ] && [ "$(wc -l < converted)" -eq 40 ] ||
  fail "the Slurm tasks did not convert every line once"

fresh
recipe "tr '\t' '\n' < plan.tsv | xargs -d '\n' -n 2 -P 2 carbonel-cli convert --style pen --"
same "xargs -P"

# A plan line that does not parse, or whose source is gone, is told by its number; the rest runs.
fresh
{ head -n 2 plan.tsv; echo "no tab here"; printf 'photos/gone.jpg\tsketches/gone.jpg\n'; } > bad.tsv
if SLURM_ARRAY_TASK_ID=0 SLURM_ARRAY_TASK_COUNT=1 bash "$root/scripts/slurm-batch.sh" bad.tsv \
  --style pen 2> errors; then fail "a bad plan succeeded"; fi
grep -q "bad.tsv:3: not SOURCE<TAB>TARGET" errors && grep -q "bad.tsv:4: photos/gone.jpg" errors ||
  fail "bad lines were not told: $(cat errors)"
[ "$(find sketches -type f -newer bad.tsv | wc -l)" -eq 2 ] || fail "the good lines did not run"
echo "engines: 1 passed, 0 failed"
