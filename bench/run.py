#!/usr/bin/env python3
# Times kestrel against img2pdf, ImageMagick and plain cp on the benchmark corpus,
# profiles kestrel's system calls, and writes the tables into bench/RESULTS.md.
import argparse
import datetime
import filecmp
import os
import re
import shlex
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

BENCH = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(BENCH)
CLASSES = ["small", "medium", "large"]
SYSTEM_POLICY = "/etc/ImageMagick-6/policy.xml"
NOTES_BEGIN = "<!-- notes: kept when the tables are written again -->"
NOTES_END = "<!-- /notes -->"
# scripts/bench --merge writes its own section (bench/merge.py); kept here.
MERGE_BEGIN = "<!-- merge: written by scripts/bench --merge, kept by the ordinary run -->"
MERGE_END = "<!-- /merge -->"

# name -> what the row measures
TOOL_TEXT = {
    "kestrel": "`kestrel` over the whole class, one process",
    "img2pdf-cli": "`img2pdf F -o F.pdf`, one process per file (a shell loop)",
    "img2pdf-api": "`img2pdf.convert()` over the whole class, one Python process",
    "mogrify": "`mogrify -format pdf` over the whole class, one process",
    "cp": "`cp` of the same files into the output folder (the limit)",
}

def shell(argv, **kwargs):
    return subprocess.run(argv, capture_output=True, text=True, **kwargs).stdout.strip()


def class_files(corpus, name):
    folder = os.path.join(corpus, name)
    return folder, sorted(f for f in os.listdir(folder) if f.endswith(".jpg"))


# The run folder of a converter holds hard links to the class's JPEGs, so every
# converter reads the same inodes and writes its PDFs beside them, and cp
# writes into an empty folder of the same file system. Untimed.
def prepare(tool, folder, names, run_dir):
    shutil.rmtree(run_dir, ignore_errors=True)
    os.makedirs(run_dir)
    if tool != "cp":
        for name in names:
            os.link(os.path.join(folder, name), os.path.join(run_dir, name))


def command(tool, args, folder, names, run_dir):
    if tool == "cp":
        return ["cp"] + names + [run_dir], folder
    if tool.startswith("kestrel"):
        return args.variants[tool] + names, run_dir
    if tool == "img2pdf-cli":
        loop = 'status=0; for f in "$@"; do img2pdf "$f" -o "${f%.*}.pdf" || status=1; done; exit $status'
        return ["bash", "-c", loop, "bash"] + names, run_dir
    if tool == "img2pdf-api":
        return ["/usr/bin/python3", os.path.join(BENCH, "img2pdf_batch.py")] + names, run_dir
    if tool == "mogrify":
        # Debian's policy forbids writing PDF: a private mount namespace sees
        # a copy without that one rule, for this command alone (a user other
        # than root gets the namespace through a user namespace of its own).
        mount = 'mount --bind "$0" ' + SYSTEM_POLICY + ' && exec mogrify -format pdf "$@"'
        unshare = ["unshare", "-m"] if os.geteuid() == 0 else ["unshare", "-r", "-m"]
        return unshare + ["sh", "-c", mount, args.policy] + names, run_dir
    raise ValueError(tool)


# Wall time around the child's whole life; CPU time from wait4, which covers
# the child and every descendant it waited for. Peak RSS comes from GNU time:
# a child forked straight from this Python would inherit its high-water mark
# across exec, while time's own children start small. It is the peak of the
# largest single process in the tree.
def measure(argv, cwd):
    with tempfile.TemporaryFile() as err, tempfile.NamedTemporaryFile("r") as rss:
        start = time.perf_counter()
        child = subprocess.Popen(["/usr/bin/time", "-f", "%M", "-o", rss.name] + argv, cwd=cwd,
                                 stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=err)
        _, status, usage = os.wait4(child.pid, 0)
        wall = time.perf_counter() - start
        child.returncode = os.waitstatus_to_exitcode(status)
        err.seek(0)
        message = err.read().decode(errors="replace")
        peak = rss.read().split()
    return {"wall": wall, "user": usage.ru_utime, "sys": usage.ru_stime,
            "cpu": usage.ru_utime + usage.ru_stime,
            "rss": int(peak[-1]) / 1024.0 if peak and peak[-1].isdigit() else float("nan"),
            "status": child.returncode, "stderr": message}


def check_outputs(tool, folder, names, run_dir, result):
    problems = []
    if result["status"] != 0:
        problems.append("exit status %d" % result["status"])
    if tool.startswith("kestrel") and result["stderr"].strip():
        problems.append("kestrel reported failures")
    written = 0
    for name in names:
        if tool == "cp":
            path = os.path.join(run_dir, name)
            if not filecmp.cmp(path, os.path.join(folder, name), shallow=False):
                problems.append(name + " copied wrong")
        else:
            path = os.path.join(run_dir, name[:-4] + ".pdf")
            if not os.path.exists(path):
                problems.append(name + ": no PDF")
                continue
            with open(path, "rb") as pdf:
                head = pdf.read(5)
                pdf.seek(max(0, os.path.getsize(path) - 32))
                tail = pdf.read()
            if head != b"%PDF-" or b"%%EOF" not in tail:
                problems.append(name + ": not a whole PDF")
        written += os.path.getsize(path)
    if problems:
        sys.exit("%s failed on %s: %s\n%s" % (tool, os.path.basename(folder), "; ".join(problems[:5]),
                                             result["stderr"][-2000:]))
    return written


def run_once(tool, args, cls, check=False):
    folder, names = args.files[cls]
    run_dir = os.path.join(args.out, tool, cls)
    prepare(tool, folder, names, run_dir)
    os.sync()  # earlier runs' writeback must not land inside this one
    argv, cwd = command(tool, args, folder, names, run_dir)
    result = measure(argv, cwd)
    if check:
        result["written"] = check_outputs(tool, folder, names, run_dir, result)
    elif result["status"] != 0:
        sys.exit("%s failed on %s:\n%s" % (tool, cls, result["stderr"][-2000:]))
    shutil.rmtree(run_dir, ignore_errors=True)
    return result


def benchmark(args):
    samples = {(tool, cls): [] for tool in args.tools for cls in args.classes}
    written = {}
    quick = {}
    # One untimed round warms up and checks every tool's output.
    for cls in args.classes:
        for tool in args.tools:
            print("check  %-7s %-12s" % (cls, tool), flush=True)
            result = run_once(tool, args, cls, check=True)
            written[(tool, cls)] = result["written"]
            quick[(tool, cls)] = result["wall"] < args.quick_seconds
    # Every tool takes part in the first rounds; the later ones repeat only
    # the quick runs, whose medians the shared machine's noise moves most.
    for run in range(args.runs + args.quick_runs):
        for cls in args.classes:
            tools = [t for t in args.tools if run < args.runs or quick[(t, cls)]]
            # The order rotates from run to run, so no tool always follows the
            # same neighbour.
            shift = run % len(tools)
            for tool in tools[shift:] + tools[:shift]:
                result = run_once(tool, args, cls)
                samples[(tool, cls)].append(result)
                print("run %d  %-7s %-12s wall %8.3f s  cpu %8.3f s  rss %7.1f MB"
                      % (run + 1, cls, tool, result["wall"], result["cpu"], result["rss"]), flush=True)
    return samples, written


# strace -c -f over one whole-class run: calls per system call.
def strace_counts(tool, args, cls):
    folder, names = args.files[cls]
    run_dir = os.path.join(args.out, "strace-" + tool, cls)
    prepare(tool, folder, names, run_dir)
    argv, cwd = command(tool, args, folder, names, run_dir)
    with tempfile.NamedTemporaryFile("r", suffix=".strace") as log:
        subprocess.run(["strace", "-f", "-c", "-U", "name,calls,errors", "-o", log.name] + argv,
                       cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        counts = {}
        for line in log.read().splitlines():
            fields = line.split()
            if len(fields) >= 2 and fields[1].isdigit() and not line.startswith("total"):
                counts[fields[0]] = int(fields[1])
    shutil.rmtree(run_dir, ignore_errors=True)
    return counts


# User-space instructions over one whole-class run (callgrind; this machine's
# virtual CPU has no hardware counters), with the functions that spend most.
def instructions(tool, args, cls, top=6):
    folder, names = args.files[cls]
    run_dir = os.path.join(args.out, "callgrind-" + tool, cls)
    prepare(tool, folder, names, run_dir)
    argv, cwd = command(tool, args, folder, names, run_dir)
    with tempfile.NamedTemporaryFile("r", suffix=".callgrind") as out:
        subprocess.run(["valgrind", "--tool=callgrind", "--callgrind-out-file=" + out.name] + argv,
                       cwd=cwd, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, check=True)
        report = shell(["callgrind_annotate", "--inclusive=no", "--threshold=100", out.name])
    shutil.rmtree(run_dir, ignore_errors=True)
    total, functions = None, []
    for line in report.splitlines():
        match = re.match(r"\s*([\d,]+)(?: \([\d.]+%\))?\s+(.*)$", line)
        if not match:
            continue
        count = int(match.group(1).replace(",", ""))
        where = match.group(2)
        if "PROGRAM TOTALS" in where:
            total = count
        elif ":" in where and len(functions) < top:
            name = where.split(":", 1)[1].split(" [")[0]
            functions.append((name, count))
    return total, functions


def profile(args):
    found = {}
    for cls in args.classes:
        for tool in ("kestrel", "cp"):
            print("profile %-7s %s" % (cls, tool), flush=True)
            found[(tool, cls)] = {"calls": strace_counts(tool, args, cls),
                                  "instructions": instructions(tool, args, cls)}
    return found


def median_range(values):
    return "%.3f (%.3f–%.3f)" % (statistics.median(values), min(values), max(values))


def ratio(a, b):
    return "%.3f" % (a / b) if b > 0 else "–"


def machine(args):
    meminfo = open("/proc/meminfo").read()
    memory = int(re.search(r"MemTotal:\s+(\d+)", meminfo).group(1)) / 1024 / 1024
    cpu = shell(["lscpu"])
    model = re.search(r"Model name:\s+(.*)", cpu)
    virt = re.search(r"Hypervisor vendor:\s+(.*)", cpu)
    disk = []
    for path in (args.corpus, args.work_root):
        mount = shell(["findmnt", "-no", "SOURCE,FSTYPE", "--target", path]).splitlines()
        source, fstype = ((mount[0].split() if mount else []) + ["?", "?"])[:2]
        size = shell(["df", "-h", "--output=size", path]).split()[-1]
        rotational = shell(["cat", "/sys/block/%s/queue/rotational" % os.path.basename(source)])
        kind = {"1": ", reported rotational", "0": ", reported non-rotational"}.get(rotational, "")
        disk.append("%s: %s (%s, %s%s)" % ("corpus" if path == args.corpus else "runs", source, fstype, size, kind))
    disk = "; ".join(disk)
    os_name = re.search(r'PRETTY_NAME="(.*)"', open("/etc/os-release").read())
    return [
        ("Date", "%s to %s (the machine's clock)" % (args.started.strftime("%Y-%m-%d %H:%M"),
                                                      datetime.datetime.now().astimezone().strftime("%H:%M %Z"))),
        ("CPU", "%s, %d cores (nproc)%s" % (model.group(1) if model else "?", os.cpu_count(),
                                             ", virtual machine (%s)" % virt.group(1) if virt else "")),
        ("Memory", "%.1f GiB" % memory),
        ("Disk", disk),
        ("System", "%s, Linux %s" % (os_name.group(1) if os_name else "?", os.uname().release)),
        ("kestrel", "%s, commit %s%s, %s" % (
            os.path.relpath(args.variants["kestrel"][0], ROOT),
            shell(["git", "-C", ROOT, "rev-parse", "--short", "HEAD"]),
            " with uncommitted changes" if shell(["git", "-C", ROOT, "status", "--porcelain", "--", "src"]) else "",
            args.build_type)),
        ("img2pdf", shell(["img2pdf", "--version"]) + ", " + shell(["/usr/bin/python3", "--version"])),
        ("ImageMagick", shell(["mogrify", "-version"]).splitlines()[0].replace("Version: ", "")),
        ("cp", shell(["cp", "--version"]).splitlines()[0]),
    ]


def corpus_rows(args):
    rows = []
    for cls in args.classes:
        folder, names = args.files[cls]
        sizes = [os.path.getsize(os.path.join(folder, n)) for n in names]
        kinds = {k: sum(1 for n in names if "-%s" % k in n) for k in ("gray", "rgb", "cmyk", "icc", "exif")}
        rows.append("| %s | %d | %.1f | %.3f (%.3f–%.3f) | %d / %d / %d | %d | %d |" % (
            cls, len(names), sum(sizes) / 1e6, statistics.mean(sizes) / 1e6, min(sizes) / 1e6,
            max(sizes) / 1e6, kinds["gray"], kinds["rgb"], kinds["cmyk"], kinds["icc"], kinds["exif"]))
    return rows


def results_text(args, samples, written, found, load_before, load_after):
    lines = ["# Benchmark results", "",
             "Written by `scripts/bench` (bench/run.py): %d timed rounds of every tool per class, then %d more"
             " of the tools that take under %g s." % (args.runs, args.quick_runs, args.quick_seconds),
             "", "## Machine", "", "| | |", "|---|---|"]
    lines += ["| %s | %s |" % row for row in machine(args)]
    lines += ["| Load average | %s before, %s after (the machine is shared) |" % (load_before, load_after), ""]
    lines += ["## Corpus", "",
              "Made by `bench/make-corpus` (ImageMagick plasma, seeded, plus grain for the larger classes;"
              " EXIF copied in with exiftool), cached in `build/bench-corpus`. Sizes in MB (10^6 bytes).", "",
              "| class | files | total MB | mean (min–max) MB | gray / RGB / CMYK | embedded profile | EXIF |",
              "|---|---|---|---|---|---|---|"] + corpus_rows(args) + [""]
    lines += ["## Times", "",
              "Median over the runs, with the range (min–max) in brackets. Wall and CPU time (user +"
              " system, the whole process tree) in seconds; peak RSS of the largest single process in MB"
              " (2^20 bytes); output in MB (10^6 bytes). Ratios are kestrel's median divided by the"
              " tool's (below 1: kestrel is faster). On a shared machine the wall time takes in waits"
              " for a core; CPU time is the steadier measure.", ""]
    for tool in args.tools:
        lines.append("- **%s**: %s" % (tool, TOOL_TEXT.get(tool, "`%s`, a variant of kestrel" % " ".join(args.variants.get(tool, [])))))
    lines.append("")
    for cls in args.classes:
        folder, names = args.files[cls]
        lines += ["### %s (%d files)" % (cls, len(names)), "",
                  "| tool | runs | wall s | CPU s | peak RSS MB | output MB | kestrel/tool wall | kestrel/tool CPU |",
                  "|---|---|---|---|---|---|---|---|"]
        base = samples[("kestrel", cls)]
        base_wall = statistics.median(r["wall"] for r in base)
        base_cpu = statistics.median(r["cpu"] for r in base)
        for tool in args.tools:
            runs = samples[(tool, cls)]
            wall = statistics.median(r["wall"] for r in runs)
            cpu = statistics.median(r["cpu"] for r in runs)
            lines.append("| %s | %d | %s | %s | %.1f | %.1f | %s | %s |" % (
                tool, len(runs), median_range([r["wall"] for r in runs]), median_range([r["cpu"] for r in runs]),
                statistics.median(r["rss"] for r in runs), written[(tool, cls)] / 1e6,
                ratio(base_wall, wall), ratio(base_cpu, cpu)))
        lines.append("")
    others = [t for t in args.tools if t != "kestrel"]
    lines += ["### Ratios, kestrel / other (median wall time; median CPU time in brackets)", "",
              "| class | " + " | ".join("kestrel/" + t for t in others) + " |",
              "|---|" + "---|" * len(others)]
    for cls in args.classes:
        median = {(t, key): statistics.median(r[key] for r in samples[(t, cls)])
                  for t in args.tools for key in ("wall", "cpu")}
        cells = ["%s (%s)" % (ratio(median[("kestrel", "wall")], median[(t, "wall")]),
                              ratio(median[("kestrel", "cpu")], median[(t, "cpu")])) for t in others]
        lines.append("| %s | %s |" % (cls, " | ".join(cells)))
    lines.append("")
    if "kestrel" in args.tools:
        lines += ["### kestrel's user and system time (median, seconds)", "",
                  "| class | user | system | per file, ms wall |", "|---|---|---|---|"]
        for cls in args.classes:
            runs = samples[("kestrel", cls)]
            lines.append("| %s | %.3f | %.3f | %.3f |" % (
                cls, statistics.median(r["user"] for r in runs), statistics.median(r["sys"] for r in runs),
                1000 * statistics.median(r["wall"] for r in runs) / len(args.files[cls][1])))
        lines.append("")
    lines += ["## How it was measured", "",
              "- Files: the corpus is copied (untimed) into `%s`, a %s, and every tool reads and writes"
              " there. All runs are warm: nothing is read from the disk, and the page cache is not"
              " dropped (that would also slow everyone else on this shared machine). One untimed round"
              " first checks each tool's output (a PDF per JPEG, from `%%PDF-` to `%%%%EOF`; for cp, every"
              " byte)." % (args.work_root, "tmpfs (RAM)" if args.work_root == "/dev/shm" else "disk folder"),
              "- Each run starts from a fresh output folder made untimed, after `sync`. Converters find hard"
              " links to the corpus files in it and write their PDFs beside them; cp writes into an empty"
              " folder of the same file system.",
              "- Order: every round times all tools on all classes, the tools' order rotating from round to"
              " round. Every command runs under GNU time (for the peak RSS), whose own start-up is in"
              " every tool's wall time alike.",
              "- The whole class goes on one command line (the largest, %d names, is far within Linux's"
              " limit), so no xargs was needed." % max(len(args.files[c][1]) for c in args.classes),
              "- ImageMagick: Debian's policy forbids writing PDF. Only for the timed `mogrify` command,"
              " `unshare -m` gives it a private mount namespace in which a copy of `%s` without the one"
              " line `<policy domain=\"coder\" rights=\"none\" pattern=\"PDF\" />` is bind-mounted over"
              " it; Debian's resource limits stay. The machine's own policy is never changed. The"
              " namespace and mount cost a few milliseconds, inside mogrify's times." % SYSTEM_POLICY,
              "- mogrify decodes and re-encodes every image (its output is not the input's bytes);"
              " kestrel and img2pdf copy the JPEG data unchanged.", ""]
    if found:
        lines += profile_text(args, found)
    return lines


def profile_text(args, found):
    lines = ["## System calls per file", "",
             "`strace -f -c` over one whole-class run (untimed, outside the runs above), divided by the"
             " number of files; process start-up is spread over the class. User-space instructions:"
             " `valgrind --tool=callgrind` over another such run.", ""]
    for cls in args.classes:
        n = len(args.files[cls][1])
        calls = {tool: found[(tool, cls)]["calls"] for tool in ("kestrel", "cp")}
        names = sorted(set(calls["kestrel"]) | set(calls["cp"]),
                       key=lambda s: -(calls["kestrel"].get(s, 0) + calls["cp"].get(s, 0)))
        lines += ["### %s (%d files)" % (cls, n), "", "| system call | kestrel per file | cp per file |",
                  "|---|---|---|"]
        rest = {"kestrel": 0, "cp": 0}
        for name in names:
            k, c = calls["kestrel"].get(name, 0) / n, calls["cp"].get(name, 0) / n
            if max(k, c) >= 0.5:
                lines.append("| %s | %.1f | %.1f |" % (name, k, c))
            else:
                rest["kestrel"] += k
                rest["cp"] += c
        lines.append("| all others (mostly process start-up) | %.1f | %.1f |" % (rest["kestrel"], rest["cp"]))
        lines.append("| **total** | **%.1f** | **%.1f** |" % (sum(calls["kestrel"].values()) / n, sum(calls["cp"].values()) / n))
        totals = [found[(t, cls)]["instructions"][0] for t in ("kestrel", "cp")]
        if all(totals):
            lines.append("| user-space instructions | %.0f | %.0f |" % (totals[0] / n, totals[1] / n))
        lines.append("")
        functions = found[("kestrel", cls)]["instructions"][1]
        if totals[0] and functions:
            lines += ["kestrel's user-space instructions by function (self cost, per file):", "",
                      "| function | instructions per file | share |", "|---|---|---|"]
            lines += ["| `%s` | %.0f | %.1f%% |" % (name, count / n, 100.0 * count / totals[0])
                      for name, count in functions]
            lines.append("")
    return lines


def write_results(path, lines):
    notes = ""
    merge = ""
    if os.path.exists(path):
        old = open(path).read()
        if NOTES_BEGIN in old and NOTES_END in old:
            notes = old[old.index(NOTES_BEGIN):old.index(NOTES_END) + len(NOTES_END)]
        if MERGE_BEGIN in old and MERGE_END in old:
            merge = "\n" + old[old.index(MERGE_BEGIN):old.index(MERGE_END) + len(MERGE_END)] + "\n"
    if not notes:
        notes = NOTES_BEGIN + "\n## Findings\n\n(none written yet)\n" + NOTES_END
    # The findings stand right after the machine and corpus, before the tables.
    at = lines.index("## Times")
    text = "\n".join(lines[:at]) + "\n" + notes + "\n\n" + "\n".join(lines[at:]) + "\n" + merge
    os.makedirs(os.path.dirname(os.path.abspath(path)), exist_ok=True)
    with open(path, "w") as out:
        out.write(text)


# A RAM-backed folder when there is one: on a disk file system (ext4 with
# online discard, here) deleting one run's output made the following runs'
# file creation several times slower, drifting with the disk's state and with
# what others on the machine wrote, which drowned the small class's differences.
def default_work():
    if shell(["stat", "-f", "-c", "%T", "/dev/shm"]) == "tmpfs":
        return "/dev/shm"
    return os.path.join(ROOT, "build", "bench-out")


def main():
    parser = argparse.ArgumentParser(description="Times kestrel against its peers and cp.")
    parser.add_argument("--kestrel", required=True, help="the kestrel program to time")
    parser.add_argument("--variant", action="append", default=[], metavar="NAME=PATH [OPTION...]",
                        help="another kestrel build, or options, timed beside it (NAME must start with kestrel-)")
    parser.add_argument("--build-type", default="Release")
    parser.add_argument("--corpus", default=os.path.join(ROOT, "build", "bench-corpus"))
    parser.add_argument("--work", default=default_work(),
                        help="where the corpus is copied and every tool writes (default: a tmpfs)")
    parser.add_argument("--results", default=os.path.join(BENCH, "RESULTS.md"))
    parser.add_argument("--runs", type=int, default=5, help="rounds of every tool")
    parser.add_argument("--quick-runs", type=int, default=10,
                        help="further rounds of the tools whose checking run took under --quick-seconds")
    parser.add_argument("--quick-seconds", type=float, default=5.0)
    parser.add_argument("--classes", default=",".join(CLASSES))
    parser.add_argument("--tools", default="kestrel,img2pdf-cli,img2pdf-api,mogrify,cp")
    parser.add_argument("--no-profile", action="store_true")
    args = parser.parse_args()

    args.started = datetime.datetime.now().astimezone()
    args.classes = args.classes.split(",")
    args.tools = args.tools.split(",")
    args.variants = {"kestrel": [os.path.abspath(args.kestrel)]}
    for variant in args.variant:
        name, program = variant.split("=", 1)
        path, *options = shlex.split(program)
        args.variants[name] = [os.path.abspath(path)] + options
        args.tools.append(name)
    if "kestrel" not in args.tools:
        sys.exit("the tools must include kestrel: every ratio is against it")
    # The corpus is copied into the work folder, so that every tool reads and
    # writes on the same file system (hard links cannot cross one).
    args.work_root = os.path.abspath(args.work)
    args.work = os.path.join(args.work_root, "kestrel-bench-%d" % os.getpid())
    args.out = os.path.join(args.work, "runs")
    os.makedirs(args.out)
    try:
        args.files = {}
        for cls in args.classes:
            shutil.copytree(os.path.join(args.corpus, cls), os.path.join(args.work, "corpus", cls))
            args.files[cls] = class_files(os.path.join(args.work, "corpus"), cls)
        args.policy = os.path.join(args.work, "policy.xml")
        with open(SYSTEM_POLICY) as system, open(args.policy, "w") as permissive:
            permissive.writelines(l for l in system if 'pattern="PDF"' not in l)

        load_before = open("/proc/loadavg").read().split()[0]
        samples, written = benchmark(args)
        load_after = open("/proc/loadavg").read().split()[0]
        found = {} if args.no_profile else profile(args)
        write_results(args.results, results_text(args, samples, written, found, load_before, load_after))
        print("wrote " + args.results)
    finally:
        shutil.rmtree(args.work, ignore_errors=True)


if __name__ == "__main__":
    main()
