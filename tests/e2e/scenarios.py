#!/usr/bin/env python3
"""End-to-end scenarios: uninstall.exe under Wine, its user played by e2e_driver.exe.

  scenarios.py --exe uninstall.exe --driver e2e_driver.exe [--marker e2e_mark.exe]
               [--reg e2e_reg.exe] [--env wine.env] [--list] [NAME...]

Needs the prefix of `tests/e2e/wine.sh start` (its wine.env; by default the one beside --exe).
Each scenario lays out an application folder of its own, C:\\Unroll e2e\\<name>\\Sample App,
starts its copy of uninstall.exe from another folder, C:\\Unroll e2e\\<name>\\Start here, and
checks the driver's records and the files on the Linux side. The folders stay for a look
afterwards; the next run replaces them. The registry scenarios lay out keys of their own, such as
HKCU\\Software\\UnrollE2E\\<name>, with e2e_reg.exe, compare them before and after and remove them.
"""

import argparse
import os
import pathlib
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from reg_tree import Sandbox, removed  # noqa: E402
from unroll_log import LANGUAGE_NAME, LOG_NAME, log_bytes, write_data_files  # noqa: E402
from wine_run import Wine, snapshot, wait_for_file  # noqa: E402

APP_NAME = "Sample App – Ünïcode"
ERROR_BOX = dict(title="Error", text="Uninstall error!", buttons=["ok"], icon="error")
# The language file's texts are not applied yet: the boxes after the start have empty texts.
CONFIRM_BOX = dict(title="", text="", buttons=["yes", "no"], icon="question")
SUCCESS_BOX = dict(title="", text="", buttons=["ok"], icon="none")
EXIT_BOX = dict(title="", text="", buttons=["ok", "cancel"], icon="question")


class Failed(Exception):
    pass


class Scenario:
    """One scenario's folders, its copy of the program and its checks."""

    def __init__(self, tools, name):
        self.tools = tools
        self.wine = tools.wine
        self.name = name
        self.root = self.wine.drive_c / "Unroll e2e" / name
        shutil.rmtree(self.root, ignore_errors=True)
        self.app = self.root / "Sample App"
        self.elsewhere = self.root / "Start here"
        self.app.mkdir(parents=True)
        self.elsewhere.mkdir()
        shutil.copy(tools.exe, self.app / "uninstall.exe")
        self.work = self.root / "driver"  # the driver's records and output; not in the trees
        self.work.mkdir()
        self.records = []
        self.sandboxes = []  # registry keys laid out and not removed yet
        self.registry_before = set()

    def tree(self):
        return {name: content for name, content in snapshot(self.root).items()
                if pathlib.Path(name).parts[0] != self.work.name}

    def win(self, path):
        return self.wine.windows_path(path)

    def play(self, *steps, timeout=30):
        self.records = self.wine.drive(self.tools.driver, self.app / "uninstall.exe",
                                       self.elsewhere, steps, self.work, timeout)
        return self.records

    def expect(self, what, got, want):
        if got != want:
            raise Failed(f"{what}: got {got!r}, want {want!r}")

    def expect_tree(self, want):
        got = self.tree()
        problems = [f"gone: {n}" for n in sorted(want.keys() - got.keys())]
        problems += [f"unexpected: {n}" for n in sorted(got.keys() - want.keys())]
        problems += [f"changed: {n}" for n in sorted(want.keys() & got.keys()) if want[n] != got[n]]
        if problems:
            raise Failed("files: " + "; ".join(problems))

    def expect_lines(self, what, got, want):
        problems = [f"gone: {line}" for line in sorted(want - got)]
        problems += [f"unexpected: {line}" for line in sorted(got - want)]
        if problems:
            raise Failed(f"{what}: " + "; ".join(problems))

    def reg(self, what, commands):
        """Runs e2e_reg.exe with commands (tuples of fields); returns the lines it dumped."""
        commands_file, out = self.work / "reg commands.txt", self.work / "reg out.txt"
        commands_file.write_text("".join("\t".join(c) + "\n" for c in commands), encoding="utf-8")
        out.unlink(missing_ok=True)
        code = self.wine.run([self.tools.reg, self.win(commands_file), self.win(out)],
                             self.work / "reg.log", 60)
        lines = out.read_text(encoding="utf-8").splitlines() if out.exists() else []
        if code != 0:
            raise Failed(f"e2e_reg ({what}) ended with {code}: {lines[-1:]}")
        return set(lines)

    def sandbox(self, root, path=None):
        """A key of this scenario's own under root, by default Software\\UnrollE2E\\<name>."""
        return Sandbox(root, path or "Software\\UnrollE2E\\" + self.name)

    def lay_out_registry(self, *layouts):
        """layouts: (sandbox, layout) pairs; checks that the registry holds exactly them."""
        self.sandboxes += [box for box, _ in layouts]
        commands = [c for box, layout in layouts for c in box.commands(layout)]
        got = self.reg("set-up", commands + [("dump", box.key()) for box, _ in layouts])
        self.expect_lines("registry as laid out", got,
                          set().union(*(box.lines(layout) for box, layout in layouts)))
        self.registry_before = got

    def expect_registry(self, *gone):
        """The sandboxes hold what they held before but for gone (see reg_tree.removed); removes
        them."""
        want = removed(self.registry_before, *gone)
        got = self.reg("read-back", [("dump", box.key()) for box in self.sandboxes] +
                       [("clear", box.key()) for box in self.sandboxes])
        self.sandboxes = []
        self.expect_lines("registry", got, want)

    def clean_up(self):
        if self.sandboxes:
            self.reg("clean-up", [("clear", box.key()) for box in self.sandboxes])
            self.sandboxes = []

    def expect_records(self, *wanted):
        """wanted: (step, fields) pairs, the exit record last. A box's owner is only checked
        where the fields name one."""
        got = self.records
        for i, (step, fields) in enumerate(wanted):
            if i >= len(got):
                raise Failed(f"no record for {step}; records: {got}")
            record = got[i]
            if "error" in record or record.get("step") != step:
                raise Failed(f"record {i}: got {record}, want step {step} with {fields}")
            for key, value in fields.items():
                self.expect(f"{step} {key}", record.get(key), value)
        self.expect("records", len(got), len(wanted))


def sample_layout(s):
    """The application folder of the removal scenarios and the log that names its parts.
    Returns the paths (relative to s.root) that a full replay removes."""
    app = s.app
    files = {
        "read me.txt": "readme",
        "bin/tool one.dll": "dll 1", "bin/tool two.dll": "dll 2",
        "data/.hidden cache": "hidden", "data/locked settings.ini": "read-only",
        "plugins/plugin.dll": "plugin", "plugins/extra/keep.txt": "in a subfolder",
        "relative file.txt": "relative", "rel dir/a.txt": "relative folder's file",
        "decoy file.txt": "not in the log", "decoy folder/inside.txt": "not in the log",
    }
    for name, text in files.items():
        (app / name).parent.mkdir(parents=True, exist_ok=True)
        (app / name).write_text(text)
    # The same relative names in the start folder: the log's relative paths are not meant there.
    for name in ("relative file.txt", "rel dir/a.txt"):
        (s.elsewhere / name).parent.mkdir(exist_ok=True)
        (s.elsewhere / name).write_text("start folder")

    hidden = app / "data/.hidden cache"
    try:
        os.setxattr(hidden, "user.DOSATTRIB", b"0x2")  # FILE_ATTRIBUTE_HIDDEN, as Wine stores it
    except OSError:
        pass  # the leading dot alone makes Wine report it hidden
    (app / "data/locked settings.ini").chmod(0o444)  # no write bit: Wine reports read-only

    records = [
        ("#DF", s.win(app / "read me.txt")),
        ("#DF", s.win(app / "never installed.txt")),
        ("#DD", s.win(app / "bin")),
        # A registry record's argument lines are never tags, and a line in tag position that is
        # no tag is skipped: otherwise the decoys would go.
        ("#DRV", "HKEY_CURRENT_USER", r"Software\Unroll e2e", "#DF"),
        s.win(app / "decoy file.txt"),
        ("#DRK", "HKEY_CURRENT_USER", "#DD"),
        s.win(app / "decoy folder"),
        "no tag at all",
        ("#DD", s.win(app / "data")),
        ("#DD", s.win(app / "plugins") + "\\"),
        ("#DF", "relative file.txt"),
        ("#DD", "rel dir"),
    ]
    write_data_files(app, APP_NAME, records)  # CR LF line ends; the follow-up logs use LF
    removed = ["read me.txt", "bin", "bin/tool one.dll", "bin/tool two.dll",
               "data/.hidden cache", "plugins/plugin.dll", "relative file.txt", "rel dir",
               "rel dir/a.txt", LOG_NAME, LANGUAGE_NAME]
    return {"Sample App/" + name for name in removed}


# --- the scenarios ----------------------------------------------------------------------------

def start_failure(break_data_files):
    def scenario(s):
        sample_layout(s)
        break_data_files(s.app)
        before = s.tree()
        s.play("box:ok")
        s.expect_records(("box:ok", dict(ERROR_BOX, owner="none")), ("exit", {"code": 0}))
        s.expect_tree(before)
    return scenario


def confirm_no(s):
    sample_layout(s)
    before = s.tree()
    s.play("box:no")
    s.expect_records(("box:no", dict(CONFIRM_BOX, owner="none")), ("exit", {"code": 0}))
    s.expect_tree(before)


def confirm_yes(s):
    removed = sample_layout(s)
    before = s.tree()
    s.play("box:yes", "window", "box:ok")
    s.expect_records(("box:yes", dict(CONFIRM_BOX, owner="none")),
                     ("window", {"title": "Uninstall " + APP_NAME}),
                     ("box:ok", SUCCESS_BOX), ("exit", {"code": 0}))
    want = {name: content for name, content in before.items() if name not in removed}
    s.expect_tree(want)


def follow_up(command, want_command_line):
    def scenario(s):
        tool = s.root / "Tool dir" / "follow up.exe"
        tool.parent.mkdir()
        shutil.copy(s.tools.marker, tool)
        # What an unquoted "...\Tool dir\follow up.exe" starts first: Tool.exe, with the
        # argument "dir\follow up.exe". (Wine quotes the name of the program it found in the
        # command line it hands over, so that line alone would not tell.)
        decoy = s.root / "Tool.exe"
        shutil.copy(s.tools.marker, decoy)
        write_data_files(s.app, APP_NAME, [("#DF", s.win(s.app / "read me.txt"))],
                         follow_up=command(s.win(tool)), newline="\n")
        (s.app / "read me.txt").write_text("readme")
        s.play("box:yes", "box:ok")
        s.expect_records(("box:yes", CONFIRM_BOX), ("box:ok", SUCCESS_BOX), ("exit", {"code": 0}))
        mark = tool.with_name(tool.name + ".txt")
        decoy_mark = decoy.with_name(decoy.name + ".txt")
        ran = wait_for_file(mark, 10, decoy_mark)
        if decoy_mark.exists():
            raise Failed(f"{decoy.name} ran: {decoy_mark.read_text(encoding='utf-8')}")
        if not ran:
            raise Failed("the follow-up program did not run")
        s.expect("its command line", mark.read_text(encoding="utf-8"),
                 want_command_line(s.win(tool)))
        s.expect("app folder", sorted(p.name for p in s.app.iterdir()), ["uninstall.exe"])
    return scenario


def exit_request(*answers):
    """WM_CLOSE during the replay, answered in turn; the last answer is OK."""
    def scenario(s):
        # Files that do not exist: about 20 us each under Wine, so the replay outlasts the
        # exit boxes many times over; OK ends it long before it gets far.
        gone = s.win(s.app / "gone") + "\\file "
        records = [("#DF", f"{gone}{i}.tmp") for i in range(300_000)]
        write_data_files(s.app, APP_NAME, records)
        before = s.tree()
        steps = ["box:yes"]
        for answer in answers:
            steps += ["close", "box:" + answer]
        s.play(*steps)
        wanted = [("box:yes", CONFIRM_BOX)]
        for answer in answers:
            wanted += [("close", {"title": "Uninstall " + APP_NAME}), ("box:" + answer, EXIT_BOX)]
        s.expect_records(*wanted, ("exit", {"code": 0}))
        s.expect_tree(before)
    return scenario


def uninstall(s, records):
    """Writes the data files, answers Yes and then OK to the success box. Only the boxes' buttons
    are checked: their texts are the other scenarios' business."""
    write_data_files(s.app, APP_NAME, records)
    s.play("box:yes", "box:ok")
    s.expect_records(("box:yes", {"buttons": CONFIRM_BOX["buttons"]}),
                     ("box:ok", {"buttons": SUCCESS_BOX["buttons"]}), ("exit", {"code": 0}))


# A value's removal, a key's removal, and the same names where no record points: siblings,
# names that start alike, another application's key with the same value.
REGISTRY_LAYOUT = {
    "": {"Sandbox": "keep"},
    r"Vendor\App\Settings": {"Color": "red", "Color Backup": "blue", "": "default", "Size": 42},
    r"Vendor\App\Settings Backup": {"Color": "red"},
    r"Vendor\App\Cache": {"Entry": "1", "Count": 2},
    r"Vendor\App\Cache Old": {"Entry": "1"},
    r"Vendor\App\Cached": {},
    r"Vendor\App\Ünïcode Käy": {"Wért €": "ö", "Wert": "o"},
    r"Vendor\Other App\Settings": {"Color": "red"},
    r"Vendor\Other App\Cache": {"Entry": "1"},
}


def registry_records(s):
    """#DRV and #DRK under HKEY_CURRENT_USER and HKEY_LOCAL_MACHINE, between file records."""
    boxes = [s.sandbox("HKCU"), s.sandbox("HKLM")]
    s.lay_out_registry(*[(box, REGISTRY_LAYOUT) for box in boxes])
    for name in ("read me.txt", "bin/tool.dll", "keep.txt"):
        (s.app / name).parent.mkdir(exist_ok=True)
        (s.app / name).write_text(name)
    before = s.tree()
    records = [("#DF", s.win(s.app / "read me.txt"))]
    for box in boxes:
        records += [box.drv(r"Vendor\App\Settings", "Color"), box.drk(r"Vendor\App\Cache"),
                    box.drv(r"Vendor\App\Ünïcode Käy", "Wért €")]
    records += [("#DD", s.win(s.app / "bin"))]
    uninstall(s, records)
    gone = {"Sample App/" + name for name in ("read me.txt", "bin", "bin/tool.dll", LOG_NAME,
                                               LANGUAGE_NAME)}
    s.expect_tree({name: content for name, content in before.items() if name not in gone})
    s.expect_registry(*[item for box in boxes for item in (
        box.value(r"Vendor\App\Settings", "Color"), box.key(r"Vendor\App\Cache"),
        box.value(r"Vendor\App\Ünïcode Käy", "Wért €"))])


def registry_prune(s):
    """Pruning climbs the record's path up to the first key that holds a value or a subkey,
    also after a removal that failed; with nothing held anywhere, the path's first key goes too."""
    box = s.sandbox("HKCU")
    top = s.sandbox("HKCU", "UnrollE2E " + s.name)  # right below the root
    s.lay_out_registry((box, {
        "Stop at value": {"Keep": "1"}, r"Stop at value\A\B\C": {"Last": "x"},
        r"Stop at subkey\Sibling": {}, r"Stop at subkey\A\B\C": {"Last": "x"},
        r"Stop in between\A": {"Keep": 1}, r"Stop in between\A\B\C": {"One": "1", "Two": 2},
        r"Still a value\A": {"Last": "x", "Other": "y"},
        r"Empty already\A\B": {},
        r"Missing key\A": {},
    }), (top, {r"A\B": {"Last": "x"}}))
    uninstall(s, [box.drv(r"Stop at value\A\B\C", "Last"),
                  box.drv(r"Stop at subkey\A\B\C", "Last"),
                  box.drk(r"Stop in between\A\B\C"),
                  box.drv(r"Still a value\A", "Last"),
                  box.drv(r"Empty already\A\B", "Never there"),
                  box.drk(r"Missing key\A\Never there"),
                  top.drv(r"A\B", "Last")])
    s.expect_registry(box.key(r"Stop at value\A"), box.key(r"Stop at subkey\A"),
                      box.key(r"Stop in between\A\B"), box.value(r"Still a value\A", "Last"),
                      box.key("Empty already"), box.key("Missing key"), top.key())


def registry_key_with_subkey(s):
    """#DRK on a key with a subkey removes nothing; neither does the pruning after it. The last
    record shows that the replay went on past them."""
    layout = {
        "Done": {"Last": "x"},
        r"Full\Parent": {"Value": "1"}, r"Full\Parent\Child": {"Value": "2"},
        r"Empty\Parent\Child": {},
    }
    boxes = [s.sandbox("HKCU"), s.sandbox("HKLM")]
    s.lay_out_registry(*[(box, layout) for box in boxes])
    uninstall(s, [r for box in boxes for r in (box.drk(r"Full\Parent"), box.drk(r"Empty\Parent"))]
              + [boxes[0].drv("Done", "Last")])
    s.expect_registry(boxes[0].key("Done"))


def registry_default_value(s):
    """A #DRV whose value name line is empty removes the key's default value."""
    box = s.sandbox("HKCU")
    s.lay_out_registry((box, {
        "With others": {"": "default", "Other": "x"},
        r"Only default\Inner": {"": "default"},
        "Empty default": {"": ""},
        "No default": {"Named": "x", "@": "at"},
    }))
    uninstall(s, [box.drv(key, "") for key in
                  ("With others", r"Only default\Inner", "Empty default", "No default")])
    s.expect_registry(box.value("With others", ""), box.key("Only default"),
                      box.key("Empty default"))


# Root names that are none: a record with one changes nothing.
UNKNOWN_ROOTS = ["hkey_current_user", "HKCU", "Hkey_Local_Machine", "HKLM",
                 "HKEY_PERFORMANCE_DATA", "HKEY_DYN_DATA", "", "HKEY_CURRENT_USER ",
                 " HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER\\"]


def registry_unknown_root(s):
    """Records with an unknown root, after a valid HKEY_LOCAL_MACHINE record and again after a
    valid HKEY_CURRENT_USER one. The same keys lie under both roots, so that whichever root such
    a record were given, it would remove something: a value, a key, or an empty key by pruning."""
    layout = {"Valid": {"Machine": "1", "User": "1"}}
    for i in range(len(UNKNOWN_ROOTS)):
        layout.update({f"Value {i}": {"Name": "x"}, f"Key {i}": {"Name": "x"},
                       f"Empty {i}\\Leaf": {}})
    boxes = {"HKLM": s.sandbox("HKLM"), "HKCU": s.sandbox("HKCU")}
    s.lay_out_registry(*[(box, layout) for box in boxes.values()])
    unknown = [r for i, root in enumerate(UNKNOWN_ROOTS) for r in (
        boxes["HKCU"].drv(f"Value {i}", "Name", root=root),
        boxes["HKCU"].drk(f"Key {i}", root=root),
        boxes["HKCU"].drv(f"Empty {i}\\Leaf", "Never there", root=root))]
    uninstall(s, [boxes["HKLM"].drv("Valid", "Machine"), *unknown,
                  boxes["HKCU"].drv("Valid", "User"), *unknown])
    s.expect_registry(boxes["HKLM"].value("Valid", "Machine"),
                      boxes["HKCU"].value("Valid", "User"))


def registry_roots(s):
    """The three other roots: a value goes, its neighbours stay."""
    boxes = [s.sandbox("HKCR", "UnrollE2E " + s.name),
             s.sandbox("HKU", ".DEFAULT\\Software\\UnrollE2E\\" + s.name),
             s.sandbox("HKCC", "Software\\UnrollE2E\\" + s.name)]
    layout = {"Key": {"Gone": "x", "Kept": "y"}, "Key 2": {"Gone": "x"}}
    s.lay_out_registry(*[(box, layout) for box in boxes])
    uninstall(s, [box.drv("Key", "Gone") for box in boxes])
    s.expect_registry(*[box.value("Key", "Gone") for box in boxes])


def registry_many(s):
    """1,000 #DRV records, 100 values in each of 10 keys: each key goes with its last value, and
    the sandbox key with the last key."""
    box = s.sandbox("HKCU")
    keys = [f"Key {k:02}" for k in range(10)]
    s.lay_out_registry((box, {key: {f"Value {v:03}": v for v in range(100)} for key in keys}))
    uninstall(s, [box.drv(key, f"Value {v:03}") for key in keys for v in range(100)])
    s.expect_registry(box.key())


def break_marker(app):
    data = (app / LOG_NAME).read_bytes()
    (app / LOG_NAME).write_bytes(b"\x08\x00\x00\x00" + data[4:])


SCENARIOS = {
    "missing-language": start_failure(lambda app: (app / LANGUAGE_NAME).unlink()),
    "missing-log": start_failure(lambda app: (app / LOG_NAME).unlink()),
    "wrong-marker": start_failure(break_marker),
    "empty-log": start_failure(lambda app: (app / LOG_NAME).write_bytes(b"")),
    "confirm-no": confirm_no,
    "confirm-yes": confirm_yes,
    "follow-up-quoted": follow_up(lambda tool: f'"{tool}" first "second arg"',
                                  lambda tool: f'"{tool}" first "second arg"'),
    "follow-up-unquoted": follow_up(lambda tool: tool, lambda tool: f'"{tool}"'),
    "exit-ok": exit_request("ok"),
    "exit-cancel-ok": exit_request("cancel", "ok"),
    "registry-records": registry_records,
    "registry-prune": registry_prune,
    "registry-key-with-subkey": registry_key_with_subkey,
    "registry-default-value": registry_default_value,
    "registry-unknown-root": registry_unknown_root,
    "registry-roots": registry_roots,
    "registry-many": registry_many,
}


class Tools:
    def __init__(self, args):
        self.exe = pathlib.Path(args.exe).absolute()
        self.driver = pathlib.Path(args.driver).absolute()
        self.marker = pathlib.Path(args.marker or self.driver.with_name("e2e_mark.exe")).absolute()
        self.reg = pathlib.Path(args.reg or self.driver.with_name("e2e_reg.exe")).absolute()
        self.wine = Wine(args.env or self.exe.with_name("wine.env"))


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--exe", required=True)
    parser.add_argument("--driver", required=True)
    parser.add_argument("--marker")
    parser.add_argument("--reg")
    parser.add_argument("--env")
    parser.add_argument("--list", action="store_true")
    parser.add_argument("names", nargs="*", metavar="NAME")
    args = parser.parse_args()
    if args.list:
        print("\n".join(SCENARIOS))
        return 0
    unknown = [n for n in args.names if n not in SCENARIOS]
    if unknown:
        parser.error(f"no scenario {', '.join(unknown)}; --list shows them")
    tools = Tools(args)

    passed = failed = 0
    for name in args.names or SCENARIOS:
        started = time.monotonic()
        s = None
        try:
            s = Scenario(tools, name)
            try:
                SCENARIOS[name](s)
            except BaseException:
                try:
                    s.clean_up()
                except Exception as error:
                    print(f"    clean-up: {error}")
                raise
            s.clean_up()
            passed += 1
            print(f"PASS {name} ({time.monotonic() - started:.1f} s)", flush=True)
        except Exception as error:  # a broken scenario is one failure, not the end of the run
            failed += 1
            print(f"FAIL {name} ({time.monotonic() - started:.1f} s): {error}", flush=True)
            for record in s.records if s else []:
                print(f"    {record}")
    print(f"{passed} passed, {failed} failed")
    return 1 if failed else 0


if __name__ == "__main__":
    sys.exit(main())
