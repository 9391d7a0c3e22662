#!/usr/bin/env python3
"""Checks the help and the printable guide as the build leaves them beside the
program: every link inside the help leads somewhere (an anchor of the page or
a file beside it), every picture it shows is there, and the guide made from
it is a PDF whose text holds every heading of the help and whose pictures
are all of the help's.

    help_guide_test.py <folder of the program>
"""
import html.parser
import os
import re
import shutil
import subprocess
import sys
import unicodedata


class HelpPage(html.parser.HTMLParser):
    def __init__(self):
        super().__init__()
        self.anchors = set()
        self.links = []
        self.pictures = []
        self.headings = []
        self._heading = None

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        for key in ("id", "name") if tag == "a" else ("id",):
            if attrs.get(key):
                self.anchors.add(attrs[key])
        if tag == "a" and attrs.get("href"):
            self.links.append(attrs["href"])
        if tag == "img":
            self.pictures.append(attrs.get("src", ""))
        if tag in ("h1", "h2"):
            self._heading = []

    def handle_endtag(self, tag):
        if tag in ("h1", "h2") and self._heading is not None:
            self.headings.append(" ".join("".join(self._heading).split()))
            self._heading = None

    def handle_data(self, data):
        if self._heading is not None:
            self._heading.append(data)


def words(text):
    # NFKC undoes the ligatures ("fi") the PDF's text is set with.
    return " ".join(unicodedata.normalize("NFKC", text).split())


def main():
    folder = sys.argv[1]
    help_file = os.path.join(folder, "help.html")
    guide = os.path.join(folder, "Tarvo Wavedesk 2.pdf")
    failures = []

    page = HelpPage()
    with open(help_file, encoding="utf-8") as f:
        page.feed(f.read())
    for link in page.links:
        if re.match(r"^[a-z]+:", link) and not link.startswith("file:"):
            continue  # the web, opened by the desktop's browser
        target, _, anchor = link.partition("#")
        if target and not os.path.isfile(os.path.join(folder, target)):
            failures.append(f"link to a missing file: {link}")
        elif not target and anchor not in page.anchors:
            failures.append(f"link to a missing anchor: {link}")
    for picture in page.pictures:
        if not os.path.isfile(os.path.join(folder, picture)):
            failures.append(f"missing picture: {picture}")
    if not page.headings:
        failures.append("the help has no headings")

    with open(guide, "rb") as f:
        if f.read(5) != b"%PDF-":
            failures.append("the guide is not a PDF")
    if shutil.which("pdftotext") and shutil.which("pdfimages"):
        text = words(subprocess.run(["pdftotext", "-enc", "UTF-8", guide, "-"], check=True,
                                    capture_output=True, text=True).stdout)
        for heading in page.headings:
            if heading not in text:
                failures.append(f"the guide lacks the heading \"{heading}\"")
        listing = subprocess.run(["pdfimages", "-list", guide], check=True, capture_output=True,
                                 text=True).stdout.splitlines()[2:]
        distinct = len(set(page.pictures))
        if len(listing) < distinct:
            failures.append(f"the guide holds {len(listing)} pictures of the help's {distinct}")
    else:
        print("pdftotext or pdfimages is not installed: only the guide's header was checked")

    for failure in failures:
        print("FAILED:", failure)
    if failures:
        return 1
    print(f"{len(page.links)} links, {len(page.pictures)} pictures, {len(page.headings)} headings checked")
    return 0


if __name__ == "__main__":
    sys.exit(main())
