#!/usr/bin/env python3
"""Lists the functions of src/ longer than a limit (80 lines unless given), counted from the line of
the name to the closing brace, with the file and line where each begins; exits 1 when there is one.
    scripts/long-functions.py [LIMIT [FOLDER...]]
It reads braces, not C++: comments, strings and raw strings are blanked first, and a brace opens a
function body when what stands before it ends in a parameter list (or a constructor's initialisers)."""
import re, sys, pathlib

def strip(text):
    out, i, n = [], 0, len(text)
    while i < n:
        c = text[i]
        if text.startswith('//', i):
            j = text.find('\n', i); j = n if j < 0 else j
            out.append(' ' * (j - i)); i = j
        elif text.startswith('/*', i):
            j = text.find('*/', i + 2); j = n if j < 0 else j + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:j])); i = j
        elif text.startswith('R"', i):
            m = re.match(r'R"([^(]*)\(', text[i:])
            end = text.find(')' + m.group(1) + '"', i) + len(m.group(1)) + 2
            out.append(re.sub(r'[^\n]', ' ', text[i:end])); i = end
        elif c in '"\'':
            j = i + 1
            while j < n and text[j] != c:
                j += 2 if text[j] == '\\' else 1
            out.append(' ' * (j + 1 - i)); i = j + 1
        else:
            out.append(c); i += 1
    return ''.join(out)

def functions(path):
    text = strip(path.read_text(errors='replace'))
    stack, last = [], 0  # last: where the current declaration began
    for m in re.finditer(r'[{};]', text):
        c, pos = m.group(), m.start()
        infn = any(k == 'fn' for k, _, _ in stack)
        if c == '{':
            head = text[last:pos]
            kind = 'other'
            if not infn:
                h = re.sub(r'\s+', ' ', head).strip()
                if re.search(r'\b(namespace|class|struct|enum|union|extern)\b[^()]*$', h) and ')' not in h.split('=')[0][-1:]:
                    kind = 'scope'
                if re.search(r'\)\s*(const|noexcept|override|final|mutable|->[^{]*|\s)*$', h) or re.search(r'\)\s*:', h):
                    if not re.search(r'=\s*$', h):
                        kind = 'fn'
                if kind == 'fn':
                    name = re.search(r'([~\w:]+(?:operator\s*\S+)?)\s*\(', h)
                    lead = len(head) - len(head.lstrip())
                    start = text.count('\n', 0, last + lead) + 1
                    stack.append(('fn', name.group(1) if name else '?', start))
                    last = pos + 1
                    continue
            stack.append((kind, None, None))
            last = pos + 1
        elif c == '}':
            if stack:
                kind, name, start = stack.pop()
                if kind == 'fn':
                    yield name, start, text.count('\n', 0, pos) + 1
            last = pos + 1
        else:
            last = pos + 1

limit = int(sys.argv[1]) if len(sys.argv) > 1 else 80
found = False
for root in sys.argv[2:] or ['src']:
    for p in sorted(pathlib.Path(root).rglob('*')):
        if p.suffix in ('.cpp', '.h'):
            for name, s, e in functions(p):
                if e - s + 1 > limit:
                    print(f'{p}:{s}: {name} {e - s + 1} lines')
                    found = True
sys.exit(1 if found else 0)
