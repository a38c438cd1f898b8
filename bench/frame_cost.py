#!/usr/bin/env python3
"""frame_cost.py: instructions per frame of a program's own work, from a callgrind profile.

    frame_cost.py CALLGRIND_OUT BINARY PROGRAM

PROGRAM is swingride or cockpit. The profile must have been recorded with
--dump-instr=yes from BINARY built with debug information (-g, which does not change
the generated code).

Every instruction executed inside the program's display() callback, and every call
made from it (with all that the callee executed, GL included), is charged to one part
of the frame: the scene update or one of the drawing functions. Link-time optimisation
inlines those functions into display(), so the part is found from the inline chain of
the instruction's address (addr2line -i), or from the callee's name when the call
goes to the function itself. Costs are divided by the number of calls to display(),
the frames drawn. For the cockpit, the view update done by timer() at every tick is
reported the same way, per tick.

Prints one JSON object: frames, and instructions per frame for each part.
"""
import json
import re
import subprocess
import sys
from collections import defaultdict

# The parts of a frame, by the function whose code (inlined or called) does the work, and
# the name for whatever else the callback does itself.
PARTS = {
    "swingride": {
        "display()": ({
            "rotateAll": "scene update: rotateAll",
            "drawBody": "GL submission: drawBody",
            "crtajKonopce": "GL submission: crtajKonopce",
            "drawCubes": "GL submission: drawCubes",
            "draw_axis": "GL submission: draw_axis",
        }, "rest of display(): clear, polygon mode, swap"),
    },
    "cockpit": {
        "display()": ({
            "drawCircle": "GL submission: drawCircle",
            "drawPanel": "GL submission: drawPanel",
            "draw_axis": "GL submission: draw_axis",
        }, "rest of display(): clears, stencil state, swap"),
        "timer(int)": ({}, "view update: timer() (glLoadIdentity, gluLookAt, next tick)"),
    },
}

NAMED = re.compile(r"^\((\d+)\)(?: (.*))?$")


def base_name(function):
    """rotateAll for 'rotateAll()', drawBand for '(anonymous namespace)::drawBand(...)'."""
    name = function.split("(", 1)[0] if not function.startswith("(") else function
    if function.startswith("(anonymous namespace)::"):
        name = function[len("(anonymous namespace)::"):].split("(", 1)[0]
    return name.rsplit("::", 1)[-1].strip()


def parse(path, binary, functions):
    """Self costs per address, call costs per (address, callee), and call counts."""
    names = {"ob": {}, "fl": {}, "fn": {}}
    space = {"ob": "ob", "cob": "ob", "fl": "fl", "fi": "fl", "fe": "fl", "cfi": "fl",
             "cfl": "fl", "fn": "fn", "cfn": "fn"}
    self_cost = {f: defaultdict(int) for f in functions}
    call_cost = {f: defaultdict(int) for f in functions}
    calls = defaultdict(int)
    ob = fn = cfn = None
    addr = 0
    pending_call = False
    with open(path) as profile:
        for raw in profile:
            line = raw.rstrip("\n")
            if not line:
                continue
            head = line.split("=", 1)[0]
            if head in space and "=" in line:
                match = NAMED.match(line.split("=", 1)[1])
                table = names[space[head]]
                if match:
                    key, name = match.groups()
                    if name is not None:
                        table[key] = name
                    name = table.get(key, key)
                else:
                    name = line.split("=", 1)[1]
                if head == "ob":
                    ob = name
                elif head == "fn":
                    fn = name
                elif head == "cfn":
                    cfn = name
                continue
            if line.startswith("calls="):
                count = int(line[len("calls="):].split()[0])
                if cfn in functions:
                    calls[cfn] += count
                pending_call = True
                continue
            if not (line[0].isdigit() or line[0] in "+-*"):
                continue  # header lines: version, positions, events, summary, totals
            fields = line.split()
            position = fields[0]
            if position == "*":
                pass
            elif position.startswith("+"):
                addr += int(position[1:], 0)
            elif position.startswith("-"):
                addr -= int(position[1:], 0)
            else:
                addr = int(position, 0)
            cost = int(fields[2]) if len(fields) > 2 else 0
            if ob == binary and fn in functions:
                if pending_call:
                    call_cost[fn][(addr, cfn)] += cost
                else:
                    self_cost[fn][addr] += cost
            pending_call = False
    return self_cost, call_cost, calls


def inline_chains(binary, addresses):
    """For each address, the names of the functions in its inline chain, innermost first."""
    chains = {}
    addresses = sorted(addresses)
    for start in range(0, len(addresses), 2000):
        chunk = addresses[start:start + 2000]
        out = subprocess.run(["addr2line", "-a", "-i", "-f", "-C", "-e", binary] +
                             [hex(a) for a in chunk],
                             check=True, capture_output=True, text=True).stdout.splitlines()
        current = None
        expect_function = False
        for text in out:
            if text.startswith("0x") and all(c in "0123456789abcdefx" for c in text):
                current = int(text, 16)
                chains[current] = []
                expect_function = True
            elif expect_function:
                chains[current].append(base_name(text))
                expect_function = False
            else:
                expect_function = True  # the file:line after each function name
    return chains


def part_of(chain, parts, other):
    for name in chain:
        if name in parts:
            return parts[name]
    return other


def main():
    profile, binary, program = sys.argv[1:4]
    functions = PARTS[program]
    self_cost, call_cost, calls = parse(profile, binary, functions)
    addresses = set()
    for f in functions:
        addresses.update(self_cost[f])
        addresses.update(a for a, _ in call_cost[f])
    chains = inline_chains(binary, addresses)
    result = {"program": program}
    for f, (parts, other) in functions.items():
        count = calls.get(f, 0)
        totals = defaultdict(int)
        for a, cost in self_cost[f].items():
            totals[part_of(chains.get(a, []), parts, other)] += cost
        for (a, callee), cost in call_cost[f].items():
            part = parts.get(base_name(callee or "")) or part_of(chains.get(a, []), parts, other)
            totals[part] += cost
        total = sum(totals.values())
        result[f] = {
            "calls": count,
            "per_call": {p: (c / count if count else None) for p, c in sorted(totals.items())},
            "total_per_call": total / count if count else None,
        }
    json.dump(result, sys.stdout, indent=1)
    print()


if __name__ == "__main__":
    main()
