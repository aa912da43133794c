"""The module against the kestrav command and the committed result files."""
import hashlib
import itertools
import json
import pickle
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
    # Integers of any type with __index__.
    (dict(gram="22-001/2-001/-001/111/21/1", layout="TailOnly", total=np.int16(60), multipliers=np.array([1, 3])),
     ["--gram", "22-001/2-001/-001/111/21/1", "--layout", "TailOnly", "--total", "60", "--multipliers", "1,3"]),
    (dict(gram="---1110/21100-/1100-/0111/11-/21/1", layout="BothEnds", total=40, multipliers=(1, 2),
          shard=(2, 3)),
     ["--gram", "---1110/21100-/1100-/0111/11-/21/1", "--layout", "BothEnds", "--total", "40",
      "--multipliers", "1,2", "--shard", "2/3"]),
    (dict(gram="21100/1100/211/11/2", layout="Bare", total=50, shard=[3, 4], threads=np.uint8(1)),
     ["--gram", "21100/1100/211/11/2", "--layout", "Bare", "--total", "50", "--shard", "3/4", "--threads", "1"]),
]


def result_bytes(result, tmp_path):
    path = tmp_path / "found.txt"
    result.write(path)
    return path.read_bytes()


MODEL_KEYS = ("gram", "blocks", "layout", "total", "multipliers")
# The manifest's keys that describe the run rather than the search and its file.
RUN_KEYS = ("kestrav", "command", "started", "seconds", "threads", "simd", "host")


def manifest_of(path):
    return json.loads((path.parent / (path.name + ".json")).read_text())


def check_manifest_is_the_commands(result, kwargs, args, kestrav_command, tmp_path):
    """write() leaves the file and manifest `kestrav search --out` leaves, which `kestrav verify` accepts."""
    # Plain, and compressed where the build writes .gz (the manifest's SHA-256 is then of the stored bytes).
    for name in ("ours.txt", "ours.txt.gz"):
        ours, theirs = tmp_path / name, tmp_path / ("theirs" + name.removeprefix("ours"))
        status, _, error = kestrav_command("search", *args, "--out", str(theirs))
        if name.endswith(".gz") and status != 0 and "writes no .gz files" in error:
            continue
        assert status == 0, error
        result.write(ours)
        assert ours.read_bytes() == theirs.read_bytes()
        status, _, error = kestrav_command("verify", str(ours))
        assert status == 0, error
        mine, expected = manifest_of(ours), manifest_of(theirs)
        assert mine["command"][0] == "python" and mine["command"][1].endswith(f".write({str(ours)!r})")
        assert mine["threads"] == kwargs.get("threads", expected["threads"])
        for key in RUN_KEYS:
            del mine[key], expected[key]
        assert mine == dict(expected, file=name)
    ours = tmp_path / "ours.txt"
    # Without its manifest, only the file; a manifest naming other bytes fails verification.
    alone = tmp_path / "alone.txt"
    result.write(alone, manifest=False)
    assert alone.read_bytes() == ours.read_bytes() and not (tmp_path / "alone.txt.json").exists()
    (tmp_path / "alone.txt.json").write_text((tmp_path / "ours.txt.json").read_text())
    with alone.open("ab") as extra:
        extra.write(b"1 \n")
    assert kestrav_command("verify", str(alone))[0] != 0


@pytest.mark.parametrize("kwargs,args", SEARCHES)
def test_search_writes_what_the_command_writes(kwargs, args, command, kestrav_command, tmp_path):
    status, expected, _ = command(*args)
    assert status == 0
    result = kestrav.search(**kwargs)
    assert result_bytes(result, tmp_path) == expected
    if kestrav.MANIFESTS:
        check_manifest_is_the_commands(result, kwargs, args, kestrav_command, tmp_path)
    else:
        assert not (tmp_path / "found.txt.json").exists()
    assert result.records.dtype == np.int32 and not result.records.flags.writeable
    assert sum(result.counts) == len(result.records) == expected.count(b"\n")
    # Every row of a pass is a record of its multiplier: its entries sum to the total.
    total = kwargs["total"]
    assert list(result.by_pass) == list(result.multipliers)
    for (m, start, stop), count, (view_m, view) in zip(result.passes, result.counts, result.by_pass.items()):
        assert stop - start == count and view_m == m
        assert view.base is result.records and view.shape == (count, result.records.shape[1])
        assert (view % m == 0).all() and (view.sum(axis=1) == total).all()
    model = {k: v for k, v in kwargs.items() if k in MODEL_KEYS}
    search_options = {k: v for k, v in kwargs.items() if k in ("threads", "shard")}
    assert kestrav.count_records(**model, **search_options) == dict(zip(result.multipliers, result.counts))
    assert result.compositions == sum(kestrav.count(**model, shard=kwargs.get("shard")).values())
    # The result keeps its search: run again from it, it finds the same.
    assert result.shard == (tuple(int(i) for i in kwargs["shard"]) if "shard" in kwargs else None)
    again = kestrav.search(**result.model, shard=result.shard)
    np.testing.assert_array_equal(again.records, result.records)
    assert result_bytes(again, tmp_path) == expected


def test_results_pickle_and_are_arrays(tmp_path):
    result = kestrav.search(blocks="5-6:2 1-4,7:111-/221/21/1", layout="Bare", total=36, multipliers=(2, 3),
                            shard=(1, 2))
    back = pickle.loads(pickle.dumps(result))
    np.testing.assert_array_equal(back.records, result.records)
    assert not back.records.flags.writeable
    for name in ("counts", "passes", "compositions", "model", "shard", "blocks", "multipliers"):
        assert getattr(back, name) == getattr(result, name), name
    assert result_bytes(back, tmp_path) == result_bytes(result, tmp_path)
    assert np.asarray(result) is result.records
    widened = np.asarray(result, dtype=np.int64)
    assert widened.dtype == np.int64 and (widened == result.records).all()
    assert np.array(result).shape == result.records.shape
    assert not np.shares_memory(result.__array__(copy=True), result.records)
    with pytest.raises(ValueError, match="need a copy"):
        result.__array__(np.int64, copy=False)


@pytest.mark.parametrize("shards", [2, 7])
def test_shards_add_up_to_the_whole(shards):
    model = SEARCHES[0][0]
    whole, records = kestrav.count(**model), kestrav.count_records(**model)
    parts = [kestrav.count(**model, shard=(i, shards)) for i in range(1, shards + 1)]
    record_parts = [kestrav.count_records(**model, shard=(i, shards)) for i in range(1, shards + 1)]
    for totals, pieces in ((whole, parts), (records, record_parts)):
        assert all(list(piece) == list(totals) for piece in pieces)
        assert {m: sum(piece[m] for piece in pieces) for m in totals} == totals
    # A shard's compositions are those search() reports for it.
    assert [sum(p.values()) for p in parts] == [kestrav.search(**model, shard=(i, shards)).compositions
                                                for i in range(1, shards + 1)]


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
    chunks = kestrav.iter_search(gram="---111/22001/2001/001/21/1", layout="Bare", total=400, chunk_rows=1)
    with chunks:
        assert next(chunks).shape == (1, 7)
    assert list(chunks) == [] and chunks.counts is None


def test_count_prints_the_commands_figures(command):
    status, out, _ = command("--gram", "---111/22001/2001/001/21/1", "--layout", "HeadOnly", "--total", "50",
                             "--multipliers", "1,2,5", "--count")
    assert status == 0
    counts = kestrav.count(gram="---111/22001/2001/001/21/1", layout="HeadOnly", total=50, multipliers=(1, 2, 5))
    lines = out.decode().splitlines()
    assert lines[:4] == [f"m={m}: {c:,} compositions" for m, c in counts.items()] + \
        [f"all: {sum(counts.values()):,} compositions"]


# Bad input: the module raises ValueError with the command's reason, the
# option named as the keyword ("--total: ..." becomes "total=: ..."). The
# layout and total are Bare and 50 unless a row gives them.
BAD = [
    (dict(gram="---111/22001/2001/001/21/7"), ["--gram", "---111/22001/2001/001/21/7"]),
    # A non-ASCII character (an em dash pasted from a paper) is quoted whole.
    (dict(gram="\u2014111/22001/2001/001/21/1"), ["--gram", "\u2014111/22001/2001/001/21/1"]),
    (dict(gram="21/1", layout="Sideways"), ["--gram", "21/1", "--layout", "Sideways"]),
    (dict(gram="21/1", total=0), ["--gram", "21/1", "--total", "0"]),
    (dict(gram="21/1", total=-3), ["--gram", "21/1", "--total", "-3"]),
    (dict(gram="21/1", multipliers=(1, 7)), ["--gram", "21/1", "--multipliers", "1,7"]),
    (dict(gram="21/1", multipliers=(2, 2)), ["--gram", "21/1", "--multipliers", "2,2"]),
    (dict(blocks="1-2:2 4:2"), ["--blocks", "1-2:2 4:2"]),
    (dict(gram="21/1", blocks="1-3:21/1"), ["--gram", "21/1", "--blocks", "1-3:21/1"]),
    (dict(), []),
    (dict(gram="21/1", shard=(4, 3)), ["--gram", "21/1", "--shard", "4/3"]),
    (dict(gram="21/1", threads=0), ["--gram", "21/1", "--threads", "0"]),
    (dict(gram="0000000000000/000000000000/00000000000/0000000000/000000000/00000000/0000000/000000/00000/"
               "0000/000/00/0", total=65535),
     ["--gram", "0000000000000/000000000000/00000000000/0000000000/000000000/00000000/0000000/000000/00000/"
                "0000/000/00/0", "--total", "65535"]),
]


@pytest.mark.parametrize("kwargs,args", BAD)
def test_bad_input_raises_the_commands_reason(kwargs, args, command):
    kwargs = {"layout": "Bare", "total": 50, **kwargs}
    args = [*args, *([] if "--layout" in args else ["--layout", "Bare"]),
            *([] if "--total" in args else ["--total", "50"])]
    status, out, err = command(*args)
    assert status == 2 and out == b""
    message = re.sub(r"--([a-z]+)", r"\1=", err.removeprefix("kestrav search: ").rstrip("\n"))
    for call in (kestrav.search, kestrav.iter_search):
        with pytest.raises(ValueError) as raised:
            call(**kwargs)
        assert str(raised.value) == message


# Calls Python itself refuses, and values of the wrong type: TypeError with
# Python's wording, or the keyword and the type expected. Numbers are never text.
GRAM = "21/1"
WRONG_CALLS = [
    ((GRAM, "HeadOnly"), {}, r"^{f}\(\) takes 0 positional arguments but 2 were given$"),
    ((), dict(gram=GRAM, layout="Bare", totl=50), r"^{f}\(\) got an unexpected keyword argument 'totl'$"),
    ((), dict(gram=GRAM), r"^{f}\(\) missing 2 required keyword-only arguments: 'layout' and 'total'$"),
    ((), dict(gram=GRAM, layout="Bare", total="50"), r"^total=: expected an int, not str$"),
    ((), dict(gram=GRAM, layout="Bare", total=50.0), r"^total=: expected an int, not float$"),
    ((), dict(gram=GRAM, layout="Bare", total=50, multipliers="1,2,5"),
     r"^multipliers=: expected a sequence of ints, not str$"),
    ((), dict(gram=GRAM, layout="Bare", total=50, multipliers=(1, 2.0)), r"^multipliers=: expected an int, not float$"),
    ((), dict(gram=GRAM, layout="Bare", total=50, shard="1/2"), r"^shard=: expected a pair \(i, N\), not str$"),
    ((), dict(gram=GRAM, layout="Bare", total=50, shard=(1, 2, 3)), r"^shard=: expected a pair \(i, N\), not tuple$"),
    ((), dict(gram=5, layout="Bare", total=50), r"^gram=: expected a str, not int$"),
    ((), dict(blocks=[b"1-3:21/1"], layout="Bare", total=50), r"^blocks=: expected a str, not bytes$"),
    ((), dict(gram=GRAM, layout=None, total=50), r"^layout=: expected a str, not NoneType$"),
]


@pytest.mark.parametrize("function", ["search", "iter_search", "count", "count_records"])
@pytest.mark.parametrize("args,kwargs,message", WRONG_CALLS)
def test_wrong_calls_raise_type_error(function, args, kwargs, message):
    with pytest.raises(TypeError, match=message.format(f=function)):
        getattr(kestrav, function)(*args, **kwargs)


def test_other_bad_calls(tmp_path, catalogue_numbers):
    unknown = next(n for n in itertools.count(1) if n not in catalogue_numbers)
    for call in (kestrav.run, kestrav.catalogue):
        with pytest.raises(ValueError, match=f"^number=: {unknown} is not a program of the catalogue$"):
            call(unknown)
        with pytest.raises(TypeError, match="^number=: expected an int, not str$"):
            call("18")
    with pytest.raises(ValueError, match="^chunk_rows=: 0 is out of range 1..16777216$"):
        kestrav.iter_search(gram="21/1", layout="Bare", total=50, chunk_rows=0)
    with pytest.raises(TypeError, match="^threads=: expected an int, not str$"):
        kestrav.run(18, threads="2")
    with pytest.raises(ValueError, match="^entries=: 18446744073709551616 does not fit 64 bits$"):
        kestrav.determinant(gram="21/1", entries=[1, 2, 2**64])
    with pytest.raises(ValueError, match="^entries=: 18446744073709551615 does not fit 64 bits$"):
        kestrav.determinant(gram="21/1", entries=np.array([[1, 2, 2**64 - 1]], dtype=np.uint64))
    with pytest.raises(TypeError, match="^entries=: expected integers within 64 bits, not float64$"):
        kestrav.determinant(gram="21/1", entries=np.ones((2, 3)))
    with pytest.raises(ValueError, match="^entries=: 2 values given; the model has 3 entries$"):
        kestrav.determinant(gram="21/1", entries=np.ones((4, 2), dtype=np.int32))
    with pytest.raises(OSError, match="Is a directory"):
        kestrav.search(gram="21/1", layout="Bare", total=10).write(tmp_path)
    if kestrav.MANIFESTS:
        # A directory in the manifest's place: the write fails, naming the manifest.
        (tmp_path / "blocked.txt.json").mkdir()
        with pytest.raises(OSError, match="blocked.txt.json"):
            kestrav.search(gram="21/1", layout="Bare", total=10).write(tmp_path / "blocked.txt")


# Catalogue rows covering every driver: scaled BothEnds, HeadOnly, TailOnly;
# unscaled Bare with one block and with two.
@pytest.mark.parametrize("number", [2, 13, 17, 22, 35, 59])
def test_run_writes_the_golden_result_file(number, golden_sums, tmp_path):
    result = kestrav.run(number)
    assert hashlib.sha256(result_bytes(result, tmp_path)).hexdigest() == golden_sums[number]
    # The catalogue row's model is the result's, and search() runs the same search.
    row = kestrav.catalogue(number)
    model = {k: row[k] for k in MODEL_KEYS}
    assert result.model == model and result.shard is None
    same = kestrav.search(**model)
    np.testing.assert_array_equal(same.records, result.records)
    assert same.passes == result.passes


def test_catalogue_lists_every_program(catalogue_numbers, pass_multipliers, golden_sums):
    rows = kestrav.catalogue()
    assert list(rows) == catalogue_numbers
    assert sorted(rows) == sorted(pass_multipliers) == sorted(golden_sums)
    for number, row in rows.items():
        assert row["number"] == number and kestrav.catalogue(np.int64(number)) == row
        assert (row["gram"] is None) != (row["blocks"] is None)
        assert row["multipliers"] == pass_multipliers[number]
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
    # The tuple, and rows of it and of its reversal, each against the exact elimination.
    rows = [entries, entries[::-1]]
    expected = [tuple(block_value(code, positions, row) for code, positions in blocks) for row in rows]
    if len(blocks) == 1:
        model = dict(gram=blocks[0][0])
    else:
        positions = lambda ps: ",".join(map(str, ps))
        model = dict(blocks=[f"{positions(ps)}:{code}" for code, ps in blocks])
    assert kestrav.determinant(**model, entries=entries) == expected[0]
    for given in (rows, np.array(rows, dtype=np.int64), [tuple(row) for row in rows]):
        values = kestrav.determinant(**model, entries=given)
        assert values.dtype == object and values.shape == (2, len(blocks))
        assert [tuple(v) for v in values] == expected


def test_determinant_is_zero_on_records():
    result = kestrav.run(17)
    blocks = kestrav.catalogue(17)["blocks"]
    values = kestrav.determinant(blocks=blocks, entries=result)
    assert values.shape == (len(result), 2) and (values == 0).all()
    np.testing.assert_array_equal(kestrav.determinant(blocks=blocks, entries=result.records), values)
    # Off the records it is not zero: one more unit on the first entry, one less on the last.
    moved = result.records.astype(np.int64) + np.array([1, 0, 0, 0, 0, 0, -1])
    assert (kestrav.determinant(blocks=blocks, entries=moved) != 0).any(axis=1).sum() > 0
    assert kestrav.determinant(blocks=blocks, entries=np.empty((0, 7), np.int32)).shape == (0, 2)
    with pytest.raises(ValueError, match="^entries=: 6 values given; the model has 7 entries$"):
        kestrav.determinant(blocks=blocks, entries=[1] * 6)
