"""Registry keys of a scenario: laid out and read back by e2e_reg.exe (tests/e2e/reg_tool.cc).

A layout is a dict: a key's path below the sandbox key ("" for the sandbox key itself) -> its
values, name -> str (REG_SZ) or int (REG_DWORD); the name "" is the default value. The keys in
between are implied. Registry contents are compared as the sets of lines that e2e_reg dumps:
a key's full path, or "PATH<tab>"NAME"<tab>sz:DATA" (dword:N; the default value's name is @).
"""

# e2e_reg's short root names -> the names that the uninstall log uses.
LOG_ROOTS = {"HKCU": "HKEY_CURRENT_USER", "HKLM": "HKEY_LOCAL_MACHINE",
             "HKCR": "HKEY_CLASSES_ROOT", "HKU": "HKEY_USERS", "HKCC": "HKEY_CURRENT_CONFIG"}


def join(*parts):
    return "\\".join(part for part in parts if part)


class Sandbox:
    """A key of one scenario's own, path below root (e2e_reg's short name): the keys that the
    scenario lays out, the log's names for them and the lines that e2e_reg dumps for them."""

    def __init__(self, root, path):
        self.root = root
        self.path = path
        self.log_root = LOG_ROOTS[root]

    def subkey(self, rel=""):
        """The subkey path that a log record names."""
        return join(self.path, rel)

    def key(self, rel=""):
        """A key's full path, as e2e_reg names it and dumps it."""
        return join(self.root, self.path, rel)

    def value(self, rel, name, data=None):
        """A value's dump line; without data, the start that every line of that value has."""
        line = f"{self.key(rel)}\t" + (f'"{name}"' if name else "@") + "\t"
        if data is None:
            return line
        return line + (f"dword:{data}" if isinstance(data, int) else f"sz:{data}")

    def drv(self, rel, name, root=None):
        return ("#DRV", self.log_root if root is None else root, self.subkey(rel), name)

    def drk(self, rel, root=None):
        return ("#DRK", self.log_root if root is None else root, self.subkey(rel))

    def commands(self, layout):
        """e2e_reg commands that replace whatever is under the sandbox key with layout."""
        commands = [("clear", self.key())]
        for rel, values in layout.items():
            commands.append(("key", self.key(rel)))
            for name, data in values.items():
                commands.append(("dword" if isinstance(data, int) else "sz", self.key(rel), name,
                                 str(data)))
        return commands

    def lines(self, layout):
        """The dump of layout, the keys in between included."""
        lines = set()
        for rel, values in layout.items():
            parts = rel.split("\\") if rel else []
            lines.update(self.key("\\".join(parts[:i])) for i in range(len(parts) + 1))
            lines.update(self.value(rel, name, data) for name, data in values.items())
        return lines


def takes(item, line):
    """Whether removing item (a key's full path, or a value's line start: Sandbox.value without
    data) removes line: a key takes everything under it."""
    if "\t" in item:
        return line.startswith(item)
    return line == item or line.startswith(item + "\t") or line.startswith(item + "\\")


def removed(lines, *gone):
    """lines without what the items of gone take; each must take something."""
    unknown = [item for item in gone if not any(takes(item, line) for line in lines)]
    if unknown:
        raise ValueError(f"not in the registry to begin with: {unknown}")
    return {line for line in lines if not any(takes(item, line) for item in gone)}
