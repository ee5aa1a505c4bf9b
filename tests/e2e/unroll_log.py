"""The uninstaller's data files, as an installer writes them beside uninstall.exe.

uninstall.dat: int32 LE format marker (7); the lines AppName, HeaderString2, FollowUpProgram and
InstallFolder (UTF-8); int32 LE StepTotal; then records, each a tag line and its argument lines:
  ("#DF", file)  ("#DD", folder)  ("#DRV", root, subkey, value name)  ("#DRK", root, subkey)
A record given as a plain string is written as one line.
"""

import struct

LOG_NAME = "uninstall.dat"
LANGUAGE_NAME = "uninstall_l.ifl"
FORMAT_MARKER = 7

# The keys of the "[Uninstall]" group that the program looks up.
DEFAULT_TEXTS = {
    "BM_T": "Uninstall",
    "BM": "Do you want to remove %s and all of its components?",
    "Header": "Uninstalling %s",
    "Header_b": "Please wait while %s is removed from your computer.",
    "Uninstalling": "Removing files...",
    "Btn_cancel": "Cancel",
    "ExitUninstall_T": "Uninstall",
    "ExitUninstall": "Do you want to stop uninstalling?",
    "Success_T": "Uninstall",
    "Success": "%s has been removed from your computer.",
}


def counted_steps(records):
    """The StepTotal an installer writes: one step per file or folder record."""
    return sum(1 for r in records if not isinstance(r, str) and r[0] in ("#DF", "#DD"))


def log_bytes(app_name, records, follow_up="", install_folder="", header2="",
              step_total=None, marker=FORMAT_MARKER, newline="\r\n"):
    def lines(items):
        return "".join(item + newline for item in items).encode("utf-8")

    if step_total is None:
        step_total = counted_steps(records)
    body = bytearray(struct.pack("<i", marker))
    body += lines([app_name, header2, follow_up, install_folder])
    body += struct.pack("<i", step_total)
    for record in records:
        body += lines([record] if isinstance(record, str) else record)
    return bytes(body)


def language_bytes(texts=None):
    texts = DEFAULT_TEXTS if texts is None else texts
    lines = ["[Uninstall]"] + [f"{key}={value}" for key, value in texts.items()]
    return "".join(line + "\r\n" for line in lines).encode("utf-8")


def write_data_files(folder, app_name, records, texts=None, **log_options):
    """Writes both data files into folder (a pathlib.Path)."""
    (folder / LOG_NAME).write_bytes(log_bytes(app_name, records, **log_options))
    (folder / LANGUAGE_NAME).write_bytes(language_bytes(texts))
