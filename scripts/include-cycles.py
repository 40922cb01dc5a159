#!/usr/bin/env python3
"""Fails when the product's sources include or call each other in a circle.

foo.h and foo.cc are one unit: foo.cc including bar.h while bar.cc includes
foo.h is a circle, though no header includes itself. Tests, test support and
the fuzz targets are left out; they may reach anywhere.

    include-cycles.py [ROOT] [--objects BUILD_DIR]

With --objects, a build's object files add the calls: a unit that calls a
function another unit defines depends on it as on an include. That catches
a circle the includes hide, a function declared in one file's header but
defined in another file. The symbol tables are the compiler's own word on
who calls whom, so no guess at C++ is made here; a function two units
define (each program's main) names no one unit and is left out.
"""
import re
import subprocess
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


# Object files as CMake lays them out: <dir>/CMakeFiles/<target>.dir/<source>.o,
# the source relative to <dir>'s own source directory.
OBJECT = re.compile(r"^(?:(.*)/)?CMakeFiles/[^/]+\.dir/(.+)\.o$")
# nm's kind of a function a unit defines for the others. Weak ones are inline
# code every user carries, and a variable is used, not called.
DEFINED = "T"


def object_units(root, build):
    """The product's object files under build, each with the unit it was built from."""
    product = {str(rel) for rel in product_sources(root)}
    found = {}
    for path in sorted(build.rglob("*.o")):
        match = OBJECT.match(path.relative_to(build).as_posix())
        if not match:
            continue
        source = str(Path(match.group(1) or "", match.group(2)))
        if source in product:
            found[path] = str(Path(source).with_suffix(""))
    return found


def symbol_table(objects):
    """(unit, symbol, kind) for every global symbol the objects define or use."""
    run = subprocess.run(["nm", "-A", "-P", *map(str, objects)], capture_output=True, text=True,
                         check=True)
    for line in run.stdout.splitlines():
        path, _, rest = line.partition(": ")
        fields = rest.split()
        if len(fields) >= 2:
            yield objects[Path(path)], fields[0], fields[1]


def call_edges(root, build):
    """unit -> {unit it calls: a symbol it uses}, from the build's objects."""
    objects = object_units(root, build)
    if not objects:
        sys.exit(f"no object file of the product under {build}: build it first")
    definers, users = {}, []
    for unit, symbol, kind in symbol_table(objects):
        if kind == DEFINED:
            definers.setdefault(symbol, set()).add(unit)
        elif kind == "U":
            users.append((unit, symbol))
    edges = {}
    for unit, symbol in users:
        defined_in = definers.get(symbol, ())
        if len(defined_in) != 1:
            continue
        (other,) = defined_in
        if other != unit:
            edges.setdefault(unit, {}).setdefault(other, symbol)
    return edges


def demangled(symbol):
    try:
        return subprocess.run(["c++filt", symbol], capture_output=True, text=True,
                              check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return symbol


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
    args = sys.argv[1:]
    build = None
    if "--objects" in args:
        at = args.index("--objects")
        if at + 1 >= len(args):
            sys.exit("--objects needs a build directory")
        build = Path(args[at + 1])
        del args[at:at + 2]
    root = Path(args[0] if args else Path(__file__).resolve().parent.parent).resolve()
    graph = include_graph(root)
    calls = call_edges(root, build.resolve()) if build else {}
    for unit, others in calls.items():
        graph.setdefault(unit, set()).update(others)
    found = circles(graph)
    for component in found:
        print("circle: " + " <-> ".join(component))
        for unit in component:
            for other, symbol in sorted(calls.get(unit, {}).items()):
                if other in component:
                    print(f"  {unit} calls {other}: {demangled(symbol)}")
    return 1 if found else 0


if __name__ == "__main__":
    sys.exit(main())
