#!/usr/bin/env python3
"""Writes hpi-host(1), gzip-compressed, from the tool's own help texts.

help2man writes the page from `hpi-host --help` and `--version`, with the
main help's paragraphs put in DESCRIPTION, OPTIONS and EXIT STATUS here, and
every subcommand the help lists gets a section of its own under COMMANDS,
made from its `--help`: the page cannot drift from the program. Paragraphs a
subcommand's help shares with the main help are left out rather than
repeated.

Usage: hpi_host_man.py HPI_HOST INCLUDE OUTPUT.1.gz
  HPI_HOST  the built hpi-host
  INCLUDE   help2man include file with the hand-written sections
"""
import gzip
import os
import re
import subprocess
import sys
import tempfile

# CLI11 starts an option's description in this column.
DESCRIPTION_COLUMN = 30


def help_text(tool, *args):
    return subprocess.run([tool, *args, "--help"], check=True, capture_output=True,
                          text=True).stdout


def paragraphs(text):
    return [block.split("\n") for block in re.split(r"\n\s*\n", text.strip("\n"))]


def escape(text):
    text = text.replace("\\", "\\e")
    return "\\&" + text if text.startswith((".", "'")) else text


def option_name(name):
    # "-h,--help" or "--block N" or "MODULE TEXT": options bold, arguments italic.
    words = []
    for word in re.split(r"(,| )", name):
        if word in (",", " ", ""):
            words.append(word if word != "," else ", ")
        elif word.startswith("-"):
            words.append("\\fB" + word.replace("-", "\\-") + "\\fR")
        else:
            words.append("\\fI" + escape(word) + "\\fR")
    return "".join(words)


def option_entries(lines):
    entries = []  # [name, description]
    for line in lines:
        if line.startswith(" " * DESCRIPTION_COLUMN) and entries:
            entries[-1][1] = (entries[-1][1] + " " + line.strip()).strip()
        elif line.startswith("  "):
            name, _, description = line.strip().partition("  ")
            entries.append([name, description.strip()])
    out = []
    for name, description in entries:
        out += [".TP", option_name(name), escape(description)]
    return out


def text_block(block):
    # Running text when every line starts in the first column, else as laid out.
    if not any(line.startswith(" ") for line in block):
        return [".PP"] + [escape(line) for line in block]
    return [".PP", ".nf"] + [escape(line) for line in block] + [".fi"]


def blocks(help_lines, shared=()):
    """The help text after its first line as (section, roff lines) in order:
    the option and subcommand tables as tagged paragraphs, the exit codes on
    their own, other paragraphs as text."""
    out = []
    for block in paragraphs("\n".join(help_lines)):
        if "\n".join(block) in shared:
            continue
        heading = block[0].strip()
        if heading == "Options:":
            out.append(("OPTIONS", [".PP", heading] + option_entries(block[1:])))
        elif heading in ("Positionals:", "Subcommands:"):
            out.append(("DESCRIPTION", [".PP", heading] + option_entries(block[1:])))
        elif heading.startswith("Usage:"):
            usage = [".PP", "\\fBUsage:\\fR " + escape(heading[len("Usage:"):].strip())]
            out.append(("DESCRIPTION", usage + (text_block(block[1:]) if block[1:] else [])))
        elif heading == "Exit codes:":
            out.append(("EXIT STATUS", text_block(block[1:])))
        else:
            out.append(("DESCRIPTION", text_block(block)))
    return out


def command_section(tool, command, shared):
    lines = help_text(tool, command).split("\n")
    out = [f'.SS "hpi-host {command}"', escape(lines[0].strip())]
    for _, roff in blocks(lines[1:], shared):
        out += roff
    return out


def subcommands(main_help):
    names = []
    for block in paragraphs(main_help):
        if block[0].strip() == "Subcommands:":
            names += [line.split()[0] for line in block[1:] if line.strip()]
    return names


def main():
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    tool, include, output = sys.argv[1:]
    main_help = help_text(tool)
    shared = {"\n".join(block) for block in paragraphs(main_help)}
    name = main_help.split("\n", 1)[0].partition(" - ")[2]
    # The main help's own sections in place of help2man's reading of them; its
    # first two lines are the NAME and SYNOPSIS help2man writes.
    main_blocks = blocks(main_help.split("\n")[2:])
    generated = []
    for section in ("DESCRIPTION", "OPTIONS", "EXIT STATUS"):
        generated.append(f"[={section}]")
        for block_section, roff in main_blocks:
            if block_section == section:
                # The section's title says "Options" already.
                generated += roff[2:] if roff[1] == "Options:" else roff
    generated.append("[COMMANDS]")
    for command in subcommands(main_help):
        generated += command_section(tool, command, shared)
    with tempfile.TemporaryDirectory() as scratch:
        include_generated = os.path.join(scratch, "generated.h2m")
        page = os.path.join(scratch, "hpi-host.1")
        with open(include_generated, "w") as out:
            out.write("\n".join(generated) + "\n")
        subprocess.run(["help2man", "--no-info", "--no-discard-stderr", "--name", name,
                        "--include", include, "--include", include_generated, "--output", page, tool],
                       check=True)
        with open(page, "rb") as source, open(output, "wb") as target:
            # mtime 0 and no file name, as gzip -9n: the same page gives the same bytes.
            with gzip.GzipFile(filename="", mode="wb", compresslevel=9, fileobj=target,
                               mtime=0) as compressed:
                compressed.write(source.read())


if __name__ == "__main__":
    main()
