"""The set-up script's package sets (scripts/setup-deps.sh), each installed
in simulation (apt-get -s) on a base Debian: its required packages and apt,
as a minimal root has them. Each set must bring the files its purpose uses.

Usage: setup_sets.py   (exits 77, skipped, when apt has no package lists)
tools/measure-setup-sets.py prints what each set downloads and installs.
"""

import os
import re
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
SETUP = os.path.join(HERE, "..", "..", "scripts", "setup-deps.sh")
SETS = ("run", "package", "web", "all")

# What each purpose uses, by file: its set must bring the package holding it.
# Every set builds on run's; all adds the test toolchain's.
LIB = "/usr/lib/x86_64-linux-gnu"
NEEDS = {
    "run": ["/usr/bin/cmake", "/usr/bin/ninja", "/usr/bin/g++", "/usr/bin/pkg-config",
            LIB + "/cmake/Qt6Widgets/Qt6WidgetsConfig.cmake", LIB + "/qt6/plugins/platforms/libqxcb.so",
            LIB + "/qt6/plugins/platforms/libqwayland-generic.so", LIB + "/pkgconfig/libudev.pc",
            LIB + "/pkgconfig/libsystemd.pc", "/usr/include/CLI/CLI.hpp", "/usr/include/nlohmann/json.hpp",
            "/usr/include/openssl/sha.h", "/usr/bin/help2man",
            "/usr/include/postgresql/libpq-fe.h", "/usr/lib/qt6/bin/lrelease", "/usr/bin/msgfmt",
            "/usr/share/fonts/opentype/noto/NotoSansCJK-Regular.ttc"],
    "package": ["/usr/bin/dpkg-shlibdeps", "/usr/bin/file", "/usr/bin/x86_64-w64-mingw32-g++-posix",
                "/usr/bin/makensis", "/usr/src/googletest"],
    "web": ["/usr/bin/emcc", "/usr/bin/node", LIB + "/cmake/GTest/GTestConfig.cmake", LIB + "/libgmock.a"],
    "all": ["/usr/bin/Xvfb", "/usr/bin/chromedriver", "/usr/lib/wine/wine64", "/usr/bin/lintian",
            "/usr/bin/appstreamcli", "/usr/bin/clang++-14", "/usr/share/i18n/locales/de_DE", "/usr/share/i18n/locales/zh_CN",
            "/usr/include/benchmark/benchmark.h", "/usr/lib/postgresql/15/bin/initdb"],
}


def run(*command):
    return subprocess.run(command, capture_output=True, text=True, check=True).stdout


def records(packages):
    """apt's record of each (package, version), keyed by it."""
    text = run("apt-cache", "show", "--no-all-versions", *("%s=%s" % key for key in packages))
    blocks = [block.strip() for block in text.split("\n\n") if block.strip()]
    return {(re.search(r"^Package: (.*)$", b, re.M)[1], re.search(r"^Version: (.*)$", b, re.M)[1]): b
            for b in blocks}


def simulate(status, packages):
    """(package, version) apt-get would install on a system whose dpkg status is `status`."""
    text = run("apt-get", "-s", "-o", "Dir::State::status=" + status, "-o", "Debug::NoLocking=1",
               "install", "--no-install-recommends", *packages)
    return re.findall(r"^Inst (\S+) \((\S+) ", text, re.M)


class Base:
    """A minimal Debian as apt sees it: a dpkg status file holding the
    required packages, apt and what they depend on."""

    def __init__(self, folder):
        available = run("apt-cache", "dumpavail")
        essential = set(re.findall(r"^Package: (\S+)\n(?:.+\n)*?(?:Priority: required|Essential: yes)$",
                                   available, re.M))
        self.packages = simulate("/dev/null", sorted(essential | {"apt"}))
        self.status = os.path.join(folder, "status")
        with open(self.status, "w") as f:
            for block in records(self.packages).values():
                f.write(block + "\nStatus: install ok installed\n\n")
        self.names = {name for name, _ in self.packages}

    def added(self, set_name):
        """(package, version) the set adds to the base."""
        return simulate(self.status, run(SETUP, "--list", set_name).split())

    @staticmethod
    def sizes(added):
        """Download and installed size in MB of `added`."""
        blocks = records(added).values()
        def total(name):
            return sum(int(re.search(r"^%s: (\d+)$" % name, block, re.M)[1]) for block in blocks)
        return total("Size") / 1e6, total("Installed-Size") / 1e3


def owners(paths):
    """The installed package holding each of `paths`."""
    found = subprocess.run(["dpkg", "-S", *paths], capture_output=True, text=True).stdout
    owner = {path: package.split(":")[0]
             for package, path in re.findall(r"^([^:\s]+(?::\w+)?): (.*)$", found, re.M)}
    absent = [path for path in paths if path not in owner]
    if absent:
        sys.exit("not installed here, run scripts/setup-deps.sh first: " + " ".join(absent))
    return owner


def main():
    if not os.listdir("/var/lib/apt/lists") or not run("apt-cache", "policy", "cmake").count("http"):
        print("apt has no package lists (apt-get update): nothing to simulate")
        return 77
    faults = []
    owner = owners(sorted(set(sum(NEEDS.values(), []))))
    with tempfile.TemporaryDirectory() as folder:
        base = Base(folder)
        for set_name in SETS:
            have = base.names | {name for name, _ in base.added(set_name)}
            needs = sum(NEEDS.values(), []) if set_name == "all" else NEEDS["run"] + NEEDS[set_name]
            needs = list(dict.fromkeys(needs))
            missing = [(path, owner[path]) for path in needs if owner[path] not in have]
            faults += ["setup-deps.sh %s brings no %s (package %s)" % (set_name, *m) for m in missing]
            print("%s: %d packages on the base, %d of %d files its purpose uses missing" %
                  (set_name, len(have - base.names), len(missing), len(needs)))
    print("\n".join(faults))
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
