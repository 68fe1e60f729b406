"""Runs the example sessions of README.md and of the other pages named (a
folder names its *.md pages) against simulated gimbals, one after another in
one folder as a reader would in one checkout, compares what they print with
what the page shows, and compares the README's exit status table with
gimbalctl's. Every ```console block is a session: "$ " lines are commands,
the lines after them their output. Each command runs as a script started by
ssh, cron or a CI runner runs it: in a session of its own, with no
controlling terminal. A `./build/gimbal-sim [OPTIONS] &` line starts a
simulated gimbal; the path its comment names stands for the pseudo-terminal
it really serves. A shown line that ends in "…" matches any line that starts
with the text before it; clock times, seconds taken and record times match any.

    readme_session.py README.md [PAGE.md | DIR ...] BUILD_DIR EXIT_STATUSES_PROGRAM
"""
import glob
import os
import re
import shlex
import subprocess
import sys
import tempfile

# What differs from run to run: a line's clock time, the seconds a unit took,
# a record's time and seconds, and a journal's and a station's identities.
VARYING = [(re.compile(r"\b\d\d:\d\d:\d\d\b"), "HH:MM:SS"),
           (re.compile(r"\b[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}\b"), "UUID"),
           (re.compile(r"\(\d+\.\d s\)"), "(N s)"),
           (re.compile(r'"time":"[0-9T:Z-]+"'), '"time":TIME'),
           (re.compile(r'"seconds":[0-9.]+'), '"seconds":N')]


def masked(line):
    for pattern, stand_in in VARYING:
        line = pattern.sub(stand_in, line)
    return line


def sessions(readme):
    for block in re.findall(r"```console\n(.*?)```", readme, re.S):
        steps = []
        for line in block.splitlines():
            if line.startswith("$ "):
                steps.append((line[2:], []))
            else:
                steps[-1][1].append(line)
        yield steps


def matches(shown, printed):
    shown, printed = masked(shown), masked(printed)
    if shown.endswith("…"):
        return printed.startswith(shown[:-1])
    return shown == printed


def swap(text, mapping):
    """Replaces each whole path of `mapping` at once: /dev/pts/1 never
    touches /dev/pts/12, and a path swapped in is not swapped again."""
    if not mapping:
        return text
    pattern = "|".join(re.escape(p) for p in sorted(mapping, key=len, reverse=True))
    return re.sub("(?:%s)(?![0-9])" % pattern, lambda m: mapping[m.group(0)], text)


def run_session(steps, build, folder, sims):
    paths = {}  # the README's path -> the simulator's
    failures = []
    for command, shown in steps:
        started = re.fullmatch(r"\./build/gimbal-sim((?: [^&#]+?)?) &\s*# prints (\S+)", command)
        if started:
            sim = subprocess.Popen([build + "/gimbal-sim"] + shlex.split(started.group(1)),
                                   stdout=subprocess.PIPE, stderr=subprocess.DEVNULL, text=True)
            sims.append(sim)
            paths[started.group(2)] = sim.stdout.readline().strip()
            continue
        real = swap(command.replace("./build/", build + "/"), paths)
        # Releases' cache and keys stay in the session's folder.
        env = dict(os.environ, XDG_CACHE_HOME=folder + "/.cache",
                   XDG_CONFIG_HOME=folder + "/.config")
        env.pop("GIMBAL_RELEASES_URL", None)
        result = subprocess.run(["bash", "-c", real], cwd=folder, text=True, timeout=60,
                                stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                stdin=subprocess.DEVNULL, start_new_session=True, env=env)
        printed = swap(result.stdout, {path: shown_path for shown_path, path in paths.items()})
        printed = printed.splitlines()
        if len(printed) != len(shown) or not all(map(matches, shown, printed)):
            failures.append("$ %s\n  README shows:\n%s\n  it prints:\n%s" % (
                command, "\n".join(shown), "\n".join(printed)))
    return failures


# Pages whose sessions need more than simulated gimbals run in tests of their
# own: FACTORY.md's a PostgreSQL server (records.factory_session).
RUN_ELSEWHERE = {"FACTORY.md"}


def main():
    readme_path, *pages, build, exit_statuses = sys.argv[1:]
    build = os.path.abspath(build)
    readme = open(readme_path, encoding="utf-8").read()
    all_sessions = list(sessions(readme))
    failures = [] if all_sessions else ["no ```console session in README.md"]
    if readme.count("\n") > 250:  # a newcomer's length: the detail belongs in docs/
        failures.append("README.md has %d lines, more than 250" % readme.count("\n"))
    for page in pages:
        for path in sorted(glob.glob(os.path.join(page, "*.md"))) if os.path.isdir(page) else [page]:
            if os.path.basename(path) not in RUN_ELSEWHERE:
                all_sessions += list(sessions(open(path, encoding="utf-8").read()))
    sims = []
    try:
        with tempfile.TemporaryDirectory() as folder:
            for steps in all_sessions:
                failures += run_session(steps, build, folder, sims)
    finally:
        for sim in sims:
            sim.terminate()
            sim.wait(timeout=10)
    table = subprocess.run([exit_statuses, "--markdown"], stdout=subprocess.PIPE, text=True,
                           check=True).stdout
    if table not in readme:
        failures.append("README.md's exit status table is not gimbalctl's:\n" + table)
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
