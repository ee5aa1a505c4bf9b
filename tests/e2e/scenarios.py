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
A run that ends in success waits for the self-removal script to delete uninstall.exe (the
driver's gone step), so that the files are looked at only once the script is done.
"""

import argparse
import collections
import os
import pathlib
import re
import shutil
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))

from check_imports import Image  # noqa: E402
from reg_tree import Sandbox, removed  # noqa: E402
from screenshot import png_bytes, read_bmp  # noqa: E402
from unroll_log import LANGUAGE_NAME, LOG_NAME, log_bytes, write_data_files  # noqa: E402
from wine_run import Wine, snapshot, wait_for_file  # noqa: E402

APP_NAME = "Sample App – Ünïcode"
RT_RCDATA = 10  # the resource type of the program's two pictures
# The boxes with unroll_log's DEFAULT_TEXTS. The first two come before the program has a window,
# the others are owned by the progress window, which is in front on Wine's virtual desktop.
ERROR_BOX = dict(title="Error", text="Uninstall error!", buttons=["ok"], icon="error",
                 owner="none", thread="main")
CONFIRM_BOX = dict(title="Uninstall",
                   text=f"Do you want to remove {APP_NAME} and all of its components?",
                   buttons=["yes", "no"], icon="question", owner="none", thread="main")
SUCCESS_BOX = dict(title="Uninstall complete",
                   text=f"{APP_NAME} has been removed from your computer.",
                   buttons=["ok"], icon="none", owner="window", thread="worker")
EXIT_BOX = dict(title="Cancel uninstall", text="Do you want to stop uninstalling <appname>?",
                buttons=["ok", "cancel"], icon="question", owner="window", thread="main")

# Waits for the process to end and for its self-removal script to be done (at most 5 s; the script
# tries again once a second while the program file is still in use).
GONE = "gone:5"
# What it found when the run ended in success: the program file gone, one script that deleted
# itself, and no window of another process shown: a script started in view gets a console window
# (class "WineConsoleClass" under Wine 8, "ConsoleWindowClass" on Windows).
SELF_REMOVED = dict(exe="gone", left=[], windows=[])
# The same step after a run that ends early: a second long enough for a script to do its work.
NO_SCRIPT_STEP = "gone:1"
NO_SCRIPT = dict(exe="there", scripts=[], left=[], windows=[])
SCRIPT_NAME = re.compile(r"\{[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\}\.bat")


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

    def play(self, *steps, timeout=30, react=None):
        self.records = self.wine.drive(self.tools.driver, self.app / "uninstall.exe",
                                       self.elsewhere, steps, self.work, timeout, react)
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
        """wanted: (step, fields) pairs, in the order of the records. Only the fields named are
        checked. The script names of a gone step are checked too: each a GUID, none the same as
        one of an earlier run, and one script for a run whose program file went."""
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
        for record in got:
            if record.get("exe") == "gone" and len(record["scripts"]) != 1:
                raise Failed(f"scripts: got {record['scripts']}, want one")
            for script in record.get("scripts", []):
                if not SCRIPT_NAME.fullmatch(script):
                    raise Failed(f"script name {script!r} is no GUID")
                if script in self.tools.scripts:
                    raise Failed(f"script name {script} was used by an earlier run")
                self.tools.scripts.add(script)

    def move_app(self, relative):
        """Moves the application folder to root/relative, for paths of another kind."""
        target = self.root / relative
        target.parent.mkdir(parents=True, exist_ok=True)
        shutil.move(self.app, target)
        self.app = target


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
        s.expect_records(("box:ok", ERROR_BOX), ("exit", {"code": 0}))
        s.expect_tree(before)
    return scenario


def confirm_no(s):
    sample_layout(s)
    before = s.tree()
    s.play("box:no")
    s.expect_records(("box:no", CONFIRM_BOX), ("exit", {"code": 0}))
    s.expect_tree(before)


def confirm_yes(s):
    removed = sample_layout(s)
    before = s.tree()
    s.play("box:yes", "window", "box:ok", GONE)
    s.expect_records(("box:yes", CONFIRM_BOX), ("window", {"title": "Uninstall " + APP_NAME}),
                     ("box:ok", SUCCESS_BOX), ("exit", {"code": 0}), (GONE, SELF_REMOVED))
    removed.add("Sample App/uninstall.exe")
    s.expect_tree({name: content for name, content in before.items() if name not in removed})


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
        s.play("box:yes", "box:ok", GONE)
        s.expect_records(("box:yes", CONFIRM_BOX), ("box:ok", SUCCESS_BOX), ("exit", {"code": 0}),
                         (GONE, SELF_REMOVED))
        mark = tool.with_name(tool.name + ".txt")
        decoy_mark = decoy.with_name(decoy.name + ".txt")
        ran = wait_for_file(mark, 10, decoy_mark)
        if decoy_mark.exists():
            raise Failed(f"{decoy.name} ran: {decoy_mark.read_text(encoding='utf-8')}")
        if not ran:
            raise Failed("the follow-up program did not run")
        s.expect("its command line", mark.read_text(encoding="utf-8"),
                 want_command_line(s.win(tool)))
        # No InstallFolder: the emptied folder stays.
        s.expect("app folder", sorted(p.name for p in s.app.iterdir()), [])
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
        s.play(*steps, NO_SCRIPT_STEP)
        wanted = [("box:yes", CONFIRM_BOX)]
        for answer in answers:
            wanted += [("close", {"title": "Uninstall " + APP_NAME}), ("box:" + answer, EXIT_BOX)]
        s.expect_records(*wanted, ("exit", {"code": 0}), (NO_SCRIPT_STEP, NO_SCRIPT))
        s.expect_tree(before)
    return scenario


def uninstall(s, records):
    """Writes the data files, answers Yes and then OK to the success box. Only the boxes' buttons
    are checked: their texts are the other scenarios' business."""
    write_data_files(s.app, APP_NAME, records)
    s.play("box:yes", "box:ok", GONE)
    s.expect_records(("box:yes", {"buttons": CONFIRM_BOX["buttons"]}),
                     ("box:ok", {"buttons": SUCCESS_BOX["buttons"]}), ("exit", {"code": 0}),
                     (GONE, SELF_REMOVED))


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
                                               LANGUAGE_NAME, "uninstall.exe")}
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


# --- texts, boxes of both threads ---------------------------------------------------------------

# Yes; then, while the worker's success box is open, the window is looked at and a WM_CLOSE
# brings the main thread's exit box on top of it; Cancel there, OK on the success box.
BOTH_BOXES = ["box:yes", "box:keep@worker", "inspect", "close", "box:cancel@main",
              "box:ok@worker", GONE]

# A German file as an editor saves it with the UTF-8 mark: a comment, another group with the
# same keys before it, the group and a key in other case, blanks and a tab around "=", a value
# with "=" and quotation marks, a key given twice and a second "Uninstall" group (the first of
# each counts).
GERMAN_UTF8 = """\
; Unroll: Sprachdatei (Deutsch)
[Install]
BM_T=Installieren
[uninstall]
\tbm_t =\tDésinstaller – Entfernen\t
BM = Entfernen von <appname>? Alle Dateien gehen verloren.
; Success = nicht diese Zeile
Success=<appname> wurde entfernt: „fertig“ = 100 %
Header=Deinstallation von <appname>
Header_b=Bitte warten, während <appname> entfernt wird.
Uninstalling=Dateien werden gelöscht…
Btn_cancel=Abbrechen
ExitUninstall_T=Abbruch
ExitUninstall=Deinstallation von <appname> abbrechen?
Success_T=Fertig ✓
BM=zweites BM
[Uninstall]
BM_T=zweite Gruppe
""".replace("\n", "\r\n")
GERMAN_BOXES = dict(
    confirm=("Désinstaller – Entfernen", f"Entfernen von {APP_NAME}? Alle Dateien gehen verloren."),
    success=("Fertig ✓", f"{APP_NAME} wurde entfernt: „fertig“ = 100 %"),
    exit=("Abbruch", "Deinstallation von <appname> abbrechen?"),
    labels={2: "Deinstallation von <appname>", 3: f"Bitte warten, während {APP_NAME} entfernt wird.",
            6: f"Dateien werden gelöscht… {APP_NAME}", 7: "Abbrechen"})

# A French file in ISO 8859-1 (every byte one character), LF line ends. Its Success_T holds the
# bytes C3 A9, é as UTF-8: without the mark they are the two characters Ã and ©.
FRENCH_LATIN1 = """\
[Uninstall]
BM_T=Désinstaller
BM=Voulez-vous supprimer <appname> ? Ça prend 1 s à 2 s.
Success=<appname> a été supprimé ; à bientôt !
Header=Désinstallation de <appname>
Header_b=Veuillez patienter : <appname> est supprimé, même « Öl » et ß.
Uninstalling=Suppression des fichiers...
Btn_cancel=Annuler
ExitUninstall_T=Arrêter ?
ExitUninstall=Arrêter la désinstallation de <appname> ?
Success_T=RÃ©ussi
"""
FRENCH_BOXES = dict(
    confirm=("Désinstaller", f"Voulez-vous supprimer {APP_NAME} ? Ça prend 1 s à 2 s."),
    success=("RÃ©ussi", f"{APP_NAME} a été supprimé ; à bientôt !"),
    exit=("Arrêter ?", "Arrêter la désinstallation de <appname> ?"),
    labels={2: "Désinstallation de <appname>",
            3: f"Veuillez patienter : {APP_NAME} est supprimé, même « Öl » et ß.",
            6: f"Suppression des fichiers... {APP_NAME}", 7: "Annuler"})

# No group "Uninstall": keys before any group, in another group, and in "[ Uninstall ]", whose
# blanks belong to the name. Every text is empty; the uninstall runs all the same.
NO_GROUP = """\
BM_T=vor jeder Gruppe
[Install]
BM_T=Installieren
BM=Installieren?
[ Uninstall ]
BM=Deinstallieren?
Success=Fertig
"""
NO_GROUP_BOXES = dict(confirm=("", ""), success=("", ""), exit=("", ""),
                      labels={2: "", 3: "", 6: " " + APP_NAME, 7: ""})


def language_texts(text, utf8_mark, want):
    """The texts of every box and label from the language file; the exit box and the success
    box open at the same time, of two threads; OK on the success box still completes the run."""
    def scenario(s):
        (s.app / "read me.txt").write_text("readme")
        write_data_files(s.app, APP_NAME, [("#DF", s.win(s.app / "read me.txt"))], texts=text,
                         utf8_mark=utf8_mark)
        s.play(*BOTH_BOXES)

        def box(which, **fields):
            title, text = want[which]
            return dict(title=title, text=text, **fields)
        success = box("success", buttons=["ok"], icon="none", owner="window", thread="worker")
        s.expect_records(
            ("box:yes", box("confirm", buttons=["yes", "no"], icon="question", owner="none",
                            thread="main", open=1)),
            ("box:keep@worker", dict(success, open=1)),
            ("inspect", {}),
            ("close", {"title": "Uninstall " + APP_NAME}),
            # Owned by the window in front, which is now the success box.
            ("box:cancel@main", box("exit", buttons=["ok", "cancel"], icon="question",
                                    owner="box", thread="main", open=2)),
            ("box:ok@worker", dict(success, open=1)),
            ("exit", {"code": 0}), (GONE, SELF_REMOVED))
        labels = {c["id"]: c["text"] for c in s.records[2]["controls"] if c["id"] in want["labels"]}
        s.expect("labels", labels, want["labels"])
        s.expect("app folder", sorted(p.name for p in s.app.iterdir()), [])
    return scenario


def log_error(s):
    """The log gone between the header read and the replay (renamed on the Linux side while the
    confirmation box is open): the worker's log error box, then the end; nothing is removed and
    no script starts."""
    (s.app / "read me.txt").write_text("readme")
    write_data_files(s.app, APP_NAME, [("#DF", s.win(s.app / "read me.txt"))])
    go = s.work / "go"

    def take_log_away():
        (s.app / LOG_NAME).rename(s.app / (LOG_NAME + ".away"))
        go.touch()
    before = s.tree()
    s.play("box:keep", "pause:" + s.win(go), "box:yes", "box:ok", NO_SCRIPT_STEP,
           react={"box:keep": take_log_away})
    s.expect_records(("box:keep", CONFIRM_BOX), ("box:yes", CONFIRM_BOX),
                     ("box:ok", dict(title=EXIT_BOX["title"], text=EXIT_BOX["text"],
                                     buttons=["ok"], icon="error", owner="window",
                                     thread="worker")),
                     ("exit", {"code": 0}), (NO_SCRIPT_STEP, NO_SCRIPT))
    before["Sample App/" + LOG_NAME + ".away"] = before.pop("Sample App/" + LOG_NAME)
    s.expect_tree(before)


# --- self-removal -------------------------------------------------------------------------------

def self_removal(folder, install_folder, stays=None):
    """The application folder moved to root/folder; the log's InstallFolder made from its Windows
    path. stays: None when the folder goes at the end; otherwise the files that the log does not
    name, which keep the folder."""
    def scenario(s):
        s.move_app(folder)
        for name in ["read me.txt", *(stays or [])]:
            (s.app / name).write_text(name)
        records = [("#DF", s.win(s.app / "read me.txt"))]
        write_data_files(s.app, APP_NAME, records, install_folder=install_folder(s.win(s.app)))
        s.play("box:yes", "box:ok", GONE)
        s.expect_records(("box:yes", CONFIRM_BOX), ("box:ok", SUCCESS_BOX), ("exit", {"code": 0}),
                         (GONE, SELF_REMOVED))
        s.expect("app folder", sorted(p.name for p in s.app.iterdir()) if s.app.exists() else None,
                 stays)
    return scenario


UNICODE_FOLDER = "Prögramme Ünïcode/Sample App"


# --- the progress window ------------------------------------------------------------------------

WS_CHILD, WS_VISIBLE, WS_DISABLED = 0x40000000, 0x10000000, 0x08000000
WS_CLIPSIBLINGS, WS_CAPTION, WS_GROUP, WS_TABSTOP = 0x04000000, 0x00C00000, 0x00020000, 0x00010000
WS_SYSMENU, WS_MINIMIZEBOX = 0x80000, 0x20000
WS_EX_WINDOWEDGE = 0x100
SS_LEFT, SS_BITMAP, SS_NOTIFY = 0x0, 0xE, 0x100
BS_PUSHBUTTON = 0x0

# Besides its own styles the window has WS_CLIPSIBLINGS and WS_EX_WINDOWEDGE, which the system
# gives every captioned top-level window, and WS_DISABLED while the success box that it owns is
# open. No WS_THICKFRAME, no WS_MAXIMIZEBOX.
WINDOW_STYLE = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE | WS_CLIPSIBLINGS | WS_DISABLED
CHILD = WS_CHILD | WS_VISIBLE
LABEL = CHILD | WS_GROUP | SS_LEFT
PICTURE = CHILD | SS_NOTIFY | SS_BITMAP
# id: class, parent, (x, y, width, height) in the window's client area, style. A picture
# control takes the size of its picture: without one it has none.
CONTROLS = {
    0: ("UnrollHeaderPanel", "window", (0, 0, 497, 58), CHILD),
    1: ("Static", "control 0", (440, 1, 55, 55), PICTURE),
    2: ("Static", "control 0", (14, 10, 305, 15), LABEL),
    3: ("Static", "control 0", (25, 27, 355, 40), LABEL),
    4: ("Static", "window", (0, 58, 497, 2), PICTURE),
    5: ("msctls_progress32", "window", (25, 120, 447, 20), CHILD),
    6: ("Static", "window", (25, 90, 447, 20), LABEL),
    7: ("Button", "window", (392, 330, 80, 22),
        CHILD | WS_DISABLED | WS_GROUP | WS_TABSTOP | BS_PUSHBUTTON),
    8: ("Static", "window", (0, 313, 497, 2), PICTURE),
}
DEFAULT_LABELS = {0: "", 1: "", 2: "Removing the application",
                  3: f"Please wait while {APP_NAME} is removed from your computer.",
                  4: "", 5: "", 6: f"Removing files... {APP_NAME}", 7: "Cancel", 8: ""}


def progress_window(record_count, step_total):
    """The window and its nine controls while the success box is open, the bar full at
    0..step_total whatever the number of file records; hidden after OK until the process ends."""
    def scenario(s):
        gone = s.win(s.app / "gone") + "\\file "
        write_data_files(s.app, APP_NAME, [("#DF", f"{gone}{i}.tmp") for i in range(record_count)],
                         step_total=step_total)
        s.play("box:yes", "box:keep@worker", "inspect", "box:ok@worker", "hidden", GONE)
        s.expect_records(("box:yes", CONFIRM_BOX), ("box:keep@worker", SUCCESS_BOX),
                         ("inspect", {"title": "Uninstall " + APP_NAME, "style": WINDOW_STYLE,
                                      "exstyle": WS_EX_WINDOWEDGE, "client": [497, 362],
                                      "owner": "none",
                                      "bar": {"low": 0, "high": step_total, "pos": step_total}}),
                         ("box:ok@worker", SUCCESS_BOX), ("hidden", {}), ("exit", {"code": 0}),
                         (GONE, SELF_REMOVED))
        window = s.records[2]
        (x, y, width, height), (screen_width, screen_height) = window["frame"], window["screen"]
        s.expect("window position", (x, y), ((screen_width - width) // 2,
                                             (screen_height - height) // 2))
        got = {c["id"]: (c["class"], c["parent"], tuple(c["rect"]), c["style"], c["exstyle"],
                         c["text"]) for c in window["controls"]}
        want = {}
        for number, (class_name, parent, rect, style) in CONTROLS.items():
            if style == PICTURE and not s.tools.has_pictures:
                rect = rect[:2] + (0, 0)
            want[number] = (class_name, parent, rect, style, 0, DEFAULT_LABELS[number])
        for number in sorted(want.keys() | got.keys()):
            s.expect(f"control {number}", got.get(number), want.get(number))
        # It may still show for the moment between the box and the worker's SW_HIDE; the end of
        # the process may destroy it.
        seen = s.records[4]["seen"]
        if seen[seen[:1] == ["visible"]:] not in (["hidden"], ["hidden", "destroyed"]):
            raise Failed(f"the window after the success box: seen {seen}, want it hidden")
    return scenario


# --- the progress window on the screen ---------------------------------------------------------

WHITE = (255, 255, 255)
# The etched rule (a JPEG): its upper and its lower row.
RULE_ROWS = ((168, 168, 160), (255, 255, 248))
RULE_TOLERANCE = 6
# Parts of the white header that neither a label nor the emblem covers, (x, y, width, height) in
# the client area: left of the texts, above them, between the texts and the emblem, right of the
# emblem, above and below it.
HEADER_BLANK = [(0, 0, 14, 58), (0, 0, 440, 10), (380, 0, 60, 58), (495, 0, 2, 58),
                (440, 0, 55, 1), (440, 56, 55, 2)]
# The labels and the colour behind their text: in the header, and below it on the window.
LABEL_BACKGROUNDS = {2: WHITE, 3: WHITE, 6: "face"}
EMBLEM = pathlib.Path(__file__).resolve().parents[2] / "resources" / "emblem.bmp"


def clipped(rect, to):
    x, y = max(rect[0], to[0]), max(rect[1], to[1])
    return (x, y, min(rect[0] + rect[2], to[0] + to[2]) - x,
            min(rect[1] + rect[3], to[1] + to[3]) - y)


def window_screenshot(s):
    """The window as the screen shows it while the success box is open (the box moved off it):
    the header white with the emblem exactly as drawn, both rules with their two rows, black
    text on white in the header and on the button face below, and the button face everywhere
    no control covers. The client area is kept as screenshots/progress-window.png in the build
    folder."""
    app_name = "Sample App"
    for name in ("read me.txt", "bin/tool.dll"):
        (s.app / name).parent.mkdir(exist_ok=True)
        (s.app / name).write_text(name)
    write_data_files(s.app, app_name, [("#DF", s.win(s.app / "read me.txt")),
                                       ("#DF", s.win(s.app / "bin/tool.dll")),
                                       ("#DD", s.win(s.app / "bin"))])
    bmp = s.work / "progress window.bmp"
    shot = "shot:" + s.win(bmp)
    s.play("box:yes", "box:keep@worker", shot, "box:ok@worker", GONE)
    s.expect_records(("box:yes", {"buttons": CONFIRM_BOX["buttons"]}),
                     ("box:keep@worker", {"title": SUCCESS_BOX["title"]}), (shot, {}),
                     ("box:ok@worker", {"title": SUCCESS_BOX["title"]}), ("exit", {"code": 0}),
                     (GONE, SELF_REMOVED))
    left, top, width, height = s.records[2]["client"]
    s.expect("client area", (width, height), (497, 362))
    face = tuple(s.records[2]["btnface"])
    picture = read_bmp(bmp.read_bytes()).crop(left, top, width, height)
    png = s.tools.exe.parent / "screenshots" / "progress-window.png"
    png.parent.mkdir(exist_ok=True)
    png.write_bytes(png_bytes(picture))

    def expect_area(what, rect, want, tolerance=0):
        wrong = [p for p in picture.area(*rect)
                 if max(abs(a - b) for a, b in zip(p, want)) > tolerance]
        if wrong:
            raise Failed(f"{what} {rect}: {len(wrong)} pixels not {want}, such as {wrong[0]}"
                         f" ({png})")

    for rect in HEADER_BLANK:
        expect_area("header", rect, WHITE)
    emblem = read_bmp(EMBLEM.read_bytes())
    ex, ey = CONTROLS[1][2][:2]
    wrong = [(x, y) for y in range(emblem.height) for x in range(emblem.width)
             if picture.pixel(ex + x, ey + y) != emblem.pixel(x, y)]
    if wrong:
        x, y = wrong[0]
        raise Failed(f"emblem at {(ex, ey)}: {len(wrong)} pixels not those of {EMBLEM.name}, "
                     f"such as {(x, y)}: {picture.pixel(ex + x, ey + y)}, want "
                     f"{emblem.pixel(x, y)} ({png})")
    for number in (4, 8):
        rx, ry, rw, _ = CONTROLS[number][2]
        for row, colour in enumerate(RULE_ROWS):
            expect_area(f"rule {number}", (rx, ry + row, rw, 1), colour, RULE_TOLERANCE)
    header = CONTROLS[0][2]
    for number, background in LABEL_BACKGROUNDS.items():
        background = face if background == "face" else background
        rect = CONTROLS[number][2]
        pixels = picture.area(*(clipped(rect, header) if CONTROLS[number][1] == "control 0"
                                else rect))
        s.expect(f"label {number}'s background", collections.Counter(pixels).most_common(1)[0][0], background)
        if not any(max(p) <= 32 for p in pixels):
            raise Failed(f"label {number}: no black text ({png})")
    # The button face wherever no control lies: header and rules, label, bar, button.
    covered = [CONTROLS[n][2] for n in (0, 4, 5, 6, 7, 8)]
    wrong = [(px, py) for py in range(height) for px in range(width)
             if picture.pixel(px, py) != face and not any(
                 cx <= px < cx + cw and cy <= py < cy + ch for cx, cy, cw, ch in covered)]
    if wrong:
        raise Failed(f"background: {len(wrong)} pixels not the button face {face}, such as "
                     f"{wrong[0]}: {picture.pixel(*wrong[0])} ({png})")


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
    "texts-utf8-mark": language_texts(GERMAN_UTF8, True, GERMAN_BOXES),
    "texts-iso-8859-1": language_texts(FRENCH_LATIN1, False, FRENCH_BOXES),
    "texts-no-group": language_texts(NO_GROUP, False, NO_GROUP_BOXES),
    "log-error": log_error,
    "self-removal-folder": self_removal(UNICODE_FOLDER, lambda path: path),
    "self-removal-folder-backslash": self_removal(UNICODE_FOLDER, lambda path: path + "\\"),
    # A single "%" in the folder, which the script gets through an environment variable. Wine's
    # cmd scans an expanded %VARIABLE% for "%" once more (Windows does not): a lone "%" is then
    # dropped or pairs with the next "%" on the line. A folder with "%NAME%" in it would even be
    # expanded under Wine, and cannot be tried here at all.
    "self-removal-percent": self_removal("Tools 100%/Sample App", lambda path: path),
    "self-removal-no-folder": self_removal(UNICODE_FOLDER, lambda path: "", []),
    "self-removal-folder-kept": self_removal(UNICODE_FOLDER, lambda path: path,
                                             ["user notes.txt"]),
    "window-fewer-records": progress_window(2, 5),
    "window-more-records": progress_window(5, 2),
    "window-no-steps": progress_window(3, 0),
    "window-screenshot": window_screenshot,
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
        # Built without them, the program's picture controls stay empty and of no size.
        self.has_pictures = RT_RCDATA in Image(self.exe.read_bytes()).resource_types()
        self.scripts = set()  # the self-removal scripts of this run's scenarios so far


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
