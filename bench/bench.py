#!/usr/bin/env python3
"""Saver benchmark: the saver measured side by side with the limit probe in the same run.

Builds a release benchmark build in its own folder (or takes --no-build), starts Xvfb servers at
1920x1080 and 320x240 (Mesa's llvmpipe) and, run after run, starts each program in turn:

  probe        bench/LimitProbe.cpp: the saver's window, context, GL state and frame clock drawing
               one full-screen textured quad a frame, the least any program of this kind can do
  saver        helixcavern_bench (the program with a reporting probe), picture and desktop source
  --levers     adds the saver drawing the same frame in each costlier way (depth test;
               immediate mode) and the probe with Qt's accessibility bridge left on
  --compare    adds other saver executables (e.g. a benchmark build of an older tree)

and reports, with medians and the spread (min..max) over --runs runs, each as a ratio against the
probe of the same run (the median of the per-run ratios):
  first frame      ms from the process start until its first buffer swap returned (1920x1080)
  frames/CPU-s     frames drawn per CPU-second after the first one, for --seconds seconds
  CPU %            CPU-seconds per wall-second over the same time (100 % = one core)
  peak RSS         the process's peak resident memory (1920x1080), as a difference to the probe
Frames are drawn back to back (HELIXCAVERN_BENCH_UNPACED=1) unless --paced is given.

Cold starts: --cold-starts N starts the saver N times, each on a freshly started Xvfb that has no
other client and resets when its last client leaves (no -noreset), and counts the starts that did
not reach their first frame.

Usage: bench/bench.py [--build DIR | --no-build DIR] [--runs N] [--seconds S] [--paced] [--levers]
                      [--compare LABEL=EXE ...] [--sizes 1920x1080,320x240]
       bench/bench.py --cold-starts N [--build DIR | --no-build DIR] [--exe EXE]
"""
import argparse
import os
import select
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
KEY_SOURCE = b"\x89\xE6\x91\x9C"
KEY_FILE = b"\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9"
KEY_SPEED = b"\x89\xF1\x93\x5D\x91\xAC\x93\x78"
FIRST_FRAME_TIMEOUT = 20.0
# Environment of the benchmark build that turns on the costlier ways of drawing the same frame.
DRAWING = "HELIXCAVERN_BENCH_DRAWING"


def build(folder):
    subprocess.run(["cmake", "-S", TOP, "-B", folder, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DHELIXCAVERN_BENCH=ON", "-DHELIXCAVERN_TESTS=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", folder, "--target", "helixcavern_bench", "limit_probe", "frame_probe"],
                   check=True, stdout=subprocess.DEVNULL)


def start_xvfb(size, reset=False):
    """An Xvfb of its own on a free display; with `reset`, it resets when its last client leaves."""
    read_end, write_end = os.pipe()
    command = ["Xvfb", "-displayfd", str(write_end), "-screen", "0", size + "x24", "-nolisten", "tcp"]
    if not reset:
        command.append("-noreset")
    server = subprocess.Popen(command, pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


def stop(process):
    if process.poll() is None:
        process.terminate()
        try:
            process.wait(5)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()


def write_settings(folder, source, picture=""):
    with open(os.path.join(folder, "Helixcavern.ini"), "wb") as f:
        f.write(b"[Section]\r\n" + KEY_SOURCE + b"= " + str(source).encode() + b"\r\n" + KEY_FILE + b"="
                + picture.encode() + b"\r\n" + KEY_SPEED + b"= 20\r\n")


class Program:
    """One thing to measure: a command, its working folder's settings and extra environment."""

    def __init__(self, label, command, folder=None, source=None, picture="", env=None, is_probe=False):
        self.label, self.command, self.folder = label, command, folder
        self.source, self.picture, self.env, self.is_probe = source, picture, env or {}, is_probe

    def prepare(self):
        if self.folder is not None:
            write_settings(self.folder, self.source, self.picture if self.source else "")


class Started:
    """A running program whose standard error is read line by line."""

    def __init__(self, program, env):
        self.started = time.monotonic_ns()
        self.process = subprocess.Popen(program.command, env=dict(env, **program.env), stderr=subprocess.PIPE,
                                        stdout=subprocess.DEVNULL, cwd=program.folder)
        self.lines = []
        self.buffer = b""

    def read_until(self, word, timeout):
        """Reads standard error until a line containing `word`; that line, or None."""
        deadline = time.monotonic() + timeout
        while True:
            for line in self.lines:
                if word in line:
                    return line
            remaining = deadline - time.monotonic()
            if remaining <= 0:
                return None
            ready, _, _ = select.select([self.process.stderr], [], [], min(remaining, 0.2))
            if ready:
                chunk = os.read(self.process.stderr.fileno(), 65536)
                if not chunk:
                    if self.process.poll() is not None:
                        return None
                    continue
                self.buffer += chunk
                *complete, self.buffer = self.buffer.split(b"\n")
                self.lines.extend(line.decode(errors="replace") for line in complete)

    def stage_ms(self, name):
        for line in self.lines:
            parts = line.split()
            if len(parts) == 6 and parts[:3] == ["hc-bench", "stage", name]:
                return (int(parts[3]) - self.started) / 1e6
        return None

    def end(self, env, timeout=10.0, press=None):
        """Ends the program with a key press (it grabs the keyboard; `press` sends it where xdotool
        cannot); returns (status, rusage)."""
        if press is None:
            subprocess.run(["xdotool", "key", "space"], env=env, check=False)
        else:
            press()
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            pid, status, usage = os.wait4(self.process.pid, os.WNOHANG)
            if pid == self.process.pid:
                break
            time.sleep(0.01)
        else:
            self.process.kill()
            _, status, usage = os.wait4(self.process.pid, 0)
        self.process.returncode = os.waitstatus_to_exitcode(status)
        rest = self.process.stderr.read()
        self.buffer += rest
        self.lines.extend(line.decode(errors="replace") for line in self.buffer.split(b"\n") if line)
        self.buffer = b""
        return self.process.returncode, usage


def measure_first_frame(program, env):
    """(first swap in ms since the start, peak RSS in MB) of one start."""
    program.prepare()
    run = Started(program, env)
    seen = run.read_until("stage first-swap", FIRST_FRAME_TIMEOUT)
    status, usage = run.end(env)
    if seen is None:
        raise RuntimeError("%s: no first frame (status %s): %s" % (program.label, status, " | ".join(run.lines[-3:])))
    return run.stage_ms("first-swap"), usage.ru_maxrss / 1024.0


def measure_frames(program, env, seconds):
    """(frames per CPU-second, CPU %, frames per wall-second, peak RSS in MB) over `seconds`."""
    program.prepare()
    run = Started(program, env)
    if run.read_until("stage first-swap", FIRST_FRAME_TIMEOUT) is None:
        run.end(env)
        raise RuntimeError("%s: no first frame" % program.label)
    first = time.monotonic()
    time.sleep(seconds)
    wall = time.monotonic() - first
    status, usage = run.end(env)
    for line in run.lines:
        parts = line.split()
        if len(parts) == 5 and parts[:2] == ["hc-bench", "frames"]:
            frames, cpu = int(parts[2]), float(parts[4])
            return frames / cpu, 100.0 * cpu / wall, frames / wall, usage.ru_maxrss / 1024.0
    raise RuntimeError("%s did not report its frames (status %s)" % (program.label, status))


def spread(values, fmt):
    return (fmt + " (" + fmt + ".." + fmt + ")") % (statistics.median(values), min(values), max(values))


def report(title, unit, fmt, results, probe_label, ratio=True):
    """Prints one table: per program the median and spread of `results[label]` and, against the
    probe of the same run, the median and spread of the per-run ratios (or differences)."""
    print("\n" + title)
    base = results.get(probe_label)
    for label, values in results.items():
        line = "  %-46s %s %s" % (label, spread(values, fmt), unit)
        if base and label != probe_label and len(base) == len(values):
            if ratio:
                line += "   x probe: %s" % spread([v / b for v, b in zip(values, base)], "%.3f")
            else:
                line += "   - probe: %s MB" % spread([v - b for v, b in zip(values, base)], "%+.1f")
        print(line)


def load_note():
    with open("/proc/loadavg") as f:
        return "load average " + " ".join(f.read().split()[:3])


def programs_for(args, exe, probe, work, picture):
    progs = [Program("probe", [probe], is_probe=True)]
    sources = (("picture", 1), ("desktop", 0))
    for name, source in sources:
        progs.append(Program("saver, %s" % name, [exe, "/s"], work, source, picture))
    if args.levers:
        progs.append(Program("probe, accessibility bridge on", [probe, "--accessibility"], is_probe=True))
        for name, value in (("depth test", "depth"), ("immediate mode", "immediate"),
                            ("depth test + immediate mode", "depth,immediate")):
            progs.append(Program("saver, picture, %s" % name, [exe, "/s"], work, 1, picture, {DRAWING: value}))
    for label, other in args.compare:
        folder = os.path.join(work, "compare-" + label)
        os.makedirs(folder, exist_ok=True)
        copy = os.path.join(folder, "helixcavern")
        shutil.copy2(other, copy)
        for name, source in sources:
            progs.append(Program("%s, %s" % (label, name), [copy, "/s"], folder, source, picture))
    return progs


def benchmark(args, exe, probe, picture_maker, work):
    picture = os.path.join(work, "photo.jpg")
    subprocess.run([picture_maker, "--make-picture", picture, "1920", "1080"], check=True,
                   env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    progs = programs_for(args, exe, probe, work, picture)
    print("helixcavern saver against the limit probe: %d runs, %.0f s of frames each, %s, %s"
          % (args.runs, args.seconds, "paced" if args.paced else "frames back to back (unpaced)", load_note()))
    for size in args.sizes:
        server, display = start_xvfb(size)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)
        if not args.paced:
            env["HELIXCAVERN_BENCH_UNPACED"] = "1"
        first, rss, fps, cpu, wallfps = {}, {}, {}, {}, {}
        try:
            full = size == args.sizes[0]
            for p in progs:  # warm the file cache; not counted
                if full or p.is_probe or p.source == 1:
                    measure_first_frame(p, env)
            for _ in range(args.runs):
                for p in progs:
                    if full and (p.is_probe or p.source is not None):
                        ms, mb = measure_first_frame(p, env)
                        first.setdefault(p.label, []).append(ms)
                    if p.is_probe or p.source == 1:
                        per_cpu, percent, per_wall, mb = measure_frames(p, env, args.seconds)
                        fps.setdefault(p.label, []).append(per_cpu)
                        cpu.setdefault(p.label, []).append(percent)
                        wallfps.setdefault(p.label, []).append(per_wall)
                    elif full:  # the desktop source: its memory after a while of frames
                        mb = measure_frames(p, env, min(args.seconds, 2.0))[3]
                    if full:
                        rss.setdefault(p.label, []).append(mb)
        finally:
            stop(server)
        print("\n== %s (%s) ==" % (size, load_note()))
        if first:
            report("first frame (first swap returned), ms since start", "ms", "%.1f", first, "probe")
        report("frames per CPU-second", "", "%.1f", fps, "probe")
        report("CPU % while drawing", "%", "%.0f", cpu, "probe")
        report("frames per wall-second (pacing shows as the refresh rate)", "", "%.1f", wallfps, "probe")
        if rss:
            report("peak resident memory", "MB", "%.1f", rss, "probe", ratio=False)


def cold_starts(args, exe, count, work, picture_maker):
    """Starts the saver `count` times, each on a fresh Xvfb with no other client; counts failures."""
    picture = os.path.join(work, "photo.jpg")
    subprocess.run([picture_maker, "--make-picture", picture, "1920", "1080"], check=True,
                   env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
    program = Program("saver", [exe, "/s"], work, 1, picture)
    program.prepare()
    failures, first = [], []
    for i in range(count):
        server, display = start_xvfb("1024x768", reset=True)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)
        try:
            run = Started(program, env)
            seen = run.read_until("stage first-swap", FIRST_FRAME_TIMEOUT)
            if seen is None:
                stop(run.process)
                rest = run.process.stderr.read().decode(errors="replace").splitlines()
                failures.append((i, run.process.returncode, (run.lines + rest)[-2:]))
            else:
                first.append(run.stage_ms("first-swap"))
                stop(run.process)  # a signal, not a key: no other client may talk to the server
        finally:
            stop(server)
    print("cold starts of %s on fresh Xvfb servers without other clients: %d of %d failed (%s)"
          % (exe, len(failures), count, load_note()))
    if first:
        print("  first frame of the starts that succeeded: %s ms" % spread(first, "%.1f"))
    for i, status, lines in failures[:10]:
        print("  start %d: status %s: %s" % (i + 1, status, " | ".join(lines)))
    return len(failures)


def label_and_path(text):
    label, _, path = text.partition("=")
    if not path:
        raise argparse.ArgumentTypeError("LABEL=EXE expected")
    return label, os.path.abspath(path)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--build", default=os.path.join(TOP, "build-bench"), help="build here first")
    where.add_argument("--no-build", metavar="DIR", help="use this benchmark build as it is")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=8.0)
    parser.add_argument("--sizes", default="1920x1080,320x240",
                        help="screen sizes; first frame and memory are measured on the first")
    parser.add_argument("--paced", action="store_true", help="leave frame pacing on")
    parser.add_argument("--levers", action="store_true", help="also measure each costlier way of drawing")
    parser.add_argument("--compare", type=label_and_path, action="append", default=[], metavar="LABEL=EXE")
    parser.add_argument("--cold-starts", type=int, metavar="N", help="count failed starts out of N")
    parser.add_argument("--exe", help="with --cold-starts: the saver to start (default: the build's)")
    args = parser.parse_args()
    args.sizes = args.sizes.split(",")

    folder = args.no_build or args.build
    if not args.no_build:
        build(folder)
    exe_built = os.path.join(folder, "bench", "helixcavern_bench")
    probe = os.path.join(folder, "bench", "limit_probe")
    picture_maker = os.path.join(folder, "bench", "frame_probe")
    work = tempfile.mkdtemp(prefix="hc-bench-")
    try:
        exe = os.path.join(work, "helixcavern")
        shutil.copy2(args.exe or exe_built, exe)
        if args.cold_starts:
            return 1 if cold_starts(args, exe, args.cold_starts, work, picture_maker) else 0
        benchmark(args, exe, probe, picture_maker, work)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
