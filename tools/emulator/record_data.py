"""The attributes of sample records: which ones hold data, and their values."""

import copy

from attributes import (AttributeQuery, attribute_detail, attribute_parameters, conversion, find_record, flag,
                        named_attribute_children, parameter_detail, parameter_values_in, stored_value,
                        write_record_reference, write_revision)
from record_filter import allowed_subsets
from soap import Fault
from tree import children_of, parent_of, record_type, short_name
from values import binary_content, render_attribute

BINARY_REPRESENTATIONS = ["URL", "Inline"]
FILE_PATH = "/files/"


def _text(value):
    return {"type": "STXT", "value": value}


def _integer(value):
    return {"type": "INPT", "value": value}


def _date(value):
    return {"type": "DTTM", "value": value} if value else None


def _of_parent(pseudo):
    """The pseudo attribute `pseudo` of the entry above the record in its table's tree; None
    for the root, which is the table's own entry and has nothing above it."""
    def value(database, table, record):
        parent = parent_of(table, record)
        return None if parent is None else PSEUDO_VALUES[pseudo](database, table, parent)
    return value


# Record properties asked for like attributes, by pseudo name; None when the record has none.
PSEUDO_VALUES = {
    "name": lambda d, t, r: _text(r["name"]),
    "shortName": lambda d, t, r: _text(short_name(r)),
    "subsets": lambda d, t, r: _text(", ".join(s["name"] for s in t["subsets"] if s["id"] in r.get("subsets", []))),
    "releasedDate": lambda d, t, r: _date(r.get("released")),
    "modifiedDate": lambda d, t, r: _date(r.get("revision", {}).get("modified")),
    "recordType": lambda d, t, r: _text(record_type(r)),
    "recordHistoryIdentity": lambda d, t, r: _integer(r["identity"]),
    "recordColor": lambda d, t, r: _text(r.get("color", "Default")),
    "linkedRecords": lambda d, t, r: _integer(0),
    "versionState": lambda d, t, r: _text("Released" if r.get("released") else "Unreleased"),
    "recordGUID": lambda d, t, r: _text(r["guid"]),
    "recordHistoryGUID": lambda d, t, r: _text(r["historyGuid"]),
    "recordVersionNumber": lambda d, t, r: _integer(r.get("version", 1)),
    "tableName": lambda d, t, r: _text(t["name"]),
    "childRecords": lambda d, t, r: _integer(len(children_of(t, r))),
    "tableFilters": lambda d, t, r: _text(", ".join(t["filters"])),
    "writable": lambda d, t, r: {"type": "LOGI", "value": False},
    "parentName": _of_parent("name"),
    "parentShortName": _of_parent("shortName"),
    "parentRecordHistoryIdentity": _of_parent("recordHistoryIdentity"),
    "parentRecordHistoryGUID": _of_parent("recordHistoryGUID"),
}


# GetRecordAttributes

def _record_attribute(w, flags, database, table, record, attribute, value, about=None):
    """One attribute of one record; `flags` are the request's (full detail, parameter details)."""
    full, with_parameters = flags
    if full:
        named = attribute_detail(w, database, table, attribute, "attribute", about)
    else:
        named = w.own("attribute", *named_attribute_children(w, database, table, attribute, about))
    children = [write_record_reference(w, database, record), named, w.own("hasData", text="true" if value else "false")]
    if value is not None:
        if "revision" in record:
            children.append(write_revision(w, record["revision"], "dataRevisionInfo"))
        children += [w.own("dataCreatedRecordVersion", text=1), w.own("dataRetiredRecordVersion", text=0),
                     w.own("dataVersionNumber", text=value.get("version", 1))]
    parameters = attribute_parameters(database, attribute)
    if with_parameters and parameters:
        children.append(w.own("parameterDetails", *[
            parameter_detail(w, database, p, (table, attribute, order), record,
                             parameter_values_in(value, p) if value is not None else None)
            for order, p in enumerate(parameters, 1)]))
    return w.own("recordAttribute", *children)


def get_record_attributes(request, catalogue, w):
    references = request.base(request.element, "recordReferences")
    include_meta = flag(request, request.element, "includeMetaAttributes")
    include_empty = flag(request, request.element, "includeEmptyAttributes")
    flags = (flag(request, request.element, "includeFullAttributeDetail"),
             flag(request, request.element, "includeParameterDetails"))
    entries = []
    for database, table, record in [find_record(request, catalogue, e) for e in request.base_all(references, "record")]:
        by_id = {a["id"]: a for a in table["attributes"]}
        for attribute in table["attributes"]:
            if attribute.get("meta"):
                continue
            value = stored_value(record, attribute)
            if value is not None or include_empty:
                entries.append(_record_attribute(w, flags, database, table, record, attribute, value))
            if not include_meta:
                continue
            for meta_id in attribute.get("metaAttributes", []):
                meta = [m["value"] for m in record.get("metaAttributes", [])
                        if m["id"] == meta_id and m["about"] == attribute["id"]]
                if meta or include_empty:
                    entries.append(_record_attribute(w, flags, database, table, record, by_id[meta_id],
                                                     meta[0] if meta else None, attribute))
    return w.response("GetRecordAttributes", w.own("recordAttributes", *entries))


# GetRecordAttributesByRef

def file_url(request, database, record, attribute):
    return f"{request.base_url}{FILE_PATH}{database['key']}/{record['identity']}/{attribute['id']}"


def _sent_value(value, binary, url, convert):
    """`value` as the reply carries it: file and picture content inline or by URL, numbers
    in the units of the conversion context."""
    if value["type"] in ("FILE", "PICT"):
        value = dict(value)
        if binary == "URL":
            value.pop("content", None)
            value.pop("contentBase64", None)
            value["url"] = url
        else:
            value.pop("url", None)
    elif value["type"] in ("POIN", "RNGE") and convert is not None and convert(value.get("unit", "")):
        unit, factor, offset = convert(value["unit"])
        value = copy.deepcopy(value)
        value["unit"] = unit
        for point in value.get("points", []):
            point["value"] = point["value"] * factor + offset
        for end in ("low", "high"):
            if value.get(end) is not None:
                value[end] = value[end] * factor + offset
    return value


def get_record_attributes_by_ref(request, catalogue, w):
    queries = [AttributeQuery(request, catalogue, element) for element in request.own_all(request.element, "result")]
    for query in queries:
        if query.pseudo is None:
            query.resolve()
        elif query.pseudo not in PSEUDO_VALUES:
            raise Fault(f"Unknown pseudo attribute [{query.pseudo}]")
    records = [find_record(request, catalogue, e) for e in request.own_all(request.element, "recordReference")]
    allowed = allowed_subsets(request, catalogue, request.own(request.element, "filter"))
    binary = request.text(request.own(request.element, "binaryDataRepresentation"), "URL")
    if binary not in BINARY_REPRESENTATIONS:
        raise Fault(f"Unknown binary data representation: {binary}")
    guids = flag(request, request.element, "populateGUIDs")
    context = request.own(request.element, "unitConversionContext")
    results = []
    for database, table, record in records:
        if allowed is not None and not allowed.get(database["key"], set()) & set(record.get("subsets", [])):
            continue
        convert = conversion(request, catalogue, database, context)
        values = []
        for query in queries:
            if query.pseudo is not None:
                value = PSEUDO_VALUES[query.pseudo](database, table, record)
                if value is not None:
                    values.append(render_attribute({"name": f"[{query.pseudo}]", "value": value}, "attributeValue"))
                continue
            attribute = query.in_table(table)
            if attribute is None:
                continue
            stored = record.get("metaAttributes", []) if attribute.get("meta") else record["attributes"]
            for item in stored:
                if item["id"] == attribute["id"]:
                    sent = _sent_value(item["value"], binary, file_url(request, database, record, attribute), convert)
                    values.append(render_attribute({"id": attribute["id"], "name": attribute["name"], "value": sent},
                                                   "attributeValue"))
        results.append(w.own("recordData", write_record_reference(w, database, record, guids=guids),
                             w.own("attributeValues", *values)))
    return w.response("GetRecordAttributesByRef", w.own("results", *results))


def file_content(catalogue, path):
    """(content type, bytes) of a file or picture value at `path` under the files address, or None."""
    parts = path.split("/")
    if len(parts) != 3:
        return None
    key, identity, attribute = parts
    for database in catalogue.databases:
        if database["key"] != key:
            continue
        for table in database["tables"]:
            for record in table.get("records", []):
                if str(record["identity"]) != identity:
                    continue
                for item in record["attributes"]:
                    if str(item["id"]) == attribute and item["value"]["type"] in ("FILE", "PICT"):
                        value = item["value"]
                        return value.get("contentType", "application/octet-stream"), binary_content(value) or b""
    return None
