"""Prints what each set of scripts/setup-deps.sh costs on a base Debian (its
required packages and apt, as a minimal root has them): packages added,
download and installed size, from apt's package lists (nothing is installed).

Usage: /usr/bin/python3 tools/measure-setup-sets.py
"""

import os
import sys
import tempfile

sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "tests", "package"))
import setup_sets  # noqa: E402  (the set-up test's simulated base)


def main():
    with tempfile.TemporaryDirectory() as folder:
        base = setup_sets.Base(folder)
        print("base: %d packages (required and apt)" % len(base.packages))
        for set_name in setup_sets.SETS:
            added = base.added(set_name)
            download, installed = base.sizes(added)
            print("setup-deps.sh %-8s %4d packages, %5.0f MB to download, %5.0f MB installed" %
                  ("" if set_name == "all" else set_name, len(added), download, installed))


if __name__ == "__main__":
    main()
