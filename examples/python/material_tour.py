"""A tour of the materials database from Python, in notebook cells (# %%): the tables of a
database, a search, the values of the hits as a pandas table, an export, and an import that
the next search finds.

    python3 material_tour.py [URL]

Without a URL it starts the emulator the package ships and tours its sample data.
"""
# %% Open a session
import contextlib
import sys

import dorsa
from dorsa.testing import emulator

DB = "DORSA_SAMPLES"
TABLE = "Alloys and Polymers"


def tour(url):
    session = dorsa.Session(url, auth=dorsa.Anonymous(), timeout=60, app_name="material tour")

    # %% The tables of a database and their attributes
    for table in session.browse.tables(DB, selectors=["NonMetaAttributes"]):
        print(f"{table.name}: {len(table.attributes)} attributes")

    # %% A free-text search in one table
    hits = session.search.text(DB, "steel", tables=[TABLE])
    print("steels:", ", ".join(hit.short_name for hit in hits))

    # %% The values of the hits as a pandas DataFrame (rows are records, columns attributes)
    data = session.data.values(DB, hits, ["Density", "Yield strength", "Date tested"], table=TABLE)
    try:
        print(data.to_dataframe())
    except ImportError:
        for record in data:
            print(record.record.identity, record.value("Density"))

    # %% The hits through one of the server's exporters
    print(session.engineering.export(DB, "sheetwise.csv.v2", hits).splitlines()[0])

    # %% A new record, then the search that finds it; a failed call raises a dorsa.Error
    session.data_import.set_records({"database": DB, "table": TABLE, "records": [
        {"mode": "create", "parent": 1110, "name": "Dorsa steel DS-40, trial melt",
         "values": {"Density": {"type": "point", "unit": "kg/m^3", "points": [{"value": 7850}]}}}]})
    found = session.search.record_name(DB, TABLE, "Dorsa steel DS-40*")
    print("imported:", [hit.name for hit in found])
    try:
        session.browse.tables("NO_SUCH_DATABASE")
    except dorsa.SoapFault as fault:
        print("fault as expected:", fault.fault_string)


if __name__ == "__main__":
    with contextlib.ExitStack() as stack:
        url = sys.argv[1] if len(sys.argv) > 1 else stack.enter_context(emulator()).url
        tour(url)
