"""Imports change the data for real: SetRecordAttributes updates, creates and copies records
and sets their values; GetUploadAddresses tells where file content goes, and a PUT there
stores it. Every change is made on a working copy of the data and committed by swapping it
in; with a state file, each commit is also written to it."""

import base64
import copy
import datetime
import json
import os
import sys
import tempfile
import threading
import uuid

from attributes import AttributeQuery, find_record, integer, write_record_reference
from catalogue import Catalogue
from import_values import BadValue, ValueReader
from record_data import file_url
from soap import Fault
from tree import next_identity, short_name

ERROR_MODES = ("FaultAndRollbackOnAnyError", "LogAndContinueWherePossible")
IMPORT_MODES = ("update", "create", "copy")
SUBSET_MODES = ("Append", "Replace")
BINARY_TYPES = ("FILE", "PICT")
IMPORT_USER = "import"


class BadRecord(Exception):
    """An import record the emulator cannot write; the error mode says what happens then."""


class Store:
    """Serialises the changes to the data and keeps each committed state in `state_file` (may be None)."""

    def __init__(self, state_file):
        self.state_file = state_file
        self.lock = threading.Lock()

    def working_copy(self, catalogue):
        return Catalogue({**catalogue.as_data(), "databases": copy.deepcopy(catalogue.databases)})

    def commit(self, catalogue, working):
        catalogue.databases = working.databases
        if self.state_file:
            self._write(catalogue.as_data())

    def _write(self, data):
        # Written beside the file and renamed over it, so a reader never sees half a state.
        directory = os.path.dirname(os.path.abspath(self.state_file))
        handle, temporary = tempfile.mkstemp(prefix=".state-", suffix=".json", dir=directory)
        try:
            with os.fdopen(handle, "w", encoding="utf-8") as output:
                json.dump(data, output, ensure_ascii=False, indent=1)
                output.flush()
                os.fsync(output.fileno())
            os.replace(temporary, self.state_file)
        except BaseException:
            os.unlink(temporary)
            raise


def attach_store(catalogue, state_file):
    catalogue.store = Store(state_file)


def _now():
    return datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%dT%H:%M:%S")


def _local(element):
    return element.tag.rpartition("}")[2]


def _referenced_record(request, working, element, what):
    if element is None or not len(element):
        raise BadRecord(f"it names no {what}")
    return find_record(request, working, element)


def _as_new_record(record, database, parent):
    record.update(identity=next_identity(database), guid=str(uuid.uuid4()), historyGuid=str(uuid.uuid4()), version=1,
                  parent=parent["identity"],
                  revision={"created": _now(), "createdUser": IMPORT_USER, "modified": _now(),
                            "modifiedUser": IMPORT_USER, "updateCount": 0})
    # A copy starts a history of its own.
    for own in ("released", "history"):
        record.pop(own, None)
    return record


def _target(request, working, entry, mode):
    """(database, table, the record as it is to be stored, whether it is new)."""
    if mode == "update":
        database, table, record = _referenced_record(request, working, request.base(entry, "record"), "record")
        return database, table, copy.deepcopy(record), False
    if mode == "create":
        database, table, parent = _referenced_record(request, working, request.base(entry, "parentRecord"), "parent")
        return database, table, _as_new_record({"attributes": []}, database, parent), True
    database, table, source = _referenced_record(request, working, request.base(entry, "sourceRecord"), "source")
    _, parent_table, parent = _referenced_record(request, working, request.base(entry, "parentRecord"), "parent")
    if parent_table is not table:
        raise BadRecord(f"a copy of record {source['identity']} must stay in table {table['name']}")
    return database, table, _as_new_record(copy.deepcopy(source), database, parent), True


def _subset_identity(request, table, reference):
    identity = integer(request.text(request.base(reference, "subsetIdentity"), "0"), "Subset identity")
    name = request.text(request.base(request.base(reference, "name"), "subsetName"))
    for subset in table["subsets"]:
        if (identity and subset["id"] == identity) or (not identity and subset["name"] == name):
            return subset["id"]
    raise BadRecord(f"table {table['name']} has no subset {identity or repr(name)}")


def _apply_subsets(request, entry, table, record):
    mode_element = request.base(entry, "UpdateSubsetsMode")
    mode = request.text(mode_element, "Append")
    if mode not in SUBSET_MODES:
        raise BadRecord(f"'{mode}' is no subset mode")
    chosen = [_subset_identity(request, table, s)
              for s in request.base_all(request.base(entry, "subsetReferences"), "subset")]
    kept = [] if mode == "Replace" else record.get("subsets", [])
    record["subsets"] = kept + [s for s in chosen if s not in kept]


def _apply_values(request, working, entry, database, table, record):
    reader = ValueReader(request.base_ns, {p["id"]: p for p in database.get("parameters", [])})
    for item in request.base_all(request.base(entry, "importAttributeValues"), "importAttributeValue"):
        reference = request.base(item, "attribute")
        if reference is None:
            raise BadRecord("a value names no attribute")
        query = AttributeQuery(request, working, reference)
        attribute = query.in_table(table) if query.pseudo is None else None
        if attribute is None:
            raise BadRecord(f"table {table['name']} has no attribute {query.describe()}")
        if attribute.get("meta"):
            raise BadRecord(f"'{attribute['name']}' is a meta-attribute, which this emulator does not import")
        stored = [v for v in record["attributes"] if v["id"] != attribute["id"]]
        current = next((v["value"] for v in record["attributes"] if v["id"] == attribute["id"]), None)
        holder = request.base(item, "value")
        content = next(iter(holder), None) if holder is not None else None
        # A value sent with its attribute only clears the attribute.
        if content is not None:
            stored.append({"id": attribute["id"], "name": attribute["name"],
                           "value": reader.read(content, attribute, current)})
        record["attributes"] = stored


def _import_record(request, working, entry):
    """Writes one import record into `working`; (database, record) of what was written."""
    mode = _local(entry)
    if mode not in IMPORT_MODES:
        raise BadRecord(f"'{mode}' is no import mode")
    database, table, record, new = _target(request, working, entry, mode)
    name = request.text(request.base(entry, "recordName"))
    if name:
        record["name"] = name
        record["shortName"] = name
    elif mode == "create":
        raise BadRecord("a new record needs a name")
    if new and request.text(request.base(entry, "isFolder"), "0").strip() in ("1", "true"):
        record["type"] = "Folder"
    if request.text(request.base(entry, "releaseRecord")).strip() == "1":
        record["released"] = _now()
    if request.base(entry, "UpdateSubsetsMode") is not None or request.base(entry, "subsetReferences") is not None:
        _apply_subsets(request, entry, table, record)
    _apply_values(request, working, entry, database, table, record)
    if not new:
        revision = record.setdefault("revision", {"created": _now(), "createdUser": IMPORT_USER, "updateCount": 0})
        revision.update(modified=_now(), modifiedUser=IMPORT_USER, updateCount=revision.get("updateCount", 0) + 1)
    records = table.setdefault("records", [])
    position = next((i for i, r in enumerate(records) if r["identity"] == record["identity"]), None)
    if position is None:
        records.append(record)
    else:
        records[position] = record
    return database, record


def _commit_threshold(request):
    control = request.own(request.element, "transactionControl")
    if control is None:
        return 0
    return integer(control.get("zbtCommitThreshold", "0"), "Commit threshold")


def set_record_attributes(request, catalogue, w):
    error_mode = request.text(request.own(request.element, "importErrorMode"), ERROR_MODES[1])
    if error_mode not in ERROR_MODES:
        raise Fault(f"Unknown import error mode: {error_mode}")
    threshold = _commit_threshold(request)
    container = request.own(request.element, "importRecords")
    entries = list(container) if container is not None else []
    imported = []
    with catalogue.store.lock:
        working = catalogue.store.working_copy(catalogue)
        pending = 0
        for number, entry in enumerate(entries, 1):
            try:
                imported.append(_import_record(request, working, entry))
            except (BadRecord, BadValue, Fault) as error:
                # The uncommitted records of this batch go with the working copy.
                if error_mode == ERROR_MODES[0]:
                    raise Fault(f"Import record {number} was refused, nothing since the last commit was kept: {error}")
                print(f"import record {number} skipped: {error}", file=sys.stderr, flush=True)
                continue
            pending += 1
            if threshold > 0 and pending >= threshold:
                catalogue.store.commit(catalogue, working)
                working, pending = catalogue.store.working_copy(catalogue), 0
        if pending:
            catalogue.store.commit(catalogue, working)
    records = [w.own("record", write_record_reference(w, database, record, "recordReference"),
                     w.own("shortName", text=short_name(record)),
                     w.own("fullName", text=record["name"]))
               for database, record in imported]
    return w.response("SetRecordAttributes", w.own("recordsImported", *records))


def get_upload_addresses(request, catalogue, w):
    records = [find_record(request, catalogue, e)
               for e in request.own_all(request.own(request.element, "records"), "record")]
    queries = [AttributeQuery(request, catalogue, e)
               for e in request.own_all(request.own(request.element, "attributes"), "attribute")]
    answers = []
    for database, table, record in records:
        addresses = []
        for query in queries:
            attribute = query.in_table(table) if query.pseudo is None else None
            if attribute is None or attribute["type"] not in BINARY_TYPES:
                raise Fault(f"Attribute {query.describe()} of table {table['name']} holds no files or pictures")
            addresses.append(w.own("attribute", w.own("AttributeName", text=attribute["name"]),
                                   w.own("AttributeIdentity", text=attribute["id"]),
                                   w.own("URL", text=file_url(request, database, record, attribute))))
        answers.append(w.own("record", write_record_reference(w, database, record, "recordReference"),
                             w.own("attributes", *addresses)))
    return w.response("GetUploadAddresses", w.own("records", *answers))


def store_upload(catalogue, path, content_type, content):
    """Stores `content` as the file or picture at `path` ("KEY/IDENTITY/ATTRIBUTE" under the
    files address); False when no such file or picture attribute exists."""
    parts = path.split("/")
    if len(parts) != 3:
        return False
    key, identity, attribute_id = parts
    with catalogue.store.lock:
        working = catalogue.store.working_copy(catalogue)
        for database in working.databases:
            if database["key"] != key:
                continue
            for table in database["tables"]:
                attribute = next((a for a in table["attributes"] if str(a["id"]) == attribute_id), None)
                record = next((r for r in table.get("records", []) if str(r["identity"]) == identity), None)
                if attribute is None or record is None or attribute["type"] not in BINARY_TYPES:
                    continue
                kept = [v for v in record["attributes"] if v["id"] != attribute["id"]]
                value = next((dict(v["value"]) for v in record["attributes"] if v["id"] == attribute["id"]),
                             {"type": attribute["type"]})
                value.pop("content", None)
                value.update(contentType=content_type, contentBase64=base64.b64encode(content).decode())
                record["attributes"] = kept + [{"id": attribute["id"], "name": attribute["name"], "value": value}]
                catalogue.store.commit(catalogue, working)
                return True
    return False
