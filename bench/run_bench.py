#!/usr/bin/env python3
"""Measures tarnwick-cli and the window side by side with find and cp.

Makes its own trees in a temporary folder, warms the cache, then runs each
pair alternately (RUNS times each side) and prints medians and ratios."""
import argparse
import contextlib
import json
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, HERE)
import make_trees  # noqa: E402


def timed(argv, stdout=subprocess.DEVNULL, before=None):
    if before:
        before()
    start = time.perf_counter()
    subprocess.run(argv, stdout=stdout, stderr=subprocess.DEVNULL, check=True)
    return time.perf_counter() - start


@contextlib.contextmanager
def xvfb_display():
    """A private Xvfb server for the time of the block: its display name, or
    None when Xvfb is not installed."""
    if shutil.which("Xvfb") is None:
        yield None
        return
    for number in range(90, 140):
        if not os.path.exists(f"/tmp/.X{number}-lock"):
            break
    server = subprocess.Popen(["Xvfb", f":{number}", "-screen", "0", "1600x1000x24", "-nolisten",
                               "tcp"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    try:
        for _ in range(100):  # until it takes connections
            if os.path.exists(f"/tmp/.X11-unix/X{number}"):
                break
            time.sleep(0.05)
        time.sleep(0.2)
        yield f":{number}"
    finally:
        server.terminate()
        server.wait()


@contextlib.contextmanager
def xfs_image(work):
    """A 2 GiB XFS file system in an image below work, loop-mounted for the
    time of the block: its mount point, or None when that cannot be done."""
    image, point = os.path.join(work, "xfs.img"), os.path.join(work, "xfs")
    if os.geteuid() != 0 or shutil.which("mkfs.xfs") is None:
        yield None
        return
    with open(image, "wb") as f:
        f.truncate(2 << 30)
    os.mkdir(point)
    made = subprocess.run(["mkfs.xfs", "-q", "-f", image], capture_output=True).returncode == 0
    if not made or subprocess.run(["mount", "-o", "loop", image, point],
                                  capture_output=True).returncode != 0:
        yield None
        return
    try:
        yield point
    finally:
        subprocess.run(["umount", point], check=False)


def copy_calls(mounted, large, args):
    """copy_calls_bench's three ways of putting a clone in place, alternately,
    on one flat folder of the large tree's files: median milliseconds each."""
    bench = os.path.join(args.build, "bench", "copy_calls_bench")
    flat = os.path.join(mounted, "flat")
    os.mkdir(flat)
    for folder in sorted(os.listdir(large)):
        for name in sorted(os.listdir(os.path.join(large, folder))):
            shutil.copyfile(os.path.join(large, folder, name), os.path.join(flat, f"{folder}_{name}"))
    times = {"in-place": [], "rename": [], "unnamed": []}
    target = os.path.join(mounted, "calls")
    for _ in range(args.runs):
        for way in times:
            shutil.rmtree(target, ignore_errors=True)
            os.mkdir(target)
            subprocess.run(["sync"], check=True)
            time.sleep(0.5)
            line = subprocess.run([bench, flat, target, way], capture_output=True, text=True,
                                  check=True).stdout
            times[way].append(json.loads(line)["ms"])
    return {way: statistics.median(t) for way, t in times.items()}


def pair(name, a, b, runs):
    """a and b are (label, function returning seconds); runs alternate."""
    a[1]()
    b[1]()  # warm-up, not counted
    ta, tb = [], []
    for _ in range(runs):
        ta.append(a[1]())
        tb.append(b[1]())
    ma, mb = statistics.median(ta), statistics.median(tb)
    return {"pair": name, "a": a[0], "b": b[0], "median_a": ma, "median_b": mb,
            "ratio": ma / mb, "runs": runs}


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--build", default=os.path.join(HERE, "..", "build"))
    parser.add_argument("--runs", type=int, default=7)
    parser.add_argument("--keep", action="store_true", help="keep the trees")
    parser.add_argument("--settle", type=float, default=2.0,
                        help="seconds to wait after removing a copy before the next one")
    parser.add_argument("--only", choices=["simulation", "copy", "window"],
                        help="measure one pair (or two for simulation)")
    args = parser.parse_args()
    cli = os.path.join(args.build, "src", "cli", "tarnwick-cli")
    window = os.path.join(args.build, "bench", "window_bench")

    work = tempfile.mkdtemp(prefix="tarnwick-bench-")
    results, per_row, answer, calls = [], [], None, None
    try:
        make_trees.make_small(work)
        make_trees.make_large(work)
        small, large = os.path.join(work, "small"), os.path.join(work, "large")
        out = os.path.join(work, "out")
        os.mkdir(out)
        want = lambda what: args.only in (None, what)  # noqa: E731

        if want("simulation"):
            results.append((1.0, pair(
                "simulation, --ext .jpg (10,000 of 100,000 files)",
                ("tarnwick-cli", lambda: timed([cli, "--source", small, "--new-folder", out,
                                                "--ext", ".jpg"])),
                ("find -name '*.jpg'", lambda: timed(["find", small, "-name", "*.jpg"])),
                args.runs)))
            results.append((1.5, pair(
                "simulation, every file (100,000 files)",
                ("tarnwick-cli", lambda: timed([cli, "--source", small, "--new-folder", out])),
                ("find -type f", lambda: timed(["find", small, "-type", "f"])),
                args.runs)))

        if want("copy"):
            def copy_pair(where, source, folder):
                copy_cli, copy_cp = os.path.join(folder, "copy-cli"), os.path.join(folder, "copy-cp")

                def fresh(target, make):
                    def prepare():
                        shutil.rmtree(target, ignore_errors=True)
                        if make:
                            os.mkdir(target)
                        # Let the file system finish with the removed copy (written
                        # back, blocks discarded) so neither side pays for the other.
                        subprocess.run(["sync"], check=True)
                        time.sleep(args.settle)
                    return prepare

                return pair(
                    f"copy, 2,000 files of 256 KiB, {where}",
                    ("tarnwick-cli --copy", lambda: timed(
                        [cli, "--source", source, "--new-folder", copy_cli, "--mode", "asc",
                         "--copy"], before=fresh(copy_cli, True))),
                    ("cp -r --preserve=mode,timestamps", lambda: timed(
                        ["cp", "-r", "--preserve=mode,timestamps", source, copy_cp],
                        before=fresh(copy_cp, False))),
                    args.runs)

            fs = subprocess.run(["findmnt", "-n", "-o", "FSTYPE", "-T", work], capture_output=True,
                                text=True).stdout.strip() or "the work folder's file system"
            results.append((1.1, copy_pair(f"on {fs} (the work folder)", large, work)))
            with xfs_image(work) as mounted:
                if mounted is None:
                    print("copy on XFS: not measured (needs root, mkfs.xfs and a loop device)",
                          file=sys.stderr)
                else:
                    shutil.copytree(large, os.path.join(mounted, "large"))
                    subprocess.run(["sync"], check=True)
                    results.append((1.1, copy_pair("on XFS (a loop-mounted image; both clone)",
                                                   os.path.join(mounted, "large"), mounted)))
                    calls = copy_calls(mounted, os.path.join(mounted, "large"), args)

        if want("window"):
            window_runs = {"offscreen": [], "xvfb": []}

            def window_job(platform, env):
                def run():
                    line = subprocess.run([window, small, out], capture_output=True, text=True,
                                          check=True, env=env).stdout.strip().splitlines()[-1]
                    window_runs[platform].append(json.loads(line))
                    return window_runs[platform][-1]["seconds"]
                return run

            find_every = ("find -type f", lambda: timed(["find", small, "-type", "f"]))
            results.append((4.0, pair(
                "window (offscreen): Copy Simulation of 100,000 files, click to idle",
                ("window", window_job("offscreen", dict(os.environ, QT_QPA_PLATFORM="offscreen"))),
                find_every, args.runs)))
            with xvfb_display() as display:
                if display is None:
                    print("window on Xvfb: not measured (Xvfb is not installed)", file=sys.stderr)
                else:
                    env = dict(os.environ, QT_QPA_PLATFORM="xcb", DISPLAY=display)
                    env.pop("WAYLAND_DISPLAY", None)
                    results.append((4.0, pair(
                        "window (Xvfb, a real X display): Copy Simulation of 100,000 files, "
                        "click to idle",
                        ("window", window_job("xvfb", env)), find_every, args.runs)))
                    probes = [json.loads(subprocess.run(
                        [window, small, out, "--probe"], capture_output=True, text=True,
                        check=True, env=env).stdout.strip().splitlines()[-1]) for _ in range(3)]
                    answer = max(p["answer_ms"] for p in probes)
            per_row = [(r["peak_kib"] - r["idle_kib"]) * 1024 / max(r["rows"], 1)
                       for r in window_runs["offscreen"][1:]]
    finally:
        if not args.keep:
            shutil.rmtree(work, ignore_errors=True)

    print(f"machine: {os.cpu_count()} cores; {os.uname().sysname} {os.uname().release}")
    for goal, r in results:
        verdict = "met" if r["ratio"] <= goal else "NOT met"
        print(f"{r['pair']}\n  {r['a']}: {r['median_a']:.3f} s   {r['b']}: "
              f"{r['median_b']:.3f} s   ratio {r['ratio']:.2f} (goal <= {goal}, {verdict}); "
              f"medians of {r['runs']}")
    if per_row:
        m = statistics.median(per_row)
        print(f"window peak memory per grid row above idle: {m:.0f} bytes "
              f"(goal <= 250, {'met' if m <= 250 else 'NOT met'}); median of {len(per_row)}")
    if calls:
        print("the system calls of a cloned copy alone, per 2,000 files on XFS "
              "(copy_calls_bench, medians): " +
              ", ".join(f"{way} {ms:.1f} ms" for way, ms in calls.items()))
    if answer is not None:
        print(f"window on Xvfb, a scroll or resize during the job drawn within {answer:.0f} ms "
              f"at the longest (goal <= 100, {'met' if answer <= 100 else 'NOT met'}); 3 jobs")


if __name__ == "__main__":
    main()
