#!/usr/bin/env python3
"""End-to-end cases: the real installer under Wine, driven by pointer and keyboard input.

Usage: run.py CASE --target win32|win64 --installer EXE --probe EXE --payload ZIP
              --install-lines DIR --cache DIR
Exit code 0: passed; 1: failed; 77: cannot run on this machine (skipped, with the reason).
"""

import argparse
import contextlib
import pathlib
import shutil
import subprocess
import sys
import tempfile
import time

import wine_harness as harness
from installer_user import (AGREE, AGREE_FACE, APP, AWAY, BOX, BOX_REGION, CLOSE, CLOSE_FACE,
                            INSTALL_FACE, NORMAL, TEMPORARY, Run, applications, damaged_copy,
                            expect, expect_installed, last_deflated_entry, message_ems,
                            message_lines, target)
from wine_harness import Failure, hex_colour, near, wait_until


def box_ink(window):
    """Dark pixels in the disk box's edit field: its text, and the caret when it shows."""
    x, y, width, height = BOX_REGION
    region = window.region(x + 2, y + 2, width - 22, height - 4)
    return sum(1 for i in range(0, len(region), 3) if max(region[i:i + 3]) < 100)


def case_window(args):
    """The window as the toolkit shows it: frame, styled colours, the pointer's hover and
    press, the disk box refusing typed and pasted text, the countdown and the close box.
    Colours may differ by a few units."""
    run = Run(args, ["d"], "window")
    try:
        w = run.open()

        def colour_within(what, point, colour, seconds, tolerance=3):
            try:
                wait_until(lambda: near(run.face(point), hex_colour(colour), tolerance), seconds,
                           f"{colour} at {point}", interval=0.1)
            except Failure:
                raise Failure(f"{what}: {bytes(run.face(point)).hex()} at {point}, "
                              f"expected {colour}")

        expect(w.caption() == "安装向导", f"caption {w.caption()!r}")
        expect((w.width, w.height) == (533, 332), f"client area {w.width} x {w.height}")
        memo = (300, 100)
        disabled = "9DACCC"  # the normal face half way to white

        # The countdown: Agree is disabled from the first tick and enabled again at the tenth.
        colour_within("Agree disabled while counting", AGREE_FACE, disabled, 5)
        colour_within("Agree enabled after ten ticks", AGREE_FACE, "3B5998", 15)

        # The panel's lower gradient, its border and light edge at 200/255 over the gradient,
        # and the white memo.
        for what, point, colour in (("gradient below the memo", (250, 252), "DDE8F6"),
                                    ("gradient near the bottom", (250, 327), "DDE9F7"),
                                    ("border", (1, 300), "ADBBCE"),
                                    ("light edge", (2, 300), "F8FAFD"),
                                    ("memo", (2, 60), "FFFFFF"), ("memo", (2, 150), "FFFFFF"),
                                    ("memo", (2, 240), "FFFFFF")):
            colour_within(what, point, colour, 1)

        # Hover and press under the real pointer; released off the button, it is no click.
        w.move(*AGREE)
        colour_within("Agree hover", AGREE_FACE, "4B67A1", 3)
        w.press()
        colour_within("Agree pressed", AGREE_FACE, "FFFFFF", 3)
        colour_within("Agree pressed border", (50, 280), "000000", 1)
        w.move(300, 255)
        colour_within("Agree held, pointer off it", AGREE_FACE, "3B5998", 3)
        w.release()
        time.sleep(1.5)
        colour_within("no click when released off Agree", AGREE_FACE, "3B5998", 1)
        colour_within("memo still shown", (2, 150), "FFFFFF", 1)

        # Typing and pasting into the box change nothing: it looks the same before and after,
        # each time with the keyboard focus in the memo (no caret in the box). The clipboard
        # holds the agreement, copied from the memo.
        w.click(*memo)
        w.key("ctrl+a", "ctrl+c")
        w.click(*memo)
        time.sleep(0.5)
        before = w.region(*BOX_REGION)
        w.click(460, 294)
        time.sleep(0.3)
        w.type("abc:\\1")
        w.key("BackSpace", "Delete", "ctrl+v", "shift+Insert")
        w.click(*memo)
        time.sleep(0.5)
        after = w.region(*BOX_REGION)
        changed = sum(1 for i in range(0, len(before), 3)
                      if not near(before[i:i + 3], after[i:i + 3], 8))
        expect(len(before) == len(after) and changed == 0,
               f"typing changed {changed} pixels of the disk box")

        # Agree: the memo and Agree go, the red display text shows, Install is uncovered but
        # disabled; one tick later Install is enabled and Close shows.
        w.click(*AGREE)
        w.move(300, 255)  # off Install, which the pointer would hover
        colour_within("Install uncovered, disabled", INSTALL_FACE, disabled, 3)
        colour_within("display where the memo was", (2, 150), "3B5998", 1)
        expect(run.display_ems() > 0, "no red display text")
        colour_within("Install enabled a tick later", INSTALL_FACE, "3B5998", 3)
        colour_within("Close shown", CLOSE_FACE, "3B5998", 1)

        # The close box (Alt+F4 to the window under the pointer): exit code 0, window gone.
        w.move(300, 100)
        w.key("alt+F4")
        expect(w.wait_exit(20) == 0, "the close box did not end the program with exit code 0")
        expect(not w._find(), "the window is still there")
    finally:
        run.close()


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

def case_damaged_payload(args, damage):
    run = Run(args, ["d"], f"damaged-{damage}")
    try:
        program = damaged_copy(args.installer, args.payload, run.machine.root, damage)
        run.open(program)
        run.agree()
        run.install()
        installing = run.display_ems()
        # The extracted folder, or the setup program in it, never appears: the waits give up
        # after 360 s, or after 10 s and 360 polls of a second. A damaged entry is found by
        # the check of the extracted files after the 60 s wait, 10 s after the last change.
        wait_until(run.message_boxes, 460, "the message 解压安装文件失败", interval=2)
        run.shot(f"damaged-{damage}")
        ems = message_ems(run)
        expect(6.5 < ems < 9.5, f"the message is {ems:.1f} em wide, not 解压安装文件失败 (8)")
        t = target(run.machine, "d")
        for name in TEMPORARY:
            expect(not (t / name).exists(), f"{name} was left behind")
        expect((t / "install.bat").exists() == (damage in ("probe", "entry")),
               "install.bat written when it should not be, or not written")
        if damage == "entry":
            report_damaged_entry(args.payload, t)
        expect(applications(run.machine) == 0, "the application was launched")
        expect(abs(run.display_ems() - installing) < 0.5, "the display changed")
        run.dismiss_message()
        wait_until(lambda: near(run.face(CLOSE_FACE), NORMAL), 5, "Close to be enabled")
        expect(not near(run.face(INSTALL_FACE), NORMAL), "Install is enabled")
    finally:
        run.close()


def report_damaged_entry(payload, folder):
    """Prints what 7-Zip made of the damaged entry and whether it went on past it."""
    archive = pathlib.Path(payload).read_bytes()
    name, _, _ = last_deflated_entry(archive)
    path = folder.joinpath(*name.decode("gbk").split("/"))
    state = f"{path.stat().st_size} bytes" if path.exists() else "absent"
    later = folder / "duzozudiv" / "客户端" / "skin" / "logo.bmp"
    print(f"7-Zip left the damaged {name.decode('gbk')}: {state}; "
          f"the entries after it extracted: {later.exists()}")


@contextlib.contextmanager
def small_disk(cache, size):
    """A tmpfs of `size` bytes, which needs root; exits 77 (skipped) where none can be
    mounted."""
    folder = pathlib.Path(tempfile.mkdtemp(prefix="small-", dir=cache))
    mounted = subprocess.run(["mount", "-t", "tmpfs", "-o", f"size={size}", "tmpfs",
                              str(folder)], capture_output=True)
    if mounted.returncode != 0:
        folder.rmdir()
        print("skipped: this machine cannot mount a small disk:", mounted.stderr.decode().strip())
        sys.exit(77)
    try:
        yield folder
    finally:
        subprocess.run(["umount", str(folder)], capture_output=True)
        shutil.rmtree(folder, ignore_errors=True)


def pages(size):
    return (size + 4095) // 4096 * 4096


def case_disk_full(args):
    """The disk fills while the payload is written, then, on a disk with room for the
    temporary files only, while it is extracted. Either way: a message naming the file that
    did not fit, no partial file, nothing started, no 系统已安装完成."""
    written = [pathlib.Path(args.payload), args.archive_program / "7z.dll",
               args.archive_program / "7z.exe"]
    # Room for the temporary files and their script, and a few pages of the extraction.
    temporary = sum(pages(path.stat().st_size) for path in written) + 4096
    for stage, size in (("payload", 16 * 1024), ("extraction", temporary + 4 * 4096)):
        with small_disk(args.cache, size) as disk:
            run = Run(args, [], f"disk-full-{stage}")
            try:
                run.machine.add_drive("d", disk)
                run.open()
                run.agree()
                run.install()
                wait_until(run.message_boxes, 120, f"a message when the {stage} fills the disk")
                run.shot("message")
                # Wine 10 wraps this message on two lines where Wine 8 keeps one: the width
                # is summed over the lines.
                ems = message_ems(run)
                expect(ems > 15, f"the message is {ems:.1f} em wide: it names no path")
                t = disk / "duzozudiv"
                for name in TEMPORARY:
                    expect(not (t / name).exists(), f"{name} was left behind")
                expect(applications(run.machine) == 0, "the application was launched")
                run.dismiss_message()
                wait_until(lambda: near(run.face(CLOSE_FACE), NORMAL), 5, "Close to be enabled")
                ems = run.display_ems()
                expect(ems > 10, f"the display shows {ems:.1f} em, not the progress text")
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
    result = run.machine.run(run.args.probe, "1000", timeout=30)
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
    "window": case_window,
    "complete": case_complete,
    "probe-e": lambda a: case_probe(a, ["e", "f"], "e"),
    "probe-c": lambda a: case_probe(a, [], "c"),
    "chosen-disk": case_chosen_disk,
    "missing-drive": case_missing_drive,
    "damaged-archive": lambda a: case_damaged_payload(a, "archive"),
    "damaged-probe": lambda a: case_damaged_payload(a, "probe"),
    "damaged-entry": lambda a: case_damaged_payload(a, "entry"),
    "disk-full": case_disk_full,
    "second-installation": case_second_installation,
    "responsive": case_responsive,
    "read-only": case_read_only,
    "planted-command": case_planted_command,
}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("case", choices=sorted(CASES))
    parser.add_argument("--target", required=True, choices=("win32", "win64"))
    parser.add_argument("--installer", required=True)
    parser.add_argument("--probe", required=True)
    parser.add_argument("--payload", required=True)
    parser.add_argument("--install-lines", required=True, type=pathlib.Path)
    parser.add_argument("--archive-program", type=pathlib.Path,
                        help="the folder of the 7z.dll and 7z.exe the installer carries")
    parser.add_argument("--cache", required=True)
    args = parser.parse_args()
    pathlib.Path(args.cache).mkdir(parents=True, exist_ok=True)
    try:
        args.target = harness.target(args.target)
    except harness.Unavailable as reason:
        print(f"SKIPPED {args.case}: {reason}")
        return harness.SKIPPED
    try:
        CASES[args.case](args)
    except Failure as failure:
        print(f"FAILED {args.case}: {failure}")
        return 1
    print(f"passed {args.case}")
    return 0


if __name__ == "__main__":
    sys.exit(main())
