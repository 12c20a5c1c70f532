#!/usr/bin/env python3
"""Checks that 'qzctl --help' and qzctl's manual page source tell the same:
the same commands, the same options and the same exit codes with the same
meaning.

    manual_matches_help.py QZCTL MANUAL.scd
"""
import re
import subprocess
import sys

OPTION = re.compile(r"(?<![\w-])(--?[a-zA-Z][\w-]*)")


def help_facts(text):
    commands, options, codes = set(), set(), {}
    section = None
    for line in text.splitlines():
        if line and not line.startswith(" "):
            section = line.rstrip(":")
            continue
        if section == "Commands" and re.match(r"  \S", line):
            commands.add(line.split()[0])
        if section in ("Commands", "Options"):
            options.update(OPTION.findall(line))
        if section == "Exit status":
            for code, meaning in re.findall(r"(\d)  (.+?)(?=\s{2,}\d  |$)", line.strip()):
                codes[int(code)] = meaning.strip()
    return commands, options, codes


def manual_facts(text):
    commands, options, codes = set(), set(), {}
    section = None
    for line in text.splitlines():
        heading = re.match(r"# (.+)", line)
        if heading:
            section = heading.group(1)
            continue
        if section == "COMMANDS":
            entry = re.match(r"\*([a-z-]+)\*", line)
            if entry:
                commands.add(entry.group(1))
        if section in ("SYNOPSIS", "COMMANDS", "OPTIONS"):
            options.update(OPTION.findall(line.replace("*", " ")))
        if section == "EXIT STATUS":
            entry = re.match(r"\*(\d)\*\t(.+)", line)
            if entry:
                codes[int(entry.group(1))] = entry.group(2).strip()
    return commands, options, codes


def main():
    if len(sys.argv) != 3:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    usage = subprocess.run([sys.argv[1], "--help"], capture_output=True, text=True, check=True).stdout
    with open(sys.argv[2], encoding="utf-8") as source:
        manual = source.read()
    names = ("commands", "options", "exit codes")
    failures = 0
    for name, said, written in zip(names, help_facts(usage), manual_facts(manual)):
        if not said:
            print(f"--help shows no {name}: the check no longer understands its layout")
            failures += 1
        elif said != written:
            print(f"{name} differ:\n  --help: {said}\n  manual: {written}")
            failures += 1
    if failures == 0:
        print("qzctl --help and its manual agree")
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
