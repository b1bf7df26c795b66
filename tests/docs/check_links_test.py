#!/usr/bin/python3
"""check_links.py on small trees: each case writes a few pages and files and expects the
check to pass, or to fail naming the page, line and link at fault."""

import os
import subprocess
import sys
import tempfile
import unittest

CHECK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "check_links.py")

# Every tree holds these besides the case's pages.
FILES = ["docs/editor.png", "scripts/test", "src/dsp/filter.h"]
PAGE = "# Tool\n\n## Install it\n\n## The `hpi-host` command: render, info\n\n## Install it\n"

# name: (pages {path: text}, expected exit code, expected line of output or None)
CASES = {
    "every kind of good link": ({
        "README.md": "![editor](docs/editor.png) [tests](scripts/test) [dsp](src/dsp/)\n"
                     "[a](docs/tool.md#install-it) [b](docs/tool.md#install-it-1) "
                     "[c](docs/tool.md#the-hpi-host-command-render-info) [d](#readme)\n"
                     "[web](https://example.org/x.md) [mail](mailto:a@b.c) [e](<docs/tool.md>)\n"
                     "[ref]: docs/tool.md\n# Readme\n",
        "docs/tool.md": PAGE + "![e](editor.png) [up](../README.md#readme)\n",
    }, 0, "13 links in 2 pages, 0 broken"),
    "links in code are not links": ({
        "README.md": "`[x](missing.md)` and\n```sh\n[y](missing.png)\n```\n",
    }, 0, None),
    "missing file": ({
        "README.md": "one\n[install](docs/install.md)\n",
    }, 1, "README.md:2: broken link 'docs/install.md': no such file or folder"),
    "missing image": ({
        "README.md": "![editor](docs/editor-gone.png)\n",
    }, 1, "README.md:1: broken link 'docs/editor-gone.png': no such file or folder"),
    "a page's link read from the repository root": ({
        "README.md": "[tool](docs/tool.md)\n",
        "docs/tool.md": PAGE + "![editor](docs/editor.png)\n",
    }, 1, "docs/tool.md:8: broken link 'docs/editor.png': no such file or folder"),
    "anchor without its heading": ({
        "README.md": "[t](docs/tool.md#install)\n",
        "docs/tool.md": PAGE,
    }, 1, "README.md:1: broken link 'docs/tool.md#install': no heading with anchor #install in docs/tool.md"),
    "anchor of a third repeat": ({
        "README.md": "[t](docs/tool.md#install-it-2)\n",
        "docs/tool.md": PAGE,
    }, 1, "no heading with anchor #install-it-2"),
    "anchor of a heading inside a code block": ({
        "README.md": "[t](#not-a-heading)\n```\n# not a heading\n```\n",
    }, 1, "no heading with anchor #not-a-heading"),
    "anchor into a file that is not a page": ({
        "README.md": "[t](scripts/test#usage)\n",
    }, 1, "not a Markdown page"),
    "outside the repository": ({
        "README.md": "[up](../outside.md)\n",
    }, 1, "points outside the repository"),
    "reference definition": ({
        "README.md": "[guide][g]\n\n[g]: docs/guide.md\n",
    }, 1, "README.md:3: broken link 'docs/guide.md'"),
    "empty target": ({
        "README.md": "[nothing]()\n",
    }, 1, "empty link"),
}


class CheckLinksTest(unittest.TestCase):
    def run_check(self, pages):
        with tempfile.TemporaryDirectory() as root:
            for path, text in [(f, "") for f in FILES] + list(pages.items()):
                os.makedirs(os.path.dirname(os.path.join(root, path)), exist_ok=True)
                with open(os.path.join(root, path), "w", encoding="utf-8") as out:
                    out.write(text)
            return subprocess.run([sys.executable, CHECK, root], capture_output=True, text=True)

    def test_cases(self):
        for name, (pages, code, line) in CASES.items():
            with self.subTest(name):
                result = self.run_check(pages)
                self.assertEqual(result.returncode, code, result.stdout + result.stderr)
                if line is not None:
                    self.assertIn(line, result.stdout)

    def test_every_broken_link_is_reported(self):
        result = self.run_check({"README.md": "[a](gone1.md) [b](docs/editor.png) [c](gone2.md)\n"})
        self.assertEqual(result.returncode, 1)
        self.assertIn("'gone1.md'", result.stdout)
        self.assertIn("'gone2.md'", result.stdout)
        self.assertIn("3 links in 1 pages, 2 broken", result.stdout)

    def test_bad_arguments(self):
        for arguments in ([], ["--help"], ["/no/such/folder"]):
            with self.subTest(arguments):
                result = subprocess.run([sys.executable, CHECK] + arguments, capture_output=True, text=True)
                self.assertEqual(result.returncode, 2)
                self.assertIn("usage:", result.stderr)


if __name__ == "__main__":
    unittest.main()
