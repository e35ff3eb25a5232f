#!/usr/bin/env python3
"""Sets the translation of one interface text in every catalogue under i18n/.

    scripts/translate.py CONTEXT "Source text" de="…" es="…" fr="…" it="…" ja="…" \
        pt="…" ru="…" tr="…" zh_CN="…"

All nine languages must be given, so no catalogue is left behind. The message is added when
lupdate has not listed it yet; `cmake --build build --target update_translations` afterwards
puts the files back in lupdate's own layout.
"""
import pathlib
import sys
import xml.etree.ElementTree as ET

LANGUAGES = ["de", "es", "fr", "it", "ja", "pt", "ru", "tr", "zh_CN"]
I18N = pathlib.Path(__file__).resolve().parent.parent / "i18n"


def set_translation(path, context, source, text):
    if path.exists():
        root = ET.parse(path).getroot()
    else:
        root = ET.Element("TS", {"version": "2.1", "language": path.stem.split("_", 1)[1]})
    ctx = next((c for c in root.findall("context") if c.findtext("name") == context), None)
    if ctx is None:
        ctx = ET.SubElement(root, "context")
        ET.SubElement(ctx, "name").text = context
    msg = next((m for m in ctx.findall("message") if m.findtext("source") == source), None)
    if msg is None:
        msg = ET.SubElement(ctx, "message")
        ET.SubElement(msg, "source").text = source
        ET.SubElement(msg, "translation")
    translation = msg.find("translation")
    translation.attrib.clear()
    translation.text = text
    ET.indent(root, space="    ")
    body = ET.tostring(root, encoding="unicode")
    path.write_text('<?xml version="1.0" encoding="utf-8"?>\n<!DOCTYPE TS>\n' + body + "\n",
                    encoding="utf-8")


def main(argv):
    if len(argv) < 3:
        sys.exit(__doc__)
    context, source = argv[1], argv[2]
    given = dict(arg.split("=", 1) for arg in argv[3:])
    missing = [lang for lang in LANGUAGES if not given.get(lang)]
    unknown = [lang for lang in given if lang not in LANGUAGES]
    if missing or unknown:
        sys.exit(f"missing: {' '.join(missing)}  unknown: {' '.join(unknown)}")
    for lang in LANGUAGES:
        set_translation(I18N / f"vidlet_{lang}.ts", context, source, given[lang])


if __name__ == "__main__":
    main(sys.argv)
