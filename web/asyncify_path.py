#!/usr/bin/python3
"""Writes the functions Asyncify instruments in the browser's program: those that can be
on the stack while the page's wait returns to the browser.

    asyncify_path.py KLOP_WASM SEEDS OUTPUT

KLOP_WASM is the program linked with names and without Asyncify (`make
web-asyncify-path` links it in build-web-graph/ and runs this). SEEDS lists the functions seen
on the wait's stacks, one a line ('*' matches any run of characters): among them the
ones that call on through a function pointer (window procedures, event tables, the
exception wrappers' dynCall_*), which no analysis of direct calls can follow. OUTPUT
gets the seeds and every function that calls one of them directly or through an
exception wrapper (invoke_*), however indirectly, as emcc's -sASYNCIFY_ONLY=@file
reads them.
"""
import fnmatch
import re
import subprocess
import sys
from collections import defaultdict

wasm, seeds_path, output = sys.argv[1:4]
wat = subprocess.run(['wasm-dis', wasm], check=True, capture_output=True, text=True).stdout


def name(escaped):
    return re.sub(r'\\([0-9a-f]{2})', lambda m: chr(int(m.group(1), 16)), escaped)


# The function table, for the calls made through the exception wrappers: under -fexceptions
# a call that may throw past a cleanup is invoke_*(table index, arguments...).
table = []
m = re.search(r'^ \(elem \(i32\.const (\d+)\) (.*)\)$', wat, re.M)
if m:
    table = [None] * int(m.group(1)) + [name(n[1:]) for n in m.group(2).split()]

callers = defaultdict(set)
kept = set()
functions = []
current = None
wrapped = False  # the line after an invoke_* names its target when it is a constant
for line in wat.splitlines():
    m = re.match(r' \(func \$(\S+)', line)
    if m:
        current = name(m.group(1))
        functions.append(current)
        continue
    if current is None:
        continue
    if wrapped:
        wrapped = False
        t = re.match(r'\s*\(i32\.const (\d+)\)', line)
        if t and int(t.group(1)) < len(table) and table[int(t.group(1))]:
            callers[table[int(t.group(1))]].add(current)
    for callee in re.findall(r'\(call \$(\S+)', line):
        callers[name(callee)].add(current)
        wrapped = callee.startswith('invoke_')

patterns = [l.strip() for l in open(seeds_path) if l.strip() and not l.startswith('#')]
path = set()
for p in patterns:
    found = fnmatch.filter(functions, p)
    if '*' in p and not found:
        kept.add(p)  # what only the final link makes (dynCall_*), matched there
    elif not found:
        sys.exit('asyncify_path: no function is %s' % p)
    path.update(found)
todo = list(path)
while todo:
    for caller in callers[todo.pop()]:
        if caller not in path:
            path.add(caller)
            todo.append(caller)
# A name given twice is told apart by a suffix (".1"), which emcc would read as a blank:
# both go as the name followed by '*'.
path = {re.sub(r'\.\d+$', '*', n) for n in path}
with open(output, 'w') as f:
    f.write('\n'.join(sorted(path | kept)) + '\n')
print('asyncify_path: %d functions from %d seeds' % (len(path), len(patterns)))
