"""The mutants of the lines a change adds or alters in the .cpp and .h files
under src/: each a small change to one line that a good test should notice.

Operators are found by the spacing clang-format gives them (" < ", " && "),
which leaves alone the brackets of includes and templates, "->", "<<" and
">>"; comments and the insides of string and character literals are blanked
before any search, and preprocessor lines are skipped.
"""

import os
import re
import subprocess
from dataclasses import dataclass

SOURCE_SUFFIXES = (".cpp", ".h")
ENCODING = ("utf-8", "surrogateescape")  # any bytes decode and encode back as they were

SWAPS = {"<": "<=", "<=": "<", ">": ">=", ">=": ">", "==": "!=", "!=": "==", "&&": "||", "||": "&&"}
OPERATOR = re.compile(r"(?<= )(<=|>=|==|!=|&&|\|\||<|>)(?= )")
INTEGER = re.compile(r"(?<![\w.'])(\d+)(?:[uUlL]*)(?![\w.'])")
BOOLEAN = re.compile(r"\b(true|false)\b")
RETURN = re.compile(r"^\s*return\s+(.+?)\s*;\s*$")
STATEMENT = re.compile(r"^\s*(.*;)\s*$")
RAW_PREFIX = re.compile(r"(?<!\w)(?:u8|[uUL])?R\Z")
HUNK = re.compile(rb"^@@ -\d+(?:,\d+)? \+(\d+)(?:,(\d+))? @@", re.MULTILINE)

# An object a statement can assign to: a name, maybe through members,
# subscripts or one dereference, all without spaces (a declaration has one).
LVALUE = r"\*?[A-Za-z_]\w*(?:(?:::|\.|->)[A-Za-z_]\w*|\[[^\]]*\])*"
CALL = re.compile(r"(?:::)?[A-Za-z_]\w*(?:(?:::|\.|->)[A-Za-z_]\w*|\[[^\]]*\]|<[^;()]*>)*\(.*\);")
ASSIGNMENT = re.compile(LVALUE + r" (?:[-+*/%&|^]|<<|>>)?= .*;")
STEP = re.compile(r"(?:\+\+|--)" + LVALUE + ";|" + LVALUE + r"(?:\+\+|--);")
# Keywords written like a call.
NOT_CALLS = {"return", "throw", "static_assert"}
# A type then a name, as in the parameters of a constructor's declaration.
PARAMETER = re.compile(r"[(,]\s*[A-Za-z_][\w:<>]*[\s&*]+[A-Za-z_]\w*\s*[,)]")
# How the code line before ends when the next line starts a statement.
STATEMENT_BEFORE = re.compile(r"(?:[;{}:)]|\belse|\bdo)$")


@dataclass(frozen=True)
class Mutant:
    path: str  # relative to the repository's root
    line: int
    column: int
    name: str
    original: str
    mutated: str

    @property
    def place(self):
        return f"{self.path}:{self.line}:{self.column}"

    def apply(self, data):
        """The file's bytes with this mutant made, or None when the line is
        no longer what it was."""
        lines = data.decode(*ENCODING).split("\n")
        if len(lines) < self.line or lines[self.line - 1] != self.original:
            return None
        lines[self.line - 1] = self.mutated
        return "\n".join(lines).encode(*ENCODING)


def git(root, *args):
    return subprocess.run(["git", *args], cwd=root, check=True, capture_output=True).stdout


def changed_lines(root, base):
    """Maps each source file under src/ to the numbers of the lines that the
    change from base to the working tree added or altered; a file git does
    not track yet counts as all added."""
    found = {}
    named = git(root, "diff", "--name-only", "-z", "--no-renames", base, "--", "src/")
    for path in (os.fsdecode(raw) for raw in named.split(b"\0") if raw):
        if not is_source(root, path):
            continue
        patch = git(root, "diff", "-U0", "--no-color", "--no-ext-diff", "--no-textconv",
                    "--no-renames", base, "--", ":(literal)" + path)
        numbers = set()
        for hunk in HUNK.finditer(patch):
            start, count = int(hunk[1]), 1 if hunk[2] is None else int(hunk[2])
            numbers.update(range(start, start + count))
        if numbers:
            found[path] = numbers
    untracked = git(root, "ls-files", "-z", "--others", "--exclude-standard", "--", "src/")
    for path in (os.fsdecode(raw) for raw in untracked.split(b"\0") if raw):
        if is_source(root, path):
            with open(os.path.join(root, path), "rb") as file:
                count = len(file.read().decode(*ENCODING).split("\n"))
            found[path] = set(range(1, count + 1))
    return found


def is_source(root, path):
    full = os.path.join(root, path)
    return path.endswith(SOURCE_SUFFIXES) and os.path.isfile(full) and not os.path.islink(full)


def find(root, base):
    """Every mutant of the change from base, in file and line order."""
    found = []
    for path, numbers in sorted(changed_lines(root, base).items()):
        with open(os.path.join(root, path), "rb") as file:
            text = file.read().decode(*ENCODING)
        found.extend(mutants_of_file(path, text, numbers))
    return found


def mutants_of_file(path, text, numbers):
    previous = ""  # the last line of code before, stripped
    directive = False
    for number, (line, code) in enumerate(zip(text.split("\n"), code_only(text).split("\n")), 1):
        directive = directive or code.lstrip().startswith("#")
        if number in numbers and not directive:
            starts = STATEMENT_BEFORE.search(previous) is not None or not previous
            for start, end, replacement, name in sorted(line_changes(line, code, starts)):
                mutated = line[:start] + replacement + line[end:]
                yield Mutant(path, number, start + 1, name, line, mutated)
        if not directive and code.strip():
            previous = code.strip()
        directive = directive and line.rstrip().endswith("\\")


def line_changes(line, code, starts_statement):
    """The changes a line takes, as (start, end, replacement, name); code is
    the line with its comments and literals blanked."""
    for found in OPERATOR.finditer(code):
        swapped = SWAPS[found[1]]
        yield found.start(), found.end(), swapped, f"{found[1]} to {swapped}"
    for found in INTEGER.finditer(code):
        digits = found[1]
        if len(digits) > 1 and digits.startswith("0"):
            continue  # octal
        for value in (int(digits) + 1, int(digits) - 1):
            if value >= 0:
                yield found.start(1), found.end(1), str(value), f"{digits} to {value}"
    for found in BOOLEAN.finditer(code):
        other = "false" if found[1] == "true" else "true"
        yield found.start(), found.end(), other, f"{found[1]} to {other}"
    returned = RETURN.match(code)
    # Those negated would not compile, or, for true and false, repeat a mutant above.
    if returned and returned[1] not in ("true", "false", "nullptr") and returned[1][0] != "{":
        start, end = returned.span(1)
        yield start, end, "!(" + line[start:end] + ")", "return negated"
    statement = STATEMENT.match(code)
    if starts_statement and statement and is_call_or_assignment(statement[1]):
        yield statement.start(1), statement.end(1), ";", "statement removed"


def is_call_or_assignment(statement):
    if CALL.fullmatch(statement):
        name = re.match(r"(?:::)?(\w+)", statement)[1]
        return name not in NOT_CALLS and not PARAMETER.search(statement)
    return ASSIGNMENT.fullmatch(statement) is not None or STEP.fullmatch(statement) is not None


def code_only(text):
    """text with comments and the insides of string and character literals
    blanked, its length and line breaks kept."""
    out = list(text)

    def blank(start, end):
        for k in range(start, end):
            if out[k] != "\n":
                out[k] = " "

    i, n = 0, len(text)
    while i < n:
        if text.startswith("//", i):
            end = text.find("\n", i)
            end = n if end < 0 else end
            blank(i, end)
        elif text.startswith("/*", i):
            end = text.find("*/", i + 2)
            end = n if end < 0 else end + 2
            blank(i, end)
        elif text[i] == '"' and RAW_PREFIX.search(text[max(0, i - 8):i]):
            opening = text.find("(", i)
            closing = ")" + text[i + 1:opening] + '"'
            end = text.find(closing, opening) if opening >= 0 else -1
            end = n if end < 0 else end + len(closing)
            blank(i + 1, end - 1)
        elif text[i] in "\"'" and not is_digit_separator(text, i):
            end = i + 1
            while end < n and text[end] not in (text[i], "\n"):
                end += 2 if text[end] == "\\" else 1
            end = min(end, n)
            blank(i + 1, end)
            end += 1
        else:
            end = i + 1
        i = max(end, i + 1)
    return "".join(out)


def is_digit_separator(text, i):
    """Whether the ' at i splits the digits of a number, as in 1'000."""
    start = i
    while start > 0 and (text[start - 1].isalnum() or text[start - 1] in "_'"):
        start -= 1
    return text[i] == "'" and start < i and text[start].isdigit()
