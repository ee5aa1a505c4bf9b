"""Running Windows programs in the prefix that tests/e2e/wine.sh set up, and looking at its files.

Wine's output always goes to files: its background processes inherit whatever they are given
and keep a pipe open for as long as they live.
"""

import json
import os
import pathlib
import subprocess
import time


class Wine:
    def __init__(self, env_file):
        values = {}
        for line in pathlib.Path(env_file).read_text().splitlines():
            key, _, value = line.partition("=")
            values[key] = value
        self.prefix = pathlib.Path(values["WINEPREFIX"])
        self.drive_c = self.prefix / "drive_c"
        self.env = dict(os.environ, DISPLAY=values["DISPLAY"], WINEPREFIX=str(self.prefix),
                        WINEARCH="win32", WINEDEBUG="-all", WINEDLLOVERRIDES="mscoree,mshtml=")

    def windows_path(self, path):
        """C:\\... for a path under drive_c, Z:\\... for any other."""
        path = pathlib.Path(path).absolute()
        try:
            return "C:\\" + "\\".join(path.relative_to(self.drive_c).parts)
        except ValueError:
            return "Z:" + str(path).replace("/", "\\")

    def run(self, args, log, timeout, poll=None):
        """Runs `wine args...`; returns its exit code, or None when it ran out of time. poll, when
        given, is called about every 20 ms while it runs."""
        with open(log, "wb") as out:
            process = subprocess.Popen(["wine", *map(str, args)], stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=subprocess.STDOUT, env=self.env)
            deadline = time.monotonic() + timeout
            try:
                while poll is not None and process.poll() is None:
                    if time.monotonic() > deadline:
                        raise subprocess.TimeoutExpired(args, timeout)
                    poll()
                    time.sleep(0.02)
                return process.wait(timeout=max(0, deadline - time.monotonic()))
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                return None

    def drive(self, driver, exe, cwd, steps, work, timeout=30, react=None):
        """Plays steps at the program exe started in cwd (e2e_driver); the driver's records are
        returned as dicts, the last one its exit record or its failure. react, when given, maps a
        step to a function that is called once, as soon as the driver has recorded that step."""
        out = pathlib.Path(work) / "driver.jsonl"
        out.unlink(missing_ok=True)
        args = [driver, "--exe", self.windows_path(exe), "--cwd", self.windows_path(cwd),
                "--out", self.windows_path(out), "--timeout", timeout, *steps]
        pending = dict(react or {})

        def poll():
            for record in read_records(out):
                action = pending.pop(record.get("step"), None)
                if action:
                    action()

        code = self.run(args, pathlib.Path(work) / "driver.log", timeout + 20,
                        poll if pending else None)
        records = read_records(out)
        if code is None:
            records.append({"step": "driver", "error": "the driver did not end"})
        return records


def read_records(path):
    """The driver's records so far; a line that it is still writing is left for the next look."""
    try:
        text = path.read_text(encoding="utf-8")
    except FileNotFoundError:
        return []
    return [json.loads(line) for line in text.split("\n")[:-1] if line.strip()]


def wait_for_file(path, seconds, *or_paths):
    """Waits until path, or one of or_paths, exists; true when path does."""
    deadline = time.monotonic() + seconds
    while not any(p.exists() for p in (path, *or_paths)) and time.monotonic() < deadline:
        time.sleep(0.05)
    return path.exists()


def snapshot(root):
    """Every file and folder under root: relative path -> content (None for a folder)."""
    root = pathlib.Path(root)
    return {str(p.relative_to(root)): (None if p.is_dir() else p.read_bytes())
            for p in sorted(root.rglob("*"))}


def tree(root):
    """The snapshot as printable lines; folders end with "/"."""
    return [name + ("/" if content is None else f"  ({len(content)} bytes)")
            for name, content in snapshot(root).items()]
