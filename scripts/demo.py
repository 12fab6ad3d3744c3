#!/usr/bin/env python3
"""Runs the installer under Wine for scripts/demo; see there."""

import argparse
import os
import subprocess
import sys
import time

import installer_user as user
import wine_harness as harness

ROOT = harness.ROOT
DEMO = ROOT / "build" / "demo"


def choose_target():
    """The release program where its runtime is here, else its x86-64 twin."""
    try:
        return harness.target("win32"), None
    except harness.Unavailable as reason:
        return harness.target("win64"), reason


def build(tgt):
    quiet = dict(check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--preset", tgt.name], cwd=ROOT, **quiet)
    subprocess.run(["cmake", "--build", "--preset", tgt.name, "--target", "installer",
                    "window_probe"], cwd=ROOT, **quiet)


def interactive(tgt):
    machine = harness.Machine(tgt, tgt.build / "e2e", ["d"],
                              harness.ExistingDisplay(os.environ["DISPLAY"]), root=DEMO)
    print(f"The installer is open; drive D: is {machine.drives['d']}")
    try:
        code = machine.start(tgt.program()).wait()
        print(f"The installer ended with exit code {code}.")
    finally:
        machine.close()
    return 0


def automatic(tgt):
    args = argparse.Namespace(target=tgt, cache=str(tgt.build / "e2e"),
                              installer=tgt.program(),
                              probe=tgt.program("tests/e2e/window_probe.exe"))
    run = user.Run(args, ["d"], "demo", root=DEMO)
    try:
        window = run.open()
        print("The window is open (the process checked: "
              f"{'32-bit under WoW64' if tgt.wow64 else 'native 64-bit'}); "
              "waiting out the ten-second countdown.")
        run.agree()
        print("Agreed; pressing Install (an installation takes at least 70 s).")
        started = time.monotonic()
        run.install()
        user.expect_installed(run, "d", ROOT / "resources" / "install")
        seconds = time.monotonic() - started
        shot = window.screenshot(DEMO / "installed.png")
        target = run.machine.path("d:\\duzozudiv\\")
        running = [p for p in run.machine.processes() if user.APP in p]
        print(f"Installed in {seconds:.0f} s.")
        print(f"Installation: D:\\duzozudiv\\ = {target}")
        print(f"  install.bat and the extracted folder duzozudiv\\ with "
              f"{sum(1 for _ in (target / 'duzozudiv').rglob('*'))} entries")
        print(f"Application running: {running[0] if running else 'no'}")
        print(f"Screenshot of the finished window: {shot}")
        window.click(*user.CLOSE)
        print(f"Close pressed; the installer ended with exit code {window.wait_exit(30)}.")
        return 0
    except harness.Failure as failure:
        print(f"The demo failed: {failure}")
        if run.window:
            print(f"Screenshot: {run.window.screenshot(DEMO / 'failed.png')}")
        return 1
    finally:
        run.close()


def main():
    tgt, reason = choose_target()
    if reason:
        print(f"The 32-bit release program cannot run here ({reason}); "
              "running its x86-64 twin instead.")
    build(tgt)
    print(f"Running {tgt.description()}.")
    return interactive(tgt) if os.environ.get("DISPLAY") else automatic(tgt)


if __name__ == "__main__":
    sys.exit(main())
