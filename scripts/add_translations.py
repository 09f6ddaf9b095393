"""Adds English translations to the committed translation file.

Usage: add_translations.py build/app/i18n/found_en.ts app/i18n/tarvio_en.ts < pairs.tsv
where found_en.ts is what the build's translation check found (written by every build) and each
line of pairs.tsv is CONTEXT<TAB>JAPANESE SOURCE<TAB>ENGLISH. Texts already translated are kept;
texts found without a given pair are listed as missing.
"""
import sys
import xml.etree.ElementTree as ET

found, committed = sys.argv[1], sys.argv[2]
pairs = {}
for line in sys.stdin.read().splitlines():
    if not line.strip(): continue
    ctx, src, en = line.split('\t')
    pairs[(ctx, src)] = en
ctree = ET.parse(committed); croot = ctree.getroot()
existing = {}
for c in croot.findall('context'):
    for m in c.findall('message'):
        existing[(c.find('name').text, m.find('source').text)] = m
ftree = ET.parse(found)
for c in ftree.getroot().findall('context'):
    name = c.find('name').text
    for m in c.findall('message'):
        src = m.find('source').text
        if (name, src) in existing: continue
        if (name, src) not in pairs: print("missing:", name, src); continue
        cc = None
        for x in croot.findall('context'):
            if x.find('name').text == name: cc = x
        if cc is None:
            cc = ET.SubElement(croot, 'context'); ET.SubElement(cc, 'name').text = name
        mm = ET.SubElement(cc, 'message')
        ET.SubElement(mm, 'source').text = src
        comment = m.find('comment')
        if comment is not None: ET.SubElement(mm, 'comment').text = comment.text
        ET.SubElement(mm, 'translation').text = pairs[(name, src)]
ET.indent(ctree, '    ')
with open(committed, 'wb') as f:
    f.write(b'<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n')
    ctree.write(f, encoding='utf-8', xml_declaration=False)
    f.write(b'\n')
