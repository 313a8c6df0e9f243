#!/usr/bin/env python3
"""Saver benchmark: builds a release benchmark build in its own folder and reports, under Xvfb at
1920x1080 with Mesa's llvmpipe, the time from process start to the first presented frame (desktop
and picture source, median of several runs), frames per CPU-second over ten seconds of running,
and peak resident memory.

Usage: bench/bench.py [--build DIR] [--runs N] [--seconds S]
The first frame is found by watching the screen (frame_probe): the desktop is painted blue, and the
frame counts as presented when the black far opening shows at the centre with a lit wall above it.
"""
import argparse
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

TOP = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
SCREEN = "1920x1080x24"
KEY_SOURCE = b"\x89\xE6\x91\x9C"
KEY_FILE = b"\x89\xE6\x91\x9C\xCC\xA7\xB2\xD9"
KEY_SPEED = b"\x89\xF1\x93\x5D\x91\xAC\x93\x78"
# Start-up stages a benchmark build of the saver reports, in order.
STAGES = ("saver-entry", "source-picture", "shown", "context", "gl-state", "exposed", "first-swap")


def build(folder):
    subprocess.run(["cmake", "-S", TOP, "-B", folder, "-G", "Ninja", "-DCMAKE_BUILD_TYPE=Release",
                    "-DHELIXCAVERN_BENCH=ON", "-DHELIXCAVERN_TESTS=OFF"], check=True, stdout=subprocess.DEVNULL)
    subprocess.run(["cmake", "--build", folder, "-j2", "--target", "helixcavern", "frame_probe"], check=True,
                   stdout=subprocess.DEVNULL)


def start_xvfb():
    read_end, write_end = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write_end), "-screen", "0", SCREEN, "-nolisten", "tcp",
                               "-noreset"], pass_fds=(write_end,), stderr=subprocess.DEVNULL)
    os.close(write_end)
    number = b""
    while not number.endswith(b"\n"):
        chunk = os.read(read_end, 16)
        if not chunk:
            raise RuntimeError("Xvfb did not start")
        number += chunk
    os.close(read_end)
    return server, ":" + number.decode().strip()


def write_settings(folder, source, picture=""):
    with open(os.path.join(folder, "Helixcavern.ini"), "wb") as f:
        f.write(b"[Section]\r\n" + KEY_SOURCE + b"= " + str(source).encode() + b"\r\n" + KEY_FILE + b"="
                + picture.encode() + b"\r\n" + KEY_SPEED + b"= 20\r\n")


def end_saver(env):
    subprocess.run(["xdotool", "key", "space"], env=env, check=False)


def wait_with_usage(process, timeout):
    """Waits for the saver; returns (exit status, rusage) or kills it after `timeout` seconds."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        pid, status, usage = os.wait4(process.pid, os.WNOHANG)
        if pid == process.pid:
            process.returncode = os.waitstatus_to_exitcode(status)
            return process.returncode, usage
        time.sleep(0.01)
    process.kill()
    _, status, usage = os.wait4(process.pid, 0)
    process.returncode = os.waitstatus_to_exitcode(status)
    return None, usage


def stages(stderr_text, started):
    """The saver's stage reports: {stage: (ms since start, resident MB, CPU ms used so far)}."""
    found = {}
    for line in stderr_text.splitlines():
        parts = line.split()
        if len(parts) == 6 and parts[:2] == [b"hc-bench", b"stage"]:
            found[parts[2].decode()] = ((int(parts[3]) - started) / 1e6, float(parts[4]), float(parts[5]))
    return found


def first_frame_ms(exe, probe, env):
    """Milliseconds from starting the saver until its first frame shows, its peak RSS in kB, and
    the times and memory of its start-up stages."""
    watcher = subprocess.Popen([probe, "--first-frame"], env=env, stdout=subprocess.PIPE, text=True)
    if watcher.stdout.readline().strip() != "ready":
        raise RuntimeError("frame probe failed")
    started = time.monotonic_ns()
    saver = subprocess.Popen([exe, "/s"], env=env, stderr=subprocess.PIPE)
    seen = watcher.stdout.readline().strip()
    watcher.wait()
    end_saver(env)
    status, usage = wait_with_usage(saver, 10)
    if not seen.isdigit():
        raise RuntimeError("first frame not seen (" + seen + ")")
    if status != 0:
        print("  note: saver ended with status", status, file=sys.stderr)
    return (int(seen) - started) / 1e6, usage.ru_maxrss, stages(saver.stderr.read(), started)


def frames_per_cpu_second(exe, probe, env, seconds):
    watcher = subprocess.Popen([probe, "--first-frame"], env=env, stdout=subprocess.PIPE, text=True)
    watcher.stdout.readline()
    saver = subprocess.Popen([exe, "/s"], env=env, stderr=subprocess.PIPE, text=True)
    watcher.stdout.readline()
    watcher.wait()
    time.sleep(seconds)
    end_saver(env)
    status, usage = wait_with_usage(saver, 10)
    frames = cpu = None
    for line in saver.stderr.read().splitlines():
        parts = line.split()
        if len(parts) == 5 and parts[:2] == ["hc-bench", "frames"]:
            frames, cpu = int(parts[2]), float(parts[4])
    if frames is None:
        raise RuntimeError("the saver did not report its frames (status %s)" % status)
    wall_cpu = usage.ru_utime + usage.ru_stime
    return frames, cpu, wall_cpu, usage.ru_maxrss


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--build", default=os.path.join(TOP, "build-bench"))
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--seconds", type=float, default=10.0)
    args = parser.parse_args()

    build(args.build)
    exe_built = os.path.join(args.build, "helixcavern")
    probe = os.path.join(args.build, "bench", "frame_probe")
    server, display = start_xvfb()
    work = tempfile.mkdtemp(prefix="hc-bench-")
    try:
        exe = os.path.join(work, "helixcavern")
        shutil.copy2(exe_built, exe)
        env = dict(os.environ, DISPLAY=display, QT_QPA_PLATFORM="xcb")
        env.pop("WAYLAND_DISPLAY", None)
        picture = os.path.join(work, "photo.jpg")
        subprocess.run([probe, "--make-picture", picture, "1920", "1080"], check=True, env=env)
        print("helixcavern saver benchmark: Xvfb %s, llvmpipe, release build in %s" % (SCREEN, args.build))
        peak = 0
        for name, source in (("desktop", 0), ("picture 1920x1080 JPEG", 1)):
            write_settings(work, source, picture if source else "")
            first_frame_ms(exe, probe, env)  # warm the file cache; not counted
            times = []
            stage_runs = []
            for _ in range(args.runs):
                ms, rss, stage_times = first_frame_ms(exe, probe, env)
                times.append(ms)
                stage_runs.append(stage_times)
                peak = max(peak, rss)
            print("first frame, %-24s median %6.1f ms  (min %.1f, max %.1f, %d runs)  [target <= 250 ms]"
                  % (name + ":", statistics.median(times), min(times), max(times), len(times)))
            for stage in STAGES:
                values = [run[stage] for run in stage_runs if stage in run]
                if values:
                    print("    %-15s at %6.1f ms, %6.1f CPU-ms used, resident %5.1f MB (medians)"
                          % (stage, statistics.median(v[0] for v in values), statistics.median(v[2] for v in values),
                             statistics.median(v[1] for v in values)))
        for name, source in (("desktop", 0), ("picture", 1)):
            write_settings(work, source, picture if source else "")
            frames, cpu, total_cpu, rss = frames_per_cpu_second(exe, probe, env, args.seconds)
            peak = max(peak, rss)
            print("frames per CPU-second, %-8s %6.1f  (%d frames, %.2f CPU-s after the first frame, %.2f CPU-s in all)"
                  "  [target >= 50]" % (name + ":", frames / cpu, frames, cpu, total_cpu))
        print("peak resident memory: %.1f MB  [target < 110 MB]" % (peak / 1024.0))
    finally:
        server.terminate()
        server.wait()
        shutil.rmtree(work, ignore_errors=True)


if __name__ == "__main__":
    main()
