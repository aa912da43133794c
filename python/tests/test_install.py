"""The package as `cmake --install` puts it into a prefix, imported from there alone.

Each interpreter runs in a mount namespace of its own in which the source
tree and the build tree are empty directories, so nothing can come from
them: what imports is what was installed.
"""
import os
import shutil
import subprocess
import sys
import sysconfig

import pytest

from conftest import SOURCE_DIR

# Imports the package, checks that it came from the prefix, and searches.
PROGRAM = """
import pathlib, sys, kestrav
prefix = pathlib.Path(sys.argv[1]).resolve()
assert prefix in pathlib.Path(kestrav.__file__).resolve().parents, kestrav.__file__
found = kestrav.search(gram="---111/22001/2001/001/21/1", layout="HeadOnly", total=50, multipliers=(1, 2, 5))
print(kestrav.__version__, found.counts)
"""


def trees():
    build = os.environ.get("KESTRAV_BUILD_DIR")
    if not build or not os.environ.get("CMAKE_COMMAND"):
        pytest.skip("KESTRAV_BUILD_DIR and CMAKE_COMMAND name no build to install")
    return [str(SOURCE_DIR), build]


def hidden(argv):
    """argv run with the source and build trees hidden under empty directories."""
    unshare = shutil.which("unshare")
    if os.geteuid() != 0 or unshare is None:
        pytest.skip("hiding the source and build trees needs root and unshare (util-linux)")
    # The deeper tree first: the build tree may lie inside the source tree.
    mounts = " && ".join(f'mount -t tmpfs none "{tree}"' for tree in sorted(trees(), key=len, reverse=True))
    return [unshare, "--mount", "--propagation", "private", "sh", "-c", f'{mounts} && exec "$@"', "sh", *argv]


def install(prefix):
    """Installs the package into prefix; returns its site-packages directory."""
    subprocess.run([os.environ["CMAKE_COMMAND"], "--install", trees()[1], "--prefix", str(prefix),
                    "--component", "python"], check=True, capture_output=True)
    site = sysconfig.get_path("platlib", "posix_prefix", vars={"base": str(prefix), "platbase": str(prefix)})
    assert os.path.isfile(os.path.join(site, "kestrav", "__init__.py"))
    return site


def environment(**extra):
    env = {k: v for k, v in os.environ.items() if k != "PYTHONPATH"}
    env.update(extra)
    return env


def virtual_environment(path, system_site_packages):
    """A virtual environment of this interpreter, without pip."""
    options = ["--system-site-packages"] if system_site_packages else []
    made = subprocess.run([sys.executable, "-m", "venv", "--without-pip", *options, str(path)], capture_output=True)
    if made.returncode != 0:
        pytest.skip(f"no virtual environment: {made.stderr.decode().strip()}")
    return str(path / "bin" / "python")


def test_imports_from_the_prefix_alone(tmp_path):
    """Into a plain prefix, found through PYTHONPATH as ~/.local/... is found by the user's Python."""
    site = install(tmp_path / "prefix")
    done = subprocess.run(hidden([sys.executable, "-c", PROGRAM, str(tmp_path / "prefix")]), capture_output=True,
                          text=True, env=environment(PYTHONPATH=site), cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    assert done.stdout.split(" ", 1)[1] == "(1207, 160, 6)\n"


def test_imports_in_a_virtual_environment_that_sees_numpy(tmp_path):
    python = virtual_environment(tmp_path / "venv", system_site_packages=True)
    install(tmp_path / "venv")
    done = subprocess.run(hidden([python, "-c", PROGRAM, str(tmp_path / "venv")]), capture_output=True, text=True,
                          env=environment(), cwd=tmp_path)
    assert done.returncode == 0, done.stderr
    assert done.stdout.split(" ", 1)[1] == "(1207, 160, 6)\n"


def import_error(python, env, cwd):
    done = subprocess.run(hidden([python, "-c", "import kestrav"]), capture_output=True, text=True, env=env, cwd=cwd)
    assert done.returncode == 1
    return done.stderr.strip().splitlines()[-1]


def test_another_interpreter_is_told_what_is_wrong(tmp_path):
    # A virtual environment without NumPy, as an interpreter of its own.
    python = virtual_environment(tmp_path / "bare", system_site_packages=False)
    install(tmp_path / "bare")
    message = import_error(python, environment(), tmp_path)
    assert message.startswith(f"ImportError: kestrav needs NumPy, which {python} (Python ")
    assert "No module named 'numpy'" in message and "kestrav was built for " in message
    # A build for another Python's extensions: said before anything is loaded.
    site = install(tmp_path / "other")
    record = os.path.join(site, "kestrav", "_build.py")
    with open(record) as file:
        lines = [line for line in file if not line.startswith(("PYTHON", "EXTENSION_SUFFIX"))]
    with open(record, "w") as file:
        file.writelines(lines + ['PYTHON = "/opt/python3.99/bin/python3"\n', 'PYTHON_VERSION = "3.99.0"\n',
                                 'EXTENSION_SUFFIX = ".cpython-399-x86_64-linux-gnu.so"\n'])
    message = import_error(sys.executable, environment(PYTHONPATH=site), tmp_path)
    assert message == (f"ImportError: kestrav was built for /opt/python3.99/bin/python3 (Python 3.99.0) and cannot "
                       f"be imported by {sys.executable} (Python {sys.version.split()[0]}); build it for this one "
                       f"with cmake -DPython3_EXECUTABLE={sys.executable}")
