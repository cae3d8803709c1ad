#!/usr/bin/env python3
# Times two commands run in pairs, A then B, then B then A, and so on: a machine whose speed
# drifts (other work, a shared host) slows both alike, where timing all runs of one command and
# then all of the other would charge the drift to one of them.
# Usage: paired.py RUNS WARMUPS COMMAND_A COMMAND_B (each one string, split as a shell would).
# Prints the median wall time of A and of B in ms, and the median of the pairs' ratios A/B.
import shlex
import statistics
import subprocess
import sys
import time


def once(command):
    start = time.perf_counter()
    done = subprocess.run(command, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    elapsed = (time.perf_counter() - start) * 1000
    if done.returncode != 0:
        sys.exit(f"{shlex.join(command)} failed with exit status {done.returncode}")
    return elapsed


def main():
    runs, warmups = int(sys.argv[1]), int(sys.argv[2])
    a, b = shlex.split(sys.argv[3]), shlex.split(sys.argv[4])
    for _ in range(warmups):
        once(a)
        once(b)
    times_a, times_b = [], []
    for i in range(runs):
        if i % 2 == 0:
            times_a.append(once(a))
            times_b.append(once(b))
        else:
            times_b.append(once(b))
            times_a.append(once(a))
    ratios = [x / y for x, y in zip(times_a, times_b)]
    print("%.1f %.1f %.2f" % (statistics.median(times_a), statistics.median(times_b), statistics.median(ratios)))


main()
