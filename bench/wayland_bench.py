#!/usr/bin/env python3
"""Wayland saver benchmark: the saver on a headless sway beside the X11 saver on Xvfb, in one run.

Builds a release benchmark build (or takes --no-build) and, run after run, starts helixcavern_bench
with the picture source at the same size (default 1920x1080) on each window system in turn:

  x11          on an Xvfb of its own (Mesa's llvmpipe), as bench/bench.py runs it
  wayland      as the only client of a headless sway 1.7 (pixman renderer), one output

and reports medians and the spread (min..max) over --runs runs, with the ratio Wayland / X11 of each
run (the median of the per-run ratios):
  first frame      ms from the process start until its first presented frame
  frames/CPU-s     frames drawn per CPU-second of the saver's own process after the first frame
  frames/wall-s    frames drawn per second (sway paces by its frame callbacks at 60 Hz)
  peak RSS         the saver's peak resident memory
Frames are drawn back to back where the window system lets them (HELIXCAVERN_BENCH_UNPACED=1) unless
--paced is given; on Wayland the compositor's frame callbacks pace them either way.

--no-callbacks S: instead, the CPU and the wake-ups of one Wayland saver over S seconds while the
compositor sends frame callbacks, while it sends none, and again while it sends them.

sway refuses root: under root the session and the saver run as the user "hc-wayland-test" (made
when missing, as the Wayland tests make it) through setpriv, which keeps process ids direct.

Usage: bench/wayland_bench.py [--build DIR | --no-build DIR] [--runs N] [--seconds S] [--size WxH]
                              [--paced] [--exe EXE] [--no-callbacks S]
"""
import argparse
import os
import pwd
import shutil
import signal
import statistics
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import bench  # noqa: E402

USER = "hc-wayland-test"
OUTPUT = "HEADLESS-1"


def session_user():
    """The user the session runs as: this one, or under root the test user (made when missing)."""
    if os.getuid() != 0:
        return pwd.getpwuid(os.getuid())
    try:
        return pwd.getpwnam(USER)
    except KeyError:
        subprocess.run(["useradd", "-M", "-d", "/nonexistent", "-s", "/usr/sbin/nologin", USER], check=True)
        return pwd.getpwnam(USER)


def wait_for(condition, timeout):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            return False
        time.sleep(0.02)
    return True


class Sway:
    """A headless sway with one output of `size`, run as the session user."""

    def __init__(self, size):
        self.user = session_user()
        self.runtime = tempfile.mkdtemp(prefix="hc-sway-run-")
        self.scratch = tempfile.mkdtemp(prefix="hc-sway-home-")
        os.chmod(self.runtime, 0o700)
        os.chmod(self.scratch, 0o777)
        if os.getuid() == 0:
            os.chown(self.runtime, self.user.pw_uid, self.user.pw_gid)
        config = os.path.join(self.scratch, "sway.conf")
        with open(config, "w") as f:
            f.write("default_border none\n")
        os.chmod(config, 0o644)
        self.ipc = None
        env = dict(self.env(), WLR_BACKENDS="headless", WLR_RENDERER="pixman", WLR_LIBINPUT_NO_DEVICES="1")
        del env["WAYLAND_DISPLAY"]
        self.process = subprocess.Popen(self.prefix() + ["sway", "-c", config], env=env, cwd=self.scratch,
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        if not wait_for(self.find_ipc, 10):
            self.close()
            raise RuntimeError("sway did not start")
        if self.msg("output", OUTPUT, "resolution", size) != 0:
            self.close()
            raise RuntimeError("sway did not take the output size " + size)

    def find_ipc(self):
        names = [n for n in os.listdir(self.runtime) if n.startswith("sway-ipc.")]
        if names and os.path.exists(os.path.join(self.runtime, "wayland-1")):
            self.ipc = os.path.join(self.runtime, names[0])
        return self.ipc is not None

    def prefix(self):
        if os.getuid() != 0:
            return []
        return ["setpriv", "--reuid", USER, "--regid", USER, "--init-groups"]

    def env(self):
        env = {"PATH": "/usr/local/bin:/usr/bin:/bin:/usr/sbin:/sbin", "HOME": self.scratch,
               "XDG_RUNTIME_DIR": self.runtime, "WAYLAND_DISPLAY": "wayland-1"}
        if self.ipc:
            env["SWAYSOCK"] = self.ipc
        return env

    def run(self, *command):
        return subprocess.run(self.prefix() + list(command), env=self.env(), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL, timeout=10).returncode

    def msg(self, *arguments):
        return self.run("swaymsg", *arguments)

    def press_key(self):
        # Twice: wtype's first key can count as still held from the last wtype (see SwaySession.cpp).
        self.run("wtype", "-s", "300", "-P", "space", "-p", "space", "-P", "space", "-p", "space")

    def close(self):
        bench.stop(self.process)
        shutil.rmtree(self.runtime, ignore_errors=True)
        shutil.rmtree(self.scratch, ignore_errors=True)


class WindowSystem:
    """Where a program runs: its environment, the prefix of its command, how a key reaches it."""

    def __init__(self, label, env, prefix, press_key):
        self.label, self.env, self.prefix, self.press_key = label, env, prefix, press_key


def measure(system, program, seconds):
    """(first frame ms, frames per CPU-second, frames per wall-second, peak RSS MB) of one start."""
    program.prepare()
    started = bench.Program(program.label, system.prefix + program.command, program.folder, env=program.env)
    run = bench.Started(started, system.env)
    if run.read_until("stage first-swap", bench.FIRST_FRAME_TIMEOUT) is None:
        run.end(system.env, press=system.press_key)
        raise RuntimeError("%s on %s: no first frame: %s" % (program.label, system.label, " | ".join(run.lines[-3:])))
    first = time.monotonic()
    time.sleep(seconds)
    wall = time.monotonic() - first
    status, usage = run.end(system.env, press=system.press_key)
    for line in run.lines:
        parts = line.split()
        if len(parts) == 5 and parts[:2] == ["hc-bench", "frames"]:
            frames, cpu = int(parts[2]), float(parts[4])
            return run.stage_ms("first-swap"), frames / cpu, frames / wall, usage.ru_maxrss / 1024.0
    raise RuntimeError("%s on %s did not report its frames (status %s)" % (program.label, system.label, status))


def process_cpu_seconds(pid):
    with open("/proc/%d/stat" % pid) as f:
        fields = f.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def wakeups(pid):
    """Voluntary context switches of every thread of the process: each one is a sleep it woke from."""
    total = 0
    for task in os.listdir("/proc/%d/task" % pid):
        with open("/proc/%d/task/%s/status" % (pid, task)) as f:
            for line in f:
                if line.startswith("voluntary_ctxt_switches:"):
                    total += int(line.split()[1])
    return total


def no_callbacks_check(exe, work, picture, seconds, size):
    """CPU % and wake-ups per second of one Wayland saver while sway sends frame callbacks, and
    while it sends none. sway 1.7's headless backend cannot turn an output off (it refuses the
    commit of `output HEADLESS-1 dpms off`), so sway is stopped (SIGSTOP) instead: to the saver
    that is the same as an output that is off, its last frame's callback never comes."""
    sway = Sway(size)
    try:
        program = bench.Program("saver", sway.prefix() + [exe, "/s"], work, 1, picture)
        program.prepare()
        run = bench.Started(program, sway.env())
        if run.read_until("stage first-swap", bench.FIRST_FRAME_TIMEOUT) is None:
            raise RuntimeError("no first frame: " + " | ".join(run.lines[-3:]))
        pid = run.process.pid
        print("Wayland saver at %s, %.0f s per state (%s):" % (size, seconds, bench.load_note()))
        for state, sent in (("callbacks", signal.SIGCONT), ("none", signal.SIGSTOP), ("callbacks", signal.SIGCONT)):
            os.kill(sway.process.pid, sent)
            time.sleep(1.0)
            cpu, woken, start = process_cpu_seconds(pid), wakeups(pid), time.monotonic()
            time.sleep(seconds)
            wall = time.monotonic() - start
            print("  frame callbacks: %-9s  CPU %5.1f %%   wake-ups %6.1f /s" % (
                state, 100.0 * (process_cpu_seconds(pid) - cpu) / wall, (wakeups(pid) - woken) / wall))
        status, _ = run.end(sway.env(), press=sway.press_key)
        print("  ended by a key with status %s" % status)
    finally:
        os.kill(sway.process.pid, signal.SIGCONT)
        sway.close()


def ratio_line(label, wayland, x11, unit, fmt):
    ratios = [w / x for w, x in zip(wayland, x11)]
    print("  %-14s x11 %s %s   wayland %s %s   wayland/x11 %s" % (
        label, bench.spread(x11, fmt), unit, bench.spread(wayland, fmt), unit, bench.spread(ratios, "%.3f")))


def compare(args, exe, work, picture):
    program = bench.Program("saver, picture", [exe, "/s"], work, 1, picture)
    if not args.paced:
        program.env["HELIXCAVERN_BENCH_UNPACED"] = "1"
    server, display = bench.start_xvfb(args.size)
    sway = Sway(args.size)
    try:
        x11_env = {k: v for k, v in os.environ.items() if k != "WAYLAND_DISPLAY"}
        x11_env.update(DISPLAY=display, QT_QPA_PLATFORM="xcb")
        x11 = WindowSystem("x11", x11_env, [], None)
        wayland = WindowSystem("wayland", sway.env(), sway.prefix(), sway.press_key)
        results = {"x11": [], "wayland": []}
        for system in (x11, wayland):  # warm the file cache; not counted
            measure(system, program, 1.0)
        for _ in range(args.runs):
            for system in (x11, wayland):
                results[system.label].append(measure(system, program, args.seconds))
    finally:
        sway.close()
        bench.stop(server)
    print("helixcavern saver, picture source, %s, X11 (Xvfb) against Wayland (headless sway): %d runs, %.0f s "
          "of frames each, %s, %s" % (args.size, args.runs, args.seconds,
                                      "paced" if args.paced else "unpaced where the window system lets it",
                                      bench.load_note()))
    for index, (label, unit, fmt) in enumerate((("first frame", "ms", "%.1f"), ("frames/CPU-s", "", "%.1f"),
                                                ("frames/wall-s", "", "%.1f"), ("peak RSS", "MB", "%.1f"))):
        ratio_line(label, [r[index] for r in results["wayland"]], [r[index] for r in results["x11"]], unit, fmt)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    where = parser.add_mutually_exclusive_group()
    where.add_argument("--build", default=os.path.join(bench.TOP, "build-bench"), help="build here first")
    where.add_argument("--no-build", metavar="DIR", help="use this benchmark build as it is")
    parser.add_argument("--runs", type=int, default=5)
    parser.add_argument("--seconds", type=float, default=5.0)
    parser.add_argument("--size", default="1920x1080")
    parser.add_argument("--paced", action="store_true", help="leave frame pacing on")
    parser.add_argument("--exe", help="the saver to start (default: the build's helixcavern_bench)")
    parser.add_argument("--no-callbacks", type=float, metavar="S",
                        help="instead: CPU with and without frame callbacks")
    args = parser.parse_args()

    folder = args.no_build or args.build
    if not args.no_build:
        bench.build(folder)
    work = tempfile.mkdtemp(prefix="hc-wayland-bench-")
    os.chmod(work, 0o777)  # the session user writes nothing here, but reads the program and picture
    try:
        exe = os.path.join(work, "helixcavern")
        shutil.copy2(args.exe or os.path.join(folder, "bench", "helixcavern_bench"), exe)
        picture = os.path.join(work, "photo.jpg")
        subprocess.run([os.path.join(folder, "bench", "frame_probe"), "--make-picture", picture, "1920", "1080"],
                       check=True, env=dict(os.environ, QT_QPA_PLATFORM="offscreen"))
        os.chmod(picture, 0o644)
        if args.no_callbacks:
            no_callbacks_check(exe, work, picture, args.no_callbacks, "640x480")
        else:
            compare(args, exe, work, picture)
    finally:
        shutil.rmtree(work, ignore_errors=True)
    return 0


if __name__ == "__main__":
    sys.exit(main())
