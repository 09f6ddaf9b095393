#!/usr/bin/env python3
"""Fails when a text of the code has no English translation.

    check_translations.py FOUND.ts COMMITTED.ts

FOUND.ts is what lupdate finds in the code now (written fresh, never the committed file);
COMMITTED.ts is app/i18n/tarvio_en.ts. Every text of FOUND.ts (by context, source text and
disambiguation, as Qt looks it up) must be in COMMITTED.ts with a finished, non-empty
translation. The texts that are not are printed, one a line, and the status is 1.
"""
import sys
import xml.etree.ElementTree as ET


def messages(path):
    """(context, source, comment) -> translation element, for every message of a .ts file."""
    found = {}
    for ctx in ET.parse(path).getroot().iter("context"):
        name = ctx.findtext("name") or ""
        for msg in ctx.iter("message"):
            key = (name, msg.findtext("source") or "", msg.findtext("comment") or "")
            found[key] = msg.find("translation")
    return found


def finished(tr):
    if tr is None or tr.get("type") in ("unfinished", "vanished", "obsolete"):
        return False
    forms = tr.findall("numerusform")
    texts = [f.text for f in forms] if forms else [tr.text]
    return all(t and t.strip() for t in texts)


def main(argv):
    if len(argv) != 3:
        print("usage: check_translations.py FOUND.ts COMMITTED.ts", file=sys.stderr)
        return 2
    try:
        code, committed = messages(argv[1]), messages(argv[2])
    except (OSError, ET.ParseError) as e:
        print(f"check_translations: {e}", file=sys.stderr)
        return 2
    missing = [k for k in code if not finished(committed.get(k))]
    for ctx, source, comment in missing:
        extra = f" ({comment})" if comment else ""
        print(f"no English translation in {argv[2]}: [{ctx}] {source}{extra}", file=sys.stderr)
    if missing:
        print(f"{len(missing)} text(s) lack an English translation", file=sys.stderr)
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
