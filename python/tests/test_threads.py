"""Calls from several threads at once on one session, and value reads in parallel batches."""
from concurrent.futures import ThreadPoolExecutor

from conftest import DB, TABLE


def test_threads_share_one_session(reader):
    calls = [lambda: [t.name for t in reader.browse.tables(DB)],
             lambda: [h.short_name for h in reader.search.text(DB, "steel")],
             lambda: [d.db_key for d in reader.browse.databases()]]
    expected = [call() for call in calls]
    with ThreadPoolExecutor(max_workers=8) as pool:
        results = list(pool.map(lambda index: calls[index % 3](), range(48)))
    assert results == [expected[index % 3] for index in range(48)]


def test_batched_parallel_values_keep_the_order_given(reader):
    hits = reader.search.record_name(DB, TABLE, "*")
    records = [h.record.identity for h in hits] * 3
    one_call = reader.data.values(DB, records, ["Density"], table=TABLE)
    batched = reader.data.values(DB, records, ["Density"], table=TABLE, batch_size=2, parallel=4)
    assert [r.record.identity for r in batched] == records
    assert batched == one_call
