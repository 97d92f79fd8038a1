#!/usr/bin/env bash
# Runs the comparison program once and prints its medians as Markdown
# tables: each case's time per line for tevra, spdlog and the floor, with
# the ratios between them, then ratios between cases of one logger. The
# program measures every side of every case side by side (blocks of lines
# in turn, the median block of each side) for two seconds; that runs three
# times and the median of the three counts. Arguments go to the program,
# for example --benchmark_repetitions=5.
set -euo pipefail
cd "$(dirname "$0")/.."
program="${TEVRA_COMPARE:-build/bench/bench/tevra_compare}"
results="$(mktemp)"
trap 'rm -f "$results"' EXIT
"$program" --benchmark_format=json --benchmark_min_time=2 --benchmark_repetitions=3 \
  --benchmark_report_aggregates_only=true "$@" >"$results"

python3 - "$results" <<'PY'
import json
import sys

with open(sys.argv[1]) as f:
    data = json.load(f)

# Each counter ("json_fields.tevra_ns"): Google Benchmark's median over the
# repetitions, or, when it reported single runs, the median of those.
samples = {}
for run in data["benchmarks"]:
    if run.get("run_type") == "aggregate" and run.get("aggregate_name") != "median":
        continue
    for key, value in run.items():
        case, dot, what = key.rpartition(".")
        if dot and what in ("tevra_ns", "spdlog_ns", "floor_ns", "bytes"):
            samples.setdefault((case, what), []).append(value)
medians = {key: sorted(values)[len(values) // 2] for key, values in samples.items()}
ns = {(case, what[:-3]): value for (case, what), value in medians.items() if what.endswith("_ns")}
line_bytes = {case: int(value) for (case, what), value in medians.items() if what == "bytes"}
repetitions = max((run.get("repetitions", 1) for run in data["benchmarks"]), default=0)

def ratio(a, b):
    return f"{ns[a] / ns[b]:.2f}" if a in ns and b in ns else "–"

def time(key):
    return f"{ns[key]:.1f}" if key in ns else "–"

context = data["context"]
print(f"{context['num_cpus']} CPUs, {context['date']}; ns per line: each side's median block, "
      f"median of {repetitions} runs\n")
print("| case | line bytes | tevra ns | spdlog ns | floor ns | tevra/spdlog | tevra/floor |")
print("|---|---:|---:|---:|---:|---:|---:|")
# In the program's order.
cases = [case for case in context.get("cases", "").split(",") if any(key[0] == case for key in ns)]
for case in cases:
    t, s, f = (case, "tevra"), (case, "spdlog"), (case, "floor")
    print(f"| {case} | {line_bytes.get(case, '–')} | {time(t)} | {time(s)} | {time(f)} | {ratio(t, s)} | {ratio(t, f)} |")

within = [
    ("JSON template / fields", "json_kvfmt", "json_fields"),
    ("console template / fields", "console_kvfmt", "console_fields"),
    ("JSON coloured / plain", "json_color_fields", "json_fields"),
    ("console coloured / plain", "console_color_fields", "console_fields"),
    ("JSON fields built once / per call", "json_fields_once", "json_fields"),
    ("JSON new double / cached double", "json_double_fresh", "json_double_cached"),
]
rows = [(label, ratio((a, "tevra"), (b, "tevra")), ratio((a, "spdlog"), (b, "spdlog"))) for label, a, b in within]
rows = [row for row in rows if row[1:] != ("–", "–")]
if rows:
    print("\n| within one logger | tevra | spdlog |")
    print("|---|---:|---:|")
    for label, tevra, spdlog in rows:
        print(f"| {label} | {tevra} | {spdlog} |")

added = [(side, ns.get(("json_double_fresh", side)), ns.get(("json_double_cached", side)))
         for side in ("tevra", "spdlog")]
if all(fresh is not None and cached is not None for _, fresh, cached in added):
    print("\nA double not seen before adds " +
          ", ".join(f"{0.0 if abs(fresh - cached) < 0.05 else fresh - cached:.1f} ns ({side})"
                    for side, fresh, cached in added) + " to the line.")
PY
