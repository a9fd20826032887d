"""ModifyRecordLinks: changes the links of one static record link group, for real.

The request names the group (one of its two directions) and carries its changes in
order: "unlinkAllRecords", "unlinkRecords", "linkRecords" and "linkAllCombinations"
elements, each applied as it comes, so that a link removed and added again in one request
takes the new notes. Source records belong to the table the named direction starts at,
target records to the table it leads to. The changes are made on a working copy of the
data and committed at the end, as an import is (importer.py).

"CheckOnlyForwardLinks" looks only at the links of the named direction; with
"CheckForwardAndReverseLinks" a link the other way between the same two records (a group
whose two tables are one) counts as well: it keeps an added link from being made twice
and goes when that link is removed. Adding a link that exists and removing one that does
not change nothing and are not reported.

A change that cannot be made (an unknown record, a record of the wrong table) faults the
whole request under "FaultAndRollbackOnAnyError", leaving the links as they were; under
"LogAndContinueWherePossible" it is logged and the rest is made."""

import sys

from attributes import find_record
from importer import ERROR_MODES
from links import Direction, add_link, find_direction, linked, named_record, remove_link
from soap import Fault

CHECK_MODES = ("CheckOnlyForwardLinks", "CheckForwardAndReverseLinks")


class BadLink(Exception):
    """A change the emulator cannot make; the error mode says what happens then."""


class Changes:
    """Applies the changes of one request to one group direction, and records what they did."""

    def __init__(self, request, working, database, direction, both_ways):
        self.request = request
        self.working = working
        self.database = database
        self.direction = direction
        self.both_ways = both_ways
        # (source record, target records) in the order first changed
        self.linked = {}
        self.unlinked = {}

    def record(self, element, table_id, what):
        """The record `element` references, which must be in the table `table_id` of the group's database."""
        if element is None or not len(element):
            raise BadLink(f"a {what} names no record")
        try:
            database, table, record = find_record(self.request, self.working, element)
        except Fault as fault:
            raise BadLink(fault.message) from None
        if database is not self.database:
            raise BadLink(f"record {record['identity']} is in database {database['key']}, "
                          f"link group {self.direction.name} in {self.database['key']}")
        if table["id"] != table_id:
            wanted = next(t["name"] for t in self.database["tables"] if t["id"] == table_id)
            raise BadLink(f"record {record['identity']} is in table {table['name']}, but the {what} records "
                          f"of link group {self.direction.name} are in {wanted}")
        return record

    def source(self, element):
        return self.record(element, self.direction.source, "source")

    def target(self, element):
        return self.record(element, self.direction.target, "target")

    def _note(self, changes, source, target):
        changes.setdefault(source["identity"], (source, []))[1].append(target)

    def _identities(self, direction, record):
        return {r["identity"] for r in linked(self.database, direction, record)}

    def link(self, source, target, notes="", reverse_notes=""):
        if self.both_ways and source["identity"] in self._identities(self.direction, target):
            return
        if add_link(self.database, self.direction.id, source["identity"], target["identity"], notes, reverse_notes):
            self._note(self.linked, source, target)

    def unlink(self, source, target):
        removed = remove_link(self.database, self.direction.id, source["identity"], target["identity"])
        if self.both_ways:
            removed |= remove_link(self.database, self.direction.id, target["identity"], source["identity"])
        if removed:
            self._note(self.unlinked, source, target)

    def unlink_all(self, source):
        partners = linked(self.database, self.direction, source)
        if self.both_ways:
            reverse = Direction(self.direction.group, not self.direction.forward)
            partners += [r for r in linked(self.database, reverse, source) if r not in partners]
        for partner in partners:
            self.unlink(source, partner)


def _attempt(errors, number, change, *arguments):
    """Runs one change; a BadLink is kept in `errors` with the number of the modification."""
    try:
        return change(*arguments)
    except BadLink as error:
        errors.append(f"link change {number}: {error}")
        return None


def _sources(request, modification):
    return request.own_all(request.own(modification, "sourceRecords"), "sourceRecord")


def _targets(request, parent):
    return request.own_all(request.own(parent, "targetRecords"), "targetRecord")


def _unlink_all(request, changes, modification, errors, number):
    for element in _sources(request, modification):
        source = _attempt(errors, number, changes.source, element)
        if source is not None:
            changes.unlink_all(source)


def _unlink(request, changes, modification, errors, number):
    for entry in _sources(request, modification):
        source = _attempt(errors, number, changes.source, request.own(entry, "record"))
        for element in _targets(request, entry) if source is not None else []:
            target = _attempt(errors, number, changes.target, element)
            if target is not None:
                changes.unlink(source, target)


def _link(request, changes, modification, errors, number):
    for entry in _sources(request, modification):
        source = _attempt(errors, number, changes.source, request.own(entry, "record"))
        for element in _targets(request, entry) if source is not None else []:
            target = _attempt(errors, number, changes.target, request.own(element, "record"))
            if target is not None:
                changes.link(source, target, request.text(request.own(element, "notes")),
                             request.text(request.own(element, "reverseNotes")))


def _link_all(request, changes, modification, errors, number):
    sources = [_attempt(errors, number, changes.source, e) for e in _sources(request, modification)]
    targets = [_attempt(errors, number, changes.target, e) for e in _targets(request, modification)]
    for source in filter(None, sources):
        for target in filter(None, targets):
            changes.link(source, target)


MODIFICATIONS = {"unlinkAllRecords": _unlink_all, "unlinkRecords": _unlink, "linkRecords": _link,
                 "linkAllCombinations": _link_all}


def _mode(request, name, modes, default):
    mode = request.text(request.own(request.element, name), default)
    if mode not in modes:
        raise Fault(f"Unknown {name}: {mode}")
    return mode


def _write_changes(w, database, container, changes):
    return w.own(container, *[w.own("sourceRecord", named_record(w, database, source),
                                    w.own("targetRecords", *[named_record(w, database, t, container="targetRecord")
                                                             for t in targets]))
                              for source, targets in changes.values()])


def modify_record_links(request, catalogue, w):
    error_mode = _mode(request, "importErrorMode", ERROR_MODES, ERROR_MODES[1])
    check_mode = _mode(request, "recordLinkCheckMode", CHECK_MODES, CHECK_MODES[0])
    group = request.own(request.element, "recordLinkGroup")
    if group is None or not len(group):
        raise Fault("ModifyRecordLinks names no record link group")
    container = request.own(request.element, "recordLinkModifications")
    modifications = list(container) if container is not None else []
    with catalogue.store.lock:
        working = catalogue.store.working_copy(catalogue)
        database, direction = find_direction(request, working, group)
        if direction.type != "static":
            raise Fault(f"Link group {direction.name} is {direction.type}: its links cannot be changed")
        changes = Changes(request, working, database, direction, check_mode == CHECK_MODES[1])
        errors = []
        for number, modification in enumerate(modifications, 1):
            kind = modification.tag.rpartition("}")[2]
            if kind not in MODIFICATIONS or modification.tag != f"{{{request.service_ns}}}{kind}":
                raise Fault(f"Link change {number} is {kind}, which is no record link modification")
            MODIFICATIONS[kind](request, changes, modification, errors, number)
            if errors and error_mode == ERROR_MODES[0]:
                raise Fault(f"The links were left as they were: {errors[0]}")
        for error in errors:
            print(f"{error}: skipped", file=sys.stderr, flush=True)
        if changes.linked or changes.unlinked:
            catalogue.store.commit(catalogue, working)
    return w.response("ModifyRecordLinks", _write_changes(w, database, "linked", changes.linked),
                      _write_changes(w, database, "unlinked", changes.unlinked))
