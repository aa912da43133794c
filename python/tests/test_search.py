"""The module against the kestrav command and the committed result files."""
import hashlib
import itertools
import re
from fractions import Fraction

import numpy as np
import pytest

import kestrav

# (keyword arguments, the same search as `kestrav search` arguments)
SEARCHES = [
    (dict(gram="---111/22001/2001/001/21/1", layout="HeadOnly", total=30, multipliers=(1, 2, 5)),
     ["--gram", "---111/22001/2001/001/21/1", "--layout", "HeadOnly", "--total", "30", "--multipliers", "1,2,5"]),
    (dict(blocks="1-4:222/22/2 5-6:2", layout="Bare", total=40),
     ["--blocks", "1-4:222/22/2 5-6:2", "--layout", "Bare", "--total", "40"]),
    (dict(blocks=["5-6:2", "1-4,7:111-/221/21/1"], layout="Bare", total=36, multipliers=[2, 3], threads=2),
     ["--blocks", "5-6:2", "--blocks", "1-4,7:111-/221/21/1", "--layout", "Bare", "--total", "36",
      "--multipliers", "2,3", "--threads", "2"]),
    (dict(gram="22-001/2-001/-001/111/21/1", layout="TailOnly", total=60, multipliers="1,3"),
     ["--gram", "22-001/2-001/-001/111/21/1", "--layout", "TailOnly", "--total", "60", "--multipliers", "1,3"]),
    (dict(gram="---1110/21100-/1100-/0111/11-/21/1", layout="BothEnds", total=40, multipliers=(1, 2),
          shard=(2, 3)),
     ["--gram", "---1110/21100-/1100-/0111/11-/21/1", "--layout", "BothEnds", "--total", "40",
      "--multipliers", "1,2", "--shard", "2/3"]),
    (dict(gram="21100/1100/211/11/2", layout="Bare", total=50, shard="3/4", threads=1),
     ["--gram", "21100/1100/211/11/2", "--layout", "Bare", "--total", "50", "--shard", "3/4", "--threads", "1"]),
]


def result_bytes(result, tmp_path):
    path = tmp_path / "found.txt"
    result.write(path)
    return path.read_bytes()


@pytest.mark.parametrize("kwargs,args", SEARCHES)
def test_search_writes_what_the_command_writes(kwargs, args, command, tmp_path):
    status, expected, _ = command(*args)
    assert status == 0
    result = kestrav.search(**kwargs)
    assert result_bytes(result, tmp_path) == expected
    assert result.records.dtype == np.int32 and not result.records.flags.writeable
    assert sum(result.counts) == len(result.records) == expected.count(b"\n")
    # Every row of a pass is a record of its multiplier: its entries sum to the total.
    total = kwargs["total"]
    for (m, start, stop), count in zip(result.passes, result.counts):
        assert stop - start == count
        assert (result.records[start:stop] % m == 0).all()
        assert (result.records[start:stop].sum(axis=1) == total).all()
    if "shard" not in kwargs:
        assert result.compositions == sum(kestrav.count(**{k: v for k, v in kwargs.items() if k != "threads"}).values())


@pytest.mark.parametrize("kwargs,args", SEARCHES[:4])
def test_iter_search_chunks_make_the_search(kwargs, args):
    whole = kestrav.search(**kwargs)
    chunks = kestrav.iter_search(**kwargs, chunk_rows=5)
    parts = list(chunks)
    assert all(1 <= len(part) <= 5 for part in parts)
    assert all(len(part) == 5 for part in parts[:-1])
    joined = np.concatenate(parts) if parts else np.empty((0, whole.records.shape[1]), np.int32)
    np.testing.assert_array_equal(joined, whole.records)
    assert chunks.counts == whole.counts


def test_iter_search_stopped_early_ends_its_search():
    # Total 400: hours of work, stopped after the first chunk.
    chunks = kestrav.iter_search(gram="---111/22001/2001/001/21/1", total=400, chunk_rows=1)
    with chunks:
        assert next(chunks).shape == (1, 7)
    assert list(chunks) == [] and chunks.counts is None


def test_count_prints_the_commands_figures(command):
    status, out, _ = command("--gram", "---111/22001/2001/001/21/1", "--layout", "HeadOnly", "--total", "50",
                             "--multipliers", "1,2,5", "--count")
    assert status == 0
    counts = kestrav.count(gram="---111/22001/2001/001/21/1", layout="HeadOnly", multipliers=(1, 2, 5))
    lines = out.decode().splitlines()
    assert lines[:4] == [f"m={m}: {c:,} compositions" for m, c in counts.items()] + \
        [f"all: {sum(counts.values()):,} compositions"]


# Bad input: the module raises ValueError with the command's reason, the
# option named as the keyword ("--total: ..." becomes "total=: ...").
BAD = [
    (dict(gram="---111/22001/2001/001/21/7", layout="Bare"),
     ["--gram", "---111/22001/2001/001/21/7", "--layout", "Bare", "--total", "50"]),
    (dict(gram="21/1", layout="Sideways"), ["--gram", "21/1", "--layout", "Sideways", "--total", "50"]),
    (dict(gram="21/1", total=0), ["--gram", "21/1", "--layout", "Bare", "--total", "0"]),
    (dict(gram="21/1", multipliers=(1, 7)),
     ["--gram", "21/1", "--layout", "Bare", "--total", "50", "--multipliers", "1,7"]),
    (dict(gram="21/1", multipliers=(2, 2)),
     ["--gram", "21/1", "--layout", "Bare", "--total", "50", "--multipliers", "2,2"]),
    (dict(blocks="1-2:2 4:2"), ["--blocks", "1-2:2 4:2", "--layout", "Bare", "--total", "50"]),
    (dict(gram="21/1", blocks="1-3:21/1"),
     ["--gram", "21/1", "--blocks", "1-3:21/1", "--layout", "Bare", "--total", "50"]),
    (dict(), ["--layout", "Bare", "--total", "50"]),
    (dict(gram="21/1", shard="4/3"), ["--gram", "21/1", "--layout", "Bare", "--total", "50", "--shard", "4/3"]),
    (dict(gram="21/1", threads=0), ["--gram", "21/1", "--layout", "Bare", "--total", "50", "--threads", "0"]),
    (dict(gram="0000000000000/000000000000/00000000000/0000000000/000000000/00000000/0000000/000000/00000/"
               "0000/000/00/0", total=65535),
     ["--gram", "0000000000000/000000000000/00000000000/0000000000/000000000/00000000/0000000/000000/00000/"
                "0000/000/00/0", "--layout", "Bare", "--total", "65535"]),
]


@pytest.mark.parametrize("kwargs,args", BAD)
def test_bad_input_raises_the_commands_reason(kwargs, args, command):
    status, out, err = command(*args)
    assert status == 2 and out == b""
    message = re.sub(r"--([a-z]+)", r"\1=", err.removeprefix("kestrav search: ").rstrip("\n"))
    with pytest.raises(ValueError) as raised:
        kestrav.search(**kwargs)
    assert str(raised.value) == message
    with pytest.raises(ValueError) as raised:
        kestrav.iter_search(**kwargs)
    assert str(raised.value) == message


def test_other_bad_calls(tmp_path, catalogue_numbers):
    unknown = next(n for n in itertools.count(1) if n not in catalogue_numbers)
    with pytest.raises(ValueError, match=f"^number=: {unknown} is not a program of the catalogue$"):
        kestrav.run(unknown)
    with pytest.raises(ValueError, match="^chunk_rows=: 0 is out of range 1..16777216$"):
        kestrav.iter_search(gram="21/1", chunk_rows=0)
    with pytest.raises(TypeError, match="^total=: expected an int, not float$"):
        kestrav.search(gram="21/1", total=1.5)
    with pytest.raises(ValueError, match="^entries=: 18446744073709551616 does not fit 64 bits$"):
        kestrav.determinant(gram="21/1", entries=[1, 2, 2**64])
    with pytest.raises(OSError, match="Is a directory"):
        kestrav.search(gram="21/1", total=10).write(tmp_path)


# Catalogue rows covering every driver: scaled BothEnds, HeadOnly, TailOnly;
# unscaled Bare with one block and with two.
@pytest.mark.parametrize("number", [2, 13, 17, 22, 35, 59])
def test_run_writes_the_golden_result_file(number, golden_sums, tmp_path):
    result = kestrav.run(number)
    assert hashlib.sha256(result_bytes(result, tmp_path)).hexdigest() == golden_sums[number]
    # The catalogue row's model, given to search(), is the same search.
    row = next(r for r in kestrav.catalogue() if r["number"] == number)
    same = kestrav.search(**{k: row[k] for k in ("gram", "blocks", "layout", "total", "multipliers")})
    np.testing.assert_array_equal(same.records, result.records)
    assert same.passes == result.passes


def test_catalogue_lists_every_program(catalogue_numbers, pass_multipliers, golden_sums):
    rows = kestrav.catalogue()
    numbers = [row["number"] for row in rows]
    assert numbers == catalogue_numbers
    assert sorted(numbers) == sorted(pass_multipliers) == sorted(golden_sums)
    for row in rows:
        assert (row["gram"] is None) != (row["blocks"] is None)
        assert row["multipliers"] == pass_multipliers[row["number"]]
        assert row["entries"] - row["length"] == {"Bare": 0, "HeadOnly": 1, "TailOnly": 1, "BothEnds": 2}[row["layout"]]


def gram_matrix(code):
    """The matrix of a Gram code: 2 on the diagonal, the strict upper triangle row by row."""
    value = {"2": 2, "1": 1, "0": 0, "-": -1, "=": -2}
    rows = code.split("/")
    size = len(rows) + 1
    g = [[2 if i == j else 0 for j in range(size)] for i in range(size)]
    for i, row in enumerate(rows):
        for offset, c in enumerate(row):
            g[i][i + 1 + offset] = g[i + 1 + offset][i] = value[c]
    return g


def exact_determinant(matrix):
    """Gaussian elimination over the rationals."""
    a = [[Fraction(x) for x in row] for row in matrix]
    n, det = len(a), Fraction(1)
    for col in range(n):
        pivot = next((r for r in range(col, n) if a[r][col] != 0), None)
        if pivot is None:
            return 0
        if pivot != col:
            a[col], a[pivot] = a[pivot], a[col]
            det = -det
        det *= a[col][col]
        for r in range(col + 1, n):
            factor = a[r][col] / a[col][col]
            a[r] = [x - factor * y for x, y in zip(a[r], a[col])]
    return int(det)


def block_value(code, positions, entries):
    g = gram_matrix(code)
    for i, p in enumerate(positions):
        g[i][i] -= entries[p - 1]
    return exact_determinant(g)


@pytest.mark.parametrize("blocks,entries", [
    ([("---1110/21100-/1100-/0111/11-/21/1", [1, 2, 3, 4, 5, 6, 7, 8])], [3, 17, 2, 9, 1, 40, 6, 2]),
    ([("111--1000/22000001/2000001/000001/2-110/-110/111/21/1", list(range(1, 11)))],
     [60000, 65535, 1, 2, 40000, 3, 5, 7, 11, 13]),
    ([("2", [5, 6]), ("111-/221/21/1", [1, 2, 3, 4, 7])], [1, 2, 3, 4, 5, 6, 7]),
    ([("222/22/2", [1, 2, 3, 4]), ("2", [5, 6])], [-3, 0, 10**12, 2, 1, 1]),
])
def test_determinant_is_exact(blocks, entries):
    expected = tuple(block_value(code, positions, entries) for code, positions in blocks)
    if len(blocks) == 1:
        got = kestrav.determinant(gram=blocks[0][0], entries=entries)
    else:
        positions = lambda ps: ",".join(map(str, ps))
        got = kestrav.determinant(blocks=[f"{positions(ps)}:{code}" for code, ps in blocks], entries=entries)
    assert got == expected


def test_determinant_is_zero_on_records():
    result = kestrav.run(17)
    row = next(r for r in kestrav.catalogue() if r["number"] == 17)
    for record in result.records[:: max(1, len(result.records) // 20)]:
        assert kestrav.determinant(blocks=row["blocks"], entries=record.tolist()) == (0, 0)
    with pytest.raises(ValueError, match="^entries=: 6 values given; the model has 7 entries$"):
        kestrav.determinant(blocks=row["blocks"], entries=[1] * 6)
