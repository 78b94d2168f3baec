"""Finding and running tarvik-cli.

The command line decides every rule of a run; this module only starts it,
follows its --progress json stream (one JSON object per line on standard
output, the usual text on standard error) and hands back its summary.
"""

import json
import os
import re
import selectors
import shlex
import shutil
import signal
import subprocess

PLUGIN_DIR = os.path.dirname(os.path.abspath(__file__))
PROGRAM = "tarvik-cli"


class CliError(Exception):
    """A run that did not succeed, in Tarvik's words."""


def find_cli():
    """The program to run: $TARVIK_CLI, then PREFIX/bin of the prefix this
    plugin is installed in (PREFIX/share/qgis/python/plugins/tarvik), then
    PATH."""
    named = os.environ.get("TARVIK_CLI")
    if named:
        if os.path.isfile(named) and os.access(named, os.X_OK):
            return named
        raise CliError(f"TARVIK_CLI names {named}, which is not an executable program")
    # PREFIX is five folders above this package: tarvik, plugins, python, qgis, share.
    beside = os.path.normpath(os.path.join(PLUGIN_DIR, "..", "..", "..", "..", "..", "bin", PROGRAM))
    if os.path.isfile(beside) and os.access(beside, os.X_OK):
        return beside
    on_path = shutil.which(PROGRAM)
    if on_path:
        return on_path
    raise CliError(
        f"{PROGRAM} was not found: set the environment variable TARVIK_CLI to the program, "
        f"install Tarvik into the prefix of this plugin ({beside}), or put {PROGRAM} on PATH"
    )


# --- What the command line's help says about its options -------------------

_help_cache = {}
_OPTION = re.compile(r"^\s+(?:-\w, )?(--[a-z0-9-]+)((?: [^ ]+)*?)\s{2,}(\S.*)$")
# "--rect 50x50|40x50|40x40 sheet size ...": a long list of values leaves
# one space before the description.
_OPTION_LIST = re.compile(r"^\s+(--[a-z0-9-]+) ([^ ]*\|[^ ]*) (\S.*)$")
_CONTINUED = re.compile(r"^\s{10,}(?!-)(\S.*)$")


def option_help(command):
    """{option: (argument, description)} from `tarvik-cli COMMAND --help`;
    empty when the program cannot be found or run (the run then fails with
    the reason)."""
    try:
        program = find_cli()
    except CliError:
        return {}
    key = (program, command)
    if key not in _help_cache:
        try:
            text = subprocess.run(
                [program, command, "--help"],
                stdin=subprocess.DEVNULL,
                capture_output=True,
                timeout=30,
                check=False,
            ).stdout.decode("utf-8", "replace")
        except (OSError, subprocess.SubprocessError):
            text = ""
        _help_cache[key] = parse_option_help(text)
    return _help_cache[key]


def parse_option_help(text):
    options = {}
    last = None
    for line in text.splitlines():
        m = _OPTION_LIST.match(line) or _OPTION.match(line)
        if m:
            last = m.group(1)
            if last not in options:
                options[last] = [m.group(2).strip(), m.group(3).strip()]
            else:
                last = None
            continue
        c = _CONTINUED.match(line)
        if c and last:
            options[last][1] += " " + c.group(1).strip()
        else:
            last = None
    return {k: (v[0], v[1]) for k, v in options.items()}


def choices(command, option):
    """The values an option takes and the one it defaults to, as the help
    states them: "--zone-width 3|6 ... (default 3)", "--datum NAME cgcs2000,
    xian80 (default), beijing54 or wgs84", "--scale N 1000000, ... or 5000".
    ([], None) when the help names no list."""
    arg, text = option_help(command).get(option, ("", ""))
    if "|" in arg:
        values = arg.split("|")
        m = re.search(r"\(default:? ([^),]+)\)", text)
        default = m.group(1).strip() if m else None
        m = re.match(r"([\w.-]+) \(default\)", text)
        if m:
            default = m.group(1)
        return values, default if default in values else None
    listed = re.match(r"^([\w.-]+(?: \(default\))?(?:, [\w.-]+(?: \(default\))?)*,? or [\w.-]+(?: \(default\))?)", text)
    if not listed:
        return [], None
    values, default = [], None
    for item in re.split(r", | or ", listed.group(1)):
        item = item.strip().rstrip(",")
        if not item:
            continue
        if item.endswith("(default)"):
            item = item[: -len("(default)")].strip()
            default = item
        values.append(item)
    return values, default


def number_range(command, option):
    """(low, high) of "in whole degrees, 72..138", else (None, None)."""
    _, text = option_help(command).get(option, ("", ""))
    m = re.search(r"(-?\d+)\.\.(-?\d+)", text)
    return (int(m.group(1)), int(m.group(2))) if m else (None, None)


def describe(command, option):
    """The help's own words for an option, for a parameter's tooltip."""
    arg, text = option_help(command).get(option, ("", ""))
    if not text:
        return option
    return f"{option} {arg}: {text}" if arg else f"{option}: {text}"


# --- Running ----------------------------------------------------------------


class RunResult:
    def __init__(self, exit_code, summary, stderr_text, stopped):
        self.exit_code = exit_code
        self.summary = summary or {}
        self.stderr_text = stderr_text
        self.stopped = stopped  # a stop was asked for

    def message(self):
        """What Tarvik said went wrong: the summary's errors, else the last
        lines of its standard error."""
        errors = [e for e in self.summary.get("errors", []) if e]
        if errors:
            return "\n".join(errors)
        lines = [line for line in self.stderr_text.splitlines() if line.strip()]
        if lines:
            return "\n".join(lines[-10:])
        return f"{PROGRAM} ended with exit status {self.exit_code} and no message"


class _Lines:
    """Splits the bytes of a pipe into whole lines."""

    def __init__(self):
        self.pending = b""

    def feed(self, data):
        self.pending += data
        *whole, self.pending = self.pending.split(b"\n")
        return [w.decode("utf-8", "replace") for w in whole]

    def rest(self):
        rest, self.pending = self.pending, b""
        return [rest.decode("utf-8", "replace")] if rest else []


def run(args, feedback, poll_seconds=0.2):
    """Runs `tarvik-cli ARGS --progress json`, telling `feedback` the events
    as they come. On feedback.isCanceled() the program gets SIGINT once, its
    stop: it finishes the frame being drawn, keeps every finished frame and
    ends with a "stopped" summary, which this waits for."""
    command = [find_cli()] + list(args) + ["--progress", "json"]
    if feedback is not None:
        feedback.pushCommandInfo(" ".join(shlex.quote(a) for a in command))
    try:
        child = subprocess.Popen(command, stdin=subprocess.DEVNULL, stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    except OSError as e:
        raise CliError(f"{command[0]} could not be started: {e.strerror}") from e
    summary = {}
    total = [0]
    stderr_lines = []
    stopped = False

    def on_event(line):
        try:
            event = json.loads(line)
        except ValueError:
            event = None
        if not isinstance(event, dict):
            if line.strip() and feedback is not None:
                feedback.pushConsoleInfo(line)
            return
        kind = event.get("event")
        if kind == "summary":
            summary.update(event)
        elif feedback is None:
            return
        elif kind == "start":
            total[0] = int(event.get("total") or 0)
            if event.get("caption"):
                feedback.setProgressText(str(event["caption"]))
        elif kind == "frame":
            done = int(event.get("done") or 0)
            planned = int(event.get("total") or total[0] or 0)
            if planned > 0:
                feedback.setProgress(100.0 * done / planned)
            feedback.pushInfo(f"{done}/{planned} {event.get('name', '')}")
        elif kind in ("message", "note"):
            feedback.pushInfo(str(event.get("text", "")))
        elif kind == "phase":
            feedback.setProgressText(str(event.get("text", "")))
            feedback.pushInfo(str(event.get("text", "")))

    streams = {child.stdout.fileno(): (_Lines(), on_event), child.stderr.fileno(): (_Lines(), stderr_lines.append)}
    with selectors.DefaultSelector() as selector:
        for fd in streams:
            os.set_blocking(fd, False)
            selector.register(fd, selectors.EVENT_READ)
        while selector.get_map():
            if not stopped and feedback is not None and feedback.isCanceled():
                stopped = True
                if child.poll() is None:
                    child.send_signal(signal.SIGINT)
                feedback.pushInfo("Stopping: the frame being drawn is finished, the frames done are kept")
            for key, _ in selector.select(timeout=poll_seconds):
                lines, handle = streams[key.fd]
                try:
                    data = os.read(key.fd, 65536)
                except BlockingIOError:
                    continue
                if not data:
                    selector.unregister(key.fd)
                    for line in lines.rest():
                        handle(line)
                    continue
                for line in lines.feed(data):
                    handle(line)
    child.stdout.close()
    child.stderr.close()
    exit_code = child.wait()
    stderr_text = "\n".join(stderr_lines)
    # A refusal reaches the user as the exception's message; the rest of
    # standard error (system, counts, project) is worth showing on success.
    if feedback is not None and exit_code == 0 and stderr_text.strip():
        feedback.pushConsoleInfo(stderr_text)
    return RunResult(exit_code, summary, stderr_text, stopped)


def run_or_raise(args, feedback):
    """run(), with anything but exit status 0 raised as CliError carrying
    Tarvik's message."""
    result = run(args, feedback)
    if result.exit_code != 0:
        raise CliError(result.message())
    return result
