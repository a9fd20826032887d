"""Record link groups and linked records: GetRecordLinkGroups and GetLinkedRecords.

Data shape. A database's "linkGroups" list holds each group once, in its forward
direction: {"id", "name", "type", "from", "to", "standardNames", "reverse", ...} where
"from" and "to" are table identities and "reverse" is {"id", "name"} (optionally with
its own "standardNames") of the same group seen from the other table. A "static" group
lists its links as [from identity, to identity] pairs in "links"; a "dynamic" group
links the records whose values match: "match" is {"from": attribute of the from table,
"to": attribute of the to table}, and two records are linked when both hold a value of
these attributes and the values are equal.

A static group may keep the notes of its links in "linkNotes": {"link": [from identity,
to identity], "notes", "reverseNotes"}, the notes as seen from the from record and from
the to record; a link without notes has no entry.

Code that changes links (ModifyRecordLinks, link_changes.py) calls add_link() and
remove_link() with either direction's identity.

A record filter on GetLinkedRecords narrows the linked records, by the rule tree.py
describes for the tree."""

from attributes import find_record, flag, integer, write_record_reference
from catalogue import write_table_reference
from record_filter import allowed_subsets
from soap import Fault
from tree import short_name, visible_identities

LINK_GROUP_TYPES = ["static", "dynamic", "crossDatabase"]


class Direction:
    """A link group seen from one of its two tables."""

    def __init__(self, group, forward):
        self.group = group
        self.forward = forward
        own, other = (group, group["reverse"]) if forward else (group["reverse"], group)
        self.id, self.name, self.standard_names = own["id"], own["name"], own.get("standardNames", [])
        self.reverse_id, self.reverse_name = other["id"], other["name"]
        self.source, self.target = (group["from"], group["to"]) if forward else (group["to"], group["from"])
        self.type = group["type"]


def directions(database):
    """Both directions of every link group of `database`, forward first."""
    return [Direction(g, forward) for g in database.get("linkGroups", []) for forward in (True, False)]


def _table(database, identity):
    return next(t for t in database["tables"] if t["id"] == identity)


def _value(record, attribute_id):
    return next((v["value"] for v in record["attributes"] if v["id"] == attribute_id), None)


def linked(database, direction, record):
    """The records that `direction` links `record` to, in the target table's order."""
    group, target = direction.group, _table(database, direction.target)
    if group["type"] == "dynamic":
        source_attribute, target_attribute = group["match"]["from"], group["match"]["to"]
        if not direction.forward:
            source_attribute, target_attribute = target_attribute, source_attribute
        value = _value(record, source_attribute)
        return [r for r in target.get("records", []) if value is not None and _value(r, target_attribute) == value]
    pairs = [(a, b) if direction.forward else (b, a) for a, b in group.get("links", [])]
    identities = {b for a, b in pairs if a == record["identity"]}
    return [r for r in target.get("records", []) if r["identity"] in identities]


def _static_pair(database, group_id, source, target):
    """The forward group of the direction `group_id`, the link as that group stores it and
    whether `group_id` is the forward direction."""
    for direction in directions(database):
        if direction.id == group_id:
            if direction.type != "static":
                raise Fault(f"Link group {direction.name} is {direction.type}: its links follow from values")
            pair = [source, target] if direction.forward else [target, source]
            return direction.group, pair, direction.forward
    raise Fault(f"Unknown record link group {group_id} in database {database['key']}")


def add_link(database, group_id, source, target, notes="", reverse_notes=""):
    """Links the records with history identities `source` and `target` through the static
    group direction `group_id`, with the notes seen from `source` and from `target`; False
    when they already were linked (their notes stay as they were)."""
    group, pair, forward = _static_pair(database, group_id, source, target)
    if pair in group.setdefault("links", []):
        return False
    group["links"].append(pair)
    if notes or reverse_notes:
        notes, reverse_notes = (notes, reverse_notes) if forward else (reverse_notes, notes)
        group.setdefault("linkNotes", []).append({"link": pair, "notes": notes, "reverseNotes": reverse_notes})
    return True


def remove_link(database, group_id, source, target):
    """Removes that link and its notes; False when there was none."""
    group, pair, _ = _static_pair(database, group_id, source, target)
    if pair not in group.get("links", []):
        return False
    group["links"].remove(pair)
    kept = [n for n in group.get("linkNotes", []) if n["link"] != pair]
    if kept:
        group["linkNotes"] = kept
    else:
        group.pop("linkNotes", None)
    return True


# Reading group references out of a request

def find_direction(request, catalogue, element):
    """(database, direction) of a record link group reference: by identity, by name (within
    the table it starts at, when the reference names one) or by standard name."""
    database = catalogue.database(request.text(request.base(element, "dbKey")))
    identity = integer(request.text(request.base(element, "recordLinkGroupIdentity"), "0"),
                       "Record link group identity")
    name_element = request.base(element, "name")
    group_name = request.base(name_element, "recordLinkGroupName")
    name = request.text(group_name)
    standard = group_name is not None and \
        group_name.get(f"{{{request.base_ns}}}isStandard", "false").strip().lower() in ("true", "1")
    table = request.base(name_element, "table")
    start = None
    if not identity and not standard and table is not None and len(table):
        start = catalogue.table(database, integer(request.text(request.base(table, "tableIdentity"), "0"),
                                                  "Table identity"),
                                request.text(request.base(table, "tableGUID")),
                                request.text(request.base(table, "tableName")))["id"]
    for d in directions(database):
        if identity:
            if d.id == identity:
                return database, d
        elif (name in d.standard_names if standard else d.name == name) and start in (None, d.source):
            return database, d
    raise Fault(f"Unknown record link group {identity or repr(name)} in database {database['key']}")


def _requested(request, catalogue):
    """(database key, direction) of every "recordLinkGroup" of "recordLinkGroups", in order."""
    found = []
    for element in request.base_all(request.base(request.element, "recordLinkGroups"), "recordLinkGroup"):
        database, direction = find_direction(request, catalogue, element)
        found.append((database["key"], direction))
    return found


# Writing

def _group_reference(w, database, identity, name, kind, container):
    return w.own(container,
                 w.base("dbKey", text=database["key"]),
                 w.base("recordLinkGroupIdentity", text=identity, z__recordLinkGroupType=kind),
                 w.base("name", w.base("recordLinkGroupName", text=name, z__isStandard="false")))


def _standard_names(w, names):
    return w.own("standardNames", *[w.own("standardName", text=n) for n in names])


def _detail(w, database, d):
    return w.own("recordLinkGroup",
                 w.own("linkGroupType", text=d.type),
                 _group_reference(w, database, d.id, d.name, d.type, "recordLinkGroup"),
                 _group_reference(w, database, d.reverse_id, d.reverse_name, d.type, "reverseRecordLinkGroup"),
                 w.own("reverseName", text=d.reverse_name),
                 write_table_reference(w, database, _table(database, d.source), "from"),
                 write_table_reference(w, database, _table(database, d.target), "to"),
                 w.own("name", text=d.name),
                 _standard_names(w, d.standard_names))


def named_record(w, database, record, guids=True, container="record"):
    return w.own(container, w.own("shortName", text=short_name(record)),
                 w.own("fullName", text=record["name"]),
                 write_record_reference(w, database, record, "recordReference", guids))


# The operations

def get_record_link_groups(request, catalogue, w):
    """The given groups, or every group of the database; with "standardNamesOnly" only
    those that have standard names."""
    chosen = [(catalogue.database(key), d) for key, d in _requested(request, catalogue)]
    database_element = request.own(request.element, "database")
    if database_element is not None:
        database = catalogue.database(request.text(request.own(database_element, "dbKey")))
        standard_only = flag(request, database_element, "standardNamesOnly")
        chosen += [(database, d) for d in directions(database) if d.standard_names or not standard_only]
    elif not chosen:
        raise Fault("GetRecordLinkGroups names neither a database nor link groups")
    return w.response("GetRecordLinkGroups", w.own("recordLinkGroupDetails", *[_detail(w, db, d) for db, d in chosen]))


def get_linked_records(request, catalogue, w):
    """For each record, every group direction that starts at its table (or those asked
    for), with the records it links to."""
    requested = _requested(request, catalogue)
    guids = flag(request, request.element, "populateGUIDs")
    allowed = allowed_subsets(request, catalogue, request.own(request.element, "recordFilter"))
    sources = []
    for element in request.base_all(request.base(request.element, "recordReferences"), "record"):
        database, table, record = find_record(request, catalogue, element)
        wanted = [d for key, d in requested if key == database["key"]] if requested else directions(database)
        groups = []
        for direction in wanted:
            if direction.source != table["id"]:
                continue
            target = _table(database, direction.target)
            visible = visible_identities(database, target, allowed)
            records = [r for r in linked(database, direction, record) if visible is None or r["identity"] in visible]
            groups.append(w.own("recordLinkGroup", w.own("name", text=direction.name),
                                w.own("linkedRecords", *[named_record(w, database, r, guids) for r in records]),
                                w.own("tableFilters", *[w.own("tableFilter", text=f) for f in target["filters"]]),
                                _standard_names(w, direction.standard_names)))
        sources.append(w.own("sourceRecord", write_record_reference(w, database, record, guids=guids),
                             w.own("recordLinkGroups", *groups)))
    return w.response("GetLinkedRecords", w.own("sourceRecords", *sources))
