"""The installer's window as its user sees it, for the end-to-end cases, the demo and the
benchmark: the layout's points and colours, the countdown waited out, Agree and Install
pressed, messages read, and what a finished installation must leave on disk.

Everything comes from outside the program: the X server, the mapped drives, the processes.
"""

import pathlib
import struct
import time

import wine_harness as harness
from wine_harness import Failure, hex_colour, near, wait_until

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
    """How many em squares wide the text in an RGB region is: for each line of text, its
    extent over its height, summed over the lines, so that wrapped text measures as much as
    the same text on one line."""
    inked = {}
    for y in range(len(region) // (3 * width)):
        columns = [x for x in range(width)
                   if is_text(region[3 * (y * width + x):3 * (y * width + x) + 3])]
        if columns:
            inked[y] = (min(columns), max(columns))
    lines, current = [], []
    for y in sorted(inked):
        # Rows a few pixels apart belong to one line (a glyph's gap); more starts the next.
        if current and y - current[-1] > 3:
            lines.append(current)
            current = []
        current.append(y)
    if current:
        lines.append(current)
    ems = 0.0
    for rows in lines:
        left = min(inked[y][0] for y in rows)
        right = max(inked[y][1] for y in rows)
        ems += (right - left + 1) / (rows[-1] - rows[0] + 1)
    return ems


def red_text(pixel):
    r, g, b = pixel
    return r > 180 and g < 90 and b < 90


class Run:
    """One run of the program on a machine of its own under a private display; with root
    given, the machine lives there and stays afterwards (the demo)."""

    def __init__(self, args, drives, stamp, root=None):
        self.args = args
        self.display = harness.Display()
        try:
            self.machine = harness.Machine(args.target, args.cache, drives, self.display, root)
        except BaseException:
            self.display.close()
            raise
        self.stamp = stamp
        self.window = None

    def open(self, program=None):
        """Starts the program, waits for its window and checks that the process is the kind
        the target promises, so that no case passes on the wrong program."""
        self.window = harness.Window(self.machine, program or self.args.installer)
        result = self.machine.run(self.args.probe, "5000", timeout=30)
        fields = result.stdout.decode(errors="replace").split()
        expected = "wow64" if self.args.target.wow64 else "native"
        expect(result.returncode == 0 and fields[1:2] == [expected],
               f"the installer's process is not {expected} "
               f"(window_probe said {fields}, exit code {result.returncode})")
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
        """Presses Return in the message box. The box is looked up again on each try: Wine may
        replace the X window of a box that it activates, and a key sent to the old one fails."""
        wait_until(self.message_boxes, 5, "a message box")

        def dismissed():
            boxes = self.message_boxes()
            if boxes:
                harness.xdotool(self.display.name, "windowactivate", "--sync", boxes[0],
                                check=False)
                harness.xdotool(self.display.name, "key", "--window", boxes[0], "Return",
                                check=False)
            return not boxes

        wait_until(dismissed, 10, "the message box to close", interval=0.5)

    def close(self):
        if self.window:
            self.window.kill()
        self.machine.close()
        self.display.close()


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
def last_deflated_entry(archive):
    """Name and data span of the last deflated file entry, from the central directory."""
    end = archive.rfind(b"PK\x05\x06")
    count, _, offset = struct.unpack_from("<HII", archive, end + 10)
    found = None
    for _ in range(count):
        method, = struct.unpack_from("<H", archive, offset + 10)
        compressed, = struct.unpack_from("<I", archive, offset + 20)
        name_size, extra_size, comment_size = struct.unpack_from("<HHH", archive, offset + 28)
        local, = struct.unpack_from("<I", archive, offset + 42)
        name = archive[offset + 46:offset + 46 + name_size]
        if method == 8 and not name.endswith(b"/"):
            local_name, local_extra = struct.unpack_from("<HH", archive, local + 26)
            start = local + 30 + local_name + local_extra
            found = (name, start, start + compressed)
        offset += 46 + name_size + extra_size + comment_size
    return found


def damaged_copy(installer, payload, folder, damage):
    """The program with its payload damaged in place: "archive" breaks every ZIP record
    signature, so the archive cannot be opened at all; "probe" renames the setup program's
    entry, so everything but "zerarivur.exe" is extracted; "entry" alters the compressed bytes
    of the last deflated file, past its encryption header, as a bad medium would."""
    program = bytearray(pathlib.Path(installer).read_bytes())
    archive = pathlib.Path(payload).read_bytes()
    start = program.find(archive[:4096])
    expect(start >= 0 and program[start:start + len(archive)] == archive,
           "the payload was not found in the program file")
    if damage == "archive":
        damaged = archive
        for signature in (b"PK\x03\x04", b"PK\x01\x02", b"PK\x05\x06"):
            damaged = damaged.replace(signature, b"\0\0\0\0")
    elif damage == "entry":
        _, data, data_end = last_deflated_entry(archive)
        middle = (data + 12 + data_end) // 2
        damaged = archive[:middle] + bytes(b ^ 0x5A for b in archive[middle:middle + 8]) + \
            archive[middle + 8:]
    else:
        damaged = archive.replace(b"duzozudiv/zerarivur.exe", b"duzozudiv/zerarivur.exf")
    expect(damaged != archive and len(damaged) == len(archive), "the payload was not damaged")
    program[start:start + len(archive)] = damaged
    copy = pathlib.Path(folder) / "installer.exe"
    copy.write_bytes(program)
    return copy


def message_box_image(run, share):
    """RGB bytes and width of the top `share` of the message box, where its text is."""
    box = wait_until(run.message_boxes, 5, "a message box")[0]
    x, y, width, height = harness.geometry(run.display.name, box)
    return harness.screen_region(run.display.name, x, y, width, int(height * share)), width


def message_ems(run):
    """How many em squares wide the text of the message box is."""
    shot, width = message_box_image(run, 1 / 2)
    return text_ems(shot, width, lambda p: max(p) < 80)


def message_lines(run):
    """How many lines of text the message box shows above its button."""
    shot, width = message_box_image(run, 2 / 3)
    inked = [any(max(shot[3 * (y * width + x):3 * (y * width + x) + 3]) < 80
                 for x in range(width)) for y in range(len(shot) // (3 * width))]
    return sum(1 for y in range(1, len(inked)) if inked[y] and not inked[y - 1])
