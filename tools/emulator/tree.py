"""The record tree of each table: GetRootNode, GetChildNodes and GetTreeRecords.

Data shape. Folders and records of a table are all entries of its "records" list; each
entry other than the table's root names the record above it by history identity in
"parent", and the one entry without "parent" is the root of the table's tree. An entry
may say its "type" ("Record" when absent; "Folder" or "Generic") and its "color" (the
reply leaves the attribute out when absent, and clients then show "Black"). Siblings
come in the order of the list. data_file.py checks that every parent is in the same
table and that the tree has no cycle.

Code that creates records (an import) takes their history identity from next_identity(),
one that no record of the database has yet.

Record filters: a record passes a filter when it belongs to one of the subsets the
filter lets through, or when its table has none of those subsets (the filter says
nothing about that table); a folder or record passes as well when anything below it
does, so that the path down to what passes stays visible."""

from attributes import find_record, flag, integer, write_record_reference
from record_filter import allowed_subsets
from soap import Fault

RECORD_TYPES = ["Record", "Folder", "Generic"]
RECORD_COLORS = ["Black", "Blue", "Green", "Grey", "Orange", "Red", "Violet", "Yellow"]


# The tree, for handlers and for code that changes the data

def root_of(table):
    """The root entry of `table`'s tree, or None for a table without records."""
    for record in table.get("records", []):
        if "parent" not in record:
            return record
    return None


def children_of(table, record):
    """The entries directly below `record`, in their order."""
    return [r for r in table.get("records", []) if r.get("parent") == record["identity"]]


def parent_of(table, record):
    """The entry above `record`; None for the root."""
    for candidate in table.get("records", []):
        if candidate["identity"] == record.get("parent"):
            return candidate
    return None


def record_type(record):
    return record.get("type", "Record")


def short_name(record):
    """The entry's short name; its full name when the data gives none, as folders often do."""
    return record.get("shortName", record["name"])


def next_identity(database):
    """A record history identity that no record of `database` has."""
    return 1 + max((r["identity"] for t in database["tables"] for r in t.get("records", [])), default=0)


def visible_identities(database, table, allowed):
    """The history identities of the entries of `table` that pass the filter `allowed`
    (subsets per database key, as allowed_subsets gives them); None lets everything pass."""
    if allowed is None:
        return None
    wanted = allowed.get(database["key"], set())
    if not wanted & {s["id"] for s in table["subsets"]}:
        return {r["identity"] for r in table.get("records", [])}
    visible = set()
    for record in table.get("records", []):
        if wanted & set(record.get("subsets", [])):
            # The record and the path up to the root.
            while record is not None and record["identity"] not in visible:
                visible.add(record["identity"])
                record = parent_of(table, record)
    return visible


# Writing tree records

def tree_record(w, database, table, record, guids=True, children=None, container="treeRecord"):
    """One tree entry; `children`, when given, are the written entries below it."""
    parts = [w.own("shortName", text=short_name(record)), w.own("fullName", text=record["name"]),
             write_record_reference(w, database, record, "recordReference", guids)]
    if children is not None:
        parts.append(w.own("children", *children))
    parent = parent_of(table, record)
    if parent is not None:
        parts.append(w.own("parentRecordHistoryIdentity", text=parent["identity"]))
    attributes = {"color": record["color"]} if "color" in record else {}
    attributes["type"] = record_type(record)
    return w.own(container, *parts, **attributes)


def _subtree(w, database, table, record, levels, visible, guids):
    """The entries below `record` that pass, `levels` levels deep (None: all the way down)."""
    written = []
    for child in children_of(table, record):
        if visible is not None and child["identity"] not in visible:
            continue
        below = None
        if levels is None or levels > 1:
            below = _subtree(w, database, table, child, None if levels is None else levels - 1, visible, guids)
        written.append(tree_record(w, database, table, child, guids, below or None))
    return written


# The operations

def get_root_node(request, catalogue, w):
    element = request.own(request.element, "table")
    database = catalogue.database(request.text(request.base(element, "dbKey")))
    table = catalogue.table(database, integer(request.text(request.base(element, "tableIdentity"), "0"),
                                              "Table identity"),
                            request.text(request.base(element, "tableGUID")),
                            request.text(request.base(element, "tableName")))
    root = root_of(table)
    if root is None:
        raise Fault(f"Table {table['name']} has no record tree")
    return w.response("GetRootNode", tree_record(w, database, table, root, container="rootNode"))


def get_child_nodes(request, catalogue, w):
    """Direct children; with "recurse", the tree below to "recurseMaxDepth" levels (0 or
    less: all of it)."""
    parent = request.own(request.element, "parent")
    if parent is None:
        raise Fault("GetChildNodes names no parent record")
    database, table, record = find_record(request, catalogue, parent)
    depth = integer(request.text(request.own(request.element, "recurseMaxDepth"), "0"), "recurseMaxDepth")
    levels = (depth if depth > 0 else None) if flag(request, request.element, "recurse") else 1
    visible = visible_identities(database, table,
                                 allowed_subsets(request, catalogue, request.own(request.element, "recordFilter")))
    children = _subtree(w, database, table, record, levels, visible,
                        flag(request, request.element, "populateGUIDs"))
    return w.response("GetChildNodes", w.own("treeRecords", *children))


def get_tree_records(request, catalogue, w):
    references = request.base_all(request.base(request.element, "recordReferences"), "record")
    entries = [tree_record(w, *find_record(request, catalogue, e)) for e in references]
    return w.response("GetTreeRecords", w.own("treeRecords", *entries))
