#!/usr/bin/env python3
"""Mutation fuzzing of the PSD workers: damaged copies of real documents go
through Stratlo (layer export) and Brevane (slimming), each run under a time
limit. A run that dies of a signal, reports a sanitizer error or outlives the
limit is counted and its document kept for a look.

    scripts/psd-fuzz.py --workers build-asan/src/tools/integrated \
        [--count 300] [--seed 1] [--timeout 30] [--keep DIR] SAMPLE...

Build the workers with -fsanitize=address,undefined in a build folder of their
own to have memory errors reported, not only crashes. Hand-run, not a test.
"""

import argparse
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import tempfile

BOUNDARY = [0, 1, 2, 3, 4, 0x7F, 0x80, 0xFF, 0x7FFF, 0x8000, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF]


def structure_end(data):
    """Where the merged image starts, roughly: mutations go mostly before it."""
    try:
        version = struct.unpack(">H", data[4:6])[0]
        at = 26
        at += 4 + struct.unpack(">I", data[at:at + 4])[0]
        at += 4 + struct.unpack(">I", data[at:at + 4])[0]
        size = 8 if version == 2 else 4
        at += size + int.from_bytes(data[at:at + size], "big")
        return max(64, min(at, len(data)))
    except struct.error:
        return len(data)


def mutate(data, rng):
    data = bytearray(data)
    end = structure_end(data)
    for _ in range(rng.randint(1, 4)):
        if len(data) < 2:
            break
        kind = rng.random()
        at = rng.randrange(0, min(end, len(data)) if rng.random() < 0.9 else len(data))
        if kind < 0.35:  # flip bits
            data[at] ^= 1 << rng.randrange(8)
        elif kind < 0.7:  # a length or count field set to a boundary value
            width = rng.choice([1, 2, 4, 8])
            value = rng.choice(BOUNDARY) & ((1 << (8 * width)) - 1)
            data[at:at + width] = value.to_bytes(width, "big")
        elif kind < 0.8:  # bytes inserted
            data[at:at] = bytes(rng.randrange(256) for _ in range(rng.randint(1, 8)))
        elif kind < 0.9:  # bytes removed
            del data[at:at + rng.randint(1, 16)]
        else:  # cut short
            del data[max(at, 26):]
    return bytes(data)


def run(command, timeout):
    """('ok' | 'crash' | 'hang', detail)"""
    environment = dict(os.environ)
    environment.setdefault("ASAN_OPTIONS", "detect_leaks=0:abort_on_error=0")
    environment.setdefault("UBSAN_OPTIONS", "print_stacktrace=1:halt_on_error=1")
    try:
        done = subprocess.run(command, capture_output=True, timeout=timeout, env=environment)
    except subprocess.TimeoutExpired:
        return "hang", ""
    errors = done.stderr.decode("utf-8", "replace")
    if done.returncode < 0 or "Sanitizer" in errors or "runtime error:" in errors:
        return "crash", errors[-2000:]
    return "ok", ""


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--workers", required=True, help="folder holding Stratlo and Brevane")
    parser.add_argument("--count", type=int, default=300, help="damaged documents per worker")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--timeout", type=float, default=30.0, help="seconds per run")
    parser.add_argument("--keep", help="folder for the documents that crashed or hung a worker")
    parser.add_argument("samples", nargs="+")
    arguments = parser.parse_args()

    rng = random.Random(arguments.seed)
    sources = [open(path, "rb").read() for path in arguments.samples]
    stratlo = os.path.join(arguments.workers, "Stratlo")
    brevane = os.path.join(arguments.workers, "Brevane")
    counts = {("Stratlo", "crash"): 0, ("Stratlo", "hang"): 0, ("Brevane", "crash"): 0, ("Brevane", "hang"): 0}

    with tempfile.TemporaryDirectory(prefix="psd-fuzz-") as work:
        for index in range(arguments.count):
            source = rng.randrange(len(sources))
            damaged = mutate(sources[source], rng)
            name = "case%04d-%s" % (index, os.path.basename(arguments.samples[source]))
            document = os.path.join(work, name)
            with open(document, "wb") as out:
                out.write(damaged)

            job = os.path.join(work, "export.json")
            output = os.path.join(work, "out")
            with open(job, "w") as out:
                json.dump({"files": [document], "output": output, "sizingMode": "multiple4",
                           "trimTransparency": True}, out)
            stratlo_result = run([stratlo, "--job", job], arguments.timeout)
            shutil.rmtree(output, ignore_errors=True)

            # Brevane rewrites its file: it gets a copy of its own.
            copy = document + ".slim.psd"
            shutil.copyfile(document, copy)
            job = os.path.join(work, "slim.json")
            with open(job, "w") as out:
                json.dump({"deep": True, "files": [copy]}, out)
            brevane_result = run([brevane, "--job", job], arguments.timeout)

            for worker, (result, detail) in (("Stratlo", stratlo_result), ("Brevane", brevane_result)):
                if result != "ok":
                    counts[(worker, result)] += 1
                    print("%s %s on %s\n%s" % (worker, result, name, detail), flush=True)
                    if arguments.keep:
                        os.makedirs(arguments.keep, exist_ok=True)
                        shutil.copyfile(document, os.path.join(arguments.keep, name))
            for path in (document, copy):
                if os.path.exists(path):
                    os.remove(path)
            if (index + 1) % 50 == 0:
                print("%d documents" % (index + 1), flush=True)

    for worker in ("Stratlo", "Brevane"):
        print("%s: %d documents, %d crashes, %d hangs"
              % (worker, arguments.count, counts[(worker, "crash")], counts[(worker, "hang")]))
    return 1 if any(counts.values()) else 0


if __name__ == "__main__":
    sys.exit(main())
