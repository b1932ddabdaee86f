#!/usr/bin/python3
# Runs a command under the system call filter a systemd service file asks for, as systemd would set
# it up: SystemCallFilter= lines in order (an allow list, then "~" removals and additions, groups as
# systemd-analyze names them), SystemCallErrorNumber= for what is refused, the native architecture
# alone (SystemCallArchitectures=native), and RestrictAddressFamilies= on socket().
#   unit-syscalls.py UNIT_FILE COMMAND [ARGUMENTS...]
import errno
import os
import socket
import subprocess
import sys

import seccomp


def settings(path):
    values = {}
    for line in open(path, encoding="utf-8"):
        line = line.strip()
        if "=" in line and not line.startswith(("#", ";", "[")):
            key, value = line.split("=", 1)
            values.setdefault(key.strip(), []).append(value.strip())
    return values


def expand(names, seen=None):
    seen = set() if seen is None else seen
    calls = set()
    for name in names:
        if name.startswith("@"):
            if name in seen:
                continue
            seen.add(name)
            listing = subprocess.run(["systemd-analyze", "syscall-filter", name], check=True,
                                     capture_output=True, text=True).stdout.splitlines()
            members = [entry.strip() for entry in listing[1:] if entry.strip() and not entry.strip().startswith("#")]
            calls |= expand(members, seen)
        else:
            calls.add(name)
    return calls


def main():
    unit, command = sys.argv[1], sys.argv[2:]
    values = settings(unit)
    allowed = None
    for entry in values.get("SystemCallFilter", []):
        deny = entry.startswith("~")
        calls = expand(entry.lstrip("~").split())
        if allowed is None and deny:
            sys.exit("unit-syscalls: a deny list alone is not emulated")
        allowed = (allowed or set()) - calls if deny else (allowed or set()) | calls
    if allowed is None:
        sys.exit("unit-syscalls: the unit has no SystemCallFilter=")
    number = values.get("SystemCallErrorNumber", ["EPERM"])[-1]
    families = [getattr(socket, name) for entry in values.get("RestrictAddressFamilies", []) for name in entry.split()]
    if values.get("SystemCallArchitectures", ["native"])[-1] != "native":
        sys.exit("unit-syscalls: only SystemCallArchitectures=native is emulated")

    refused = seccomp.SyscallFilter(defaction=seccomp.ERRNO(getattr(errno, number)))
    for call in sorted(allowed):
        try:
            resolved = seccomp.resolve_syscall(seccomp.Arch.NATIVE, call)
        except (ValueError, RuntimeError):
            continue
        if resolved < 0:
            continue  # not a call of this architecture
        if call == "socket" and families:
            for family in families:
                refused.add_rule(seccomp.ALLOW, call, seccomp.Arg(0, seccomp.EQ, family))
        else:
            refused.add_rule(seccomp.ALLOW, call)
    refused.load()
    os.execvp(command[0], command)


main()
