#!/usr/bin/env bash
# scripts/mutate.sh run on small repositories of its own: a C++ file under
# src/ (its name with a space) whose change adds lines, a test program that
# checks some of them, and g++ for the build. It must count what the tests
# caught, name what they missed, put the file back byte for byte however the
# run ends (done, timed out, stopped by SIGINT), and say so when it cannot.
# usage: mutate_test.sh [SOURCE_DIR]
set -euo pipefail
mutate_sh=$(readlink -f "${1:-$(dirname "$0")/../..}/scripts/mutate.sh")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# Whatever the script keeps in temporary files stays in here.
export TMPDIR=$scratch
status=0

fail() {
   echo "FAIL: $*"
   status=1
}

# Runs mutate.sh; its output goes to $scratch/$1.out and .err, its exit
# status to $code.
mutate() {
   local name=$1
   shift
   code=0
   "$mutate_sh" "$@" >"$scratch/$name.out" 2>"$scratch/$name.err" || code=$?
}

expect_code() {
   [[ $code == "$2" ]] || fail "$1: exit status $code, not $2: $(cat "$scratch/$1.err")"
}

expect_summary() {
   local last
   last=$(tail -n 1 "$scratch/$1.out")
   [[ $last == "$2" ]] || fail "$1: last line '$last', not '$2'"
}

# The rows of the table of survivors and time-outs, by the place they start with.
rows() {
   grep '^src/' "$scratch/$1.out" || true
}

expect_restored() {
   cmp -s "$source_file" "$scratch/original.cpp" || fail "$1: $source_file is not as it was"
   [[ $(git status --porcelain) == "$status_before" ]] || fail "$1: git status changed"
}

# A new repository with a src/ folder at $1, made the working folder.
new_repo() {
   mkdir -p "$1/src"
   cd "$1"
   git init -q
   git config user.email mutate@test
   git config user.name mutate
}

repo="$scratch/a repo"
new_repo "$repo"
source_file="src/in range.cpp"
# Its one line is not part of the change, so has no mutant.
cat >"$source_file" <<'EOF'
int one()
{
   return 1;
}
EOF
cat >test.cpp <<'EOF'
bool in_range(int v, int low, int high);

// Each end of [0, 10) and the value just past it.
int main()
{
   return in_range(0, 0, 10) && in_range(9, 0, 10) && !in_range(-1, 0, 10) &&
                !in_range(10, 0, 10)
             ? 0
             : 1;
}
EOF
git add -A
git commit -qm base
base=$(git rev-parse HEAD)
# A line whose every mutant the test catches; a line whose every mutant
# breaks the build, the mutants of a comment or string being none.
cat >>"$source_file" <<'EOF'

// Whether v lies in [low, high); "1 < 2 && 3" in a comment is no code.
bool in_range(int v, int low, int high)
{
   return low <= v && v < high;
}

static_assert(sizeof(char) == 1, "a char is 1 byte: 1 == 1");
EOF
git commit -qam in_range
# Not committed, and never called: its mutant survives.
cat >>"$source_file" <<'EOF'

int twice(int v)
{
   return v + v;
}
EOF
cp "$source_file" "$scratch/original.cpp"
status_before=$(git status --porcelain)
twice_line=$(grep -n 'return v + v;' "$source_file" | cut -d: -f1)
build="g++ -o '$scratch/t' '$source_file' test.cpp"
same="cmp -s '$source_file' '$scratch/original.cpp'"

# The four mutants of in_range (<= to <, && to ||, < to <=, its return
# negated) are killed, the three of the static_assert (== to !=, 1 to 0 and
# to 2) do not compile, and twice's one negated return survives.
mutate run --base "$base" --build "$build" --test "'$scratch/t'"
expect_code run 0
expect_summary run "mutate: 4 killed of 5 made (1 survived, 3 did not compile)"
survivors=$(rows run)
[[ $(wc -l <<<"$survivors") == 1 && $survivors == "src/in range.cpp:$twice_line:"*survived* ]] ||
   fail "run: the survivors are not twice's line alone: $survivors"
expect_restored run

# The tests run past the limit on the mutant: killed, and said so.
started=$SECONDS
mutate timeout --base HEAD --build "$build" --test "$same || sleep 30" --timeout 3
expect_code timeout 0
expect_summary timeout "mutate: 1 killed of 1 made (0 survived, 0 did not compile)"
[[ $(rows timeout) == *"timed out"* ]] || fail "timeout: no row says timed out: $(rows timeout)"
((SECONDS - started < 20)) || fail "timeout: the tests were not stopped at the limit"
expect_restored timeout

# The build runs past the limit: not compiled, and said so.
mutate build-timeout --base HEAD --build "if $same; then $build; else sleep 30; fi" \
   --test "'$scratch/t'" --timeout 1
expect_code build-timeout 0
expect_summary build-timeout "mutate: 0 killed of 0 made (0 survived, 1 did not compile)"
[[ $(rows build-timeout) == *"build timed out"* ]] ||
   fail "build-timeout: no row says build timed out: $(rows build-timeout)"
expect_restored build-timeout

mutate too-few --base HEAD --build "$build" --test "'$scratch/t'" --min-killed 50
expect_code too-few 1
expect_summary too-few "mutate: 0 killed of 1 made (1 survived, 0 did not compile)"
expect_restored too-few

# Tests that fail without any mutant would kill every one.
mutate broken --base HEAD --build "$build" --test false
[[ $code == 2 && ! -s "$scratch/broken.out" ]] ||
   fail "broken: exit status $code with tests that fail"
expect_restored broken

# SIGINT while a mutant's tests run: the file is put back and the tests'
# processes are ended.
"$mutate_sh" --base HEAD --build "$build" \
   --test "$same || { sleep 30 & echo \$! >'$scratch/sleep.pid'; wait; }" \
   >"$scratch/interrupted.out" 2>"$scratch/interrupted.err" &
running=$!
for _ in {1..150}; do
   [[ -s "$scratch/sleep.pid" ]] && break
   sleep 0.1
done
[[ -s "$scratch/sleep.pid" ]] || fail "interrupted: the mutant's tests never started"
kill -INT "$running"
code=0
wait "$running" || code=$?
expect_code interrupted 130
expect_restored interrupted
sleeper=$(cat "$scratch/sleep.pid")
for _ in {1..30}; do
   state=$(awk '{print $3}' "/proc/$sleeper/stat" 2>/dev/null || true)
   [[ -z $state || $state == Z ]] && break
   sleep 0.1
done
[[ -z $state || $state == Z ]] || fail "interrupted: the tests' sleep still runs"

# The file cannot be written back: the run says where its original is.
mutate unwritable --base HEAD --build "$build" \
   --test "$same || { rm '$source_file' && mkdir '$source_file'; }"
expect_code unwritable 3
rescue=$(sed -n 's/.*its original is in //p' "$scratch/unwritable.err")
cmp -s "$rescue" "$scratch/original.cpp" || fail "unwritable: no copy of the original at '$rescue'"
rmdir "$source_file"
cp "$scratch/original.cpp" "$source_file"

mutate usage --base HEAD --build "$build"
[[ $code != 0 && $(cat "$scratch/usage.err") == *--test* ]] || fail "usage: no --test accepted"

# --list, run from outside the repository, on a file git does not track
# yet: the mutants of each kind, none in includes, preprocessor lines,
# comments, strings, templates, "->", "<<", ">>" or the digits of names
# and of literals other than integers; the default base is origin/main,
# else the last tag.
kinds_repo="$scratch/kinds repo"
new_repo "$kinds_repo"
git commit -q --allow-empty -m first
git tag v1
echo 'int tagged() { return 2; }' >src/tagged.cpp
git add -A
git commit -qm tagged
git commit -q --allow-empty -m latest
kinds=src/kinds.cpp
cat >"$kinds" <<'EOF'
#include <vector>
#if LIMIT > 2
#endif
// a < b && c == 1 is a comment, true
const char *text = "a < b || c != 1, true";
std::vector<std::vector<int>> grid;
auto next = item->next;
out << a >> b;
double x2 = 1e5 + 0x10 + 1.5 + 1'000;
   if (a < b) {
   if (a >= b) {
   if (a == b && c) {
   n = 41;
   done = true;
   update(n);
   ++n;
   return n > 0;
EOF
cd "$scratch"
mutate list --list --repo "$kinds_repo" --build "touch '$scratch/built'"
expect_code list 0
[[ ! -e "$scratch/built" ]] || fail "list: it built"

# Each line's mutated forms, as --list gives them, must be those given.
expect_mutants() {
   local number got want
   number=$(grep -nxF -- "$1" "$kinds_repo/$kinds" | cut -d: -f1)
   shift
   got=$(awk -F'\t' -v at="$kinds:$number:" 'index($1, at) == 1 {print $4}' "$scratch/list.out" |
         sort)
   want=$(printf '%s\n' "$@" | sort)
   [[ $got == "$want" ]] || fail "list: line $number gives [$got], not [$want]"
}
for trap_line in {1..9}; do
   expect_mutants "$(sed -n "${trap_line}p" "$kinds_repo/$kinds")"
done
expect_mutants '   if (a < b) {' 'if (a <= b) {'
expect_mutants '   if (a >= b) {' 'if (a > b) {'
expect_mutants '   if (a == b && c) {' 'if (a != b && c) {' 'if (a == b || c) {'
expect_mutants '   n = 41;' ';' 'n = 40;' 'n = 42;'
expect_mutants '   done = true;' ';' 'done = false;'
expect_mutants '   update(n);' ';'
expect_mutants '   ++n;' ';'
expect_mutants '   return n > 0;' 'return !(n > 0);' 'return n >= 0;' 'return n > 1;'
grep -q '^src/tagged.cpp:' "$scratch/list.out" || fail "list: the base is not the last tag"

git -C "$kinds_repo" update-ref refs/remotes/origin/main HEAD
mutate list-origin --list --repo "$kinds_repo"
! grep -q '^src/tagged.cpp:' "$scratch/list-origin.out" || fail "list: the base is not origin/main"
[[ -s "$scratch/list-origin.out" ]] || fail "list: nothing listed from origin/main"

# A sample is the same for the same seed, and made of listed mutants.
mutate sample --list --repo "$kinds_repo" --sample 3 --seed 5
mutate sample-again --list --repo "$kinds_repo" --sample 3 --seed 5
[[ $(wc -l <"$scratch/sample.out") == 3 ]] || fail "sample: not 3 mutants"
cmp -s "$scratch/sample.out" "$scratch/sample-again.out" || fail "sample: not the same twice"
[[ -z $(comm -23 <(sort "$scratch/sample.out") <(sort "$scratch/list-origin.out")) ]] ||
   fail "sample: mutants that are not listed"

[[ $status == 0 ]] && echo "mutate_test: passed"
exit "$status"
