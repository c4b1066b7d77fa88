#!/usr/bin/env python3
"""Writes the second language's resource scripts: TORLANG.rc, translated
copies of every window layout of the program, of the form library's texts and
of the program's own texts; and TORSTR.rc, the translated key names, special
functions and OSD texts.

    make_torlang.py OUT_DIR REPO_ROOT          write both into OUT_DIR
    make_torlang.py --check OUT_DIR REPO_ROOT  exit 1 when a text has no
        translation, a translated layout differs from its original in anything
        but texts, a translation loses a placeholder or an accelerator, a
        translation is no longer used, or OUT_DIR is behind its sources

Layouts are found through resources/Varnoq.rc (NAME RCDATA "file"); string
tables come from forms/FormTexts.rc, app/AppTexts.rc and
standins/torstr/TORSTR.rc, so their numbers are the originals'. Each text is
looked up in translations.txt (English <TAB> German, one pair a line, cp1252).
Values that are not language stay as they are: font names, page names (the
wizard finds its pages by index), the patterns of file filters, and texts
without a letter."""
import os
import re
import sys

HERE = os.path.dirname(os.path.abspath(__file__))

# Quoted layout properties, by lower-case name: what each holds. A quoted
# value of any other property stops the build, so a new kind of text cannot
# slip through untranslated.
TEXT, FILTER, KEEP = 'text', 'filter', 'keep'
PROPERTY_KINDS = {'caption': TEXT, 'text': TEXT, 'hint': TEXT, 'title': TEXT,
                  'items.strings': TEXT, 'lines.strings': TEXT,
                  'filter': FILTER, 'font.name': KEEP, 'pages.strings': KEEP}

PROP_RE = re.compile(r"^(\s*)([A-Za-z_][\w.]*)(\s*=\s*)(.*)$")
QUOTED_RE = re.compile(r"^'((?:[^']|'')*)'$")
ITEM_RE = re.compile(r"^(\s*)'((?:[^']|'')*)'(\)?)\s*$")
STRING_RE = re.compile(r'^(\s*)(\d+)(\s*,\s*)"((?:[^"]|"")*)"(.*)$')
PLACEHOLDER_RE = re.compile(r'%s|\\n')


class Translator:
    def __init__(self):
        self.table = {}
        with open(os.path.join(HERE, 'translations.txt'), encoding='cp1252') as f:
            for number, line in enumerate(f, 1):
                line = line.rstrip('\r\n')
                if not line or line.startswith('#'):
                    continue
                parts = line.split('\t')
                if len(parts) != 2:
                    raise SystemExit('translations.txt:%d: not "English<TAB>German"' % number)
                self.table[parts[0]] = parts[1]
        self.missing = set()
        self.used = set()
        self.problems = []

    def __call__(self, english, where):
        if not re.search('[A-Za-z]', english):
            return english
        german = self.table.get(english)
        if german is None:
            self.missing.add(english)
            return english
        self.used.add(english)
        if PLACEHOLDER_RE.findall(english) != PLACEHOLDER_RE.findall(german):
            self.problems.append('%s: "%s" does not keep the placeholders of "%s"' % (where, german, english))
        if english.count('&') != german.count('&'):
            self.problems.append('%s: "%s" does not keep the accelerator of "%s"' % (where, german, english))
        return german

    def filter(self, english, where):
        # "Description|*.ext|Description|*.x;*.y": only descriptions are language.
        parts = english.split('|')
        return '|'.join(self(p, where) if i % 2 == 0 else p for i, p in enumerate(parts))


class Unchanged:
    """Reads a layout for its shape only: every text stays as it is."""
    def __call__(self, text, where):
        return text

    filter = __call__


def layout_quote(text):
    return "'" + text.replace("'", "''") + "'"


def kind_of(name, where):
    kind = PROPERTY_KINDS.get(name.lower())
    if kind is None:
        raise SystemExit('%s: %s holds a quoted value; make_torlang.py does not know '
                         'whether it is a text' % (where, name))
    return kind


def convert(kind, english, translate, where):
    """The value in the second language, and its mask: the value with each
    text replaced by a marker, the same in both languages."""
    if kind == TEXT:
        return translate(english, where), '<text>'
    if kind == FILTER:
        patterns = english.split('|')[1::2]
        return translate.filter(english, where), '<text>|' + '|<text>|'.join(patterns)
    return english, layout_quote(english)


def layout_lines(text, translate, where):
    """Yields (original line, translated line, mask) per line."""
    list_kind = None
    for number, line in enumerate(text.splitlines(), 1):
        here = '%s line %d' % (where, number)
        if list_kind:
            m = ITEM_RE.match(line)
            if not m:
                raise SystemExit('%s: one quoted item a line expected in a list' % here)
            value, mask = convert(list_kind, m.group(2).replace("''", "'"), translate, here)
            if m.group(3):
                list_kind = None
            yield line, m.group(1) + layout_quote(value) + m.group(3), m.group(1) + mask + m.group(3)
            continue
        m = PROP_RE.match(line)
        if m and m.group(4).strip() == '(':
            list_kind = kind_of(m.group(2), here)
            yield line, line, line
            continue
        if not m or "'" not in m.group(4):
            yield line, line, line
            continue
        indent, name, equals, value = m.groups()
        kind = kind_of(name, here)
        opens = value.startswith('(') and not value.endswith(')')
        if opens:
            list_kind = kind
            value = value[1:]
        q = QUOTED_RE.match(value.strip())
        if not q:
            raise SystemExit('%s: a single quoted text expected' % here)
        german, mask = convert(kind, q.group(1).replace("''", "'"), translate, here)
        start = indent + name + equals + ('(' if opens else '')
        yield line, start + layout_quote(german), start + mask


def string_lines(text, translate, where):
    """As layout_lines, for a resource script's string table entries."""
    for number, line in enumerate(text.splitlines(), 1):
        m = STRING_RE.match(line)
        if not m:
            yield line, line, line
            continue
        indent, ident, comma, english, rest = m.groups()
        german = translate(english.replace('""', '"'), '%s id %s' % (where, ident))
        yield (line, indent + ident + comma + '"' + german.replace('"', '""') + '"' + rest,
               indent + ident + comma + '<text>' + rest)


def read(path, encoding='cp1252'):
    with open(path, encoding=encoding) as f:
        return f.read()


def generate(root):
    """The module's files, by name, and the translator that made them."""
    translate = Translator()
    files = {}
    rc = ['// Generated by make_torlang.py: do not edit.', '1 24 "Varnoq.manifest"']
    program_rc = read(os.path.join(root, 'resources', 'Varnoq.rc'))
    for name, file in re.findall(r'^\s*(\w+)\s+RCDATA\s+"([^"]+)"', program_rc, re.M):
        lines = layout_lines(read(os.path.join(root, 'resources', file)), translate, file)
        files[file] = '\n'.join(t for _, t, _ in lines) + '\n'
        rc.append('%s RCDATA "%s"' % (name, file))
    for table in ('forms/FormTexts.rc', 'app/AppTexts.rc'):
        lines = string_lines(read(os.path.join(root, table)), translate, table)
        rc += [t for _, t, _ in lines if not t.lstrip().startswith('//')]
    files['TORLANG.rc'] = '\n'.join(rc) + '\n'
    torstr = 'standins/torstr/TORSTR.rc'
    lines = string_lines(read(os.path.join(root, torstr)), translate, torstr)
    files['TORSTR.rc'] = '// Generated by make_torlang.py: do not edit.\n' + '\n'.join(t for _, t, _ in lines) + '\n'
    files['Varnoq.manifest'] = read(os.path.join(root, 'resources', 'Varnoq.manifest'), 'utf-8')
    return files, translate


def check(out_dir, root):
    files, translate = generate(root)
    problems = list(translate.problems)
    problems += ['no translation in standins/torlang/translations.txt: "%s"' % t for t in sorted(translate.missing)]
    problems += ['translation of a text the program no longer has: "%s"' % t
                 for t in sorted(set(translate.table) - translate.used)]
    # The built module against its sources: same lines, texts apart.
    program_rc = read(os.path.join(root, 'resources', 'Varnoq.rc'))
    for file in re.findall(r'^\s*\w+\s+RCDATA\s+"([^"]+)"', program_rc, re.M):
        path = os.path.join(out_dir, file)
        if not os.path.exists(path):
            problems.append('%s has no translated copy in %s' % (file, out_dir))
            continue
        original = [mask for _, _, mask in layout_lines(read(os.path.join(root, 'resources', file)), Unchanged(), file)]
        translated = [mask for _, _, mask in layout_lines(read(path), Unchanged(), file)]
        for number, (a, b) in enumerate(zip(original, translated), 1):
            if a != b:
                problems.append('%s line %d differs from the original in more than its text:\n  %s\n  %s'
                                % (file, number, a.strip(), b.strip()))
                break
        if len(original) != len(translated):
            problems.append('%s: %d lines translated, %d in the original' % (file, len(translated), len(original)))
    for name, content in files.items():
        path = os.path.join(out_dir, name)
        encoding = 'utf-8' if name.endswith('.manifest') else 'cp1252'
        if not os.path.exists(path) or read(path, encoding) != content:
            problems.append('%s is behind its sources: rebuild TORLANG' % path)
    for p in problems:
        print(p)
    print('%d problem(s) in the language module' % len(problems))
    return 1 if problems else 0


def main(out_dir, root):
    files, _ = generate(root)
    os.makedirs(out_dir, exist_ok=True)
    for name, content in files.items():
        encoding = 'utf-8' if name.endswith('.manifest') else 'cp1252'
        with open(os.path.join(out_dir, name), 'w', encoding=encoding, newline='\n') as f:
            f.write(content)


if __name__ == '__main__':
    if sys.argv[1] == '--check':
        sys.exit(check(sys.argv[2], sys.argv[3]))
    main(sys.argv[1], sys.argv[2])
