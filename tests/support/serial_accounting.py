#!/usr/bin/env python3
"""Checks that a serial file and a production log account for every serial number handed out.

    serial_accounting.py SERIAL LOG START FIELD_ADDRESS FIELD_WIDTH [--reported N,N,...] CHIP...

Numbers are ASCII fields (the --serial form ADDR:START:1:WIDTH:ascii). Every number from START
to the serial file's next number must be ok, spent or given back by the log's last line for it,
given back or unknown in the serial file; no lease may be left; no number may be on two chips or
ok twice; a number on a chip is never free again; every log line is a whole JSON object; with
--reported, the numbers the runs reported as unknown are the serial file's unknown ones.
Prints one summary line and the problems; exits 1 when there is a problem.
"""
import json
import sys


def main(argv):
    args = argv[1:]
    reported = None
    if "--reported" in args:
        i = args.index("--reported")
        reported = {int(n) for n in args[i + 1].split(",") if n}
        del args[i : i + 2]
    serial, log, start, address, width = args[:5]
    start, address, width = int(start), int(address), int(width)
    chips = args[5:]
    problems = []

    nxt, spare, leases, unknown = None, set(), [], set()
    for line in open(serial, encoding="ascii").read().splitlines():
        words = line.split()
        if not words or line.startswith("#"):
            continue
        if words[0] in ("pending", "writing"):
            leases.append(line)
        elif words[0] == "unknown":
            unknown.add(int(words[1]))
        elif nxt is None:
            nxt, spare = int(words[0]), {int(w) for w in words[1:]}
        else:
            spare |= {int(w) for w in words}
    if nxt is None:
        problems.append("the serial file holds no next number")
        nxt = start
    for lease in leases:
        problems.append("lease left: " + lease)

    fate, used, torn = {}, {}, 0
    try:
        text = open(log, encoding="utf-8").read()
    except FileNotFoundError:
        text = ""
    if text and not text.endswith("\n"):
        problems.append("the log does not end with a newline")
    for line in text.split("\n")[:-1]:
        try:
            o = json.loads(line)
        except ValueError:
            torn += 1
            problems.append("torn log line: " + line[:80])
            continue
        n = o.get("serial_number")
        if n is None:
            continue
        if fate.get(n) in ("used", "spent"):
            problems.append(f"{n} was handed out again after its chip's number was {fate[n]}")
        fate[n] = o.get("number")
        if o.get("result") == "ok":
            used[n] = used.get(n, 0) + 1

    counts = {"ok": 0, "spent": 0, "given_back": 0, "unknown": 0}
    for n in range(start, nxt):
        if used.get(n, 0) > 1:
            problems.append(f"{n} is ok on {used[n]} chips")
        f = fate.get(n)
        if f == "used" or (n in unknown and used.get(n)):
            counts["ok"] += 1
        elif f == "spent":
            counts["spent"] += 1
        elif n in unknown:
            counts["unknown"] += 1
        elif n in spare or f == "given-back":
            counts["given_back"] += 1
        else:
            problems.append(f"{n} is accounted for nowhere")
        if n in spare and f in ("used", "spent"):
            problems.append(f"{n} is free again though its log line says {f}")
        if n in spare and n in unknown:
            problems.append(f"{n} is both free and unknown")

    on_chips = {}
    for chip in chips:
        try:
            with open(chip, "rb") as f:
                f.seek(address)
                field = f.read(width)
        except FileNotFoundError:
            continue
        if len(field) == width and field.isdigit():
            on_chips.setdefault(int(field), []).append(chip)
    duplicates = 0
    for n, where in on_chips.items():
        if len(where) > 1:
            duplicates += 1
            problems.append(f"{n} is on {len(where)} chips: {' '.join(where)}")
        if n in spare:
            problems.append(f"{n} is on a chip but free again")
    if reported is not None and reported != unknown:
        problems.append(f"reported unknown {sorted(reported)}, the serial file says {sorted(unknown)}")

    print(
        f"handed out {nxt - start}, ok {counts['ok']}, spent {counts['spent']}, "
        f"given back {counts['given_back']}, unknown {counts['unknown']}, duplicates {duplicates}, torn lines {torn}"
    )
    for p in problems:
        print(p)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
