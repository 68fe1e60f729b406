#!/usr/bin/env python3
"""Prints the texts of the pages as qsTranslate() calls, for lupdate to
collect (its own reader knows no modern JavaScript):
- of HTML files, every text with a letter in it, and the aria-label, title,
  placeholder and alt attributes, as web/site/i18n.js translates them when
  the page loads (trimmed, a textarea's whole); nothing inside script, style,
  code or an element marked translate="no";
- of JavaScript files, the string literal of each qsTr() call.
    page-texts.py FILE.html|FILE.js ... > texts.js"""
import ast
import html.parser
import json
import os
import re
import sys

QS_TR = re.compile(r"""\bqsTr\(\s*('(?:\\.|[^'\\])*'|"(?:\\.|[^"\\])*")\s*\)""")

ATTRIBUTES = ('aria-label', 'title', 'placeholder', 'alt')
SKIPPED = ('script', 'style', 'code')
VOID = ('area', 'base', 'br', 'col', 'embed', 'hr', 'img', 'input', 'link', 'meta', 'source',
        'track', 'wbr')


class Texts(html.parser.HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.open = []  # (tag, skipped) of the elements open
        self.texts = []

    def keep(self, text):
        if any(c.isalpha() for c in text) and text not in self.texts:
            self.texts.append(text)

    def skipping(self):
        return any(skipped for _, skipped in self.open)

    def handle_starttag(self, tag, attrs):
        values = dict(attrs)
        skipped = tag in SKIPPED or values.get('translate') == 'no'
        if not skipped and not self.skipping():
            for name in ATTRIBUTES:
                if values.get(name):
                    self.keep(values[name].strip())
        if tag not in VOID:
            self.open.append((tag, skipped))

    def handle_endtag(self, tag):
        while self.open:
            if self.open.pop()[0] == tag:
                break

    def handle_data(self, data):
        if self.skipping():
            return
        textarea = bool(self.open) and self.open[-1][0] == 'textarea'
        self.keep(data if textarea else data.strip())


def script_texts(source):
    """The qsTr() literals; JavaScript's escapes there are Python's too."""
    return [ast.literal_eval(literal) for literal in QS_TR.findall(source)]


for path in sys.argv[1:]:
    with open(path, encoding='utf-8') as file:
        source = file.read()
    if path.endswith('.js'):
        found = script_texts(source)
    else:
        texts = Texts()
        texts.feed(source)
        found = texts.texts
    context = os.path.basename(os.path.dirname(os.path.abspath(path)))
    for text in found:
        print(f'qsTranslate({json.dumps(context)}, {json.dumps(text, ensure_ascii=False)});')
