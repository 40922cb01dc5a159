#!/usr/bin/env python3
"""What doors idle at a prompt cost the machine.

Starts COUNT doors in pseudo-terminals from one scratch door directory, has
each caller join and leaves him at the street corner's prompt, then watches
them for SECONDS: the CPU time and the wake-ups (voluntary context switches)
each used, from /proc. With --strace, strace -c -f counts every system call
the doors make in the same window instead (strace slows each call it sees,
so its CPU figure is not the doors' own).

  python3 scripts/idle-cost.py build/kordavin 256 60
  python3 scripts/idle-cost.py --strace build/kordavin 256 60
"""

import argparse
import os
import pty
import select
import shutil
import subprocess
import sys
import tempfile
import time

JOIN = [("ANSI graphics? [Y/N] ", b"n"),
        ("Would you like to play? [Y/N] ", b"y"),
        ("Enter your Pimp Name : ", None),
        ("for online documentation.", b"\r"),
        ("[1ST & MAIN]: ", b"")]


def door32(alias):
    return ("0\r\n-1\r\n38400\r\nTest BBS\r\n1\r\n%s\r\n%s\r\n10\r\n60\r\n1\r\n1\r\n"
            % (alias, alias)).encode()


class Door:
    def __init__(self, directory, node):
        drop = os.path.join(directory, "node%d.door32.sys" % node)
        with open(drop, "wb") as out:
            out.write(door32("Idle Caller %d" % node))
        self.pid, self.master = pty.fork()
        if self.pid == 0:
            program = os.path.join(directory, "kordavin")
            os.execv(program, [program, drop, str(node)])
        self.node = node
        self.drop = drop
        self.output = b""
        self.step = 0

    def advance(self):
        """Answers every prompt that has arrived; True once at the street corner."""
        while self.step < len(JOIN):
            text, keys = JOIN[self.step]
            at = self.output.find(text.encode())
            if at < 0:
                return False
            self.output = self.output[at + len(text):]
            if keys is None:
                keys = b"Idle%d\r" % self.node
            os.write(self.master, keys)
            self.step += 1
        return True


def counters(pid):
    """(CPU ticks, voluntary wake-ups) of a process."""
    with open("/proc/%d/stat" % pid) as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    ticks = int(fields[11]) + int(fields[12])
    switches = 0
    with open("/proc/%d/status" % pid) as status:
        for line in status:
            if line.startswith("voluntary_ctxt_switches"):
                switches = int(line.split()[1])
    return ticks, switches


def bring_to_prompt(doors, patience_s):
    waiting = {door.master: door for door in doors if door.step < len(JOIN)}
    deadline = time.monotonic() + patience_s
    while waiting and time.monotonic() < deadline:
        ready, _, _ = select.select(list(waiting), [], [], 1.0)
        for fd in ready:
            door = waiting[fd]
            try:
                door.output += os.read(fd, 65536)
            except OSError:
                sys.exit("door on node %d ended: %r" % (door.node, door.output[-300:]))
            if door.advance():
                del waiting[fd]
    if waiting:
        sys.exit("%d doors never reached the prompt" % len(waiting))


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--strace", action="store_true")
    parser.add_argument("door")
    parser.add_argument("count", type=int)
    parser.add_argument("seconds", type=float)
    args = parser.parse_args()
    directory = tempfile.mkdtemp(prefix="kordavin-idle-")
    built = os.path.dirname(os.path.abspath(args.door))
    shutil.copy(args.door, os.path.join(directory, "kordavin"))
    for name in ("kordavin.dat", "title1.ans"):
        shutil.copy(os.path.join(built, name), directory)
    doors = []
    try:
        for node in range(1, args.count + 1):
            doors.append(Door(directory, node))
            if node % 16 == 0:
                bring_to_prompt(doors[-16:], 120)
        bring_to_prompt(doors, 120)
        time.sleep(3)  # the last prompts settle
        measure(doors, args)
    finally:
        for door in doors:
            try:
                os.kill(door.pid, 9)
                os.waitpid(door.pid, 0)
            except OSError:
                pass
        shutil.rmtree(directory, ignore_errors=True)


def measure(doors, args):
    before = {door.pid: counters(door.pid) for door in doors}
    started = time.monotonic()
    if args.strace:
        table = os.path.join(os.path.dirname(doors[0].drop), "strace.txt")
        command = ["strace", "-c", "-f", "-o", table]
        for door in doors:
            command += ["-p", str(door.pid)]
        tracer = subprocess.Popen(command, stderr=subprocess.DEVNULL)
        time.sleep(args.seconds)
        tracer.send_signal(2)
        tracer.wait()
        with open(table) as counted:
            print(counted.read())
    else:
        time.sleep(args.seconds)
    wall = time.monotonic() - started
    ticks = switches = 0
    for door in doors:
        now = counters(door.pid)
        ticks += now[0] - before[door.pid][0]
        switches += now[1] - before[door.pid][1]
    hertz = os.sysconf("SC_CLK_TCK")
    cores = os.cpu_count()
    cpu_s = ticks / hertz
    print("%d doors idle for %.1f s: CPU %.2f s (%.3f %% of %d cores), "
          "%.3f wake-ups per second per door"
          % (len(doors), wall, cpu_s, 100.0 * cpu_s / wall / cores, cores,
             switches / wall / len(doors)))


if __name__ == "__main__":
    main()
