#!/usr/bin/env python3
# Units (a .h with its .cpp) that include each other in a cycle, by their quoted includes:
#   tools/include-cycles.py src
import os, re, sys
root = sys.argv[1] if len(sys.argv) > 1 else 'src'
inc = re.compile(r'^\s*#\s*include\s+"([^"]+)"')
graph = {}
for d, _, files in os.walk(root):
    for f in files:
        if not f.endswith(('.h', '.cpp')):
            continue
        path = os.path.join(d, f)
        unit = os.path.relpath(os.path.splitext(path)[0], root)
        deps = graph.setdefault(unit, set())
        for line in open(path, errors='replace'):
            m = inc.match(line)
            if m:
                target = os.path.splitext(m.group(1))[0]
                if not os.path.exists(os.path.join(root, m.group(1))):
                    local = os.path.normpath(os.path.join(os.path.relpath(d, root), m.group(1)))
                    if os.path.exists(os.path.join(root, local)):
                        target = os.path.splitext(local)[0]
                if target != unit:
                    deps.add(target)
index, low, stack, on, sccs, counter = {}, {}, [], set(), [], [0]
sys.setrecursionlimit(10000)
def visit(v):
    index[v] = low[v] = counter[0]; counter[0] += 1; stack.append(v); on.add(v)
    for w in graph.get(v, ()):
        if w not in graph: continue
        if w not in index:
            visit(w); low[v] = min(low[v], low[w])
        elif w in on:
            low[v] = min(low[v], index[w])
    if low[v] == index[v]:
        comp = []
        while True:
            w = stack.pop(); on.discard(w); comp.append(w)
            if w == v: break
        if len(comp) > 1: sccs.append(comp)
for v in list(graph):
    if v not in index: visit(v)
print(f"{len(graph)} units, {len(sccs)} include cycles")
for c in sccs: print('  ' + ' <-> '.join(sorted(c)))
