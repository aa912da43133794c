"""Long searches: Ctrl-C stops them, and other Python threads run meanwhile."""
import os
import signal
import subprocess
import sys
import threading
import time

import pytest

import kestrav

# Hours of work with few records: nothing ends it but the signal.
LONG = dict(gram="---111/22001/2001/001/21/1", total=400)


@pytest.mark.parametrize("call", [
    "kestrav.search(**LONG, threads=2)",
    "kestrav.search(**LONG, threads=1)",
    "[len(c) for c in kestrav.iter_search(**LONG, threads=2, chunk_rows=1000)]",
])
def test_sigint_stops_a_long_search(call):
    code = f"import kestrav, sys\nLONG = {LONG!r}\nprint('started', flush=True)\n{call}\n"
    child = subprocess.Popen([sys.executable, "-c", code], stdout=subprocess.PIPE, stderr=subprocess.PIPE,
                             env=os.environ, text=True)
    try:
        assert child.stdout.readline() == "started\n"
        time.sleep(0.5)
        sent = time.monotonic()
        child.send_signal(signal.SIGINT)
        # The process ends, so no thread of the search is left running.
        _, err = child.communicate(timeout=10)
        assert time.monotonic() - sent < 1.5
    finally:
        child.kill()
        child.wait()
    assert child.returncode != 0
    assert err.rstrip().endswith("KeyboardInterrupt")


def test_a_search_lets_other_threads_run():
    stamps = []
    stop = threading.Event()

    def tick():
        while not stop.is_set():
            stamps.append(time.monotonic())

    ticker = threading.Thread(target=tick)
    ticker.start()
    try:
        # Under a second of work (total 110: 2 * 10^9 compositions).
        start = time.monotonic()
        result = kestrav.search(gram="---111/22001/2001/001/21/1", total=110, threads=1)
        end = time.monotonic()
    finally:
        stop.set()
        ticker.join()
    assert result.compositions > 10**9
    # A search that held the GIL would let the other thread run only once it
    # returned; it catches up then, so only the first half of the call counts.
    assert sum(start < t < (start + end) / 2 for t in stamps) > 1000
