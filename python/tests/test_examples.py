"""The README's Python example and the example script, run as they stand."""
import os
import re
import subprocess
import sys

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


def test_example_script_draws_a_png(tmp_path):
    pytest.importorskip("matplotlib")
    out = tmp_path / "lie.png"
    subprocess.run([sys.executable, str(SOURCE_DIR / "examples" / "where_records_lie.py"), "17", "--out", str(out)],
                   check=True, env=os.environ, timeout=120, capture_output=True)
    assert out.read_bytes()[:8] == b"\x89PNG\r\n\x1a\n" and out.stat().st_size > 5000
