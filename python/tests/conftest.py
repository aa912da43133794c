"""Shared set-up of the kestrav module's tests: the built command and the source tree."""
import os
import pathlib
import subprocess

import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("KESTRAV_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))


@pytest.fixture(scope="session")
def command():
    """Runs `kestrav search ARGS` and returns (status, stdout bytes, stderr text)."""
    path = os.environ.get("KESTRAV_COMMAND")
    if not path:
        pytest.skip("KESTRAV_COMMAND names no built kestrav command")

    def run(*args):
        done = subprocess.run([path, "search", *args], capture_output=True, timeout=120)
        return done.returncode, done.stdout, done.stderr.decode()

    return run


@pytest.fixture(scope="session")
def golden_sums():
    """The committed SHA-256 of every catalogue result file, by program number."""
    sums = {}
    for line in (SOURCE_DIR / "verify" / "data" / "SHA256SUMS").read_text().splitlines():
        digest, name = line.split()
        sums[int(name.removeprefix("OutputPart").removesuffix(".txt"))] = digest
    return sums
