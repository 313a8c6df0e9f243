#!/usr/bin/env python3
"""Start-up benchmark of hosted mode: time to the first frame and peak memory, by screenshot size.

XScreenSaver leaves its picture of the desktop on the window it gives a saver, as a pixmap named
by the property _SCREENSAVER_SCREENSHOT, at the size of the screen. This starts an Xvfb of its own,
makes a host window, leaves a pixmap of each --sizes size on it (vertical bands of four colours,
drawn by the server) and, run after run, starts each executable as the daemon's settings preview
does, `helixcavern --window-id <host>`, from a copy in a folder of its own (so no settings file
counts). It measures
  first frame   ms from the process start until the host first shows the tunnel (a sampled pixel
                of the host changes to a colour of the bands)
  peak RSS      the process's peak resident memory (getrusage of the ended child), in MB
then stops it with SIGTERM, and reports the median (and min..max) over --runs runs.

Usage: bench/screenshot_bench.py --exe LABEL=PATH [--exe LABEL=PATH ...] [--runs N]
                                 [--sizes 1920x1080,7680x4320,16000x16000]
e.g.   bench/screenshot_bench.py --exe before=/work/baseline-build/helixcavern --exe after=build/helixcavern
"""
import argparse
import ctypes
import os
import shutil
import signal
import statistics
import subprocess
import tempfile
import time

FIRST_FRAME_TIMEOUT = 90.0
HOST_COLOUR = 0xff0000
BAND_COLOURS = [0x2080c0, 0xc0c020, 0x20c060, 0xe06080]
HOST = (40, 30, 400, 300)  # x, y, width, height on the root window
# Points of the host that the tunnel's wall covers from the first frame on (its centre is far and dark).
SAMPLES = [(10, 10), (390, 290), (100, 200), (300, 50), (10, 290)]

X = ctypes.CDLL("libX11.so.6")
Ptr, Id = ctypes.c_void_p, ctypes.c_ulong


def xlib(name, result, *arguments):
    function = getattr(X, name)
    function.restype, function.argtypes = result, list(arguments)
    return function


XOpenDisplay = xlib("XOpenDisplay", Ptr, ctypes.c_char_p)
XCloseDisplay = xlib("XCloseDisplay", ctypes.c_int, Ptr)
XDefaultRootWindow = xlib("XDefaultRootWindow", Id, Ptr)
XCreateSimpleWindow = xlib("XCreateSimpleWindow", Id, Ptr, Id, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_uint, Id, Id)
XMapWindow = xlib("XMapWindow", ctypes.c_int, Ptr, Id)
XSync = xlib("XSync", ctypes.c_int, Ptr, ctypes.c_int)
XCreatePixmap = xlib("XCreatePixmap", Id, Ptr, Id, ctypes.c_uint, ctypes.c_uint, ctypes.c_uint)
XFreePixmap = xlib("XFreePixmap", ctypes.c_int, Ptr, Id)
XCreateGC = xlib("XCreateGC", Ptr, Ptr, Id, Id, Ptr)
XFreeGC = xlib("XFreeGC", ctypes.c_int, Ptr, Ptr)
XSetForeground = xlib("XSetForeground", ctypes.c_int, Ptr, Ptr, Id)
XFillRectangle = xlib("XFillRectangle", ctypes.c_int, Ptr, Id, Ptr, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                      ctypes.c_uint)
XInternAtom = xlib("XInternAtom", Id, Ptr, ctypes.c_char_p, ctypes.c_int)
XChangeProperty = xlib("XChangeProperty", ctypes.c_int, Ptr, Id, Id, Id, ctypes.c_int, ctypes.c_int, Ptr,
                       ctypes.c_int)
XGetImage = xlib("XGetImage", Ptr, Ptr, Id, ctypes.c_int, ctypes.c_int, ctypes.c_uint, ctypes.c_uint, Id,
                 ctypes.c_int)
XGetPixel = xlib("XGetPixel", Id, Ptr, ctypes.c_int, ctypes.c_int)
XDestroyImage = xlib("XDestroyImage", ctypes.c_int, Ptr)
XA_PIXMAP, ZPIXMAP, ALL_PLANES, PROP_MODE_REPLACE = 20, 2, 0xffffffff, 0


def start_xvfb():
    """An Xvfb of its own on a free display, its screen saver and power saving off."""
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", "640x480x24", "-nolisten",
                               "tcp", "-noreset", "-s", "0", "-dpms"], pass_fds=(write_end,),
                              stderr=subprocess.DEVNULL)
    os.close(write_end)
    with os.fdopen(read_end) as numbers:
        number = numbers.readline().strip()
    if not number:
        raise RuntimeError("Xvfb did not start")
    return server, ":" + number


class Host:
    """The daemon's part: a window with a screenshot pixmap on it, and a look at what it shows."""

    def __init__(self, display_name):
        self.display = XOpenDisplay(display_name.encode())
        if not self.display:
            raise RuntimeError("cannot open " + display_name)
        self.root = XDefaultRootWindow(self.display)
        x, y, width, height = HOST
        self.window = XCreateSimpleWindow(self.display, self.root, x, y, width, height, 0, 0, HOST_COLOUR)
        XMapWindow(self.display, self.window)
        self.pixmap = 0
        XSync(self.display, 0)

    def leave_screenshot(self, width, height):
        if self.pixmap:
            XFreePixmap(self.display, self.pixmap)
        self.pixmap = XCreatePixmap(self.display, self.window, width, height, 24)
        gc = XCreateGC(self.display, self.pixmap, 0, None)
        bands = 64
        for i in range(bands):
            XSetForeground(self.display, gc, BAND_COLOURS[i % len(BAND_COLOURS)])
            XFillRectangle(self.display, self.pixmap, gc, i * width // bands, 0, width // bands + 1, height)
        XFreeGC(self.display, gc)
        pixmap = Id(self.pixmap)
        XChangeProperty(self.display, self.window, XInternAtom(self.display, b"_SCREENSAVER_SCREENSHOT", 0),
                        XA_PIXMAP, 32, PROP_MODE_REPLACE, ctypes.cast(ctypes.byref(pixmap), Ptr), 1)
        XSync(self.display, 0)

    def shows_tunnel(self):
        x, y, width, height = HOST
        image = XGetImage(self.display, self.root, x, y, width, height, ALL_PLANES, ZPIXMAP)
        if not image:
            return False
        try:
            return any((XGetPixel(image, px, py) & 0xffffff) in BAND_COLOURS for px, py in SAMPLES)
        finally:
            XDestroyImage(image)


def measure(executable, host, env):
    """(ms to the first frame, peak RSS in MB) of one start."""
    started = time.monotonic()
    process = subprocess.Popen([executable, "--window-id", hex(host.window)], env=env, cwd="/",
                               stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    first = None
    while time.monotonic() - started < FIRST_FRAME_TIMEOUT and process.poll() is None:
        if host.shows_tunnel():
            first = (time.monotonic() - started) * 1000.0
            break
        time.sleep(0.002)
    process.send_signal(signal.SIGTERM)
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    if first is None:
        raise RuntimeError("%s showed no frame" % executable)
    return first, usage.ru_maxrss / 1024.0


def spread(values, unit):
    return "%8.0f %s (%.0f..%.0f)" % (statistics.median(values), unit, min(values), max(values))


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--exe", action="append", required=True, metavar="LABEL=PATH")
    parser.add_argument("--runs", type=int, default=3)
    parser.add_argument("--sizes", default="1920x1080,7680x4320,16000x16000")
    options = parser.parse_args()
    sizes = [tuple(int(n) for n in size.split("x")) for size in options.sizes.split(",")]

    work = tempfile.mkdtemp(prefix="hc-screenshot-bench-")
    server, display = start_xvfb()
    try:
        executables = []
        for entry in options.exe:
            label, path = entry.split("=", 1)
            os.makedirs(os.path.join(work, label))
            copy = os.path.join(work, label, "helixcavern")
            shutil.copy2(path, copy)
            executables.append((label, copy))
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)
        host = Host(display)
        print("%-12s %-8s %-32s %s" % ("screenshot", "exe", "first frame", "peak RSS"))
        for width, height in sizes:
            host.leave_screenshot(width, height)
            for label, executable in executables:
                results = [measure(executable, host, env) for _ in range(options.runs)]
                print("%-12s %-8s %-32s %s" % ("%dx%d" % (width, height), label,
                                               spread([r[0] for r in results], "ms"),
                                               spread([r[1] for r in results], "MB")), flush=True)
        XCloseDisplay(host.display)
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
