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

# The keys of the "[Uninstall]" group that the program looks up, with English texts. "<appname>"
# stands for the application name; the program puts it into BM, Success and Header_b only.
DEFAULT_TEXTS = {
    "BM_T": "Uninstall",
    "BM": "Do you want to remove <appname> and all of its components?",
    "Header": "Removing the application",
    "Header_b": "Please wait while <appname> is removed from your computer.",
    "Uninstalling": "Removing files...",
    "Btn_cancel": "Cancel",
    "ExitUninstall_T": "Cancel uninstall",
    "ExitUninstall": "Do you want to stop uninstalling <appname>?",
    "Success_T": "Uninstall complete",
    "Success": "<appname> has been removed from your computer.",
}
UTF8_MARK = b"\xef\xbb\xbf"


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


def language_bytes(texts=None, utf8_mark=False):
    """texts: a dict of keys and values for one "[Uninstall]" group, or the file's whole text.
    Without utf8_mark the file is ISO 8859-1, as the program reads every file without the mark."""
    texts = DEFAULT_TEXTS if texts is None else texts
    if isinstance(texts, dict):
        lines = ["[Uninstall]"] + [f"{key}={value}" for key, value in texts.items()]
        texts = "".join(line + "\r\n" for line in lines)
    return UTF8_MARK + texts.encode("utf-8") if utf8_mark else texts.encode("iso-8859-1")


def write_data_files(folder, app_name, records, texts=None, utf8_mark=False, **log_options):
    """Writes both data files into folder (a pathlib.Path)."""
    (folder / LOG_NAME).write_bytes(log_bytes(app_name, records, **log_options))
    (folder / LANGUAGE_NAME).write_bytes(language_bytes(texts, utf8_mark))
