"""Attribute metadata of the sample data: details, parameters, min/max and meta-attributes.

Also the readers and writers of the shapes that the record operations share with these:
attribute, record and parameter references, named attributes, revision and help info."""

from catalogue import write_attribute_reference
from soap import Fault
from units import convert

COLUMN_KINDS = ["local", "target", "unavailable"]
TARGET_COLUMN_TYPES = ["TargetAttribute", "TargetRecord", "TargetTabularColumn"]
SCALE_TYPES = ["NotSet", "Linear", "Log"]
INTERPOLATIONS = ["None", "Linear", "CubicSpline"]
PARAMETER_TYPES = ["NumericUnrestricted", "NumericRestricted", "Discrete"]


def _bool(value):
    return "true" if value else "false"


def integer(text, what):
    """The integer `text` stands for; a request that sends anything else is refused."""
    try:
        return int(text)
    except ValueError:
        raise Fault(f"{what} '{text}' is not an integer") from None


def flag(request, parent, local):
    """A request flag: absent is false; the client sends "1", others send "true"."""
    return request.text(request.own(parent, local)).strip().lower() in ("1", "true")


# Reading references out of a request

class AttributeQuery:
    """An attribute reference of a request: by identity, by name within a table, by
    standard name, or a pseudo attribute (a record property asked for like an attribute)."""

    def __init__(self, request, catalogue, element):
        name = request.base(element, "name")
        pseudo = request.base(name, "pseudo")
        self.pseudo = request.text(pseudo).strip("[]") if pseudo is not None else None
        if self.pseudo is not None:
            self.database = None
            return
        self.database = catalogue.database(request.text(request.base(element, "dbKey")))
        self.identity = integer(request.text(request.base(element, "attributeIdentity"), "0"), "Attribute identity")
        standard = name.get(f"{{{request.base_ns}}}isStandard", name.get("isStandard", "false")) \
            if name is not None else "false"
        self.standard = standard.strip().lower() in ("true", "1")
        self.name = request.text(request.base(name, "attributeName"))
        self.table = None
        table = request.base(name, "table")
        if not self.identity and not self.standard and table is not None and len(table):
            self.table = catalogue.table(
                self.database, integer(request.text(request.base(table, "tableIdentity"), "0"), "Table identity"),
                request.text(request.base(table, "tableGUID")), request.text(request.base(table, "tableName")))
        if not self.identity and not self.name:
            raise Fault(f"An attribute reference in database {self.database['key']} names no attribute")

    def describe(self):
        if self.pseudo is not None:
            return f"[{self.pseudo}]"
        if self.identity:
            return str(self.identity)
        return f"'{self.name}'" + (f" in table {self.table['name']}" if self.table else "")

    def in_table(self, table):
        """The attribute of `table` this reference names, or None."""
        if self.table is not None and self.table is not table:
            return None
        for attribute in table["attributes"]:
            if self.identity:
                if attribute["id"] == self.identity:
                    return attribute
            elif self.standard:
                if attribute["name"] == self.name and self.name in table["standardAttributes"]:
                    return attribute
            elif attribute["name"] == self.name:
                return attribute
        return None

    def resolve(self):
        """(table, attribute) of the reference; a standard name is taken from the first
        table that has it. Refuses a pseudo attribute and one the database does not have."""
        if self.pseudo is not None:
            raise Fault(f"The pseudo attribute [{self.pseudo}] has no metadata")
        for table in self.database["tables"]:
            attribute = self.in_table(table)
            if attribute is not None:
                return table, attribute
        kind = "standard attribute" if self.standard else "attribute"
        raise Fault(f"Unknown {kind} {self.describe()} in database {self.database['key']}")


def requested_attributes(request, catalogue):
    """(database, table, attribute) of every entry of "attributeReferences", in order."""
    found = []
    for element in request.base_all(request.base(request.element, "attributeReferences"), "attribute"):
        query = AttributeQuery(request, catalogue, element)
        found.append((query.database, *query.resolve()))
    return found


def find_record(request, catalogue, element):
    """(database, table, record) of a record reference: by history identity, GUID or history GUID."""
    database = catalogue.database(request.text(request.base(element, "dbKey")))
    identity = integer(request.text(request.base(request.base(element, "identity"), "recordHistoryIdentity"), "0"),
                       "Record history identity")
    guid = request.text(request.base(element, "recordGUID"))
    history_guid = request.text(request.base(element, "recordHistoryGUID"))
    if not (identity or guid or history_guid):
        raise Fault(f"A record reference in database {database['key']} names no record")
    for table in database["tables"]:
        for record in table.get("records", []):
            if (identity and record["identity"] == identity) or (guid and record["guid"] == guid) or \
                    (history_guid and record["historyGuid"] == history_guid):
                return database, table, record
    wanted = identity or guid or history_guid
    raise Fault(f"Unknown record {wanted} in database {database['key']}")


def find_parameter(request, database, element):
    identity = integer(request.text(request.base(element, "parameterIdentity"), "0"), "Parameter identity")
    name = request.text(request.base(element, "name"))
    for parameter in database.get("parameters", []):
        if (identity and parameter["id"] == identity) or (not identity and name and parameter["name"] == name):
            return parameter
    raise Fault(f"Unknown parameter {identity or repr(name)} in database {database['key']}")


def conversion(request, catalogue, database, context):
    """A function from a unit symbol to (target symbol, factor, offset) under the unit
    conversion context `context`, or None when no context is given."""
    if context is None:
        return None
    system = request.text(request.base(context, "unitSystem"))
    currency = request.text(request.base(context, "currency"))
    if system and system not in database["unitSystems"]:
        raise Fault(f"Unknown unit system: {system}")

    def target(symbol):
        return convert(catalogue, database, system, symbol, currency) if symbol and (system or currency) else None
    return target


# Writing the shared shapes

def write_record_reference(w, database, record, container="record", guids=True):
    children = [w.base("dbKey", text=database["key"]),
                w.base("identity", w.base("recordHistoryIdentity", text=record["identity"]))]
    if guids:
        children += [w.base("recordGUID", text=record["guid"]), w.base("recordHistoryGUID", text=record["historyGuid"])]
    return w.own(container, *children)


def write_revision(w, revision, container="revisionInfo"):
    return w.own(container, *[w.own(key, text=revision[key])
                              for key in ("modified", "modifiedUser", "created", "createdUser", "updateCount")])


def write_help(w, help_info):
    return w.own("helpInfo", w.own("helpURI", text=help_info["uri"]),
                 w.own("isDatabaseHelp", text=_bool(help_info.get("databaseHelp"))))


def meta_parents(table, attribute):
    """The attributes of `table` that the meta-attribute `attribute` describes."""
    return [a for a in table["attributes"] if attribute["id"] in a.get("metaAttributes", [])]


def named_attribute_children(w, database, table, attribute, about=None):
    """The content of a named attribute; a meta-attribute says which attribute it is
    about: `about`, or the only one it describes."""
    children = [write_attribute_reference(w, database, table, attribute), w.own("name", text=attribute["name"])]
    if attribute.get("meta"):
        parents = [about] if about is not None else meta_parents(table, attribute)
        children.append(w.own("isMeta", text="true"))
        if len(parents) == 1:
            children.append(w.own("about", *named_attribute_children(w, database, table, parents[0])))
    return children


def _column(w, column):
    children = [w.own("Name", text=column["name"])]
    if "revision" in column:
        children.append(write_revision(w, column["revision"], "RevisionInfo"))
    attributes = {}
    if column["kind"] == "local":
        attributes["type"] = column.get("type", "STXT")
        if column.get("unit"):
            children.append(w.own("DatabaseUnit", text=column["unit"]))
        if column.get("discreteValues"):
            children.append(w.own("DiscreteValues",
                                  *[w.own("DiscreteValue", text=v) for v in column["discreteValues"]]))
    elif column["kind"] == "target":
        attributes["columnType"] = column.get("columnType", "TargetRecord")
    return w.own(column["kind"], *children, **attributes)


def attribute_detail(w, database, table, attribute, container="attributeDetail", about=None):
    """Everything the service tells about one attribute."""
    children = named_attribute_children(w, database, table, attribute, about)
    children += [w.own("identity", text=attribute["id"]), w.own("type", text=attribute["type"])]
    revision = attribute.get("revision")
    if revision:
        children.append(write_revision(w, revision))
    if "help" in attribute:
        children.append(write_help(w, attribute["help"]))
    children.append(w.own("databaseUnit", text=attribute.get("unit", "")))
    if "defaultThreshold" in attribute:
        children.append(w.own("defaultThreshold", text=attribute["defaultThreshold"]))
    if attribute["type"] == "DISC":
        children.append(w.own("discreteValues",
                              *[w.own("discreteValue", text=v) for v in attribute.get("discreteValues", [])]))
    children.append(w.own("order", text=attribute.get("order", 0)))
    if "axisName" in attribute:
        children.append(w.own("axisName", text=attribute["axisName"]))
    if attribute["type"] == "TABL":
        children.append(w.own("columns", *[_column(w, c) for c in attribute.get("columns", [])]))
    return w.own(container, *children, isSearchable=_bool(attribute.get("searchable")),
                 isMultiValued=_bool(attribute.get("multiValued")), isChartable=_bool(attribute.get("chartable")))


def _parameter_value(w, value, container):
    if isinstance(value, str):
        return w.own(container, w.own("value", text="0.0"), w.own("valueName", text=value))
    return w.own(container, w.own("value", text=repr(float(value))))


def parameter_values_in(value, parameter):
    """The values of `parameter` that the stored attribute value `value` uses, in order."""
    found = []
    kind = value["type"]
    if kind == "POIN":
        found = [p["value"] for point in value["points"] for p in point.get("parameters", [])
                 if p.get("id") == parameter["id"]]
    elif kind == "FLOAT_FUNCTIONAL_SERIES":
        for series in value["series"]:
            if value["xAxis"] == parameter["name"]:
                found += [point[0] for point in series["points"]]
            found += [c["value"] for c in series.get("constraints", []) if c.get("id") == parameter["id"]]
    elif kind == "FLOAT_FUNCTIONAL_GRIDDED":
        found = [c["value"] for v in value["values"] for c in v.get("constraints", [])
                 if c.get("id") == parameter["id"]]
    return sorted(set(found), key=lambda v: (isinstance(v, str), v))


def parameter_detail(w, database, parameter, applies_to=None, record=None, values=None):
    """One parameter's details; `applies_to` is (table, attribute, order) when they are asked
    for one attribute, `record` a record they are asked for, `values` the values to list."""
    unit = [w.own("UnitName", text=parameter["unitName"])] if parameter.get("unitName") else []
    if parameter["unit"]:
        unit.append(w.own("UnitSymbol", text=parameter["unit"]))
    children = [w.own("ParameterReference", w.base("dbKey", text=database["key"]),
                      w.base("parameterIdentity", text=parameter["id"]), w.base("name", text=parameter["name"])),
                w.own("Name", text=parameter["name"]), w.own("Unit", *unit)]
    if "default" in parameter:
        children.append(_parameter_value(w, parameter["default"], "defaultValue"))
    children += [w.own("scaleType", text=parameter["scaleType"]),
                 w.own("interpolationMethod", text=parameter["interpolation"]),
                 w.own("parameterType", text=parameter["parameterType"])]
    if "revision" in parameter:
        children.append(write_revision(w, parameter["revision"]))
    if "help" in parameter:
        children.append(write_help(w, parameter["help"]))
    listed = parameter["values"] if values is None else values
    children.append(w.own("parameterValues", *[_parameter_value(w, v, "parameterValue") for v in listed]))
    if applies_to is not None or record is not None:
        target = []
        if applies_to is not None:
            table, attribute, _ = applies_to
            target.append(write_attribute_reference(w, database, table, attribute, container="attributeReference"))
        if record is not None:
            target.append(write_record_reference(w, database, record, "recordReference"))
        if applies_to is not None:
            target.append(w.own("order", text=applies_to[2]))
        children.append(w.own("appliesTo", *target))
    return w.own("parameterDetail", *children)


def attribute_parameters(database, attribute):
    by_id = {p["id"]: p for p in database.get("parameters", [])}
    return [by_id[identity] for identity in attribute.get("parameters", [])]


def stored_value(record, attribute):
    for value in record["attributes"]:
        if value["id"] == attribute["id"]:
            return value["value"]
    return None


# The operations

def get_attribute_details(request, catalogue, w):
    details = [attribute_detail(w, d, t, a) for d, t, a in requested_attributes(request, catalogue)]
    return w.response("GetAttributeDetails", w.own("attributeDetails", *details))


def get_attribute_parameters(request, catalogue, w):
    details = []
    for database, table, attribute in requested_attributes(request, catalogue):
        for order, parameter in enumerate(attribute_parameters(database, attribute), 1):
            details.append(parameter_detail(w, database, parameter, (table, attribute, order)))
    return w.response("GetAttributeParameters", w.own("parameterDetails", *details))


def get_parameter_details(request, catalogue, w):
    functional = request.own(request.element, "functionalAttribute")
    applies = None
    if functional is not None:
        query = AttributeQuery(request, catalogue, functional)
        applies = (query.database, *query.resolve())
    record_element = request.own(request.element, "recordReference")
    record = find_record(request, catalogue, record_element) if record_element is not None else None
    details = []
    for element in request.base_all(request.base(request.element, "parameterReferences"), "parameter"):
        database = catalogue.database(request.text(request.base(element, "dbKey")))
        parameter = find_parameter(request, database, element)
        applies_to = values = None
        if applies is not None:
            _, table, attribute = applies
            identities = attribute.get("parameters", [])
            if parameter["id"] not in identities:
                raise Fault(f"Parameter '{parameter['name']}' does not apply to attribute '{attribute['name']}'")
            applies_to = (table, attribute, identities.index(parameter["id"]) + 1)
            stored = stored_value(record[2], attribute) if record is not None else None
            if stored is not None:
                values = parameter_values_in(stored, parameter)
        details.append(parameter_detail(w, database, parameter, applies_to, record[2] if record else None, values))
    return w.response("GetParameterDetails", w.own("parameterDetails", *details))


def _extremes(table, attribute):
    """(kind, values) of the stored values of `attribute` that have an order: numbers of
    points and ranges, integers, dates; values marked not applicable are left out."""
    numbers, integers, dates = [], [], []
    for record in table.get("records", []):
        value = stored_value(record, attribute)
        if value is None or value.get("notApplicable"):
            continue
        if value["type"] == "POIN":
            numbers += [p["value"] for p in value["points"]]
        elif value["type"] == "RNGE":
            numbers += [value[end] for end in ("low", "high") if value.get(end) is not None]
        elif value["type"] == "INPT":
            integers.append(value["value"])
        elif value["type"] == "DTTM":
            dates.append(value["value"])
    return ("double", numbers) if numbers else ("integer", integers) if integers else ("date", dates)


def get_attribute_min_max(request, catalogue, w):
    context = request.own(request.element, "unitConversionContext")
    results = []
    for database, table, attribute in requested_attributes(request, catalogue):
        unit = attribute.get("unit", "")
        kind, found = _extremes(table, attribute)
        converted = (conversion(request, catalogue, database, context) or (lambda symbol: None))(unit)
        if converted:
            unit, factor, offset = converted
            if kind == "double":
                found = [v * factor + offset for v in found]
        children = [w.own("unit", text=unit),
                    write_attribute_reference(w, database, table, attribute, container="attributeReference")]
        if found:
            form = repr if kind == "double" else str
            children += [w.own("min", w.own(kind, text=form(min(found)))),
                         w.own("max", w.own(kind, text=form(max(found))))]
        results.append(w.own("minMax", *children))
    return w.response("GetAttributeMinMax", w.own("minMaxes", *results))


def get_meta_attributes(request, catalogue, w):
    entries = []
    for database, table, attribute in requested_attributes(request, catalogue):
        by_id = {a["id"]: a for a in table["attributes"]}
        metas = [w.own("MetaAttribute", *named_attribute_children(w, database, table, by_id[m], attribute))
                 for m in attribute.get("metaAttributes", [])]
        entries.append(w.own("Attribute",
                             write_attribute_reference(w, database, table, attribute, container="ParentAttribute"),
                             w.own("MetaAttributes", *metas)))
    return w.response("GetMetaAttributes", *entries)
