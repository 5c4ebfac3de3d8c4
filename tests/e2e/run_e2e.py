#!/usr/bin/env python3
"""Runs the end-to-end scenarios against a built vantrel program.

    run_e2e.py --app build/test/app/vantrel [--window-manager] [--artifacts DIR] [--docs DIR]
               [NUMBER|NAME ...]

Each scenario gets its own X server and VANTREL_HOME; with --window-manager openbox manages
that X server as on a desktop.  A failing scenario leaves a screenshot
and the program's standard error in the artifacts folder and prints both paths.  Exit codes:
0 every chosen scenario passed, 1 one failed, 77 every chosen scenario was skipped (CTest's
skip code), 2 bad arguments.
"""

import argparse
import os
import shutil
import sys
import time
import traceback

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from driver import Failure, Session, Skipped, program_has  # noqa: E402
from scenarios import SCENARIOS  # noqa: E402

SKIP = 77


def choose(wanted):
    if not wanted:
        return list(SCENARIOS)
    chosen = []
    for w in wanted:
        found = [sc for sc in SCENARIOS if str(sc["number"]) == w or sc["name"] == w]
        if not found:
            raise SystemExit(f"no scenario {w!r}; known: "
                             + ", ".join(f"{sc['number']} {sc['name']}" for sc in SCENARIOS))
        chosen += found
    return chosen


def run_one(sc, app, artifacts, window_manager):
    label = f"{sc['number']} {sc['name']}" + (" (window manager)" if window_manager else "")
    if sc["needs"] and not program_has(app, sc["needs"]):
        print(f"SKIP {label}: not in this build (no menu item {sc['needs']!r})")
        return "skip"
    started = time.monotonic()
    session = Session(app, artifacts, window_manager=window_manager)
    try:
        sc["run"](session)
    except Skipped as e:
        print(f"SKIP {label}: {e}")
        return "skip"
    except Exception as e:
        folder = os.path.join(artifacts, f"{sc['number']}-{sc['name']}"
                              + ("-wm" if window_manager else ""))
        os.makedirs(folder, exist_ok=True)
        shot = session.screenshot(os.path.join(folder, "screen.png"))
        with open(os.path.join(folder, "stderr.txt"), "w") as f:
            f.write(session.stderr())
        home = os.path.join(folder, "home")
        shutil.rmtree(home, ignore_errors=True)
        shutil.copytree(session.home, home, dirs_exist_ok=True)
        print(f"FAIL {label}: {e}")
        if not isinstance(e, Failure):
            traceback.print_exc()
        print(f"  screenshot: {shot}\n  program's folder: {home}")
        print("  program's standard error:")
        for line in session.stderr().splitlines()[-40:]:
            print("    " + line)
        return "fail"
    finally:
        session.close()
    print(f"PASS {label} ({time.monotonic() - started:.1f} s)")
    return "pass"


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--app", required=True, help="the built vantrel program")
    parser.add_argument("--artifacts", default="e2e-artifacts",
                        help="where failing scenarios leave their screenshot and stderr")
    parser.add_argument("--docs", help="write the README's window pictures into this folder")
    parser.add_argument("--window-manager", action="store_true",
                        help="run under openbox, as on a desktop")
    parser.add_argument("--list", action="store_true", help="list the scenarios and stop")
    parser.add_argument("scenarios", nargs="*", help="numbers or names (default: all)")
    args = parser.parse_args()
    if args.list:
        for sc in SCENARIOS:
            needs = f"  (needs {sc['needs']})" if sc["needs"] else ""
            both = "  (also under a window manager)" if sc["both"] else ""
            print(f"{sc['number']} {sc['name']}{needs}{both}")
        return 0
    if not os.access(args.app, os.X_OK):
        print(f"no program at {args.app}", file=sys.stderr)
        return 2
    if args.window_manager and not shutil.which("openbox"):
        print("no openbox to manage the windows (scripts/install-deps installs it)",
              file=sys.stderr)
        return 2
    if args.docs:
        os.makedirs(args.docs, exist_ok=True)
        os.environ["VANTREL_E2E_DOCS"] = os.path.abspath(args.docs)
    results = [run_one(sc, args.app, os.path.abspath(args.artifacts), args.window_manager)
               for sc in choose(args.scenarios)]
    if "fail" in results:
        return 1
    return SKIP if results and all(r == "skip" for r in results) else 0


if __name__ == "__main__":
    sys.exit(main())
