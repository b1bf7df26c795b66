#!/usr/bin/python3
"""Fails when a relative link or image in the README or a page of docs/ leads nowhere.

usage: check_links.py ROOT [FILE...]   (FILE defaults to ROOT/README.md and ROOT/docs/*.md)

A link's target must be a file or folder inside ROOT; a #fragment must name a heading of
the Markdown page it points into, spelled as the repository's web view spells heading
anchors. Links with a scheme (https:, mailto:) are not followed; links inside code spans
and fenced code blocks are not links. Exit codes: 0 every link resolves, 1 a broken link
(one line each, naming the file and line), 2 bad arguments.
"""

import glob
import os
import re
import sys
from urllib.parse import unquote

FENCE = re.compile(r"^\s*(```|~~~)")
CODE_SPAN = re.compile(r"(`+)(?:(?!\1).)+?\1")
# [text](target "title") and ![alt](target); the text may hold one level of brackets.
INLINE = re.compile(r"!?\[(?:[^\[\]]|\[[^\]]*\])*\]\(\s*<?([^)\s>]*)>?(?:\s+\"[^\"]*\")?\s*\)")
REFERENCE = re.compile(r"^\s{0,3}\[[^\]]+\]:\s*<?(\S+?)>?(?:\s+.*)?$")
HEADING = re.compile(r"^\s{0,3}#{1,6}\s+(.*?)\s*#*\s*$")
SCHEME = re.compile(r"^[A-Za-z][A-Za-z0-9+.-]*:")


def prose_lines(text):
    """(line number, line) outside fenced code blocks."""
    fenced = False
    for number, line in enumerate(text.splitlines(), 1):
        if FENCE.match(line):
            fenced = not fenced
            continue
        if not fenced:
            yield number, line


def anchor(heading, seen):
    """The web view's anchor of a heading: inline markup dropped, lower case, punctuation
    other than - and _ dropped, spaces made hyphens; repeats get -1, -2, ..."""
    text = re.sub(r"!?\[([^\]]*)\]\([^)]*\)", r"\1", heading)
    text = re.sub(r"[`*]", "", text).strip().lower()
    slug = re.sub(r"[^\w\- ]", "", text).replace(" ", "-")
    count = seen.get(slug, 0)
    seen[slug] = count + 1
    return slug if count == 0 else f"{slug}-{count}"


def anchors(path):
    seen = {}
    with open(path, encoding="utf-8") as page:
        return {anchor(m.group(1), seen) for _, line in prose_lines(page.read())
                if (m := HEADING.match(line))}


def links(path):
    """(line number, target) of every link and image of a page."""
    with open(path, encoding="utf-8") as page:
        for number, line in prose_lines(page.read()):
            if m := REFERENCE.match(line):
                yield number, m.group(1)
                continue
            for m in INLINE.finditer(CODE_SPAN.sub("", line)):
                yield number, m.group(1)


def problem(root, page, target):
    """Why target, linked from page, leads nowhere; None when it resolves."""
    if SCHEME.match(target):
        return None
    if not target:
        return "empty link"
    path, _, fragment = target.partition("#")
    destination = os.path.normpath(os.path.join(os.path.dirname(page), unquote(path))) if path else page
    if os.path.commonpath([os.path.realpath(root), os.path.realpath(destination)]) != os.path.realpath(root):
        return "points outside the repository"
    if not os.path.exists(destination):
        return "no such file or folder"
    if fragment:
        if not destination.endswith(".md") or os.path.isdir(destination):
            return "an anchor into something that is not a Markdown page"
        if unquote(fragment) not in anchors(destination):
            return f"no heading with anchor #{fragment} in {os.path.relpath(destination, root)}"
    return None


def main(argv):
    if len(argv) < 2 or argv[1].startswith("-") or not os.path.isdir(argv[1]):
        print(__doc__.strip().splitlines()[2], file=sys.stderr)
        return 2
    root = os.path.abspath(argv[1])
    pages = [os.path.abspath(p) for p in argv[2:]] or \
        [os.path.join(root, "README.md")] + sorted(glob.glob(os.path.join(root, "docs", "*.md")))
    broken = 0
    checked = 0
    for page in pages:
        if not os.path.isfile(page):
            print(f"{page}: no such page", file=sys.stderr)
            return 2
        for number, target in links(page):
            checked += 1
            if (why := problem(root, page, target)) is not None:
                print(f"{os.path.relpath(page, root)}:{number}: broken link '{target}': {why}")
                broken += 1
    print(f"{checked} links in {len(pages)} pages, {broken} broken")
    return 1 if broken else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
