#!/usr/bin/python3
"""Where a catalogue program's records lie: for each pass, how the values of
every entry position are spread over its records.

    PYTHONPATH=build/python examples/where_records_lie.py [N] [--out FILE.png]

Runs program N (default 13) with the kestrav module and draws one panel per
pass: a row per entry position, the colour the share of the pass's records
that have each value there (on a power scale, so that rare values show).
The picture goes to kestravN-records.png in the working directory unless
--out names another file.
"""
import argparse
import pathlib

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
import numpy as np  # noqa: E402

import kestrav  # noqa: E402


def draw(number, out):
    result = kestrav.run(number)
    row = kestrav.catalogue(number)
    records = result.records
    top = int(records.max()) if len(records) else 1
    figure, axes = plt.subplots(1, len(result.passes), figsize=(4.2 * len(result.passes), 3.6),
                                squeeze=False, sharey=True, layout="constrained")
    for ax, (multiplier, rows) in zip(axes[0], result.by_pass.items()):
        # shares[p, v]: the share of the pass's records whose entry p + 1 is v.
        shares = np.zeros((records.shape[1], top + 1))
        for position in range(records.shape[1]):
            shares[position] = np.bincount(rows[:, position], minlength=top + 1) / max(1, len(rows))
        image = ax.imshow(shares, aspect="auto", cmap="magma_r", interpolation="nearest",
                          extent=(-0.5, top + 0.5, records.shape[1] + 0.5, 0.5),
                          norm=matplotlib.colors.PowerNorm(0.4, vmin=0, vmax=1))
        ax.set_title(f"m = {multiplier}: {len(rows):,} records")
        ax.set_xlabel("value")
    axes[0][0].set_ylabel("entry position")
    axes[0][0].set_yticks(range(1, records.shape[1] + 1))
    figure.colorbar(image, ax=axes[0].tolist(), label="share of the pass's records")
    figure.suptitle(f"kestrav{number} ({row['family']}, {row['layout']}, k = {row['entries']})")
    figure.savefig(out, dpi=90)
    plt.close(figure)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("number", nargs="?", type=int, default=13, help="catalogue program (default 13)")
    parser.add_argument("--out", type=pathlib.Path,
                        help="the PNG to write (default: kestravN-records.png in the working directory)")
    args = parser.parse_args()
    out = args.out or pathlib.Path(f"kestrav{args.number}-records.png")
    draw(args.number, out)
    print(out)


if __name__ == "__main__":
    main()
