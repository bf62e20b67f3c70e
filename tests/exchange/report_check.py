#!/usr/bin/env python3
"""Checks of a session report, run by the report tests.

  report_check.py REPORT MIN_SVG [TIME ...]
      The document parses, holds at least MIN_SVG <svg> elements and every
      TIME in its text, and no src/href points outside the file.
Exit status 0 when all holds; otherwise 1 with the reasons on stderr.
"""
import sys
from html.parser import HTMLParser


class Report(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.svg = 0
        self.text = []
        self.links = []
        self.doctype = False

    def handle_decl(self, decl):
        self.doctype |= decl.lower() == "doctype html"

    def handle_starttag(self, tag, attrs):
        self.svg += tag == "svg"
        self.links += [v or "" for k, v in attrs if k in ("src", "href", "xlink:href", "action")]

    def handle_data(self, data):
        self.text.append(data)


def check_html(path, min_svg, times):
    page = Report()
    with open(path, encoding="utf-8") as f:
        page.feed(f.read())
    page.close()
    text = " ".join(page.text)
    faults = [] if page.doctype else ["no <!DOCTYPE html>"]
    if page.svg < min_svg:
        faults.append(f"{page.svg} <svg> elements, expected at least {min_svg}")
    faults += [f"lap time {t} missing" for t in times if t not in text]
    faults += [f"external link {l}" for l in page.links if "//" in l or l.startswith(("http:", "https:"))]
    return faults


if __name__ == "__main__":
    faults = check_html(sys.argv[1], int(sys.argv[2]), sys.argv[3:])
    for fault in faults:
        print(fault, file=sys.stderr)
    sys.exit(1 if faults else 0)
