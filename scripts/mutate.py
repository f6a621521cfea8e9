"""Mutation testing of a change: makes each mutant of the lines the change
adds under src/ (see mutants.py) one at a time, builds, runs the tests, and
puts the file back byte for byte. Run through mutate.sh; --help says how."""

import argparse
import os
import random
import signal
import subprocess
import sys
import tempfile
import time

import mutants

KILLED, TIMED_OUT, SURVIVED = "killed", "killed (timed out)", "survived"
NOT_COMPILED, BUILD_TIMED_OUT = "not compiled", "not compiled (build timed out)"
STOP_SIGNALS = (signal.SIGINT, signal.SIGTERM, signal.SIGHUP)

EPILOG = """\
The build and test commands run in the repository's top folder, through bash.
A mutant whose tests fail is killed; one whose tests run past the time limit
is killed too (the table says "timed out"). One whose build fails, or runs
past the limit, did not compile, and is not counted as made.

exit status: 0 when it ran, survivors or not; 1 when fewer than --min-killed
percent were killed; 2 on a usage error, or when the tree as it is fails to
build or pass its tests; 3 when a file could not be put back (the message
says where its original is); 128+N when stopped by signal N, the file
put back."""


class CannotRestore(Exception):
    pass


def parse(argv):
    parser = argparse.ArgumentParser(
        prog="mutate.sh", epilog=EPILOG, formatter_class=argparse.RawDescriptionHelpFormatter,
        description="Changes the lines under src/ that the change from a base revision to the\n"
                    "working tree added or altered, one small change (a mutant) at a time, and\n"
                    "says which mutants the tests did not notice.")
    parser.add_argument("--base", metavar="REV",
                        help="where the change starts (default: origin/main if it exists, else "
                             "the last tag, else HEAD~1)")
    parser.add_argument("--build", metavar="CMD", default="cmake --build build -j2",
                        help="the incremental build (default: %(default)s)")
    parser.add_argument("--test", metavar="CMD", help="the tests to run on each mutant (required "
                        "unless --list)")
    parser.add_argument("--timeout", metavar="SECONDS", type=positive(float), default=300.0,
                        help="time limit of one mutant, its build and its tests together "
                             "(default: 300)")
    parser.add_argument("--sample", metavar="N", type=positive(int),
                        help="make only N of the mutants, picked at random")
    parser.add_argument("--seed", metavar="S", type=int, default=1,
                        help="the seed of --sample, so a run can be made again (default: 1)")
    parser.add_argument("--min-killed", metavar="PERCENT", type=float,
                        help="exit 1 when fewer than PERCENT of the mutants made were killed")
    parser.add_argument("--list", action="store_true",
                        help="only list the mutants, tab-separated: place, mutation, line, "
                             "mutated line; nothing is built")
    parser.add_argument("--repo", metavar="DIR", default=".",
                        help="the git repository to work on (default: the current folder's)")
    args = parser.parse_args(argv)
    if args.test is None and not args.list:
        parser.error("--test is required")
    return args


def positive(kind):
    def convert(text):
        value = kind(text)
        if value <= 0:
            raise argparse.ArgumentTypeError(f"{text} is not above 0")
        return value
    return convert


def git_text(root, *args):
    return mutants.git(root, *args).decode().strip()


def resolve_base(root, base):
    """The commit the change starts from: where base and HEAD meet, so that
    what base gained since is not taken for part of the change."""
    if base is None:
        base = "HEAD~1"
        try:
            git_text(root, "rev-parse", "--verify", "--quiet", "origin/main^{commit}")
            base = "origin/main"
        except subprocess.CalledProcessError:
            try:
                base = git_text(root, "describe", "--tags", "--abbrev=0")
            except subprocess.CalledProcessError:
                pass
    try:
        return base, git_text(root, "merge-base", base, "HEAD")
    except subprocess.CalledProcessError:
        return base, None


class Steps:
    """Runs the build and the tests, each in a process group of its own, so
    that a time limit or a signal ends everything they started."""

    def __init__(self, root, log):
        self.root = root
        self.log = log
        self.stopped_by = None

    def run(self, command, limit=None):
        """'passed', 'failed', 'timed out' or 'stopped'."""
        if self.stopped_by:
            return "stopped"
        with open(self.log, "wb") as log:
            process = subprocess.Popen(["bash", "-c", command], cwd=self.root,
                                       stdin=subprocess.DEVNULL, stdout=log,
                                       stderr=subprocess.STDOUT, start_new_session=True)
        deadline = None if limit is None else time.monotonic() + limit
        # Short waits, so that a signal is acted on at once.
        while process.poll() is None:
            if self.stopped_by or (deadline is not None and time.monotonic() >= deadline):
                end_group(process)
                return "stopped" if self.stopped_by else "timed out"
            try:
                process.wait(timeout=0.1)
            except subprocess.TimeoutExpired:
                pass
        return "passed" if process.returncode == 0 else "failed"

    def log_tail(self, count=30):
        with open(self.log, "rb") as log:
            return b"".join(log.readlines()[-count:]).decode(errors="replace")


def end_group(process):
    for sig, grace in ((signal.SIGTERM, 2), (signal.SIGKILL, None)):
        try:
            os.killpg(process.pid, sig)
        except ProcessLookupError:
            pass
        try:
            process.wait(timeout=grace)
        except subprocess.TimeoutExpired:
            pass


class Tree:
    """The one file a mutant has changed, and its original bytes."""

    def __init__(self):
        self.changed = None

    def change(self, path, original, mutated):
        self.changed = (path, original)
        write(path, mutated)

    def restore(self):
        if self.changed is None:
            return
        path, original = self.changed
        self.changed = None
        try:
            write(path, original)
            with open(path, "rb") as file:
                if file.read() != original:
                    raise OSError("its bytes read back differ")
        except OSError as error:
            rescue, name = tempfile.mkstemp(prefix="mutate-", suffix="-" + os.path.basename(path))
            with os.fdopen(rescue, "wb") as file:
                file.write(original)
            raise CannotRestore(f"could not put back {path} ({error}); its original is in {name}")


def write(path, data):
    # In place, so that the file keeps its inode and mode.
    with open(path, "wb") as file:
        file.write(data)


def try_mutant(mutant, root, args, steps, tree):
    """The mutant's result, None when it could not be made, or 'stopped'."""
    path = os.path.join(root, mutant.path)
    with open(path, "rb") as file:
        original = file.read()
    mutated = mutant.apply(original)
    if mutated is None:
        return None
    deadline = time.monotonic() + args.timeout
    try:
        tree.change(path, original, mutated)
        built = steps.run(args.build, args.timeout)
        if built != "passed":
            return {"failed": NOT_COMPILED, "timed out": BUILD_TIMED_OUT}.get(built, built)
        tested = steps.run(args.test, max(0.0, deadline - time.monotonic()))
        return {"passed": SURVIVED, "failed": KILLED, "timed out": TIMED_OUT}.get(tested, tested)
    finally:
        tree.restore()


def check_tree_as_it_is(args, steps):
    """An error message when the tree without mutants fails, else None: a
    mutant's result would then mean nothing."""
    for what, command, limit in (("build", args.build, None), ("tests", args.test, args.timeout)):
        outcome = steps.run(command, limit)
        if outcome == "stopped":
            return None
        if outcome != "passed":
            return (f"the {what} {outcome} on the tree as it is, without a mutant:\n"
                    + steps.log_tail())
    return None


def table(rows):
    widths = [max(len(row[k]) for row in rows) for k in range(len(rows[0]) - 1)]
    return "\n".join("  ".join([cell.ljust(width) for cell, width in zip(row, widths)] + [row[-1]])
                     for row in rows)


def show(line):
    return line.strip().replace("\t", " ")


def report(results, min_killed):
    killed = sum(result in (KILLED, TIMED_OUT) for _, result in results)
    survived = sum(result == SURVIVED for _, result in results)
    not_compiled = sum(result in (NOT_COMPILED, BUILD_TIMED_OUT) for _, result in results)
    shown = [(m.place, result, m.name, show(m.original), show(m.mutated))
             for m, result in results if result in (SURVIVED, TIMED_OUT, BUILD_TIMED_OUT)]
    if shown:
        print(table([("place", "result", "mutation", "line", "mutated line")] + shown))
    made = killed + survived
    print(f"mutate: {killed} killed of {made} made ({survived} survived, "
          f"{not_compiled} did not compile)")
    if min_killed is not None and made and 100.0 * killed / made < min_killed:
        say(f"{100.0 * killed / made:.1f}% killed, below --min-killed {min_killed:g}%")
        return 1
    return 0


def say(text):
    print("mutate: " + text, file=sys.stderr, flush=True)


def run(args, root, chosen, steps, tree):
    say("building and testing the tree as it is")
    problem = check_tree_as_it_is(args, steps)
    if problem:
        say(problem)
        return 2
    results = []
    for index, mutant in enumerate(chosen, 1):
        if steps.stopped_by:
            break
        result = try_mutant(mutant, root, args, steps, tree)
        if result == "stopped":
            break
        if result is None:
            say(f"[{index}/{len(chosen)}] {mutant.place}: the line changed during the run; skipped")
            continue
        say(f"[{index}/{len(chosen)}] {mutant.place} {mutant.name}: {result}")
        results.append((mutant, result))
    # The build still holds the last mutant built until it builds again.
    if results and steps.run(args.build, args.timeout) not in ("passed", "stopped"):
        say("the build of the tree put back failed: build again before testing")
    if steps.stopped_by:
        say(f"stopped by {signal.Signals(steps.stopped_by).name}; every file is as it was "
            "(build again before testing: the build may hold a mutant)")
        return 128 + steps.stopped_by
    return report(results, args.min_killed)


def main(argv):
    args = parse(argv)
    try:
        root = git_text(args.repo, "rev-parse", "--show-toplevel")
    except (subprocess.CalledProcessError, OSError):
        say(f"{args.repo} is not in a git repository")
        return 2
    name, base = resolve_base(root, args.base)
    if base is None:
        say(f"no base: {name} is not a revision that shares history with HEAD")
        return 2
    found = mutants.find(root, base)
    chosen = found
    if args.sample is not None and args.sample < len(found):
        picked = random.Random(args.seed).sample(range(len(found)), args.sample)
        chosen = [found[k] for k in sorted(picked)]
    say(f"{len(chosen)} of {len(found)} mutants, base {name}")
    if args.list:
        for m in chosen:
            print("\t".join((m.place, m.name, show(m.original), show(m.mutated))))
        return 0

    with tempfile.TemporaryDirectory(prefix="mutate-") as scratch:
        steps = Steps(root, os.path.join(scratch, "log"))
        tree = Tree()

        def stop(signum, frame):
            steps.stopped_by = signum

        for sig in STOP_SIGNALS:
            signal.signal(sig, stop)
        try:
            try:
                return run(args, root, chosen, steps, tree)
            finally:
                tree.restore()
        except CannotRestore as error:
            say(str(error))
            return 3


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
