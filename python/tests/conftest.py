"""Shared set-up of the kestrav module's tests: the built command and the source tree."""
import os
import pathlib
import subprocess

import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("KESTRAV_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))


@pytest.fixture(scope="session")
def kestrav_command():
    """Runs `kestrav ARGS` and returns (status, stdout bytes, stderr text)."""
    path = os.environ.get("KESTRAV_COMMAND")
    if not path:
        pytest.skip("KESTRAV_COMMAND names no built kestrav command")

    def run(*args):
        done = subprocess.run([path, *args], capture_output=True, timeout=120)
        return done.returncode, done.stdout, done.stderr.decode()

    return run


@pytest.fixture(scope="session")
def command(kestrav_command):
    """Runs `kestrav search ARGS` and returns (status, stdout bytes, stderr text)."""
    return lambda *args: kestrav_command("search", *args)


def table_rows(path):
    """The fields of each row of a catalogue or check table, without comments and blank lines."""
    lines = (line.split("#", 1)[0].strip() for line in path.read_text().splitlines())
    return [line.split() if path.suffix == ".txt" else line.split("\t") for line in lines if line]


@pytest.fixture(scope="session")
def catalogue_numbers():
    """The program numbers of models/catalogue.txt, in its order."""
    return [int(fields[0]) for fields in table_rows(SOURCE_DIR / "models" / "catalogue.txt")]


@pytest.fixture(scope="session")
def pass_multipliers():
    """The multipliers of each program's passes, from the check table of records per pass."""
    passes = {}
    for fields in table_rows(SOURCE_DIR / "verify" / "data" / "pass_records.tsv"):
        passes.setdefault(int(fields[0]), []).append(int(fields[1]))
    return {number: tuple(multipliers) for number, multipliers in passes.items()}


@pytest.fixture(scope="session")
def golden_sums():
    """The committed SHA-256 of every catalogue result file, by program number."""
    sums = {}
    for line in (SOURCE_DIR / "verify" / "data" / "SHA256SUMS").read_text().splitlines():
        digest, name = line.split()
        sums[int(name.removeprefix("OutputPart").removesuffix(".txt"))] = digest
    return sums
