"""One search through one of the Python package's paths, as a process of its
own, so that bench/library-vs-command can time it against `kestrav search`:

  search  kestrav.search: every record in one int32 array;
  iter    kestrav.iter_search: the records in chunks, every chunk summed;
  count   kestrav.count_records: records per pass, nothing stored.

usage: python_paths.py search|iter|count --gram CODE --layout LAYOUT --total T
                       [--multipliers 1,2,5] [--threads N]

Prints "records per pass: A B C", "call seconds: S" (the call alone, without
starting Python and importing NumPy) and, for search, "array bytes: N".
"""
import argparse
import sys
import time

import numpy as np

import kestrav


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("path", choices=("search", "iter", "count"))
    parser.add_argument("--gram", required=True)
    parser.add_argument("--layout", required=True)
    parser.add_argument("--total", type=int, required=True)
    parser.add_argument("--multipliers", default="1", type=lambda text: tuple(int(m) for m in text.split(",")))
    parser.add_argument("--threads", type=int)
    # A Gram code may begin with '-', which argparse would take for an option.
    argv = []
    for word in sys.argv[1:]:
        if argv and argv[-1] == "--gram":
            argv[-1] = f"--gram={word}"
        else:
            argv.append(word)
    args = parser.parse_args(argv)
    model = dict(gram=args.gram, layout=args.layout, total=args.total, multipliers=args.multipliers,
                 threads=args.threads)

    start = time.perf_counter()
    if args.path == "search":
        found = kestrav.search(**model)
        counts, extra = found.counts, f"array bytes: {found.records.nbytes}"
    elif args.path == "iter":
        chunks = kestrav.iter_search(**model)
        total = sum(int(chunk.sum(dtype=np.int64)) for chunk in chunks)
        counts, extra = chunks.counts, f"entry sum: {total}"
    else:
        counts, extra = tuple(kestrav.count_records(**model).values()), ""
    seconds = time.perf_counter() - start
    print("records per pass:", " ".join(map(str, counts)))
    print(f"call seconds: {seconds:.3f}")
    if extra:
        print(extra)


if __name__ == "__main__":
    main()
