"""session.data.values: record values read in batches of records over parallel calls."""
from __future__ import annotations

import functools
import gc
import itertools
from concurrent.futures import ThreadPoolExecutor

from .types import RecordDataList

# The library keeps up to eight idle connections per session: more threads would only open
# and close connections.
MAX_PARALLEL = 8


def _as_list(records):
    if isinstance(records, (str, int)) or hasattr(records, "_fields"):
        return [records]
    return list(records)


def values(self, db, records, attributes=None, *, table=None, unit_system="", currency="", absolute_units=None,
           populate_guids=True, use_fallback=False, binary="", subsets=None, profile="", batch_size=None,
           parallel=1):
    """The values of `attributes` of `records` (all their values when None), in the records' order.

    With `batch_size`, the records go in calls of that many records, run on up to `parallel`
    threads (at most 8) over this session; the result keeps the order given. The first failed
    call raises its error once the calls under way have ended; no further call is started.
    """
    records = _as_list(records)
    if batch_size is not None and batch_size < 1:
        raise ValueError("batch_size must be at least 1")
    if not 1 <= parallel <= MAX_PARALLEL:
        raise ValueError(f"parallel must be between 1 and {MAX_PARALLEL}")
    size = batch_size or max(len(records), 1)
    batches = [records[start:start + size] for start in range(0, len(records), size)] or [[]]

    def read(batch):
        return self._values(db, batch, attributes, table, unit_system, currency, absolute_units, populate_guids,
                            use_fallback, binary, subsets, profile)

    if parallel == 1 or len(batches) == 1:
        return RecordDataList(itertools.chain.from_iterable(read(batch) for batch in batches))
    with ThreadPoolExecutor(max_workers=min(parallel, len(batches))) as pool:
        futures = [pool.submit(read, batch) for batch in batches]
        try:
            return RecordDataList(itertools.chain.from_iterable(future.result() for future in futures))
        except BaseException:
            for future in futures:
                future.cancel()
            raise


def _collector_paused(method):
    """Runs `method` with Python's cyclic garbage collector paused: a large reply becomes tens of
    thousands of tuples, none in a cycle, and each collection on the way would walk them all."""
    @functools.wraps(method)
    def call(*arguments, **options):
        paused = gc.isenabled()
        if paused:
            gc.disable()
        try:
            return method(*arguments, **options)
        finally:
            if paused:
                gc.enable()
    return call


def install(browse, search, data_export):
    """Puts the Python parts of the services on the extension's classes."""
    for name in ("tables", "child_nodes", "tree_records", "record_attributes"):
        setattr(browse, name, _collector_paused(getattr(browse, name)))
    for name in ("text", "criteria", "record_name"):
        setattr(search, name, _collector_paused(getattr(search, name)))
    data_export._values = _collector_paused(data_export._values)
    data_export.values = values
