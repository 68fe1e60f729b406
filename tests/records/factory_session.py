"""Runs docs/FACTORY.md's sessions as written, in order, in one folder, against
a PostgreSQL server of the test's own, and compares what they print with what
the page shows. The page's administrator commands reach that server: `sudo
apt` is what this machine has installed already, `sudo -u postgres` (or -iu)
is the server's superuser, run from outside the session's folder, which is
the caller's alone (0700) as a home is; the page's `localhost` is the server's
socket folder and `dbname=units` its database. Its ```sql block is the
roles.sql the page saves.

    factory_session.py FACTORY.md BUILD_DIR POSTGRES_BIN
"""
import os
import re
import shutil
import subprocess
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "cli"))
from readme_session import masked, sessions  # noqa: E402

# What differs from run to run besides readme_session's: identities and dates.
VARYING = [(re.compile(r"[0-9a-f]{8}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{4}-[0-9a-f]{12}"), "UUID"),
           (re.compile(r"\b\d{4}-\d\d-\d\d( \d\d:\d\d)?\b"), "DATE")]

SUDO = """#!/bin/sh
case "$1" in
  apt|apt-get) exit 0 ;;
  -u|-iu) shift 2; cd / && exec env PGUSER=gimbal "$@" ;;
esac
exec "$@"
"""


def same(shown, printed):
    shown, printed = masked(shown), masked(printed)
    for pattern, stand_in in VARYING:
        shown, printed = pattern.sub(stand_in, shown), pattern.sub(stand_in, printed)
    return shown == printed


def server(bin_dir, folder):
    """Starts the server; returns a function that runs a command as its user."""
    as_server = ["runuser", "-u", "nobody", "--"] if os.geteuid() == 0 else []
    if as_server:
        shutil.chown(folder, "nobody")

    def run(*command):
        subprocess.run(as_server + list(command), check=True, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL)
    run(bin_dir + "/initdb", "-D", folder + "/data", "-U", "gimbal", "--auth=trust", "-E", "UTF8",
        "--no-locale")
    run(bin_dir + "/pg_ctl", "-D", folder + "/data", "-l", folder + "/server.log", "-o",
        "-c listen_addresses='' -k " + folder, "-w", "start")
    return run


def main():
    page_path, build, bin_dir = sys.argv[1:]
    build = os.path.abspath(build)
    page = open(page_path, encoding="utf-8").read()
    database = tempfile.mkdtemp(prefix="gimbal-factory-db-")
    folder = tempfile.mkdtemp(prefix="gimbal-factory-")
    os.chmod(folder, 0o700)  # as a new user's home: nobody else enters it
    sims, failures = [], []
    as_server = server(bin_dir, database)
    try:
        shims = os.path.join(folder, ".shims")
        os.mkdir(shims)
        with open(os.path.join(shims, "sudo"), "w") as sudo:
            sudo.write(SUDO)
        os.chmod(os.path.join(shims, "sudo"), 0o755)
        with open(os.path.join(folder, "roles.sql"), "w") as roles:
            roles.write(re.search(r"```sql\n(.*?)```", page, re.S).group(1))
        env = dict(os.environ, HOME=folder, PGHOST=database,
                   PATH=":".join([shims, build, bin_dir, os.environ["PATH"]]))
        env.pop("PGDATABASE", None)
        env.pop("PGUSER", None)
        env.pop("GIMBAL_STATION_DB", None)
        paths = {"localhost": database}
        for steps in sessions(page):
            for command, shown in steps:
                started = re.fullmatch(r"gimbal-sim((?: [^&#]+?)?) &\s*# prints (\S+)", command)
                if started:
                    sim = subprocess.Popen([build + "/gimbal-sim"] + started.group(1).split(),
                                           stdout=subprocess.PIPE, stderr=subprocess.DEVNULL,
                                           text=True)
                    sims.append(sim)
                    paths[started.group(2)] = sim.stdout.readline().strip()
                    continue
                real = command
                for page_text, real_text in paths.items():
                    real = real.replace(page_text, real_text)
                result = subprocess.run(["bash", "-c", real], cwd=folder, env=env, text=True,
                                        timeout=60, stdout=subprocess.PIPE,
                                        stderr=subprocess.STDOUT)
                printed = result.stdout
                for page_text, real_text in paths.items():
                    printed = printed.replace(real_text, page_text)
                printed = printed.splitlines()
                if len(printed) != len(shown) or not all(map(same, shown, printed)):
                    failures.append("$ %s\n  the page shows:\n%s\n  it prints:\n%s" % (
                        command, "\n".join(shown), "\n".join(printed)))
    finally:
        for sim in sims:
            sim.terminate()
            sim.wait(timeout=10)
        as_server(bin_dir + "/pg_ctl", "-D", database + "/data", "-m", "fast", "-w", "stop")
        shutil.rmtree(database, ignore_errors=True)
        shutil.rmtree(folder, ignore_errors=True)
    for failure in failures:
        print("FAIL: " + failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
