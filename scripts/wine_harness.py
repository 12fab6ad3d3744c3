#!/usr/bin/env python3
"""Runs the Windows programs under Wine for the tests, the demo and the benchmark.

One place for every Wine and X run: a target (which program, which Wine), a private X
server, a prefix copied from a ready template, drive letters mapped to folders, the program
started, the user's pointer and keys, pixels and screenshots, the running processes, and a
clean end that stops only this run's own processes.

Targets:
  win32  the i686 release program (build/win32) with the 32-bit 7-Zip, on Debian unstable's
         Wine, which runs 32-bit programs in its WoW64 mode, in a chroot that
         scripts/bootstrap-wow64 makes; commands run in a private mount namespace with /tmp
         and the project bound at the same paths, so paths are the same inside and out.
  win64  the x86-64 twin (build/win64) on this machine's Wine.

Used as a command (scripts/wine-run), it is the emulator through which CTest runs the Windows
test programs:
  wine_harness.py exec PROGRAM.exe [ARGUMENTS...]
The program's machine type picks the target: i386 runs on win32's Wine, x86-64 on win64's. It
runs in a prefix kept with its build tree; WINE_RUN_DRIVES="d:=/folder ..." maps drive
letters. Exit code: the program's, or 77 (skipped) when its target cannot run here.
"""

import contextlib
import ctypes
import ctypes.util
import fcntl
import os
import pathlib
import shutil
import signal
import subprocess
import sys
import tempfile
import time

ROOT = pathlib.Path(__file__).resolve().parent.parent
CAPTION = "安装向导"
SKIPPED = 77
# Where scripts/bootstrap-wow64 keeps the 32-bit runtime.
WOW64_ROOT = pathlib.Path(os.environ.get("SETUP_WOW64_ROOT", "/var/lib/installer-wow64"))


class Failure(AssertionError):
    pass


class Unavailable(Exception):
    """The target cannot run on this machine; the text says why."""


def wait_until(predicate, timeout, what, interval=0.2):
    """Polls until predicate() is true; returns its value or fails after timeout seconds."""
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value:
            return value
        if time.monotonic() > deadline:
            raise Failure(f"timed out after {timeout:.0f} s waiting for {what}")
        time.sleep(interval)


class Target:
    """A program build and the Wine that runs it."""

    def __init__(self, name, loader, server, chroot=None):
        self.name = name
        self.build = ROOT / "build" / name
        self.loader = loader
        self.server = server
        self.chroot = chroot
        # The release program is 32-bit and runs under WoW64; its twin is a native process.
        self.wow64 = name == "win32"

    def program(self, name="installer.exe"):
        return self.build / name

    def command(self, argv, binds=()):
        """The command line that runs argv (a Wine command) for this target."""
        if not self.chroot:
            return list(argv)
        wanted = sorted({pathlib.Path("/tmp"), ROOT, *map(pathlib.Path, binds)})
        folders = [str(f) for f in wanted
                   if not any(f != other and f.is_relative_to(other) for other in wanted)]
        script = ('root=$1; shift; mount -t proc proc "$root/proc" || exit 125; '
                  'for folder in /dev /sys ' + " ".join(f"'{f}'" for f in folders) + '; do '
                  'mkdir -p "$root$folder" && mount --rbind "$folder" "$root$folder" || exit 125; '
                  'done; exec chroot "$root" "$@"')
        return ["unshare", "-m", "--propagation", "private", "--", "/bin/sh", "-c", script, "sh",
                str(self.chroot), *argv]

    def wine(self, *args, binds=()):
        return self.command([self.loader, *map(str, args)], binds)

    def wineserver(self, *args, binds=()):
        return self.command([self.server, *args], binds)

    def description(self):
        version = subprocess.run(self.wine("--version"), capture_output=True, text=True,
                                 timeout=60).stdout.strip()
        program = ("the i686 release program, a 32-bit process under WoW64," if self.wow64 else
                   "the x86-64 twin, a native process,")
        where = " in a Debian unstable chroot" if self.chroot else " of this machine"
        return f"{program} on {version or 'Wine'}{where}"


def target(name):
    """The named target; raises Unavailable when it cannot run on this machine."""
    if name == "win64":
        loader = pathlib.Path("/usr/lib/wine/wine64")
        if not loader.exists():
            raise Unavailable(f"{loader} is missing: run scripts/bootstrap")
        return Target(name, str(loader), "/usr/lib/wine/wineserver")
    if name == "win32":
        chroot = WOW64_ROOT / "sid"
        reason = WOW64_ROOT / "unavailable"
        if reason.exists():
            raise Unavailable("the 32-bit Windows runtime could not be made: " +
                              reason.read_text().strip())
        if not (WOW64_ROOT / "ready").exists():
            raise Unavailable(f"the 32-bit Windows runtime is missing in {WOW64_ROOT}: "
                              "run scripts/bootstrap")
        if os.geteuid() != 0:
            raise Unavailable("the 32-bit Windows runtime runs in a chroot, which needs root")
        return Target(name, "/usr/lib/x86_64-linux-gnu/wine/wine",
                      "/usr/lib/x86_64-linux-gnu/wine/wineserver", chroot)
    raise ValueError(f"unknown target {name!r}")


def wine_environment(prefix, display=""):
    env = dict(os.environ)
    env.update(WINEPREFIX=str(prefix), WINEDEBUG="-all", LANG="zh_CN.UTF-8",
               LC_ALL="zh_CN.UTF-8", DISPLAY=display,
               # No Mono or Gecko installer prompts and no desktop menu entries.
               WINEDLLOVERRIDES="mscoree,mshtml,winemenubuilder.exe=d")
    return env


# Wine's message font, Tahoma, has no Chinese glyphs; Wine links it to the fonts a Chinese
# Windows has (SimSun, Microsoft YaHei), which are not here. The host's older Wine falls back to
# the system's fonts by itself; the newer one draws empty boxes unless Tahoma is linked to the
# CJK font that is here.
FONT_LINK = (r"HKLM\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink",
             "Tahoma", "wqy-microhei.ttc,WenQuanYi Micro Hei")
# Changing how prefixes are made changes this mark, so that older prefixes are made again.
PREFIX_RECIPE = "wineboot; Tahoma linked to WenQuanYi Micro Hei on the WoW64 Wine"


def make_prefix(tgt, prefix):
    """Boots a new prefix; its complaints (syswow64 on the 64-bit Wine, XDG_RUNTIME_DIR on the
    newer one) are harmless."""
    shutil.rmtree(prefix, ignore_errors=True)
    env = wine_environment(prefix)
    quiet = dict(env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                 stderr=subprocess.DEVNULL)
    subprocess.run(tgt.wine("wineboot", "-i"), timeout=300, **quiet)
    if tgt.chroot:
        key, name, fonts = FONT_LINK
        subprocess.run(tgt.wine("reg", "add", key, "/v", name, "/t", "REG_MULTI_SZ", "/d", fonts,
                                "/f"), timeout=120, check=True, **quiet)
    # The registry reaches the disk when the server ends.
    subprocess.run(tgt.wineserver("-w"), env=env, timeout=120)
    if not (prefix / "system.reg").exists():
        raise Failure(f"wineboot did not make the prefix {prefix}")
    (prefix / "harness-recipe").write_text(PREFIX_RECIPE)


def prefix_ready(prefix):
    mark = prefix / "harness-recipe"
    return mark.exists() and mark.read_text() == PREFIX_RECIPE


@contextlib.contextmanager
def locked(path):
    path.parent.mkdir(parents=True, exist_ok=True)
    with open(path, "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        yield


def ready_prefix(tgt, prefix):
    """The prefix, made first unless it is ready; under a lock, so several runs may ask."""
    with locked(prefix.with_name(prefix.name + ".lock")):
        if not prefix_ready(prefix):
            print(f"wine_harness: making the Wine prefix {prefix}", file=sys.stderr)
            make_prefix(tgt, prefix)
    return prefix


def template_prefix(tgt, cache):
    """A booted prefix made once per cache folder; each machine copies it."""
    return ready_prefix(tgt, pathlib.Path(cache) / "prefix-template")


def link_drive(prefix, letter, folder):
    """Maps the drive letter to the folder, as Wine keeps its drives: a link in the prefix."""
    link = prefix / "dosdevices" / f"{letter.lower().rstrip(':')}:"
    if link.is_symlink() or link.exists():
        link.unlink()
    link.symlink_to(folder)


class Display:
    """A private Xvfb server."""

    def __init__(self):
        read, write = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
            pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write)
        with os.fdopen(read) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise Failure("Xvfb did not start")
        self.name = f":{number}"

    def close(self):
        self.process.terminate()
        with contextlib.suppress(subprocess.TimeoutExpired):
            self.process.wait(5)
        if self.process.poll() is None:
            self.process.kill()


class ExistingDisplay:
    """A display that someone else runs, e.g. the user's own."""

    def __init__(self, name):
        self.name = name

    def close(self):
        pass


class Machine:
    """A Wine prefix copied from the template, with drive letters mapped to folders of its
    own. With root given, the machine lives there and stays after close (the demo)."""

    def __init__(self, tgt, cache, drives, display, root=None):
        self.target = tgt
        self.keep = root is not None
        if root:
            shutil.rmtree(root, ignore_errors=True)
            root.mkdir(parents=True)
            self.root = pathlib.Path(root)
        else:
            pathlib.Path(cache).mkdir(parents=True, exist_ok=True)
            self.root = pathlib.Path(tempfile.mkdtemp(prefix="machine-", dir=cache))
        self.prefix = self.root / "prefix"
        subprocess.run(["cp", "-a", str(template_prefix(tgt, cache)), str(self.prefix)],
                       check=True)
        self.display = display
        self.env = wine_environment(self.prefix, display.name)
        self.binds = [self.root]
        self.drives = {}
        for letter in drives:
            self.add_drive(letter)

    def add_drive(self, letter, folder=None):
        folder = pathlib.Path(folder) if folder else self.root / f"drive_{letter}"
        folder.mkdir(parents=True, exist_ok=True)
        link_drive(self.prefix, letter, folder)
        self.drives[letter] = folder
        if not any(folder.is_relative_to(bound) for bound in self.binds):
            self.binds.append(folder)
        return folder

    def path(self, windows_path):
        """The Linux path of a path on a mapped drive, e.g. 'd:\\duzozudiv\\install.bat'."""
        letter, rest = windows_path[0].lower(), windows_path[3:]
        base = self.prefix / "drive_c" if letter == "c" else self.drives[letter]
        return base.joinpath(*[part for part in rest.split("\\") if part])

    def pids(self):
        """Process ids of this prefix's processes (the Windows programs and Wine's own)."""
        mark = f"WINEPREFIX={self.prefix}".encode()
        found = []
        for pid in os.listdir("/proc"):
            if pid.isdigit():
                with contextlib.suppress(OSError):
                    if mark in pathlib.Path(f"/proc/{pid}/environ").read_bytes().split(b"\0"):
                        found.append(int(pid))
        return found

    def processes(self):
        """Command lines of this prefix's processes; Windows programs show their Windows path."""
        found = []
        for pid in self.pids():
            with contextlib.suppress(OSError):
                args = pathlib.Path(f"/proc/{pid}/cmdline").read_bytes()
                found.append(args.replace(b"\0", b" ").decode(errors="replace").strip())
        return found

    def start(self, program, *args, **popen):
        return subprocess.Popen(self.target.wine(program, *args, binds=self.binds), env=self.env,
                                **popen)

    def run(self, program, *args, timeout=30):
        return subprocess.run(self.target.wine(program, *args, binds=self.binds), env=self.env,
                              timeout=timeout, capture_output=True)

    def close(self):
        """Ends this prefix's processes, and nothing else, then removes the machine."""
        quiet = dict(env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with contextlib.suppress(subprocess.TimeoutExpired):
            subprocess.run(self.target.wineserver("-k", binds=self.binds), timeout=30, **quiet)
            subprocess.run(self.target.wineserver("-w", binds=self.binds), timeout=30, **quiet)
        for pid in self.pids():
            with contextlib.suppress(OSError):
                os.kill(pid, signal.SIGKILL)
        if not self.keep:
            shutil.rmtree(self.root, ignore_errors=True)


def xdotool(display, *args, check=True):
    result = subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display),
                            capture_output=True, text=True, timeout=30)
    if check and result.returncode != 0:
        raise Failure(f"xdotool {' '.join(args)} failed: {result.stderr.strip()}")
    return result.stdout


def geometry(display, window):
    """X, Y, WIDTH, HEIGHT of an X window."""
    fields = dict(line.split("=", 1)
                  for line in xdotool(display, "getwindowgeometry", "--shell", window).split())
    return tuple(int(fields[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))


def screen_region(display, x, y, width, height):
    """Raw RGB bytes of a screen rectangle."""
    return subprocess.run(
        ["import", "-display", display, "-window", "root", "-crop", f"{width}x{height}+{x}+{y}",
         "-depth", "8", "rgb:-"], capture_output=True, timeout=30).stdout


class Window:
    """The installer's window, reached through the X server only."""

    def __init__(self, machine, program, timeout=60):
        self.machine = machine
        self.display = machine.display.name
        self.process = machine.start(program, stdout=subprocess.DEVNULL,
                                     stderr=subprocess.DEVNULL)
        self.id = wait_until(self._find, timeout, "the installer window")
        # The window may be mapped before it has its final place and size.
        previous = [None]

        def settled():
            current = geometry(self.display, self.id)
            stable = current == previous[0]
            previous[0] = current
            return current if stable else None

        self.x, self.y, self.width, self.height = wait_until(settled, 20, "the window to settle",
                                                             interval=0.5)

    def _find(self):
        out = xdotool(self.display, "search", "--onlyvisible", "--name", f"^{CAPTION}$",
                      check=False).split()
        return out[0] if out else None

    def caption(self):
        return xdotool(self.display, "getwindowname", self.id).strip()

    def pixel(self, x, y):
        """The colour at client point (x, y) as (r, g, b)."""
        return tuple(self.region(x, y, 1, 1)[:3].ljust(3, b"\0"))

    def region(self, x, y, width, height):
        """Raw RGB bytes of a client rectangle."""
        return screen_region(self.display, self.x + x, self.y + y, width, height)

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root", "-crop",
                        f"{self.width}x{self.height}+{self.x}+{self.y}", "+repage", str(path)],
                       check=True, timeout=30)
        return path

    def move(self, x, y):
        xdotool(self.display, "mousemove", str(self.x + x), str(self.y + y))

    def click(self, x, y):
        self.move(x, y)
        time.sleep(0.1)  # let the hover state settle as a person's pointer would
        xdotool(self.display, "click", "1")

    def press(self):
        xdotool(self.display, "mousedown", "1")

    def release(self):
        xdotool(self.display, "mouseup", "1")

    def type(self, text):
        xdotool(self.display, "type", "--delay", "50", text)

    def key(self, *keys):
        xdotool(self.display, "key", *keys)

    def close_box(self):
        """Presses the close box as a window manager does: it asks the window to delete
        itself (WM_DELETE_WINDOW), which Wine turns into the window's close command."""
        send_delete_window(self.display, int(self.id))

    def exited(self):
        return self.process.poll() is not None

    def wait_exit(self, timeout):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise Failure(f"the installer did not end within {timeout} s")

    def kill(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGKILL)
            self.process.wait(10)


def near(colour, expected, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(colour, expected))


def hex_colour(text):
    text = text.lstrip("#")
    return tuple(int(text[i:i + 2], 16) for i in (0, 2, 4))


class _ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong),
                ("message_type", ctypes.c_ulong), ("format", ctypes.c_int),
                ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


def send_delete_window(display, window):
    x11 = ctypes.CDLL(ctypes.util.find_library("X11"))
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XInternAtom.restype = ctypes.c_ulong
    x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x11.XSendEvent.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int, ctypes.c_long,
                               ctypes.c_void_p]
    x11.XFlush.argtypes = x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        raise Failure(f"cannot open display {display}")
    try:
        event = _ClientMessage(type=33, send_event=1, window=window, format=32,
                               message_type=x11.XInternAtom(connection, b"WM_PROTOCOLS", 0))
        event.data[0] = x11.XInternAtom(connection, b"WM_DELETE_WINDOW", 0)
        x11.XSendEvent(connection, window, 0, 0, ctypes.byref(event))
        x11.XFlush(connection)
    finally:
        x11.XCloseDisplay(connection)


def build_tree(program):
    """The CMake build tree holding the program, if any."""
    for folder in pathlib.Path(program).resolve().parents:
        if (folder / "CMakeCache.txt").exists():
            return folder
    return None


def machine_type(program):
    """The target that runs a PE program: 'win32' for i386, 'win64' for x86-64."""
    with open(program, "rb") as file:
        header = file.read(4096)
    pe = int.from_bytes(header[0x3C:0x40], "little")
    machine = int.from_bytes(header[pe + 4:pe + 6], "little")
    if header[:2] != b"MZ" or header[pe:pe + 4] != b"PE\0\0" or machine not in (0x14C, 0x8664):
        raise ValueError(f"{program} is not an i386 or x86-64 Windows program")
    return "win32" if machine == 0x14C else "win64"


def emulate(program, args):
    """Runs a test program the way CTest's emulator does; returns its exit code."""
    target_name = machine_type(program)
    try:
        tgt = target(target_name)
    except Unavailable as reason:
        print(f"SKIPPED ({target_name}): {reason}", flush=True)
        return SKIPPED
    tree = build_tree(program)
    prefix = (pathlib.Path(os.environ["WINE_RUN_PREFIX"]) if "WINE_RUN_PREFIX" in os.environ
              else tree / "wine-prefix" if tree
              else pathlib.Path(tempfile.gettempdir()) / f"wine-run-{os.getuid()}-{target_name}")
    env = wine_environment(prefix, os.environ.get("DISPLAY", ""))
    binds = [prefix.parent]
    ready_prefix(tgt, prefix)
    with locked(prefix.with_name(prefix.name + ".lock")):
        mounted = False
        for drive in os.environ.get("WINE_RUN_DRIVES", "").split():
            letter, folder = drive.split("=", 1)
            link_drive(prefix, letter, folder)
            binds.append(folder)
            mounted = mounted or os.path.ismount(folder)
        # Wine's server opens the files. On the WoW64 Wine it runs in the private mount
        # namespace of the program that started it, and does not see a disk mounted since:
        # a drive that is a mount of its own needs a server started after it.
        if mounted and tgt.chroot:
            subprocess.run(tgt.wineserver("-k", binds=binds), env=env, stdout=subprocess.DEVNULL,
                           stderr=subprocess.DEVNULL, timeout=60)
            subprocess.run(tgt.wineserver("-w", binds=binds), env=env, timeout=60)
        # The first program of a session starts Wine's server and services, which inherit the
        # standard streams and outlive the program by seconds: CTest would wait for them on
        # every test. Starting them here with no streams of ours leaves the program's alone.
        subprocess.run(tgt.wine("cmd.exe", "/c", "exit", "0", binds=binds), env=env,
                       stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                       stderr=subprocess.DEVNULL, timeout=120)
    return subprocess.run(tgt.wine(program, *args, binds=binds), env=env).returncode


def main(argv):
    if len(argv) < 3 or argv[1] != "exec":
        print("usage: wine_harness.py exec PROGRAM.exe [ARGUMENTS...]", file=sys.stderr)
        return 2
    return emulate(argv[2], argv[3:])


if __name__ == "__main__":
    sys.exit(main(sys.argv))
