"""Record versions: GetRecordVersions.

Data shape. A record's own "guid" and "version" (1 when absent) are its newest version,
"Released" when the record has a "released" date and "Unreleased" otherwise; every
record of a table with "versioned": false is "Unversioned". Earlier versions are listed,
oldest first, in the record's "history", each {"version", "guid", "state"} with the state
"Released" (an earlier version still the released one while a newer one is being
edited), "Superseded" or "Withdrawn".

Selectors: "All" gives every version, oldest first; "AllReleased" those that were
released (Released, Superseded, Withdrawn; an Unversioned record its one version); "Latest"
the newest; "LatestRead" the newest Released (or Unversioned) one, as a reader sees it:
nothing for a record never released."""

from attributes import find_record, write_record_reference
from soap import Fault

SELECTORS = ["LatestRead", "Latest", "AllReleased", "All"]
HISTORY_STATES = ["Released", "Superseded", "Withdrawn"]
EVER_RELEASED = {"Released", "Superseded", "Withdrawn", "Unversioned"}
READABLE = {"Released", "Unversioned"}


def current_state(table, record):
    if table.get("versioned", True) is False:
        return "Unversioned"
    return "Released" if record.get("released") else "Unreleased"


def versions_of(table, record):
    """(version number, GUID, state) of every version of `record`, oldest first."""
    older = [(v["version"], v["guid"], v["state"]) for v in record.get("history", [])]
    return older + [(record.get("version", 1), record["guid"], current_state(table, record))]


def selected(versions, selector):
    if selector == "All":
        return versions
    if selector == "AllReleased":
        return [v for v in versions if v[2] in EVER_RELEASED]
    if selector == "Latest":
        return versions[-1:]
    readable = [v for v in versions if v[2] in READABLE]
    return readable[-1:]


def get_record_versions(request, catalogue, w):
    selector = request.text(request.own(request.element, "versions"), "All")
    if selector not in SELECTORS:
        raise Fault(f"Unknown version selector: {selector}")
    states = []
    for element in request.base_all(request.base(request.element, "recordReferences"), "record"):
        database, table, record = find_record(request, catalogue, element)
        for _, guid, state in selected(versions_of(table, record), selector):
            version = dict(record, guid=guid)
            states.append(w.own("recordVersionState", write_record_reference(w, database, version),
                                w.own("versionState", text=state)))
    return w.response("GetRecordVersions", w.own("recordVersionStates", *states))
