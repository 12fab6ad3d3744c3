#!/usr/bin/env python3
"""Runs the installer under Wine for scripts/demo; see there."""

import os
import pathlib
import shutil
import subprocess
import sys
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
sys.path.insert(0, str(ROOT / "tests" / "e2e"))

import harness  # noqa: E402
import run as cases  # noqa: E402

BUILD = ROOT / "build" / "win64"
DEMO = ROOT / "build" / "demo"
INSTALLER = BUILD / "installer.exe"


class DemoMachine(harness.Machine):
    """A prefix that stays in build/demo, so its result can be looked at afterwards."""

    def __init__(self, display):
        shutil.rmtree(DEMO, ignore_errors=True)
        DEMO.mkdir(parents=True)
        self.root = DEMO
        self.prefix = DEMO / "prefix"
        subprocess.run(["cp", "-a", str(harness.template_prefix(BUILD / "e2e")),
                        str(self.prefix)], check=True)
        self.display = display
        self.env = harness.wine_environment(self.prefix, display.name)
        self.drives = {}
        self.add_drive("d", DEMO / "drive_d")

    def close(self):
        subprocess.run([harness.WINESERVER, "-k"], env=self.env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


class OwnDisplay:
    def __init__(self, name):
        self.name = name

    def close(self):
        pass


def interactive():
    machine = DemoMachine(OwnDisplay(os.environ["DISPLAY"]))
    print(f"The installer is open; drive D: is {machine.drives['d']}")
    try:
        code = subprocess.run([harness.WINE, str(INSTALLER)], env=machine.env).returncode
        print(f"The installer ended with exit code {code}.")
    finally:
        machine.close()
    return 0


def automatic():
    display = harness.Display()
    machine = DemoMachine(display)
    window = None
    try:
        run = cases.Run.__new__(cases.Run)
        run.display, run.machine, run.stamp = display, machine, "demo"
        window = run.window = harness.Window(machine, INSTALLER)
        print("The window is open; waiting out the ten-second countdown.")
        run.agree()
        print("Agreed; pressing Install (an installation takes at least 70 s).")
        started = time.monotonic()
        run.install()
        cases.expect_installed(run, "d", ROOT / "resources" / "install")
        seconds = time.monotonic() - started
        shot = window.screenshot(DEMO / "installed.png")
        target = machine.path("d:\\duzozudiv\\")
        running = [p for p in machine.processes() if cases.APP in p]
        print(f"Installed in {seconds:.0f} s.")
        print(f"Installation: D:\\duzozudiv\\ = {target}")
        print(f"  install.bat and the extracted folder duzozudiv\\ with "
              f"{sum(1 for _ in (target / 'duzozudiv').rglob('*'))} entries")
        print(f"Application running: {running[0] if running else 'no'}")
        print(f"Screenshot of the finished window: {shot}")
        window.click(*cases.CLOSE)
        print(f"Close pressed; the installer ended with exit code {window.wait_exit(30)}.")
        return 0
    except harness.Failure as failure:
        print(f"The demo failed: {failure}")
        if window:
            print(f"Screenshot: {window.screenshot(DEMO / 'failed.png')}")
        return 1
    finally:
        if window:
            window.kill()
        machine.close()
        display.close()


if __name__ == "__main__":
    sys.exit(interactive() if os.environ.get("DISPLAY") else automatic())
