#!/usr/bin/env python3
# Times `kestrel -o` against `img2pdf -o` making one PDF of many pages (10,000
# small pages, 100 medium pages from the benchmark corpus) and writes its own
# section of bench/RESULTS.md, between markers the ordinary run keeps.
import argparse
import datetime
import os
import re
import shutil
import statistics
import subprocess
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import run  # noqa: E402  the same measuring and machine description

BEGIN = "<!-- merge: written by scripts/bench --merge, kept by the ordinary run -->"
END = "<!-- /merge -->"


# `pages` names in a fresh folder, hard links to the class's files taken in
# turn, so both tools read the same inodes. Untimed.
def prepare(folder, names, pages, run_dir):
    shutil.rmtree(run_dir, ignore_errors=True)
    os.makedirs(run_dir)
    linked = []
    for i in range(pages):
        name = "p%05d.jpg" % i
        os.link(os.path.join(folder, names[i % len(names)]), os.path.join(run_dir, name))
        linked.append(name)
    return linked


def command(tool, kestrel, names):
    if tool == "kestrel":
        return [kestrel, "-o", "book.pdf"] + names
    return ["img2pdf"] + names + ["-o", "book.pdf"]


# The document a tool wrote: whole, every page there; for kestrel also qpdf
# --check (the slowest check, once per case) and the images given back in order.
def check(tool, run_dir, names, result, deep):
    book = os.path.join(run_dir, "book.pdf")
    if result["status"] != 0 or result["stderr"].strip() and tool == "kestrel":
        sys.exit("%s failed: status %d\n%s" % (tool, result["status"], result["stderr"][-2000:]))
    info = run.shell(["pdfinfo", book])
    pages = re.search(r"Pages:\s+(\d+)", info)
    if not pages or int(pages.group(1)) != len(names):
        sys.exit("%s: %s pages, want %d" % (tool, pages.group(1) if pages else "no", len(names)))
    checked = ""
    if deep:
        qpdf = subprocess.run(["qpdf", "--check", book], capture_output=True, text=True)
        if qpdf.returncode != 0 or "WARNING" in qpdf.stdout + qpdf.stderr:
            sys.exit("%s: qpdf --check failed:\n%s" % (tool, (qpdf.stdout + qpdf.stderr)[-2000:]))
        checked = "qpdf --check clean"
        out = os.path.join(run_dir, "extracted")
        os.makedirs(out)
        subprocess.run(["pdfimages", "-j", book, os.path.join(out, "x")], check=True)
        # x-000.jpg ... x-999.jpg, x-1000.jpg ...: in page order by number, not by name.
        extracted = sorted(os.listdir(out), key=lambda x: int(re.search(r"-(\d+)\.", x).group(1)))
        if len(extracted) != len(names) or any(
                open(os.path.join(out, x), "rb").read() != open(os.path.join(run_dir, n), "rb").read()
                for x, n in zip(extracted, names)):
            sys.exit("%s: pdfimages -j does not give the JPEGs back in order" % tool)
        checked += ", every JPEG back byte for byte in order"
    return os.path.getsize(book), checked


def main():
    parser = argparse.ArgumentParser(description="Times kestrel -o against img2pdf -o.")
    parser.add_argument("--kestrel", required=True)
    parser.add_argument("--corpus", default=os.path.join(run.ROOT, "build", "bench-corpus"))
    parser.add_argument("--work", default=run.default_work())
    parser.add_argument("--results", default=os.path.join(run.BENCH, "RESULTS.md"))
    parser.add_argument("--runs", type=int, default=3)
    args = parser.parse_args()
    started = datetime.datetime.now().astimezone()
    kestrel = os.path.abspath(args.kestrel)
    work = os.path.join(os.path.abspath(args.work), "kestrel-merge-%d" % os.getpid())
    cases = [("small", 10000), ("medium", 100)]
    rows = []
    load_before = open("/proc/loadavg").read().split()[0]
    try:
        for cls, pages in cases:
            shutil.copytree(os.path.join(args.corpus, cls), os.path.join(work, "corpus", cls))
            folder, names = run.class_files(os.path.join(work, "corpus"), cls)
            mean_mb = sum(os.path.getsize(os.path.join(folder, n)) for n in names) / len(names) / 1e6
            for tool in ("kestrel", "img2pdf"):
                samples = []
                for r in range(args.runs):
                    run_dir = os.path.join(work, "runs", tool, cls)
                    linked = prepare(folder, names, pages, run_dir)
                    os.sync()
                    result = run.measure(command(tool, kestrel, linked), run_dir)
                    size, checked = check(tool, run_dir, linked, result, r == 0 and tool == "kestrel")
                    if checked:
                        result["checked"] = checked
                    result["size"] = size
                    samples.append(result)
                    shutil.rmtree(run_dir, ignore_errors=True)
                    print("%s %s %d pages: %.2f s, %.1f MB peak" % (tool, cls, pages, result["wall"], result["rss"]),
                          flush=True)
                rows.append((cls, pages, mean_mb, tool, samples))
    finally:
        shutil.rmtree(work, ignore_errors=True)
    load_after = open("/proc/loadavg").read().split()[0]

    lines = [BEGIN, "## One PDF of many pages (`scripts/bench --merge`)", "",
             "Written by `scripts/bench --merge` (bench/merge.py) on %s to %s (the machine's clock), "
             "load average %s before, %s after; kestrel commit %s; %s. %d rounds of each tool per case, "
             "in a tmpfs; the pages are hard links to the corpus class's files taken in turn. Median "
             "(min–max) wall time and peak resident memory (/usr/bin/time)." % (
                 started.strftime("%Y-%m-%d %H:%M"), datetime.datetime.now().astimezone().strftime("%H:%M %Z"),
                 load_before, load_after, run.shell(["git", "-C", run.ROOT, "rev-parse", "--short", "HEAD"]),
                 run.shell(["img2pdf", "--version"]), args.runs),
             "",
             "| pages | tool | wall s | peak MB | PDF MB | checked |",
             "|---|---|---|---|---|---|"]
    for cls, pages, mean_mb, tool, samples in rows:
        wall = [s["wall"] for s in samples]
        rss = [s["rss"] for s in samples]
        command_text = "`kestrel -o book.pdf ...`" if tool == "kestrel" else "`img2pdf ... -o book.pdf`"
        lines.append("| %d %s (%.3f MB each) | %s | %.2f (%.2f–%.2f) | %.1f (%.1f–%.1f) | %.1f | %s |" % (
            pages, cls, mean_mb, command_text, statistics.median(wall), min(wall), max(wall),
            statistics.median(rss), min(rss), max(rss), samples[0]["size"] / 1e6,
            samples[0].get("checked", "page count (pdfinfo)")))
    lines += ["", END]
    section = "\n".join(lines)

    text = open(args.results).read() if os.path.exists(args.results) else "# Benchmark results\n"
    if BEGIN in text and END in text:
        text = text[:text.index(BEGIN)] + section + text[text.index(END) + len(END):]
    else:
        text = text.rstrip("\n") + "\n\n" + section + "\n"
    with open(args.results, "w") as out:
        out.write(text)
    print("\n".join(lines))


if __name__ == "__main__":
    main()
