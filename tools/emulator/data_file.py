"""Reading and checking the data file the emulator serves.

The layout is written down once, as data, in the shape the emulator's handlers read it;
load() refuses a file that does not fit, naming the first place that does not, so that a
broken file stops the emulator at start instead of failing every call. What the shapes
cannot say is checked after them: that the identities one part names (parameters,
meta-attributes, subsets, units, the attribute a record value belongs to, the parent of
a tree entry, the tables, attributes and records of a link group) exist, and that each
table's tree has one root and no cycle."""

import json

from attributes import COLUMN_KINDS, INTERPOLATIONS, PARAMETER_TYPES, SCALE_TYPES, TARGET_COLUMN_TYPES
from catalogue import TABLE_FILTERS
from exporters import FORMATS, USAGES
from links import LINK_GROUP_TYPES
from tree import RECORD_COLORS, RECORD_TYPES
from values import ATTRIBUTE_ELEMENTS
from versions import HISTORY_STATES


class DataFileError(Exception):
    """The data file cannot be served; the message says where and why."""


class Fields:
    """A JSON object with keys that must be there and keys that may be."""

    def __init__(self, required, optional=None):
        self.required = required
        self.optional = optional or {}


class ListOf:
    """A JSON array, every item of one shape."""

    def __init__(self, item):
        self.item = item


class MapOf:
    """A JSON object with keys of any name and values of one shape."""

    def __init__(self, value):
        self.value = value


class Row:
    """A JSON array of a fixed length, one shape per position."""

    def __init__(self, *items):
        self.items = items


class OneOf:
    """A string out of a fixed set."""

    def __init__(self, choices):
        self.choices = set(choices)


class Nullable:
    """null, or a value of one shape."""

    def __init__(self, shape):
        self.shape = shape


class Tagged:
    """A JSON object whose key `tag` names its kind, and the Fields shape of each kind."""

    def __init__(self, tag, kinds):
        self.tag = tag
        self.kinds = kinds


NUMBER = (int, float)

UNIT = Fields({"symbol": str, "hasCurrency": bool})
CURRENCY = Fields({"code": str, "name": str, "factor": NUMBER})
# source symbol, target symbol, factor, offset
CONVERSION = Row(str, str, NUMBER, NUMBER)
REVISION = Fields({"created": str, "createdUser": str, "modified": str, "modifiedUser": str, "updateCount": int})
HELP = Fields({"uri": str}, {"databaseHelp": bool})
COLUMN = Fields({"name": str, "kind": OneOf(COLUMN_KINDS)},
                {"type": OneOf(ATTRIBUTE_ELEMENTS), "unit": str, "discreteValues": ListOf(str),
                 "columnType": OneOf(TARGET_COLUMN_TYPES), "revision": REVISION})
ATTRIBUTE = Fields({"id": int, "name": str, "type": OneOf(ATTRIBUTE_ELEMENTS)},
                   {"meta": bool, "unit": str, "discreteValues": ListOf(str), "columns": ListOf(COLUMN),
                    "searchable": bool, "multiValued": bool, "chartable": bool, "help": HELP, "order": int,
                    "axisName": str, "defaultThreshold": str, "parameters": ListOf(int),
                    "metaAttributes": ListOf(int), "revision": REVISION})
# a numeric parameter value, or the name of a discrete one
PARAMETER_VALUE = (int, float, str)
PARAMETER = Fields({"id": int, "name": str, "unit": str, "scaleType": OneOf(SCALE_TYPES),
                    "interpolation": OneOf(INTERPOLATIONS), "parameterType": OneOf(PARAMETER_TYPES),
                    "values": ListOf(PARAMETER_VALUE)},
                   {"unitName": str, "default": PARAMETER_VALUE, "help": HELP, "revision": REVISION})
PROFILE = Fields({"key": str, "name": str, "subsets": ListOf(int)})
SUBSET = Fields({"id": int, "name": str})

# Values (values.py writes them): every key a value's kind needs is required.
VALUE_PARAMETER = Fields({"name": str}, {"id": int, "unit": str, "unitName": str, "dbKey": str})
# a parameter at a value: of a point, or a constraint of a curve or a grid value
CONSTRAINT = Fields({"name": str, "value": PARAMETER_VALUE},
                    {"id": int, "unit": str, "unitName": str, "dbKey": str, "label": str})
COMMON = {"version": int, "notApplicable": bool}
UNITTED = {"unit": str, "estimated": bool, **COMMON}
BINARY = Fields({}, {"fileName": str, "contentType": str, "description": str, "content": str, "contentBase64": str,
                     "url": str})
SCALARS = {
    "INPT": Fields({"value": int}, COMMON),
    "LOGI": Fields({"value": bool}, COMMON),
    "STXT": Fields({"value": str}, COMMON),
    "LTXT": Fields({"value": str}, COMMON),
    "DTTM": Fields({"value": str}, COMMON),
    "HLNK": Fields({"value": str}, {"description": str, **COMMON}),
    # pairs of value text and order
    "DISC": Fields({"values": ListOf(Row(str, int))}, COMMON),
    # null for an open end
    "RNGE": Fields({"low": Nullable(NUMBER), "high": Nullable(NUMBER)}, UNITTED),
    "POIN": Fields({"points": ListOf(Fields({"value": NUMBER}, {"parameters": ListOf(CONSTRAINT)}))},
                   {"parameters": ListOf(VALUE_PARAMETER), **UNITTED}),
    "FILE": BINARY,
    "PICT": BINARY,
}
EMPTY = Fields({})
# a list in a tabular cell; each item may name the record it comes from, by history identity
LIST = Fields({"items": ListOf(Tagged("type", {**{kind: Fields(shape.required, {**shape.optional, "source": int})
                                                  for kind, shape in SCALARS.items()},
                                               "EMPT": Fields({}, {"source": int})}))})
CELLS = ListOf(Nullable(Tagged("type", {**SCALARS, "LIST": LIST, "EMPT": EMPTY})))
TABULAR_ROW = Fields({"cells": CELLS},
                     {"identity": int, "linkedRecords": ListOf(Fields({"dbKey": str, "identity": int})),
                      "linkingValue": str})
TABULAR = Fields({"columns": ListOf(Fields({"name": str}, {"type": OneOf(["Local", *TARGET_COLUMN_TYPES])})),
                  "rows": ListOf(TABULAR_ROW)},
                 {"summary": Fields({"cells": CELLS})})
# a point is [x, y] or [x, lower y, upper y]
SERIES = Fields({"parameters": ListOf(VALUE_PARAMETER), "xAxis": str,
                 "series": ListOf(Fields({"points": ListOf(ListOf(PARAMETER_VALUE))},
                                         {"constraints": ListOf(CONSTRAINT), "decoration": str}))},
                {"unit": str, "unitName": str, "logarithmic": bool, **COMMON})
# each grid value is a point ("value") or a range ("low" and "high")
GRIDDED = Fields({"parameters": ListOf(VALUE_PARAMETER),
                  "values": ListOf(Fields({}, {"value": NUMBER, "low": NUMBER, "high": NUMBER, "estimated": bool,
                                               "constraints": ListOf(CONSTRAINT)}))},
                 {"unit": str, "decoration": str, **COMMON})
VALUE = Tagged("type", {**SCALARS, "TABL": TABULAR, "FLOAT_FUNCTIONAL_SERIES": SERIES,
                        "FLOAT_FUNCTIONAL_GRIDDED": GRIDDED})
# an earlier version of a record (versions.py)
VERSION = Fields({"version": int, "guid": str, "state": OneOf(HISTORY_STATES)})
# "parent", "type" and "color" place the record in its table's tree (tree.py)
RECORD = Fields({"identity": int, "guid": str, "historyGuid": str, "name": str,
                 "attributes": ListOf(Fields({"id": int, "name": str, "value": VALUE}))},
                {"shortName": str, "subsets": ListOf(int), "version": int, "released": str, "revision": REVISION,
                 "metaAttributes": ListOf(Fields({"id": int, "name": str, "about": int, "value": VALUE})),
                 "parent": int, "type": OneOf(RECORD_TYPES), "color": OneOf(RECORD_COLORS), "history": ListOf(VERSION)})
TABLE = Fields({"id": int, "guid": str, "name": str, "filters": ListOf(OneOf(TABLE_FILTERS)),
                "attributes": ListOf(ATTRIBUTE), "standardAttributes": ListOf(str), "subsets": ListOf(SUBSET)},
               {"records": ListOf(RECORD), "versioned": bool})
# one record link group, in its forward direction (links.py)
LINK_GROUP = Fields({"id": int, "name": str, "type": OneOf(LINK_GROUP_TYPES), "from": int, "to": int,
                     "reverse": Fields({"id": int, "name": str}, {"standardNames": ListOf(str)})},
                    {"standardNames": ListOf(str), "links": ListOf(Row(int, int)),
                     "linkNotes": ListOf(Fields({"link": Row(int, int), "notes": str, "reverseNotes": str})),
                     "match": Fields({"from": int, "to": int})})
DATABASE = Fields({"key": str, "volumeName": str, "tables": ListOf(TABLE), "unitSystems": ListOf(str),
                   "units": ListOf(UNIT), "conversions": MapOf(ListOf(CONVERSION))},
                  {"parameters": ListOf(PARAMETER), "profiles": ListOf(PROFILE), "linkGroups": ListOf(LINK_GROUP)})
# "parameter" is the identity of a parameter of each database the exporter serves
EXPORTER_PARAMETER = Fields({"id": str, "parameter": int, "usage": OneOf(USAGES)}, {"default": NUMBER})
EXPORTER_ATTRIBUTE = Fields({"name": str}, {"types": ListOf(OneOf(ATTRIBUTE_ELEMENTS)),
                                            "parameters": ListOf(EXPORTER_PARAMETER)})
EXPORTER = Fields({"key": str, "name": str, "version": int, "package": str, "model": str, "description": str,
                   "validatedOK": bool, "format": OneOf(FORMATS), "databases": ListOf(str), "tags": ListOf(str),
                   "attributes": ListOf(EXPORTER_ATTRIBUTE)},
                  {"transforms": ListOf(str), "attributeSpecific": bool})
DATA_FILE = Fields({"databases": ListOf(DATABASE)}, {"currencies": ListOf(CURRENCY), "exporters": ListOf(EXPORTER)})

JSON_TYPES = {str: "a string", int: "an integer", float: "a number", bool: "true or false", list: "an array",
              dict: "an object", type(None): "null"}


def _describe(kinds):
    return " or ".join(JSON_TYPES[kind] for kind in (kinds if isinstance(kinds, tuple) else (kinds,)))


def _where(path):
    return path or "the top level"


def _expect_type(value, kinds, path):
    # JSON true and false are no integers, whatever Python says.
    wrong_bool = isinstance(value, bool) and bool not in (kinds if isinstance(kinds, tuple) else (kinds,))
    if wrong_bool or not isinstance(value, kinds):
        raise DataFileError(f"{_where(path)} is {_describe(type(value))}, expected {_describe(kinds)}")


def _check_fields(value, shape, path):
    _expect_type(value, dict, path)
    for key, item_shape in shape.required.items():
        if key not in value:
            raise DataFileError(f"{_where(path)} has no '{key}'")
        check(value[key], item_shape, f"{path}.{key}" if path else key)
    for key, item_shape in shape.optional.items():
        if key in value:
            check(value[key], item_shape, f"{path}.{key}" if path else key)


def _check_list(value, shape, path):
    _expect_type(value, list, path)
    for index, item in enumerate(value):
        check(item, shape.item, f"{path}[{index}]")


def _check_map(value, shape, path):
    _expect_type(value, dict, path)
    for key, item in value.items():
        check(item, shape.value, f"{path}[{key!r}]")


def _check_row(value, shape, path):
    _expect_type(value, list, path)
    if len(value) != len(shape.items):
        raise DataFileError(f"{path} has {len(value)} items, expected {len(shape.items)}")
    for index, (item, item_shape) in enumerate(zip(value, shape.items)):
        check(item, item_shape, f"{path}[{index}]")


def _check_choice(value, shape, path):
    _expect_type(value, str, path)
    if value not in shape.choices:
        raise DataFileError(f"{path} is '{value}', expected one of {', '.join(sorted(shape.choices))}")


def _check_nullable(value, shape, path):
    if value is not None:
        check(value, shape.shape, path)


def _check_tagged(value, shape, path):
    _expect_type(value, dict, path)
    if shape.tag not in value:
        raise DataFileError(f"{_where(path)} has no '{shape.tag}'")
    check(value[shape.tag], OneOf(shape.kinds), f"{path}.{shape.tag}" if path else shape.tag)
    _check_fields(value, shape.kinds[value[shape.tag]], path)


CHECKS = {Fields: _check_fields, ListOf: _check_list, MapOf: _check_map, Row: _check_row, OneOf: _check_choice,
          Nullable: _check_nullable, Tagged: _check_tagged}


def check(value, shape, path=""):
    """Raises DataFileError unless `value` has `shape`; `path` names `value` in the messages."""
    checker = CHECKS.get(type(shape))
    if checker is None:
        _expect_type(value, shape, path)
    else:
        checker(value, shape, path)


def _check_database(database, path):
    """What the shapes cannot say: the references between the parts of one database."""
    key = database["key"]
    symbols = {unit["symbol"] for unit in database["units"]}
    parameters = {parameter["id"] for parameter in database.get("parameters", [])}
    subsets = {subset["id"] for table in database["tables"] for subset in table["subsets"]}
    seen = {}
    for t, table in enumerate(database["tables"]):
        where = f"{path}.tables[{t}]"
        by_id = {attribute["id"]: attribute for attribute in table["attributes"]}
        metas = {attribute["id"] for attribute in table["attributes"] if attribute.get("meta")}
        for a, attribute in enumerate(table["attributes"]):
            at = f"{where}.attributes[{a}]"
            if attribute["id"] in seen:
                raise DataFileError(f"{at}.id is {attribute['id']}, which {seen[attribute['id']]} has too")
            seen[attribute["id"]] = f"attribute '{attribute['name']}' of database {key}"
            if attribute.get("unit") and attribute["unit"] not in symbols:
                raise DataFileError(f"{at}.unit is '{attribute['unit']}', which is no unit of database {key}")
            for i, identity in enumerate(attribute.get("parameters", [])):
                if identity not in parameters:
                    raise DataFileError(f"{at}.parameters[{i}] is {identity}, which is no parameter of database {key}")
            for i, identity in enumerate(attribute.get("metaAttributes", [])):
                if identity not in metas:
                    raise DataFileError(f"{at}.metaAttributes[{i}] is {identity}, "
                                        f"which is no meta-attribute of table {table['name']}")
        names = {attribute["name"] for attribute in table["attributes"]}
        for i, name in enumerate(table["standardAttributes"]):
            if name not in names:
                raise DataFileError(f"{where}.standardAttributes[{i}] is '{name}', "
                                    f"which is no attribute of table {table['name']}")
        own_subsets = {subset["id"] for subset in table["subsets"]}
        identities = {record["identity"] for record in table.get("records", [])}
        for r, record in enumerate(table.get("records", [])):
            rt = f"{where}.records[{r}]"
            if "parent" in record and record["parent"] not in identities:
                raise DataFileError(f"{rt}.parent is {record['parent']}, which is no record of table {table['name']}")
            for i, identity in enumerate(record.get("subsets", [])):
                if identity not in own_subsets:
                    raise DataFileError(f"{rt}.subsets[{i}] is {identity}, which is no subset of table {table['name']}")
            for kind in ("attributes", "metaAttributes"):
                for v, value in enumerate(record.get(kind, [])):
                    _check_record_value(value, f"{rt}.{kind}[{v}]", table, by_id, kind == "metaAttributes")
    _check_trees(database, path)
    _check_link_groups(database, path)
    for p, profile in enumerate(database.get("profiles", [])):
        for i, identity in enumerate(profile["subsets"]):
            if identity not in subsets:
                raise DataFileError(f"{path}.profiles[{p}].subsets[{i}] is {identity}, "
                                    f"which is no subset of database {key}")


def _check_trees(database, path):
    """Record identities are unique in the database; each table's entries form one tree."""
    seen = {}
    for t, table in enumerate(database["tables"]):
        records = table.get("records", [])
        by_identity = {}
        for r, record in enumerate(records):
            at = f"{path}.tables[{t}].records[{r}]"
            if record["identity"] in seen:
                raise DataFileError(f"{at}.identity is {record['identity']}, which {seen[record['identity']]} has too")
            seen[record["identity"]] = f"record '{record['name']}'"
            by_identity[record["identity"]] = record
        roots = [r for r, record in enumerate(records) if "parent" not in record]
        if records and len(roots) != 1:
            raise DataFileError(f"{path}.tables[{t}] has {len(roots)} records without a parent, expected one root")
        for r, record in enumerate(records):
            if "parent" in record and record["parent"] not in by_identity:
                raise DataFileError(f"{path}.tables[{t}].records[{r}].parent is {record['parent']}, "
                                    f"which is no record of table {table['name']}")
        for r, record in enumerate(records):
            at = f"{path}.tables[{t}].records[{r}]"
            above, steps = record, 0
            while "parent" in above and steps <= len(records):
                above, steps = by_identity[above["parent"]], steps + 1
            if steps > len(records):
                raise DataFileError(f"{at}.parent leads into a cycle: the tree has no way up to its root")


def _check_link_groups(database, path):
    """A link group's tables, links, link notes and matched attributes exist; static groups list links,
    dynamic ones match values."""
    tables = {table["id"]: table for table in database["tables"]}
    identities = set()
    for g, group in enumerate(database.get("linkGroups", [])):
        at = f"{path}.linkGroups[{g}]"
        for own, where in ((group, at), (group["reverse"], f"{at}.reverse")):
            if own["id"] in identities:
                raise DataFileError(f"{where}.id is {own['id']}, which another link group has too")
            identities.add(own["id"])
        for end in ("from", "to"):
            if group[end] not in tables:
                raise DataFileError(f"{at}.{end} is {group[end]}, which is no table of database {database['key']}")
        source, target = tables[group["from"]], tables[group["to"]]
        if group["type"] == "dynamic":
            if "match" not in group or "links" in group or "linkNotes" in group:
                raise DataFileError(f"{at} is dynamic: it has a 'match' and neither 'links' nor 'linkNotes'")
            for end, table in (("from", source), ("to", target)):
                if group["match"][end] not in {a["id"] for a in table["attributes"]}:
                    raise DataFileError(f"{at}.match.{end} is {group['match'][end]}, "
                                        f"which is no attribute of table {table['name']}")
            continue
        if "match" in group:
            raise DataFileError(f"{at} is {group['type']}: its links are listed, not matched")
        for i, pair in enumerate(group.get("links", [])):
            for identity, table in zip(pair, (source, target)):
                if identity not in {r["identity"] for r in table.get("records", [])}:
                    raise DataFileError(f"{at}.links[{i}] names {identity}, "
                                        f"which is no record of table {table['name']}")
        for i, notes in enumerate(group.get("linkNotes", [])):
            if notes["link"] not in group.get("links", []):
                raise DataFileError(f"{at}.linkNotes[{i}].link is {notes['link']}, which the group does not list")


def _check_record_value(value, path, table, by_id, meta):
    attribute = by_id.get(value["id"])
    if attribute is None or bool(attribute.get("meta")) != meta:
        kind = "meta-attribute" if meta else "attribute"
        raise DataFileError(f"{path}.id is {value['id']}, which is no {kind} of table {table['name']}")
    if value["name"] != attribute["name"]:
        raise DataFileError(f"{path}.name is '{value['name']}', but attribute {value['id']} is '{attribute['name']}'")
    if value["value"]["type"] != attribute["type"]:
        raise DataFileError(f"{path}.value.type is '{value['value']['type']}', "
                            f"but attribute '{attribute['name']}' holds {attribute['type']} values")
    if attribute["type"] == "DISC":
        for i, (text, _) in enumerate(value["value"]["values"]):
            if text not in attribute.get("discreteValues", []):
                raise DataFileError(f"{path}.value.values[{i}] is '{text}', "
                                    f"which is no discrete value of attribute '{attribute['name']}'")
    _check_value_parts(value["value"], f"{path}.value")
    if meta:
        parent = by_id.get(value["about"])
        if parent is None or value["id"] not in parent.get("metaAttributes", []):
            raise DataFileError(f"{path}.about is {value['about']}, "
                                f"which is no attribute that '{attribute['name']}' describes")


def _check_value_parts(value, path):
    """What a value's shape cannot say: how its parts fit together."""
    kind = value["type"]
    if kind == "TABL":
        rows = [(f"{path}.rows[{r}]", row) for r, row in enumerate(value["rows"])]
        for where, row in rows + ([(f"{path}.summary", value["summary"])] if "summary" in value else []):
            if len(row["cells"]) > len(value["columns"]):
                raise DataFileError(f"{where}.cells has {len(row['cells'])} cells, "
                                    f"but the table has {len(value['columns'])} columns")
    elif kind == "FLOAT_FUNCTIONAL_SERIES":
        if value["xAxis"] not in {parameter["name"] for parameter in value["parameters"]}:
            raise DataFileError(f"{path}.xAxis is '{value['xAxis']}', which is none of the value's parameters")
        for s, series in enumerate(value["series"]):
            for p, point in enumerate(series["points"]):
                ys = point[1:]
                if len(ys) not in (1, 2) or any(isinstance(y, str) for y in ys):
                    raise DataFileError(f"{path}.series[{s}].points[{p}] is {json.dumps(point)}, "
                                        f"expected [x, y] or [x, lower y, upper y]")
    elif kind == "FLOAT_FUNCTIONAL_GRIDDED":
        for v, entry in enumerate(value["values"]):
            if "value" not in entry and not ("low" in entry and "high" in entry):
                raise DataFileError(f"{path}.values[{v}] has neither a 'value' nor a 'low' and a 'high'")


def _check_exporters(data):
    """Each exporter has its own key and takes attributes and parameters its databases have."""
    databases = {database["key"]: database for database in data["databases"]}
    keys = set()
    for e, exporter in enumerate(data.get("exporters", [])):
        where = f"exporters[{e}]"
        if exporter["key"] in keys:
            raise DataFileError(f"{where}.key is '{exporter['key']}', which an exporter before it has too")
        keys.add(exporter["key"])
        served = []
        for d, key in enumerate(exporter["databases"]):
            if key not in databases:
                raise DataFileError(f"{where}.databases[{d}] is '{key}', which is no database")
            served.append(databases[key])
        names = {a["name"] for database in served for table in database["tables"] for a in table["attributes"]}
        for a, attribute in enumerate(exporter["attributes"]):
            if attribute["name"] not in names:
                raise DataFileError(f"{where}.attributes[{a}].name is '{attribute['name']}', "
                                    f"which no database of the exporter has")
            for p, parameter in enumerate(attribute.get("parameters", [])):
                for database in served:
                    if parameter["parameter"] not in {q["id"] for q in database.get("parameters", [])}:
                        raise DataFileError(f"{where}.attributes[{a}].parameters[{p}].parameter is "
                                            f"{parameter['parameter']}, which is no parameter of database "
                                            f"{database['key']}")


def load(path):
    """The data in the file at `path`, checked; raises DataFileError."""
    try:
        with open(path, encoding="utf-8") as data_file:
            data = json.load(data_file)
    except OSError as error:
        raise DataFileError(f"cannot read it: {error.strerror}") from error
    except ValueError as error:
        raise DataFileError(f"not JSON: {error}") from error
    check(data, DATA_FILE)
    for index, database in enumerate(data["databases"]):
        _check_database(database, f"databases[{index}]")
    _check_exporters(data)
    return data


def load_or_exit(parser, path):
    """The data in the file at `path`, checked; ends the program through `parser` when it cannot be served."""
    try:
        return load(path)
    except DataFileError as error:
        parser.exit(2, f"{parser.prog}: sample data {path}: {error}\n")
