#!/usr/bin/env python3
"""Fails when a translation is missing or stale, naming the texts:
- the catalogues in translations/ must be what tools/update-translations.sh
  makes from the code (a text added, changed or removed there and not yet
  taken in is stale);
- every text of the window's catalogue (lupdate's unfinished ones) and of
  gimbalctl's (msgfmt --statistics: untranslated and fuzzy) is translated;
- an English text has one translation in a language, in both catalogues
  (the page's catalogue joins them), and keeps its %1, %2... placeholders,
  in the order translations/placeholder-order.tsv names where the reviewers
  found the language needs another one;
- a translation holds no control byte (the English texts' 0x18 is theirs);
- with --program GIMBALCTL: what gimbalctl shows a person under each
  language (help, failures) holds no line of English words that only the
  catalogue's English side has: a text shown but not marked.
    check-translations.py [SOURCE_DIR] [--program GIMBALCTL]
Prints each language's figures."""
import os
import re
import subprocess
import sys
import tempfile
import xml.etree.ElementTree as ET

LANGUAGES = ['de', 'zh_CN']
LOCALES = {'de': 'de_DE.UTF-8', 'zh_CN': 'zh_CN.UTF-8'}
# What gimbalctl is asked under each language: help and the common failures.
SCANNED_RUNS = [['--help'], ['version', '--help'], ['upgrade', '--help'], ['station', '--help'],
                ['records', '--help'], ['version'], ['version', '--port', '/nonexistent/port'],
                ['version', '--port', 'x', '--timeout', '99999'], ['calibrate', 'nothing', '-p', 'x'],
                ['inspect', '/nonexistent/file.plov'], ['records', '--log', '/nonexistent/units'],
                ['no-such-command']]


def ts_messages(path):
    """(English, translation or None when unfinished) of a .ts file."""
    messages = []
    for message in ET.parse(path).getroot().iter('message'):
        translation = message.find('translation')
        finished = translation.get('type') not in ('unfinished', 'vanished', 'obsolete')
        messages.append((message.find('source').text or '',
                         (translation.text or '') if finished and translation.text else None))
    return messages


def unquote(line):
    text = line[line.index('"') + 1:line.rindex('"')]
    escapes = {'n': '\n', 't': '\t', '"': '"', '\\': '\\', 'r': '\r'}
    return re.sub(r'\\(.)', lambda m: escapes.get(m.group(1), m.group(1)), text)


def po_messages(path):
    """(English, translation or None when untranslated or fuzzy) of a .po file."""
    messages = []
    with open(path, encoding='utf-8') as file:
        for block in file.read().split('\n\n'):
            fuzzy, field, parts = False, None, {'msgid': '', 'msgstr': ''}
            for line in block.splitlines():
                if line.startswith('#,') and 'fuzzy' in line:
                    fuzzy = True
                elif line.startswith('#~'):
                    field = None
                elif line.startswith(('msgid ', 'msgstr ')):
                    field = line.split()[0]
                    parts[field] = unquote(line)
                elif line.startswith('"') and field:
                    parts[field] += unquote(line)
            if parts['msgid']:
                translated = parts['msgstr'] and not fuzzy
                messages.append((parts['msgid'], parts['msgstr'] if translated else None))
    return messages


def shown(text):
    return repr(text if len(text) <= 100 else text[:97] + '...')


def placeholder_orders(source):
    """{(language, English): [placeholders in the order the language needs]}."""
    orders = {}
    path = os.path.join(source, 'translations', 'placeholder-order.tsv')
    with open(path, encoding='utf-8') as file:
        for line in file:
            if line.strip() and not line.startswith('#'):
                language, english, order = line.rstrip('\n').split('\t')
                orders[(language, english.replace('\\n', '\n'))] = order.split()
    return orders


def unmarked_lines(program, language, messages):
    """Lines gimbalctl shows under the language with two or more English words
    that only the English side of the catalogue holds."""
    words = lambda text: {w.lower() for w in re.findall(r'[A-Za-z]{4,}', text)}
    english = set().union(*(words(e) for e, _ in messages))
    kept = set().union(*(words(t) for _, t in messages if t))  # read alike in the language
    found = []
    for args in SCANNED_RUNS:
        env = dict(os.environ, LANG=LOCALES[language], LANGUAGE='', LC_ALL='', LC_MESSAGES='')
        run = subprocess.run([program] + args, capture_output=True, text=True, env=env)
        for line in (run.stdout + run.stderr).splitlines():
            left = (words(re.sub(r'\S*[-/.=_]\S*', ' ', line)) & english) - kept - words(
                ' '.join(args))
            if len(left) >= 2:
                found.append(f'{language}: not marked, shown in English by gimbalctl '
                             f'{" ".join(args)}: {shown(line.strip())}')
    return found


def main():
    arguments = sys.argv[1:]
    program = None
    if '--program' in arguments:
        at = arguments.index('--program')
        program = arguments[at + 1]
        del arguments[at:at + 2]
    source = os.path.abspath(arguments[0] if arguments else
                             os.path.join(os.path.dirname(__file__), '..'))
    orders = placeholder_orders(source)
    problems = []
    with tempfile.TemporaryDirectory(prefix='gimbal-translations-') as fresh:
        subprocess.run([os.path.join(source, 'tools', 'update-translations.sh'), fresh],
                       cwd=source, check=True)
        for name in sorted(os.listdir(fresh)):
            with open(os.path.join(fresh, name), encoding='utf-8') as made, \
                    open(os.path.join(source, 'translations', name), encoding='utf-8') as kept:
                if made.read() != kept.read():
                    problems.append(f'translations/{name} is stale: the code\'s texts changed; '
                                    'run tools/update-translations.sh and translate what it adds')
        for language in LANGUAGES:
            window = ts_messages(os.path.join(fresh, f'gimbal-tool_{language}.ts'))
            gimbalctl = po_messages(os.path.join(fresh, f'{language}.po'))
            statistics = subprocess.run(
                ['msgfmt', '--statistics', '-o', os.devnull, os.path.join(fresh, f'{language}.po')],
                capture_output=True, text=True, env=dict(os.environ, LC_ALL='C.UTF-8')).stderr.strip()
            chosen = {}
            for english, translation in window + gimbalctl:
                if translation is None:
                    problems.append(f'{language}: not translated: {shown(english)}')
                    continue
                if chosen.setdefault(english, translation) != translation:
                    problems.append(f'{language}: translated two ways: {shown(english)}: '
                                    f'{shown(chosen[english])} and {shown(translation)}')
                wanted = sorted(re.findall(r'%[1-9]', english))
                if sorted(re.findall(r'%[1-9]', translation)) != wanted:
                    problems.append(f'{language}: placeholders {" ".join(wanted) or "none"} not '
                                    f'kept in the translation of {shown(english)}')
                order = orders.get((language, english))
                if order and re.findall(r'%[1-9]', translation) != order:
                    problems.append(f'{language}: placeholders not in the order {" ".join(order)} '
                                    f'the reviewers asked for in {shown(translation)}')
                if re.search(r'[\x00-\x08\x0b-\x1f\x7f]', translation):
                    problems.append(f'{language}: a control byte in the translation of '
                                    f'{shown(english)}')
            if program:
                problems += unmarked_lines(program, language, window + gimbalctl)
            finished = sum(translation is not None for _, translation in window)
            print(f'{language}: window, page and screen {finished}/{len(window)} translated; '
                  f'gimbalctl {statistics}')
    for problem in problems:
        print(problem, file=sys.stderr)
    return 1 if problems else 0


if __name__ == '__main__':
    sys.exit(main())
