#!/usr/bin/env python3
"""Fails when the product's sources include each other in a circle.

foo.h and foo.cc are one unit: foo.cc including bar.h while bar.cc includes
foo.h is a circle, though no header includes itself. Tests, test support and
the fuzz targets are left out; they may reach anywhere.
"""
import re
import sys
from pathlib import Path

INCLUDE = re.compile(r'^\s*#\s*include\s+"([^"]+)"', re.M)


def product_sources(root):
    for path in sorted(root.rglob("*")):
        rel = path.relative_to(root)
        if path.suffix not in (".h", ".cc", ".cpp") or not path.is_file():
            continue
        if rel.parts[0] in ("tests", "fuzz", "build") or rel.parts[0].startswith(("build", ".")):
            continue
        if re.search(r"_(test|testing)\.(cc|h)$", path.name):
            continue
        yield rel


def include_graph(root):
    graph = {}
    for rel in product_sources(root):
        unit = str(rel.with_suffix(""))
        edges = graph.setdefault(unit, set())
        for target in INCLUDE.findall((root / rel).read_text(errors="replace")):
            other = str(Path(target).with_suffix(""))
            if other != unit:
                edges.add(other)
    return graph


def circles(graph):
    """Tarjan's strongly connected components of more than one unit."""
    index, low, stack, on_stack, found = {}, {}, [], set(), []

    def visit(unit):
        index[unit] = low[unit] = len(index)
        stack.append(unit)
        on_stack.add(unit)
        for other in graph.get(unit, ()):
            if other not in graph:
                continue
            if other not in index:
                visit(other)
                low[unit] = min(low[unit], low[other])
            elif other in on_stack:
                low[unit] = min(low[unit], index[other])
        if low[unit] == index[unit]:
            component = []
            while True:
                member = stack.pop()
                on_stack.discard(member)
                component.append(member)
                if member == unit:
                    break
            if len(component) > 1:
                found.append(sorted(component))

    sys.setrecursionlimit(10000)
    for unit in sorted(graph):
        if unit not in index:
            visit(unit)
    return found


def main():
    root = Path(sys.argv[1] if len(sys.argv) > 1 else Path(__file__).resolve().parent.parent)
    found = circles(include_graph(root))
    for component in found:
        print("include circle: " + " <-> ".join(component))
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
