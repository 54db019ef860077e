#!/usr/bin/env python3
"""The console's words: every key the page uses (t('...'), tCount('...'), data-i18n*
attributes, and the prefix of a key made from a code, t('state.' + ...)) is in both
catalogues; both catalogues hold the same keys, every text a string, the same {marks}
in both; and no English word is left as text in the HTML pages, outside the catalogues.

usage: web_catalogue_check.py HOST_WEB_DIR
"""
import glob
import json
import os
import re
import sys
from html.parser import HTMLParser

KEY = r"[A-Za-z0-9_.\-]+"


class TextNodes(HTMLParser):
    """The text a reader sees in a page: not scripts or styles."""

    def __init__(self):
        super().__init__()
        self.skip, self.texts, self.keys = 0, [], []

    def handle_starttag(self, tag, attrs):
        if tag in ("script", "style"):
            self.skip += 1
        for name, value in attrs:
            if name in ("title", "placeholder", "alt", "aria-label") and value and re.search(r"[A-Za-z]{2,}", value):
                self.texts.append("%s=%r" % (name, value))
            if name.startswith("data-i18n") and value and value != "{{message}}":
                self.keys.append(value)

    def handle_endtag(self, tag):
        if tag in ("script", "style"):
            self.skip -= 1

    def handle_data(self, data):
        if not self.skip and re.search(r"[A-Za-z]{2,}", data):
            self.texts.append(data.strip())


def main():
    web = sys.argv[1]
    faults = []
    catalogues = {}
    for path in sorted(glob.glob(os.path.join(web, "messages", "*.json"))):
        with open(path, encoding="utf-8") as f:
            catalogues[os.path.basename(path)] = json.load(f)
    if set(catalogues) != {"zh-CN.json", "en.json"}:
        faults.append("catalogues: %s" % sorted(catalogues))
    names = sorted(catalogues)
    for a in names:
        for b in names:
            if a < b:
                for key in sorted(set(catalogues[a]) ^ set(catalogues[b])):
                    faults.append("%s in only one of %s and %s" % (key, a, b))
        for key, text in catalogues[a].items():
            if not isinstance(text, str):
                faults.append("%s: %s is not a text" % (a, key))
    zh, en = catalogues.get("zh-CN.json", {}), catalogues.get("en.json", {})
    for key in set(zh) & set(en):
        marks = lambda s: sorted(re.findall(r"\{(\w+)\}", s))
        if marks(zh[key]) != marks(en[key]):
            faults.append("%s: marks %s against %s" % (key, marks(zh[key]), marks(en[key])))

    used, prefixes = set(), set()
    for path in sorted(glob.glob(os.path.join(web, "*.js"))):
        source = open(path, encoding="utf-8").read()
        used |= set(re.findall(r"\bt(?:Count)?\('(" + KEY + r")'[,)]", source))
        prefixes |= set(re.findall(r"\bt\('(" + KEY + r"\.)' \+", source))
    for path in sorted(glob.glob(os.path.join(web, "*.html"))):
        page = TextNodes()
        page.feed(open(path, encoding="utf-8").read())
        used |= set(page.keys)
        for text in page.texts:
            faults.append("%s: words outside the catalogues: %s" % (os.path.basename(path), text))
    for key in sorted(used):
        for name in names:
            if key not in catalogues[name]:
                faults.append("%s used, not in %s" % (key, name))
    for prefix in sorted(prefixes):
        if not any(k.startswith(prefix) for k in zh):
            faults.append("no key starts %s" % prefix)
    for fault in faults:
        print(fault)
    if not used or faults:
        return 1
    print("catalogues: ok, %d keys, %d used by name, %d prefixes" % (len(zh), len(used), len(prefixes)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
