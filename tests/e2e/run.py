#!/usr/bin/env python3
"""End-to-end cases: the real installer under Wine, driven by pointer and keyboard input.

Usage: run.py CASE --installer EXE --probe EXE --cache DIR [--install-lines DIR]
Exit code 0: passed; 1: failed; 77: cannot run on this machine (skipped).
"""

import argparse
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

import harness
from harness import Failure, hex_colour, near, wait_until

# Points of the window's layout (client coordinates).
AGREE = (52, 296)          # Agree, and Install below it once Agree is hidden
INSTALL_FACE = (20, 284)   # inside Install, away from its text
CLOSE = (129, 296)
CLOSE_FACE = (100, 284)
AGREE_FACE = (12, 284)
BOX = (480, 294)
BOX_REGION = (440, 280, 80, 29)
DISPLAY_REGION = (2, 0, 531, 248)
AWAY = (300, 300)          # panel background, away from every control

NORMAL = hex_colour("3B5998")
HOVER = hex_colour("4B67A1")
PRESSED = hex_colour("FFFFFF")

APP = "澄岚汽车用品销售工作系统.exe"
TEMPORARY = ["duzozudiv.7z", "7z.dll", "7z.exe", "un7zip_duzozudiv.bat"]


def text_ems(region, width, is_text):
    """How many em squares wide the text in an RGB region is: its extent over its height."""
    columns, rows = set(), set()
    for y in range(len(region) // (3 * width)):
        for x in range(width):
            offset = 3 * (y * width + x)
            if is_text(region[offset:offset + 3]):
                columns.add(x)
                rows.add(y)
    if not columns:
        return 0.0
    return (max(columns) - min(columns) + 1) / (max(rows) - min(rows) + 1)


def red_text(pixel):
    r, g, b = pixel
    return r > 180 and g < 90 and b < 90


class Run:
    def __init__(self, args, drives, stamp):
        self.args = args
        self.display = harness.Display()
        self.machine = harness.Machine(args.cache, drives, self.display)
        self.stamp = stamp
        self.window = None

    def open(self, program=None):
        self.window = harness.Window(self.machine, program or self.args.installer)
        return self.window

    def shot(self, name):
        folder = pathlib.Path(self.args.cache) / "screenshots"
        folder.mkdir(parents=True, exist_ok=True)
        return self.window.screenshot(folder / f"{self.stamp}-{name}.png")

    def face(self, point):
        return self.window.pixel(*point)

    def agree(self):
        """Waits out the countdown, presses Agree, and waits for Install and Close."""
        w = self.window
        w.move(*AWAY)
        wait_until(lambda: not near(self.face(AGREE_FACE), NORMAL), 5, "the countdown to start")
        started = time.monotonic()
        wait_until(lambda: near(self.face(AGREE_FACE), NORMAL), 20, "Agree to be enabled")
        if time.monotonic() - started < 7:
            raise Failure("Agree was enabled before the countdown ended")
        w.click(*AGREE)
        w.move(*AWAY)
        wait_until(lambda: near(self.face(CLOSE_FACE), NORMAL), 5, "Close to show")
        wait_until(lambda: near(self.face(INSTALL_FACE), NORMAL), 5, "Install to be enabled")

    def install(self):
        w = self.window
        w.click(*AGREE)
        w.move(*AWAY)
        wait_until(lambda: not near(self.face(INSTALL_FACE), NORMAL), 5, "Install to be disabled")

    def display_ems(self):
        return text_ems(self.window.region(*DISPLAY_REGION), DISPLAY_REGION[2], red_text)

    def message_boxes(self):
        """Top-level windows of the program other than its main window."""
        out = harness.xdotool(self.display.name, "search", "--onlyvisible", "--name",
                              f"^{harness.CAPTION}$", check=False).split()
        return [window for window in out if window != self.window.id]

    def move_application_aside(self):
        """The started application opens its own window, wherever it likes; with no window
        manager to arrange them, move it off the installer's window before looking there."""
        def windows():
            found = harness.xdotool(self.display.name, "search", "--onlyvisible", "--name",
                                    "澄岚", check=False).split()
            return found if len(found) >= applications(self.machine) else None

        windows = wait_until(windows, 30, "the application's windows")
        for window in windows:
            harness.xdotool(self.display.name, "windowmove", window, "0", "600", check=False)
        time.sleep(0.5)

    def dismiss_message(self):
        box = wait_until(self.message_boxes, 5, "a message box")[0]
        harness.xdotool(self.display.name, "windowactivate", "--sync", box, check=False)
        harness.xdotool(self.display.name, "key", "--window", box, "Return")
        wait_until(lambda: not self.message_boxes(), 10, "the message box to close")

    def close(self):
        if self.window:
            self.window.kill()
        self.machine.close()
        self.display.close()


def box_ink(window):
    """Dark pixels in the disk box's edit field: its text, and the caret when it shows."""
    x, y, width, height = BOX_REGION
    region = window.region(x + 2, y + 2, width - 22, height - 4)
    return sum(1 for i in range(0, len(region), 3) if max(region[i:i + 3]) < 100)


def expect(condition, what):
    if not condition:
        raise Failure(what)


def target(machine, letter):
    return machine.path(f"{letter}:\\duzozudiv\\")


def applications(machine):
    return sum(APP in p for p in machine.processes())


def expect_installed(run, letter, install_lines, running_before=0):
    m = run.machine
    t = target(m, letter)
    extracted = t / "duzozudiv"
    wait_until(lambda: applications(m) > running_before, 240,
               "the installed application to start")
    run.move_application_aside()
    wait_until(lambda: near(run.face(CLOSE_FACE), NORMAL), 30, "Close to be enabled again")
    launcher = (t / "install.bat").read_bytes()
    expect(launcher == (install_lines / f"{letter.upper()}INSTALL.bin").read_bytes(),
           f"install.bat holds {launcher!r}")
    expect((extracted / "un7zip_qelsystemii.bat").read_bytes() ==
           f"{letter}:\r\ncd {letter}:\\duzozudiv\\duzozudiv\\\r\n".encode(),
           "the second script is not as composed")
    expect((extracted / APP).is_file(), "the application's main program was not extracted")
    expect((extracted / "zerarivur.exe").is_file(), "zerarivur.exe was not extracted")
    for name in TEMPORARY:
        wait_until(lambda: not (t / name).exists(), 10, f"{name} to be deleted")
    expect(not near(run.face(INSTALL_FACE), NORMAL), "Install is enabled after the installation")
    expect(not run.message_boxes(), "a message box appeared")
    ems = run.display_ems()
    expect(5.5 < ems < 8.5, f"the display text is {ems:.1f} em wide, not 系统已安装完成 (7)")


# Each case returns normally when it passes and raises Failure when it does not.

def case_complete(args):
    run = Run(args, ["d"], "complete")
    try:
        w = run.open()
        expect(w.caption() == "安装向导", f"caption {w.caption()!r}")
        expect((w.width, w.height) == (533, 332), f"client area {w.width} x {w.height}")
        run.agree()
        run.install()
        installing = run.display_ems()
        expect(installing > 10, f"the display shows {installing:.1f} em, not the progress text")
        expect(not near(run.face(CLOSE_FACE), NORMAL), "Close is enabled during the installation")
        expect_installed(run, "d", args.install_lines)
        run.shot("installed")
        w.click(*CLOSE)
        expect(w.wait_exit(30) == 0, "Close did not end the program with exit code 0")
        expect(any(APP in p for p in run.machine.processes()),
               "the application ended with the installer")
    finally:
        run.close()


def case_probe(args, drives, letter):
    run = Run(args, drives, f"probe-{letter}")
    try:
        run.open()
        run.agree()
        run.install()
        t = target(run.machine, letter)
        wait_until(lambda: (t / "install.bat").exists(), 120, f"the installation on {letter}:")
        for other in drives:
            if other != letter:
                expect(not target(run.machine, other).exists(), f"{other}: was written to")
    finally:
        run.close()


def case_chosen_disk(args):
    run = Run(args, ["d", "f"], "chosen")
    try:
        w = run.open()
        run.agree()
        w.click(*BOX)
        time.sleep(0.3)
        before = box_ink(w)
        w.type("e:\\x7")
        w.key("ctrl+v", "shift+Insert")
        time.sleep(0.5)
        # Only the blinking caret may differ.
        expect(box_ink(w) <= before + 25, "typing changed the disk box")
        # Down twice in the box: "d:\", then "e:\"; then the list: open it and pick "f:\".
        w.click(*BOX)
        w.key("Down", "Down")
        w.key("alt+Down")
        time.sleep(0.5)
        # Items of 21 px each below the box: d, e, f, g.
        w.click(470, 309 + 21 * 2 + 10)
        time.sleep(0.5)
        w.move(*AWAY)
        run.shot("chosen")
        run.install()
        t = target(run.machine, "f")
        wait_until(lambda: (t / "duzozudiv.7z").exists() or (t / "install.bat").exists(), 60,
                   "the installation on f:")
        expect(not target(run.machine, "d").exists(), "the default disk was written to")
    finally:
        run.close()


def case_missing_drive(args):
    run = Run(args, ["d"], "missing")
    try:
        w = run.open()
        run.agree()
        w.click(*BOX)
        w.key("alt+Down")
        time.sleep(0.5)
        w.click(470, 309 + 21 * 3 + 10)  # "g:\", a drive this machine lacks
        w.move(*AWAY)
        run.install()
        wait_until(run.message_boxes, 30, "the message 创建目录失败")
        run.shot("missing-drive")
        ems = message_ems(run)
        expect(4.5 < ems < 7.5, f"the message is {ems:.1f} em wide, not 创建目录失败 (6)")
        expect(not any(run.machine.drives["d"].iterdir()), "something was written to d:")
        run.dismiss_message()
        wait_until(lambda: near(run.face(CLOSE_FACE), NORMAL), 5, "Close to be enabled")
        expect(not near(run.face(INSTALL_FACE), NORMAL), "Install is enabled")
        w.click(*CLOSE)
        expect(w.wait_exit(30) == 0, "Close did not end the program with exit code 0")
    finally:
        run.close()


def damaged_copy(installer, payload, folder, damage):
    """The program with its payload damaged in place: "archive" breaks every ZIP record
    signature, so the archive cannot be opened at all; "probe" renames the setup program's
    entry, so everything but "zerarivur.exe" is extracted."""
    program = bytearray(pathlib.Path(installer).read_bytes())
    archive = pathlib.Path(payload).read_bytes()
    start = program.find(archive[:4096])
    expect(start >= 0 and program[start:start + len(archive)] == archive,
           "the payload was not found in the program file")
    if damage == "archive":
        damaged = archive
        for signature in (b"PK\x03\x04", b"PK\x01\x02", b"PK\x05\x06"):
            damaged = damaged.replace(signature, b"\0\0\0\0")
    else:
        damaged = archive.replace(b"duzozudiv/zerarivur.exe", b"duzozudiv/zerarivur.exf")
    expect(damaged != archive and len(damaged) == len(archive), "the payload was not damaged")
    program[start:start + len(archive)] = damaged
    copy = pathlib.Path(folder) / "installer.exe"
    copy.write_bytes(program)
    return copy


def message_ems(run):
    """How many em squares wide the text of the message box is."""
    box = wait_until(run.message_boxes, 5, "a message box")[0]
    geometry = dict(line.split("=", 1) for line in
                    harness.xdotool(run.display.name, "getwindowgeometry", "--shell", box).split())
    width, height = int(geometry["WIDTH"]), int(geometry["HEIGHT"]) // 2
    shot = subprocess.run(
        ["import", "-display", run.display.name, "-window", "root", "-crop",
         f"{width}x{height}+{geometry['X']}+{geometry['Y']}", "-depth", "8", "rgb:-"],
        capture_output=True, timeout=30).stdout
    return text_ems(shot, width, lambda p: max(p) < 80)


def message_lines(run):
    """How many lines of text the message box shows above its button."""
    box = wait_until(run.message_boxes, 5, "a message box")[0]
    geometry = dict(line.split("=", 1) for line in
                    harness.xdotool(run.display.name, "getwindowgeometry", "--shell", box).split())
    width, height = int(geometry["WIDTH"]), int(geometry["HEIGHT"]) * 2 // 3
    shot = subprocess.run(
        ["import", "-display", run.display.name, "-window", "root", "-crop",
         f"{width}x{height}+{geometry['X']}+{geometry['Y']}", "-depth", "8", "rgb:-"],
        capture_output=True, timeout=30).stdout
    inked = [any(max(shot[3 * (y * width + x):3 * (y * width + x) + 3]) < 80
                 for x in range(width)) for y in range(len(shot) // (3 * width))]
    return sum(1 for y in range(1, len(inked)) if inked[y] and not inked[y - 1])


def case_damaged_payload(args, damage):
    run = Run(args, ["d"], f"damaged-{damage}")
    try:
        program = damaged_copy(args.installer, args.payload, run.machine.root, damage)
        run.open(program)
        run.agree()
        run.install()
        installing = run.display_ems()
        # The extracted folder, or the setup program in it, never appears: the waits give up
        # after 360 s, or after 10 s and 360 polls of a second.
        wait_until(run.message_boxes, 460, "the message 解压安装文件失败", interval=2)
        run.shot(f"damaged-{damage}")
        ems = message_ems(run)
        expect(6.5 < ems < 9.5, f"the message is {ems:.1f} em wide, not 解压安装文件失败 (8)")
        t = target(run.machine, "d")
        for name in TEMPORARY:
            expect(not (t / name).exists(), f"{name} was left behind")
        expect((t / "install.bat").exists() == (damage == "probe"),
               "install.bat written when it should not be, or not written")
        expect(applications(run.machine) == 0, "the application was launched")
        expect(abs(run.display_ems() - installing) < 0.5, "the display changed")
        run.dismiss_message()
        wait_until(lambda: near(run.face(CLOSE_FACE), NORMAL), 5, "Close to be enabled")
        expect(not near(run.face(INSTALL_FACE), NORMAL), "Install is enabled")
    finally:
        run.close()


def case_second_installation(args):
    run = Run(args, ["d"], "second")
    try:
        for attempt in range(2):
            w = run.open()
            run.agree()
            if attempt:
                launcher = target(run.machine, "d") / "install.bat"
                launcher.write_bytes(b"old launcher that is longer than the new one" * 4)
            running = applications(run.machine)
            run.install()
            expect_installed(run, "d", args.install_lines, running)
            w.click(*CLOSE)
            expect(w.wait_exit(30) == 0, "Close did not end the program with exit code 0")
    finally:
        run.close()


def case_planted_command(args):
    """A folder someone else prepared: a 7z.com there would run in place of the 7z.exe the
    installer writes. The installer refuses the folder, says so, and writes and runs nothing."""
    run = Run(args, ["d"], "planted")
    try:
        t = target(run.machine, "d")
        t.mkdir()
        shutil.copy(pathlib.Path(args.probe).with_name("planted_command.exe"), t / "7z.com")
        w = run.open()
        run.agree()
        run.install()
        marker = t / "planted-command-ran"
        wait_until(lambda: run.message_boxes() or marker.exists(), 60,
                   "the message that the folder is not safe")
        expect(not marker.exists(), "the planted 7z.com ran")
        run.shot("planted-command")
        lines = message_lines(run)
        expect(lines >= 3, f"the message has {lines} lines, too short to name the folder and why")
        run.dismiss_message()
        wait_until(lambda: near(run.face(CLOSE_FACE), NORMAL), 5, "Close to be enabled")
        expect(not near(run.face(INSTALL_FACE), NORMAL), "Install is enabled")
        time.sleep(3)  # time for anything started to leave its marker
        expect(not marker.exists(), "the planted 7z.com ran")
        left = sorted(entry.name for entry in t.iterdir())
        expect(left == ["7z.com"], f"the folder holds {left}")
        w.click(*CLOSE)
        expect(w.wait_exit(30) == 0, "Close did not end the program with exit code 0")
    finally:
        run.close()


def probe_answers(run, what):
    result = run.machine.run(run.args.probe, "1000", timeout=20)
    expect(result.returncode == 0, f"the window did not answer within 1 s {what}")
    return int(result.stdout.split()[0]) if result.stdout.split() else 0


def case_responsive(args):
    run = Run(args, ["d"], "responsive")
    try:
        w = run.open()
        run.agree()
        run.install()
        t = target(run.machine, "d")
        wait_until(lambda: (t / "duzozudiv").is_dir(), 60, "the extracted folder")
        time.sleep(3)  # inside the 10 s wait
        probe_answers(run, "during the 10 s wait")
        w.close_box()
        time.sleep(1)
        expect(not w.exited(), "the close box ended the program mid-way")
        wait_until(lambda: (t / "duzozudiv" / "zerarivur.exe").exists(), 60, "zerarivur.exe")
        time.sleep(5)  # inside the 60 s wait
        answers = [probe_answers(run, "during the 60 s wait")]
        w.close_box()
        time.sleep(20)
        answers.append(probe_answers(run, "later in the 60 s wait"))
        expect(not w.exited(), "the close box ended the program mid-way")
        expect_installed(run, "d", args.install_lines)
        w.close_box()
        expect(w.wait_exit(30) == 0, "the close box did not end the program with exit code 0")
    finally:
        run.close()


def case_read_only(args):
    medium = pathlib.Path(tempfile.mkdtemp(prefix="ro-", dir=args.cache))
    (medium / "duzozudiv").mkdir()
    mounted = subprocess.run(["mount", "--bind", "-o", "ro", str(medium), str(medium)],
                             capture_output=True)
    if mounted.returncode != 0:
        shutil.rmtree(medium, ignore_errors=True)
        print("skipped: this machine cannot make a read-only mount:",
              mounted.stderr.decode().strip())
        sys.exit(77)
    run = None
    try:
        probe = medium / "probe"
        try:
            probe.write_bytes(b"x")
            print("skipped: the read-only mount is writable here (root bypasses it)")
            sys.exit(77)
        except OSError:
            pass
        run = Run(args, [], "read-only")
        run.machine.add_drive("d", medium)
        w = run.open()
        run.agree()
        run.install()
        wait_until(run.message_boxes, 30, "the message 无法创建文件")
        run.shot("read-only")
        run.dismiss_message()
        wait_until(lambda: near(run.face(CLOSE_FACE), NORMAL), 5, "Close to be enabled")
        expect(not w.exited(), "the program ended")
    finally:
        if run:
            run.close()
        subprocess.run(["umount", str(medium)], capture_output=True)
        shutil.rmtree(medium, ignore_errors=True)


CASES = {
    "complete": case_complete,
    "probe-e": lambda a: case_probe(a, ["e", "f"], "e"),
    "probe-c": lambda a: case_probe(a, [], "c"),
    "chosen-disk": case_chosen_disk,
    "missing-drive": case_missing_drive,
    "damaged-archive": lambda a: case_damaged_payload(a, "archive"),
    "damaged-probe": lambda a: case_damaged_payload(a, "probe"),
    "second-installation": case_second_installation,
    "responsive": case_responsive,
    "read-only": case_read_only,
    "planted-command": case_planted_command,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--installer", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--payload", required=True)
    parser.add_argument("--install-lines", required=True, type=pathlib.Path)
    parser.add_argument("--cache", required=True)
    args = parser.parse_args()
    pathlib.Path(args.cache).mkdir(parents=True, exist_ok=True)
    try:
        CASES[args.case](args)
    except Failure as failure:
        print(f"FAILED {args.case}: {failure}")
        return 1
    print(f"passed {args.case}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
