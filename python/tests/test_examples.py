"""The README's Python example, the docstrings' examples and the example script, run as they stand."""
import doctest
import os
import re
import subprocess
import sys

import numpy as np
import pytest

import kestrav
from conftest import SOURCE_DIR


def readme_example():
    """The indented block after `<!-- example: python -->` in README.md."""
    text = (SOURCE_DIR / "README.md").read_text()
    found = re.search(r"<!-- example: python -->\n((?:    .*\n)+)", text)
    assert found, "README.md has no Python example"
    return "".join(line[4:] for line in found.group(1).splitlines(keepends=True))


def test_readme_example_runs(tmp_path, monkeypatch, capsys):
    monkeypatch.chdir(tmp_path)
    names = {}
    exec(compile(readme_example(), "README.md", "exec"), names)
    found = names["found"]
    assert isinstance(found, kestrav.SearchResult) and len(found) > 0
    assert (tmp_path / "found.txt").read_bytes().count(b"\n") == sum(found.counts)
    assert str(found.passes[0]) in capsys.readouterr().out


def test_docstring_examples_run(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)
    results = doctest.testmod(kestrav, extraglobs={"kestrav": kestrav, "np": np})
    assert results.attempted > 10 and results.failed == 0


# The picture goes to the working directory, or where --out says; never
# beside the script, where the README's picture is kept.
@pytest.mark.parametrize("args,written", [(["17"], "kestrav17-records.png"),
                                          (["17", "--out", "lie.png"], "lie.png")])
def test_example_script_draws_a_png(args, written, tmp_path):
    pytest.importorskip("matplotlib")
    script = SOURCE_DIR / "examples" / "where_records_lie.py"
    before = {path: path.stat().st_mtime_ns for path in script.parent.iterdir()}
    done = subprocess.run([sys.executable, str(script), *args], check=True, env=os.environ, timeout=120,
                          capture_output=True, cwd=tmp_path, text=True)
    assert done.stdout == f"{written}\n" and [p.name for p in tmp_path.iterdir()] == [written]
    out = tmp_path / written
    assert out.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n" and out.stat().st_size > 5000
    assert {path: path.stat().st_mtime_ns for path in script.parent.iterdir()} == before
