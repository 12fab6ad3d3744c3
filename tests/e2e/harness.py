"""Runs the real Windows program under Wine on a private X display and acts as its user.

Everything the tests learn comes from outside the program: the X server (window geometry,
pixels, screenshots), the file system of the mapped drives and the process list.
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
import tempfile
import time

WINE = "/usr/lib/wine/wine64"
WINESERVER = shutil.which("wineserver") or "/usr/lib/wine/wineserver64"
CAPTION = "安装向导"


class Failure(AssertionError):
    pass


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


def wine_environment(prefix, display):
    env = dict(os.environ)
    env.update(WINEPREFIX=str(prefix), WINEDEBUG="-all", LANG="zh_CN.UTF-8",
               LC_ALL="zh_CN.UTF-8", DISPLAY=display, WINEDLLOVERRIDES="mscoree,mshtml=")
    return env


def template_prefix(cache):
    """A booted Wine prefix made once per cache folder; tests copy it."""
    cache = pathlib.Path(cache)
    cache.mkdir(parents=True, exist_ok=True)
    template = cache / "prefix-template"
    with open(cache / "prefix.lock", "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        if not (template / "system.reg").exists():
            shutil.rmtree(template, ignore_errors=True)
            env = wine_environment(template, "")
            subprocess.run([WINE, "wineboot", "-i"], env=env, check=True,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=180)
            subprocess.run([WINESERVER, "-w"], env=env, timeout=120)
    return template


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


class Machine:
    """A fresh Wine prefix with drive letters mapped to folders of its own."""

    def __init__(self, cache, drives, display):
        pathlib.Path(cache).mkdir(parents=True, exist_ok=True)
        self.root = pathlib.Path(tempfile.mkdtemp(prefix="e2e-", dir=cache))
        self.prefix = self.root / "prefix"
        subprocess.run(["cp", "-a", str(template_prefix(cache)), str(self.prefix)], check=True)
        self.display = display
        self.env = wine_environment(self.prefix, display.name)
        self.drives = {}
        for letter in drives:
            self.add_drive(letter)

    def add_drive(self, letter, folder=None):
        folder = pathlib.Path(folder) if folder else self.root / f"drive_{letter}"
        folder.mkdir(parents=True, exist_ok=True)
        link = self.prefix / "dosdevices" / f"{letter}:"
        if link.is_symlink() or link.exists():
            link.unlink()
        link.symlink_to(folder)
        self.drives[letter] = folder
        return folder

    def path(self, windows_path):
        """The Linux path of a path on a mapped drive, e.g. 'd:\\duzozudiv\\install.bat'."""
        letter, rest = windows_path[0].lower(), windows_path[3:]
        base = self.prefix / "drive_c" if letter == "c" else self.drives[letter]
        return base.joinpath(*[part for part in rest.split("\\") if part])

    def processes(self):
        """Command lines of this prefix's Windows processes."""
        out = subprocess.run(["ps", "-eo", "pid=,args="], capture_output=True, text=True).stdout
        found = []
        for line in out.splitlines():
            pid, _, args = line.strip().partition(" ")
            with contextlib.suppress(OSError):
                environ = pathlib.Path(f"/proc/{pid}/environ").read_bytes()
                if f"WINEPREFIX={self.prefix}".encode() in environ.split(b"\0"):
                    found.append(args)
        return found

    def run(self, program, *args, timeout=30):
        return subprocess.run([WINE, str(program), *args], env=self.env, timeout=timeout,
                              capture_output=True)

    def close(self):
        subprocess.run([WINESERVER, "-k"], env=self.env, timeout=30,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        with contextlib.suppress(subprocess.TimeoutExpired):
            subprocess.run([WINESERVER, "-w"], env=self.env, timeout=30)
        shutil.rmtree(self.root, ignore_errors=True)


def xdotool(display, *args, check=True):
    result = subprocess.run(["xdotool", *args], env=dict(os.environ, DISPLAY=display),
                            capture_output=True, text=True, timeout=30)
    if check and result.returncode != 0:
        raise Failure(f"xdotool {' '.join(args)} failed: {result.stderr.strip()}")
    return result.stdout


class Window:
    """The installer's window, reached through the X server only."""

    def __init__(self, machine, program, timeout=60):
        self.machine = machine
        self.display = machine.display.name
        self.process = subprocess.Popen([WINE, str(program)], env=machine.env,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.id = wait_until(self._find, timeout, "the installer window")
        # The window may be mapped before it has its final place and size.
        previous = [None]

        def settled():
            current = self._geometry()
            stable = current == previous[0]
            previous[0] = current
            return current if stable else None

        self.x, self.y, self.width, self.height = wait_until(settled, 20, "the window to settle",
                                                             interval=0.5)

    def _geometry(self):
        geometry = dict(line.split("=", 1)
                        for line in xdotool(self.display, "getwindowgeometry", "--shell",
                                            self.id).split())
        return tuple(int(geometry[key]) for key in ("X", "Y", "WIDTH", "HEIGHT"))

    def _find(self):
        out = xdotool(self.display, "search", "--onlyvisible", "--name", f"^{CAPTION}$",
                      check=False).split()
        return out[0] if out else None

    def caption(self):
        return xdotool(self.display, "getwindowname", self.id).strip()

    def pixel(self, x, y):
        """The colour at client point (x, y) as (r, g, b)."""
        out = subprocess.run(
            ["import", "-display", self.display, "-window", "root", "-crop",
             f"1x1+{self.x + x}+{self.y + y}", "-depth", "8", "txt:-"],
            capture_output=True, text=True, timeout=30).stdout
        hex_colour = out.split("#", 2)[-1][:6] if "#" in out else "000000"
        return tuple(int(hex_colour[i:i + 2], 16) for i in (0, 2, 4))

    def region(self, x, y, width, height):
        """Raw RGB bytes of a client rectangle."""
        return subprocess.run(
            ["import", "-display", self.display, "-window", "root", "-crop",
             f"{width}x{height}+{self.x + x}+{self.y + y}", "-depth", "8", "rgb:-"],
            capture_output=True, timeout=30).stdout

    def screenshot(self, path):
        subprocess.run(["import", "-display", self.display, "-window", "root", "-crop",
                        f"{self.width}x{self.height}+{self.x}+{self.y}", str(path)],
                       check=True, timeout=30)
        return path

    def move(self, x, y):
        xdotool(self.display, "mousemove", str(self.x + x), str(self.y + y))

    def click(self, x, y):
        self.move(x, y)
        time.sleep(0.1)  # let the hover state settle as a person's pointer would
        xdotool(self.display, "click", "1")

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
