"""Long searches: Ctrl-C stops them, and other Python threads run meanwhile.

Nothing here depends on how fast this machine is: a search is known to run
when its process has used processor time since it began, and a search that
does not stop would run for hours, far beyond the generous bound on how long
stopping may take.
"""
import os
import signal
import subprocess
import sys
import textwrap
import time

import pytest

# Hours of work with few records: nothing ends it but the signal.
LONG = dict(gram="---111/22001/2001/001/21/1", layout="Bare", total=400)
# How long a stopped search may take to end, even on a loaded machine.
STOP_BOUND = 30
# Processor time that only a running search uses, in seconds.
SEARCHING = 0.5


def processor_seconds(pid):
    """The processor time of every thread of a process so far."""
    with open(f"/proc/{pid}/stat") as stat:
        fields = stat.read().rsplit(")", 1)[1].split()
    return (int(fields[11]) + int(fields[12])) / os.sysconf("SC_CLK_TCK")


def run_child(code):
    return subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                            env=os.environ, text=True)


def wait_for_end(child):
    """Waits STOP_BOUND seconds for the child to end; gives its standard output and error."""
    try:
        return child.communicate(timeout=STOP_BOUND)
    except subprocess.TimeoutExpired:
        pytest.fail(f"the search did not stop within {STOP_BOUND} s")


@pytest.mark.parametrize("call", [
    "kestrav.search(**LONG, threads=2)",
    "kestrav.search(**LONG, threads=1)",
    "[len(c) for c in kestrav.iter_search(**LONG, threads=2, chunk_rows=1000)]",
    "kestrav.count_records(**LONG, threads=2)",
])
def test_sigint_stops_a_long_search(call):
    code = f"import kestrav, sys\nLONG = {LONG!r}\nprint('started', flush=True)\n{call}\n"
    child = run_child(code)
    try:
        assert child.stdout.readline() == "started\n"
        # Once the search has used processor time, it is under way.
        before = processor_seconds(child.pid)
        waited = time.monotonic()
        while processor_seconds(child.pid) - before < SEARCHING:
            assert child.poll() is None, child.stderr.read()
            assert time.monotonic() - waited < STOP_BOUND, "the search used no processor time"
            time.sleep(0.02)
        child.send_signal(signal.SIGINT)
        # The process ends, so no thread of the search is left running.
        _, err = wait_for_end(child)
    finally:
        child.kill()
        child.wait()
    assert child.returncode != 0
    assert err.rstrip().endswith("KeyboardInterrupt")


def test_a_search_lets_other_threads_run():
    # Another Python thread waits until the search has used processor time
    # and then interrupts it. A search that held the GIL would keep that
    # thread from running until it ended, hours later.
    code = textwrap.dedent(f"""\
        import signal, threading, time, kestrav

        def interrupt():
            start = time.process_time()
            while time.process_time() - start < {SEARCHING!r}:
                time.sleep(0.01)
            print("interrupting", flush=True)
            signal.pthread_kill(threading.main_thread().ident, signal.SIGINT)

        threading.Thread(target=interrupt, daemon=True).start()
        kestrav.search(**{LONG!r}, threads=1)
        """)
    child = run_child(code)
    try:
        out, err = wait_for_end(child)
    finally:
        child.kill()
        child.wait()
    assert child.returncode != 0
    assert out == "interrupting\n"
    assert err.rstrip().endswith("KeyboardInterrupt")
