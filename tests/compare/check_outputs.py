#!/usr/bin/env python3
"""Reads korbinet-compare's --json, --csv and --markdown files back with real
parsers and checks that they agree with each other and with the run:
check_outputs.py RUN.json ROUNDS.csv TABLE.md VARIANTS STAGE_NAME_OR_-
Prints what is wrong and ends with status 1, or nothing and 0."""
import csv
import json
import sys


def main(json_path, csv_path, markdown_path, variants, stage):
    problems = []
    with open(json_path, encoding="utf-8") as f:
        doc = json.load(f)
    if doc["schema"] != 1 or doc["program"]["name"] != "korbinet-compare":
        problems.append("schema or program: %r %r" % (doc["schema"], doc["program"]))
    if len(doc["variants"]) != variants:
        problems.append("variants: %d" % len(doc["variants"]))
    for v in doc["variants"]:
        if v["error"] is None and v["statistics"]["rounds"] < 1:
            problems.append("variant %d ran without counted rounds" % v["number"])
    with_stages = [v for v in doc["variants"] if "stages" in v]
    if stage != "-":
        names = [s["name"] for v in with_stages for s in v["stages"]]
        if stage not in names or any(s["calls"] < 1 for v in with_stages for s in v["stages"]):
            problems.append("stages: %r" % with_stages)
    elif with_stages:
        problems.append("stages without markers: %r" % with_stages)

    with open(csv_path, newline="", encoding="utf-8") as f:
        rows = list(csv.DictReader(f))
    if len(rows) != len(doc["rounds"]):
        problems.append("csv rows %d, json rounds %d" % (len(rows), len(doc["rounds"])))
    for row, r in zip(rows, doc["rounds"]):
        if (int(row["variant"]), int(row["block"]), int(row["frames"])) != (r["variant"], r["block"], r["frames"]):
            problems.append("csv row %r against %r" % (row, r))
            break

    with open(markdown_path, encoding="utf-8") as f:
        lines = f.read().splitlines()
    if len(lines) != 2 + variants or not all(l.startswith("| ") and l.endswith(" |") for l in lines):
        problems.append("markdown: %r" % lines)
    for line, v in zip(lines[2:], doc["variants"]):
        if line.split(" | ")[1] != v["label"]:
            problems.append("markdown row %r for %r" % (line, v["label"]))

    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1], sys.argv[2], sys.argv[3], int(sys.argv[4]), sys.argv[5]))
