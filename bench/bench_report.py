#!/usr/bin/env python3
"""Helpers for download_bench.sh: free ports, the Markdown table and bench/README.md.

Standard library only, so the benchmark runs on a bare Debian with python3.

  bench_report.py freeport                      print a free TCP port on 127.0.0.1
  bench_report.py table RESULTS META            print the Markdown table
  bench_report.py write-readme README TABLE     put TABLE under "## Download benchmarks"
  bench_report.py make-batch DIR COUNT MIN MAX  COUNT random files of MIN..MAX bytes in DIR
                                                (b0001.bin ...); prints their total size
  bench_report.py strace-counts TOOL FILE       meta lines "syscall<TAB>TOOL<TAB>name<TAB>
                                                calls<TAB>errors" from `strace -c` output

RESULTS is the tab-separated run log the script writes (see COLUMNS); META holds
"key<TAB>value" lines (repeatable keys such as note, legend and command keep their order).
"""

import os
import random
import socket
import statistics
import sys
import tempfile

COLUMNS = ["scenario", "tool", "run", "status", "wall", "user", "sys", "rss_kb",
           "bytes", "limit", "role", "load1"]
TOOL_ORDER = ["fwbase", "fetchwright", "fwpace", "aria2c", "curl"]
TOOL_NAMES = {"fwpace": "fetchwright --pace", "fwbase": "fetchwright (before)"}
OURS = ("fwbase", "fetchwright", "fwpace")
HEADING = "## Download benchmarks"
GIB = 1073741824.0
# System calls shown in the count table (others are summed into "other").
SHOWN_CALLS = ["recvfrom", "read", "poll", "ppoll", "epoll_wait", "select", "write", "pwritev",
               "pwrite64", "futex", "fsync"]


def free_port():
    with socket.socket(socket.AF_INET, socket.SOCK_STREAM) as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


def read_results(path):
    rows = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if not line:
                continue
            fields = line.split("\t")
            if len(fields) != len(COLUMNS):
                raise SystemExit(f"bad results line: {line!r}")
            rows.append(dict(zip(COLUMNS, fields)))
    return rows


def read_meta(path):
    meta = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            line = line.rstrip("\n")
            if "\t" in line:
                key, value = line.split("\t", 1)
                meta.append((key, value))
    return meta


def meta_all(meta, key):
    return [v for k, v in meta if k == key]


def meta_one(meta, key, default=""):
    values = meta_all(meta, key)
    return values[-1] if values else default


def fmt_bytes_kib(kib):
    mib = kib / 1024.0
    return f"{mib:.1f} MiB"


def fmt_seconds(sec):
    return f"{sec:.2f} s"


def fmt_rate(bytes_per_s):
    return f"{bytes_per_s / 1048576.0:.3f} MiB/s"


def fmt_spread(median, low, high):
    """The median with the runs' range, in seconds: "1.23 s (1.10–1.40)"."""
    if low == high:
        return fmt_seconds(median)
    return f"{median:.2f} s ({low:.2f}–{high:.2f})"


class Summary:
    """Medians of one tool in one scenario over its successful runs."""

    def __init__(self, rows):
        self.rows = rows
        ok = [r for r in rows if r["status"] == "ok"]
        self.ok = len(ok)
        self.total = len(rows)
        self.failures = [r["status"] for r in rows if r["status"] != "ok"]
        self.role = rows[0]["role"]
        self.limit = int(rows[0]["limit"])
        if ok:
            walls = [float(r["wall"]) for r in ok]
            cpus = [float(r["user"]) + float(r["sys"]) for r in ok]
            self.wall = statistics.median(walls)
            self.wall_range = (min(walls), max(walls))
            self.cpu = statistics.median(cpus)
            self.cpu_range = (min(cpus), max(cpus))
            self.cpu_per_gib = self.cpu / (int(ok[0]["bytes"]) / GIB)
            self.rss = statistics.median(int(r["rss_kb"]) for r in ok)
            # The rate over the whole run, start-up included: what a user waits for.
            self.rate = statistics.median(int(r["bytes"]) / max(float(r["wall"]), 1e-3)
                                          for r in ok)
        else:
            self.wall = self.cpu = self.rss = self.rate = self.cpu_per_gib = None


def ratio_text(fw, others):
    candidates = [o for o in others if o[1].wall is not None and o[1].role == "compared"]
    if fw.wall is None or not candidates:
        return "n/a"
    best_tool, best = min(candidates, key=lambda o: o[1].wall)
    return (f"{fw.wall / best.wall:.2f}× wall, {fw.cpu / max(best.cpu, 1e-3):.2f}× CPU "
            f"(vs {best_tool})")


def load_text(rows):
    loads = [float(r["load1"]) for r in rows if r.get("load1")]
    if not loads:
        return None
    return (f"Load average (1 min) as each run started: median {statistics.median(loads):.2f}, "
            f"lowest {min(loads):.2f}, highest {max(loads):.2f}.")


def syscall_table(meta):
    counts = {}
    for v in meta_all(meta, "syscall"):
        tool, name, calls, _errors = v.split("\t")
        counts.setdefault(tool, {})[name] = int(calls)
    if not counts:
        return []
    tools = sorted(counts, key=lambda t: TOOL_ORDER.index(t) if t in TOOL_ORDER else 99)
    names = [n for n in SHOWN_CALLS if any(n in counts[t] for t in tools)]
    out = ["", "System calls of one S1 run (`strace -f -c`; the run is slowed by strace, only "
           "the counts matter):", ""]
    out.append("| System call | " + " | ".join(TOOL_NAMES.get(t, t) for t in tools) + " |")
    out.append("|---|" + "---|" * len(tools))
    for n in names:
        out.append(f"| {n} | " + " | ".join(f"{counts[t].get(n, 0):,}" for t in tools) + " |")
    other = [sum(c for n, c in counts[t].items() if n not in SHOWN_CALLS and n != "total")
             for t in tools]
    out.append("| other | " + " | ".join(f"{o:,}" for o in other) + " |")
    out.append("| all | " + " | ".join(f"{counts[t].get('total', 0):,}" for t in tools) + " |")
    return out


def table(results_path, meta_path):
    rows = read_results(results_path)
    meta = read_meta(meta_path)
    out = []
    out.append(f"Run: {meta_one(meta, 'date')} on {meta_one(meta, 'machine')}.")
    out.append("")
    for line in meta_all(meta, "info"):
        out.append(f"- {line}")
    load = load_text(rows)
    if load:
        out.append(f"- {load}")
    out.append("")
    out.append("| Scenario | Tool | Runs ok | Wall, median (range) | CPU user+sys, median (range) | "
               "CPU per GiB | Peak RSS (median) | Fetchwright / best other | Rate vs limit |")
    out.append("|---|---|---|---|---|---|---|---|---|")

    scenario_names = dict(tuple(v.split("\t", 1)) for v in meta_all(meta, "scenario"))
    scenarios = []
    for r in rows:
        if r["scenario"] not in scenarios:
            scenarios.append(r["scenario"])
    for scen in scenarios:
        by_tool = {}
        for r in rows:
            if r["scenario"] == scen:
                by_tool.setdefault(r["tool"], []).append(r)
        tools = sorted(by_tool, key=lambda t: TOOL_ORDER.index(t) if t in TOOL_ORDER else 99)
        summaries = [(t, Summary(by_tool[t])) for t in tools]
        others = [(t, s) for t, s in summaries if t not in OURS]
        label = scenario_names.get(scen, scen)
        for tool, s in summaries:
            shown = TOOL_NAMES.get(tool, tool)
            name = shown if s.role == "compared" else f"{shown} ({s.role})"
            runs = f"{s.ok}/{s.total}"
            if s.failures:
                runs += " (" + ", ".join(sorted(set(s.failures))) + ")"
            if s.wall is None:
                cells = ["—", "—", "—", "—"]
            else:
                cells = [fmt_spread(s.wall, *s.wall_range), fmt_spread(s.cpu, *s.cpu_range),
                         f"{s.cpu_per_gib:.2f} s", fmt_bytes_kib(s.rss)]
            ratio = ""
            if tool in OURS:
                # Under a limit, finishing sooner means overshooting it: speed is no merit.
                ratio = "see rate vs limit" if s.limit > 0 else ratio_text(s, others)
            rate = ""
            if s.limit > 0 and s.rate is not None:
                rate = f"{fmt_rate(s.rate)} ({(s.rate / s.limit - 1) * 100:+.1f}%)"
            out.append(f"| {label} | {name} | {runs} | " + " | ".join(cells) +
                       f" | {ratio} | {rate} |")
    if not set(OURS) & {r["tool"] for r in rows}:
        out.append("")
        out.append(f"fetchwright-cli was not measured: {meta_one(meta, 'fetchwright', 'not run')}.")
    out.extend(syscall_table(meta))
    notes = meta_all(meta, "note")
    if notes:
        out.append("")
        out.append("Notes:")
        out.append("")
        for n in notes:
            out.append(f"- {n}")
    commands = meta_all(meta, "command")
    if commands:
        out.append("")
        out.append("Command lines of the first run of each (`$T` is the run's temporary folder):")
        out.append("")
        for c in commands:
            scen, tool, cmd = c.split("\t", 2)
            out.append(f"- {scen} {TOOL_NAMES.get(tool, tool)}: `{cmd}`")
    return "\n".join(out) + "\n"


def write_readme(readme_path, table_path):
    with open(table_path, encoding="utf-8") as f:
        body = f.read().rstrip("\n") + "\n"
    section = HEADING + "\n\n" + body
    try:
        with open(readme_path, encoding="utf-8") as f:
            lines = f.read().splitlines(keepends=True)
    except FileNotFoundError:
        lines = ["# Benchmarks\n", "\n"]

    start = next((i for i, l in enumerate(lines) if l.rstrip() == HEADING), None)
    if start is None:
        text = "".join(lines).rstrip("\n")
        text = (text + "\n\n" if text else "") + section
    else:
        # The section runs to the next heading of the same or a higher level.
        end = len(lines)
        for i in range(start + 1, len(lines)):
            if lines[i].startswith("# ") or lines[i].startswith("## "):
                end = i
                break
        after = "".join(lines[end:])
        text = "".join(lines[:start]) + section + ("\n" + after if after else "")

    directory = os.path.dirname(os.path.abspath(readme_path))
    fd, tmp = tempfile.mkstemp(prefix=".README.", dir=directory)
    try:
        with os.fdopen(fd, "w", encoding="utf-8") as f:
            f.write(text)
        os.chmod(tmp, 0o644)
        os.replace(tmp, readme_path)
    except BaseException:
        os.unlink(tmp)
        raise


def make_batch(directory, count, low, high):
    """COUNT files of random bytes, LOW..HIGH bytes each (a fixed seed picks the sizes)."""
    os.makedirs(directory, exist_ok=True)
    sizes = random.Random(20).choices(range(low, high + 1), k=count)
    for i, size in enumerate(sizes, 1):
        with open(os.path.join(directory, f"b{i:04d}.bin"), "wb") as f:
            f.write(os.urandom(size))
    return sum(sizes)


def strace_counts(tool, path):
    """The `strace -c` summary as meta lines; its "total" row under the name "total"."""
    lines = []
    with open(path, encoding="utf-8") as f:
        for line in f:
            fields = line.split()
            # % time, seconds, usecs/call, calls, [errors,] syscall
            if len(fields) < 5 or not fields[3].isdigit():
                continue
            errors = fields[4] if len(fields) == 6 else "0"
            lines.append(f"syscall\t{tool}\t{fields[-1]}\t{fields[3]}\t{errors}")
    return "\n".join(lines) + ("\n" if lines else "")


def main(argv):
    if len(argv) == 2 and argv[1] == "freeport":
        print(free_port())
    elif len(argv) == 6 and argv[1] == "make-batch":
        print(make_batch(argv[2], int(argv[3]), int(argv[4]), int(argv[5])))
    elif len(argv) == 4 and argv[1] == "strace-counts":
        sys.stdout.write(strace_counts(argv[2], argv[3]))
    elif len(argv) == 4 and argv[1] == "table":
        sys.stdout.write(table(argv[2], argv[3]))
    elif len(argv) == 4 and argv[1] == "write-readme":
        write_readme(argv[2], argv[3])
    else:
        sys.stderr.write(__doc__)
        return 2
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
