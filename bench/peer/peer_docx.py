#!/usr/bin/python3
"""The peer of the workloads: python-docx (Debian's python3-docx) reading the
same cells and comments and saving.

    peer_docx.py INPUT OUTPUT [CPU_LIMIT_S [WALL_LIMIT_S]]

Opens INPUT, reads the text of every cell of every table the documented way
(table.rows, row.cells, cell.text), reads every comment of word/comments.xml
through the package's parts (python-docx 0.8 has no comments API; a part's
blob parsed with lxml is what its documentation leaves one), saves to OUTPUT
and prints one line: cpu_ms, wall_ms (open to save, without the interpreter's
start) and the counts read, so that a partial read shows. Past the CPU limit
(process time, which load from other processes does not inflate) or the wall
limit it stops and prints stopped=1 with the time spent so far: a lower bound.
"""
import os
import resource
import signal
import sys
import time

from lxml import etree

import docx

W = "{http://schemas.openxmlformats.org/wordprocessingml/2006/main}"


def comments(document):
    """The texts of every comment, from the comments part if there is one."""
    texts = []
    for part in document.part.package.iter_parts():
        if str(part.partname) == "/word/comments.xml":
            root = etree.fromstring(part.blob)
            for comment in root.iter(W + "comment"):
                texts.append("".join(t.text or "" for t in comment.iter(W + "t")))
    return texts


def main():
    source, target = sys.argv[1], sys.argv[2]
    cpu_limit = float(sys.argv[3]) if len(sys.argv) > 3 else 0
    wall_limit = float(sys.argv[4]) if len(sys.argv) > 4 else 0
    cpu0, wall0 = time.process_time(), time.perf_counter()

    def stop(signum, frame):
        print("workload=peer stopped=1 cpu_ms=%.1f wall_ms=%.1f" % (
            (time.process_time() - cpu0) * 1000, (time.perf_counter() - wall0) * 1000))
        sys.stdout.flush()
        os._exit(0)

    if cpu_limit > 0:
        signal.signal(signal.SIGPROF, stop)
        signal.setitimer(signal.ITIMER_PROF, cpu_limit)
    if wall_limit > 0:
        signal.signal(signal.SIGALRM, stop)
        signal.setitimer(signal.ITIMER_REAL, wall_limit)
    document = docx.Document(source)
    cells = 0
    chars = 0
    for table in document.tables:
        for row in table.rows:
            for cell in row.cells:
                chars += len(cell.text)
                cells += 1
    notes = comments(document)
    document.save(target)
    cpu, wall = time.process_time() - cpu0, time.perf_counter() - wall0
    signal.setitimer(signal.ITIMER_PROF, 0)
    signal.setitimer(signal.ITIMER_REAL, 0)
    peak = resource.getrusage(resource.RUSAGE_SELF).ru_maxrss
    print("workload=peer cpu_ms=%.1f wall_ms=%.1f maxrss_kb=%d cells=%d chars=%d comments=%d"
          % (cpu * 1000, wall * 1000, peak, cells, chars, len(notes)))


if __name__ == "__main__":
    main()
