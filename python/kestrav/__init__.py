"""Exact searches for the zeros of determinant models over compositions.

kestrav walks every composition of a total into the parts of an entry tuple
and keeps the tuples at which every block of a model's determinant is zero.
The records come back as NumPy int32 arrays, one row per record and the
entries in columns, in the order of the result file ``kestrav search``
writes.

The model arguments are keyword-only and read as the command reads its
options: ``gram`` (one Gram code over entries 1..k) or ``blocks``
(``"POSITIONS:CODE"`` blocks that cover 1..k once), ``layout`` (BothEnds,
HeadOnly, TailOnly or Bare), ``total`` and ``multipliers`` (each must divide
the total). ``layout`` and ``total`` have no default, as on the command line.
Numbers are integers of any type with ``__index__`` (``int``,
``numpy.int64``), never text. A value of the wrong type raises
``TypeError``; a value that cannot be searched raises ``ValueError`` naming
the argument, e.g. ``total=: "0" is out of range 1..65535``.

Examples
--------
>>> import kestrav
>>> found = kestrav.search(gram="---111/22001/2001/001/21/1", layout="HeadOnly",
...                        total=50, multipliers=(1, 2, 5))
>>> found.counts
(1207, 160, 6)
"""
from __future__ import annotations

import importlib.machinery as _machinery
import os as _os
import sys as _sys
import time as _time
from typing import Any as _Any, Sequence as _Sequence

from . import _build

__version__ = _build.VERSION
__all__ = ["MANIFESTS", "SearchChunks", "SearchResult", "catalogue", "count", "count_records", "determinant",
           "iter_search", "run", "search", "__version__"]


def _load_core():
    """The compiled extension, or ImportError naming both interpreters and what is missing."""
    built = f"{_build.PYTHON} (Python {_build.PYTHON_VERSION})"
    here = f"{_sys.executable or 'this interpreter'} (Python {_sys.version.split()[0]})"
    if _build.EXTENSION_SUFFIX not in _machinery.EXTENSION_SUFFIXES:
        raise ImportError(f"kestrav was built for {built} and cannot be imported by {here}; build it for "
                          f"this one with cmake -DPython3_EXECUTABLE={_sys.executable}")
    try:
        import numpy  # noqa: F401
    except ImportError as error:
        raise ImportError(f"kestrav needs NumPy, which {here} cannot import ({error}); kestrav was built "
                          f"for {built}") from error
    try:
        from . import _core
    except ImportError as error:
        raise ImportError(f"kestrav's extension, built for {built}, cannot be loaded by {here}: "
                          f"{error}") from error
    return _core


_core = _load_core()

import numpy as np  # noqa: E402

SearchChunks = _core.SearchChunks
# Whether this kestrav writes manifests beside result files (SearchResult.write).
MANIFESTS: bool = _core.MANIFESTS
SearchChunks.__module__ = __name__


class SearchResult:
    """The records of one search, with the search that found them.

    Returned by `search` and `run`; picklable (for ``multiprocessing`` and
    joblib), and an array for NumPy: ``np.asarray(result)`` is
    ``result.records``.

    Attributes
    ----------
    records : numpy.ndarray
        Read-only int32 array of shape (records, entries), in the order of
        the result file.
    counts : tuple of int
        The records of each pass, in pass order.
    passes : tuple of (int, int, int)
        One ``(multiplier, start, stop)`` per pass: ``records[start:stop]``
        are its rows.
    compositions : int
        The compositions searched (of the shard, for a shard).
    gram, blocks, layout, total, multipliers
        The model searched, as the keyword arguments that give it (``gram``
        or ``blocks`` is None; ``blocks`` is a tuple of ``"POSITIONS:CODE"``).
    shard : tuple of (int, int) or None
        ``(i, N)`` for the i-th of N slices of the search, None for all of it.
    threads : int or None
        The worker threads the search ran on (None: not known).
    searched : (int, int) or None
        The ranks ``[first, end)`` of the compositions the search covered
        (None: not known, taken as the shard's).
    started, seconds : float
        When the search started (seconds since the epoch) and how long it
        took; with `threads` and `searched`, for the manifest `write` writes.

    Examples
    --------
    >>> found = kestrav.search(gram="21/1", layout="Bare", total=10)
    >>> again = kestrav.search(**found.model, shard=found.shard)
    """

    def __init__(self, records: np.ndarray, counts: _Sequence[int], compositions: int,
                 model: dict[str, _Any], shard: tuple[int, int] | None, threads: int | None = None,
                 searched: tuple[int, int] | None = None, started: float | None = None,
                 seconds: float = 0.0) -> None:
        self.records = records
        self.counts = tuple(counts)
        self.compositions = compositions
        self.gram = model["gram"]
        self.blocks = model["blocks"]
        self.layout = model["layout"]
        self.total = model["total"]
        self.multipliers = tuple(model["multipliers"])
        self.shard = shard
        self.threads = threads
        self.searched = searched
        self.started = _time.time() if started is None else started
        self.seconds = seconds

    @classmethod
    def _of(cls, found):
        return cls(found["records"], found["counts"], found["compositions"], found["model"], found["shard"],
                   found["threads"], found["searched"], found["started"], found["seconds"])

    def _call(self) -> str:
        """The search() call that finds these records again."""
        keywords = dict(self.model, threads=self.threads, shard=self.shard)
        return "kestrav.search(" + ", ".join(f"{key}={value!r}" for key, value in keywords.items()
                                             if value is not None) + ")"

    @property
    def model(self) -> dict[str, _Any]:
        """dict: gram, blocks, layout, total and multipliers, the keyword arguments of this search."""
        return dict(gram=self.gram, blocks=self.blocks, layout=self.layout, total=self.total,
                    multipliers=self.multipliers)

    @property
    def passes(self) -> tuple[tuple[int, int, int], ...]:
        """tuple of (int, int, int): ``(multiplier, start, stop)`` per pass, ``records[start:stop]`` its rows."""
        passes, start = [], 0
        for multiplier, count in zip(self.multipliers, self.counts):
            passes.append((multiplier, start, start + count))
            start += count
        return tuple(passes)

    @property
    def by_pass(self) -> dict[int, np.ndarray]:
        """dict: ``{multiplier: records of that pass}``, in pass order; each a view of `records`."""
        return {multiplier: self.records[start:stop] for multiplier, start, stop in self.passes}

    def write(self, path: str | _os.PathLike[str], *, manifest: bool = True) -> None:
        """Write the records as ``kestrav search --out PATH`` writes them, with their manifest.

        Each value in decimal followed by one blank, a newline per record:
        the same bytes as the command's result file for the same search.
        Then, as the command does, the manifest ``PATH.json``: the search
        (model, layout, total, multipliers, shard and its range), the
        records per pass, lines, bytes and SHA-256 of the file, and the run
        (this kestrav's version, a ``command`` naming Python and the
        ``kestrav.search(...).write(...)`` call, start, seconds, threads,
        SIMD level, host), so that ``kestrav verify PATH`` checks the file
        and ``kestrav join`` takes it as a shard. Each file appears only
        complete, the manifest after the records; an earlier file of that
        name is replaced only then, and left as it was if writing fails.
        A kestrav built without manifests (``kestrav.MANIFESTS`` is False)
        writes the records alone.

        Parameters
        ----------
        path : str or os.PathLike
            The file to write.
        manifest : bool, default True
            False writes the records alone, as ``--no-manifest``.

        Raises
        ------
        OSError
            If the file or its manifest cannot be written (a directory in
            its place, a full disk).

        Examples
        --------
        >>> kestrav.run(13).write("OutputPart13.txt")   # and OutputPart13.txt.json
        """
        path = _os.fspath(path)
        command = ["python", f"{self._call()}.write({path!r})"]
        _core.write_records(path, self.records, self.gram, self.blocks, self.layout, self.total, self.multipliers,
                            self.threads, self.shard, self.counts, self.searched, manifest, command, self.started,
                            self.seconds)

    def __array__(self, dtype: _Any = None, copy: bool | None = None) -> np.ndarray:
        if dtype is None or np.dtype(dtype) == self.records.dtype:
            return self.records.copy() if copy else self.records
        if copy is False:
            raise ValueError(f"the records are int32: as {np.dtype(dtype)} they need a copy")
        return self.records.astype(dtype)

    def __len__(self) -> int:
        return len(self.records)

    def __getstate__(self):
        return self.__dict__

    def __setstate__(self, state):
        self.__dict__.update(state)
        # An unpickled array owns a fresh buffer; the records stay read-only.
        self.records.flags.writeable = False

    def __repr__(self) -> str:
        model = f"gram={self.gram!r}" if self.gram is not None else f"blocks={self.blocks!r}"
        passes = " ".join(f"m={m}:{c}" for m, c in zip(self.multipliers, self.counts))
        shard = f", shard={self.shard!r}" if self.shard is not None else ""
        return (f"<kestrav.SearchResult {len(self.records)} records of {self.records.shape[1]} entries, "
                f"passes {passes}; {model}, layout={self.layout!r}, total={self.total}{shard}>")


def search(*, gram: str | None = None, blocks: str | _Sequence[str] | None = None, layout: str, total: int,
           multipliers: _Sequence[int] = (1,), threads: int | None = None,
           shard: tuple[int, int] | None = None) -> SearchResult:
    """Search a model and return every record in memory.

    Runs the search ``kestrav search`` runs with the same arguments, with
    the Python interpreter free for other threads meanwhile; Ctrl-C stops
    it within a fraction of a second.

    Parameters
    ----------
    gram : str, optional
        One Gram code over entries 1..k, e.g. ``"---111/22001/2001/001/21/1"``.
    blocks : str or sequence of str, optional
        Blocks ``"POSITIONS:CODE"`` that cover 1..k once, blank-separated in
        one str or one per item, e.g. ``"1-4:222/22/2 5-6:2"``. Give either
        `gram` or `blocks`.
    layout : str
        How a composition forms the entry tuple: ``"BothEnds"``,
        ``"HeadOnly"``, ``"TailOnly"`` or ``"Bare"``.
    total : int
        What every composition sums to, 1..65535.
    multipliers : sequence of int, default (1,)
        One pass per multiplier, in order; each divides `total`.
    threads : int, optional
        Worker threads, 1..256; by default the processors this process may use.
    shard : (int, int), optional
        ``(i, N)``: only the i-th of N contiguous slices of the work, as
        ``--shard i/N``; the N results, in order, make the whole search.

    Returns
    -------
    SearchResult
        The records (an int32 array, one row per record) with their passes
        and the search's arguments.

    Raises
    ------
    TypeError
        For an argument of the wrong type (``total="50"``, ``total=50.0``) or
        an unknown keyword.
    ValueError
        For a model or value that cannot be searched, naming the argument
        (``total=: "0" is out of range 1..65535``).
    KeyboardInterrupt
        When Ctrl-C stops the search.

    Examples
    --------
    >>> found = kestrav.search(gram="---111/22001/2001/001/21/1", layout="HeadOnly",
    ...                        total=50, multipliers=(1, 2, 5))
    >>> found.records.shape
    (1373, 7)
    """
    return SearchResult._of(_core.search(gram, blocks, layout, total, multipliers, threads, shard))


def iter_search(*, gram: str | None = None, blocks: str | _Sequence[str] | None = None, layout: str, total: int,
                multipliers: _Sequence[int] = (1,), threads: int | None = None,
                shard: tuple[int, int] | None = None, chunk_rows: int = _core.DEFAULT_CHUNK_ROWS) -> SearchChunks:
    """Search a model and yield its records in chunks while the search runs.

    The search runs in a thread of its own and stays at most two chunks
    ahead of the consumer, so memory stays bounded whatever the size of the
    output. The chunks, concatenated, are `search`'s records.

    Parameters
    ----------
    gram, blocks, layout, total, multipliers, threads, shard
        As for `search`.
    chunk_rows : int, default 65536
        Rows per chunk, 1..16777216; the last chunk may have fewer.

    Returns
    -------
    SearchChunks
        An iterator of read-only int32 arrays of at most `chunk_rows` rows.
        Its ``counts`` hold the records of each pass once the search is
        complete. ``close()``, or leaving a ``with`` block, stops the search.

    Raises
    ------
    TypeError, ValueError
        As for `search`, and for a bad `chunk_rows`.

    Examples
    --------
    >>> with kestrav.iter_search(gram="21/1", layout="Bare", total=600, chunk_rows=1000) as chunks:
    ...     rows = sum(len(chunk) for chunk in chunks)
    """
    return _core.iter_search(gram, blocks, layout, total, multipliers, threads, shard, chunk_rows)


def count(*, gram: str | None = None, blocks: str | _Sequence[str] | None = None, layout: str, total: int,
          multipliers: _Sequence[int] = (1,), shard: tuple[int, int] | None = None) -> dict[int, int]:
    """The compositions each pass searches, as ``kestrav search --count`` counts them.

    Searches nothing.

    Parameters
    ----------
    gram, blocks, layout, total, multipliers
        As for `search`.
    shard : (int, int), optional
        ``(i, N)``: count the compositions of that slice only; the counts of
        the N shards add up to the whole search's.

    Returns
    -------
    dict of int to int
        ``{multiplier: compositions}``, in pass order.

    Raises
    ------
    TypeError, ValueError
        As for `search`; ValueError also when a count does not fit 64 bits.

    Examples
    --------
    >>> kestrav.count(gram="---111/22001/2001/001/21/1", layout="HeadOnly", total=50,
    ...               multipliers=(1, 2, 5))
    {1: 1712304, 2: 33649, 5: 56}
    """
    return _core.count(gram, blocks, layout, total, multipliers, shard)


def count_records(*, gram: str | None = None, blocks: str | _Sequence[str] | None = None, layout: str,
                  total: int, multipliers: _Sequence[int] = (1,), threads: int | None = None,
                  shard: tuple[int, int] | None = None) -> dict[int, int]:
    """Search a model and count its records per pass, keeping none.

    The search of `search`, as ``kestrav search --count-records`` runs it:
    nothing is formatted or stored, so it is the fastest way to the counts.

    Parameters
    ----------
    gram, blocks, layout, total, multipliers, threads, shard
        As for `search`.

    Returns
    -------
    dict of int to int
        ``{multiplier: records}``, in pass order.

    Raises
    ------
    TypeError, ValueError, KeyboardInterrupt
        As for `search`.

    Examples
    --------
    >>> kestrav.count_records(gram="---111/22001/2001/001/21/1", layout="HeadOnly", total=50,
    ...                       multipliers=(1, 2, 5))
    {1: 1207, 2: 160, 5: 6}
    """
    return _core.count_records(gram, blocks, layout, total, multipliers, threads, shard)


def run(number: int, *, threads: int | None = None) -> SearchResult:
    """Run catalogue program `number`'s search.

    Parameters
    ----------
    number : int
        The program's number, as in ``kestrav18``.
    threads : int, optional
        As for `search`.

    Returns
    -------
    SearchResult
        Its records; written with ``write()``, they are the program's result
        file ``OutputPartN.txt`` byte for byte.

    Raises
    ------
    TypeError
        If `number` is not an integer.
    ValueError
        If the catalogue has no such program.

    Examples
    --------
    >>> kestrav.run(18).counts
    (269234,)
    """
    return SearchResult._of(_core.run(number, threads))


def catalogue(number: int | None = None) -> dict[_Any, _Any]:
    """The catalogue of the 72 programs, by program number.

    Parameters
    ----------
    number : int, optional
        One program's number.

    Returns
    -------
    dict
        Without `number`: ``{number: row}`` in the catalogue's order. With
        it: that program's row, a dict of number, family (scaled or
        unscaled), entries (k), length (n), and gram, blocks, layout, total
        and multipliers, which are `search`'s arguments for its model.

    Raises
    ------
    TypeError
        If `number` is not an integer.
    ValueError
        If the catalogue has no such program.

    Examples
    --------
    >>> row = kestrav.catalogue(18)
    >>> model = {k: row[k] for k in ("gram", "blocks", "layout", "total", "multipliers")}
    >>> kestrav.search(**model).counts
    (269234,)
    """
    if number is None:
        return {row["number"]: row for row in _core.catalogue()}
    return _core.catalogue_row(number)


def determinant(*, gram: str | None = None, blocks: str | _Sequence[str] | None = None,
                entries: _Any) -> tuple[int, ...] | np.ndarray:
    """The exact value of each block of a model at entry tuples.

    A tuple is a record when every block's value is zero.

    Parameters
    ----------
    gram, blocks
        The model's blocks, as for `search` (layout and total play no part).
    entries : sequence of int, or array_like of shape (tuples, k)
        One tuple of k integers, or one tuple per row (a record array, a
        list of tuples); every value within 64 bits.

    Returns
    -------
    tuple of int, or numpy.ndarray
        For one tuple, the value of each block in the order of the blocks.
        For rows, an object array of shape (tuples, blocks) of Python ints:
        the values are exact, however large.

    Raises
    ------
    TypeError
        For entries that are not integers.
    ValueError
        For tuples of another length than the model's, or values beyond 64 bits.

    Examples
    --------
    >>> kestrav.determinant(gram="21/1", entries=(1, 2, 3))
    (7,)
    >>> found = kestrav.run(17)
    >>> values = kestrav.determinant(blocks=kestrav.catalogue(17)["blocks"], entries=found)
    >>> bool((values == 0).all())
    True
    """
    if isinstance(entries, SearchResult):
        entries = entries.records
    if not isinstance(entries, (str, bytes)):
        try:
            rows = np.asarray(entries)
        except ValueError as error:
            raise ValueError(f"entries=: {error}") from error
        if rows.ndim == 2:
            if rows.dtype.kind not in "biu":
                raise TypeError(f"entries=: expected integers within 64 bits, not {rows.dtype}")
            if rows.dtype.kind == "u" and rows.size and rows.max() > np.iinfo(np.int64).max:
                raise ValueError(f"entries=: {rows.max()} does not fit 64 bits")
            return _core.determinant_rows(gram, blocks, np.ascontiguousarray(rows, dtype=np.int64))
    return _core.determinant(gram, blocks, entries)
