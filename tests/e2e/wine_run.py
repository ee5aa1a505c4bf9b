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

    def run(self, args, log, timeout):
        """Runs `wine args...`; returns its exit code, or None when it ran out of time."""
        with open(log, "wb") as out:
            process = subprocess.Popen(["wine", *map(str, args)], stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=subprocess.STDOUT, env=self.env)
            try:
                return process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                return None

    def drive(self, driver, exe, cwd, steps, work, timeout=30):
        """Plays steps at the program exe started in cwd (e2e_driver); the driver's records are
        returned as dicts, the last one its exit record or its failure."""
        out = pathlib.Path(work) / "driver.jsonl"
        out.unlink(missing_ok=True)
        args = [driver, "--exe", self.windows_path(exe), "--cwd", self.windows_path(cwd),
                "--out", self.windows_path(out), "--timeout", timeout, *steps]
        code = self.run(args, pathlib.Path(work) / "driver.log", timeout + 20)
        records = [json.loads(line) for line in out.read_text(encoding="utf-8").splitlines()
                   if line.strip()] if out.exists() else []
        if code is None:
            records.append({"step": "driver", "error": "the driver did not end"})
        return records


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
