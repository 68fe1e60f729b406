#!/usr/bin/env python3
"""Writes the catalogues of gimbalctl and the core as C++ tables:
    catalogue-table.py OUT.cpp TEMPLATE.pot
        every marked text (translations/FilledText.h), in every build
    catalogue-table.py OUT.cpp TEMPLATE.pot LANG=FILE.po...
        each language's translations in the same order, nullptr where it has
        none or only a fuzzy one (unitupgrade/CatalogueTable.h): the Windows
        program, which has no gettext"""
import sys


def unquote(text):
    out, k = [], 0
    escapes = {'n': '\n', 't': '\t', 'r': '\r', '"': '"', '\\': '\\', 'a': '\a', 'b': '\b',
               'f': '\f', 'v': '\v'}
    raw = text.encode('utf-8')
    data = bytearray()
    while k < len(raw):
        c = raw[k]
        if c == 0x5C and k + 1 < len(raw):  # backslash
            n = chr(raw[k + 1])
            if n in escapes:
                data += escapes[n].encode()
                k += 2
                continue
            if n in '01234567':
                end = k + 1
                while end < len(raw) and end < k + 4 and chr(raw[end]) in '01234567':
                    end += 1
                data.append(int(raw[k + 1:end], 8))
                k = end
                continue
        data.append(c)
        k += 1
    return bytes(data)


def entries(path):
    """(msgid, msgstr, fuzzy) of each entry, as bytes."""
    found, entry, field, fuzzy = [], None, None, False

    def close():
        if entry is not None and 'msgid' in entry:
            found.append((entry['msgid'], entry.get('msgstr', b''), entry['fuzzy']))

    for line in open(path, encoding='utf-8'):
        line = line.strip()
        if line.startswith('#,') and 'fuzzy' in line:
            fuzzy = True
        elif line.startswith('msgid '):
            close()
            entry, field = {'fuzzy': fuzzy, 'msgid': b''}, 'msgid'
            fuzzy = False
            entry['msgid'] = unquote(line[6:].strip()[1:-1])
        elif line.startswith('msgstr '):
            field = 'msgstr'
            entry['msgstr'] = unquote(line[7:].strip()[1:-1])
        elif line.startswith('"') and entry is not None and field:
            entry[field] += unquote(line[1:-1])
        elif not line:
            field = None
    close()
    return [e for e in found if e[0]]  # without the header


def literal(data):
    if data is None:
        return 'nullptr'
    out = ''.join(chr(b) if 0x20 <= b < 0x7F and b not in (0x22, 0x5C, 0x3F) else '\\%03o' % b
                  for b in data)
    return '"' + out + '"'


def main():
    out, pot, languages = sys.argv[1], sys.argv[2], sys.argv[3:]
    texts = [e[0] for e in entries(pot)]
    lines = ['// Made by tools/catalogue-table.py from translations/: not edited by hand.']
    if not languages:
        lines += ['#include "translations/FilledText.h"', '', 'namespace translations {',
                  'const char* const kMarkedTexts[] = {']
        lines += ['    %s,' % literal(t) for t in texts]
        lines += ['};', 'const std::size_t kMarkedTextCount = %d;' % len(texts),
                  '}  // namespace translations']
    else:
        lines += ['#include "unitupgrade/CatalogueTable.h"', '', 'namespace gimbalctl::catalogue {']
        names = []
        for n, given in enumerate(languages):
            code, po = given.split('=', 1)
            known = {e[0]: e[1] for e in entries(po) if e[1] and not e[2]}
            lines.append('const char* const kTexts%d[] = {' % n)
            lines += ['    %s,' % literal(known.get(t)) for t in texts]
            lines.append('};')
            names.append('{"%s", kTexts%d}' % (code, n))
        lines.append('const Language kLanguages[] = {%s};'
                     % ', '.join(names + ['{nullptr, nullptr}']))
        lines.append('}  // namespace gimbalctl::catalogue')
    with open(out, 'w', encoding='ascii') as f:
        f.write('\n'.join(lines) + '\n')


main()
