"""The exporters of the sample data: which exist, which apply to which records and how
fully, what they need of each attribute, and the texts they write.

An exporter runs its transforms in order; an export stopped before a transform gives
what the transforms before it made. Three formats are hosted: "csv" (one row per point
or range), "json" (a document of each record's values) and "card" (a material card of
an invented simulation package, at one temperature, in a unit system of choice)."""

import csv
import io
import json
from collections import namedtuple

from attributes import (AttributeQuery, conversion, find_parameter, find_record, flag, integer,
                        named_attribute_children, parameter_values_in, stored_value, write_record_reference)
from record_filter import allowed_subsets
from soap import Fault

FORMATS = ["csv", "json", "card"]
USAGES = ["free", "fixed", "unused"]
VERSION_POLICIES = ["IncludeAll", "LatestVersionPerName"]
# What the exporters take of a value when their definition does not narrow it.
DEFAULT_TYPES = ["POIN", "RNGE", "STXT", "LTXT", "INPT", "LOGI", "DISC", "DTTM", "HLNK", "FLOAT_FUNCTIONAL_SERIES"]
FUNCTIONAL_TYPES = ["FLOAT_FUNCTIONAL_SERIES", "FLOAT_FUNCTIONAL_GRIDDED"]


# Choosing exporters

def _version_policy(request):
    element = request.own(request.element, "versionPolicy")
    if element is None:
        return "IncludeAll"
    policy = request.text(element)
    if policy not in VERSION_POLICIES:
        raise Fault(f"Unknown version policy: '{policy}'")
    return policy


def _chosen(request, catalogue, package, model, keep=lambda exporter: True):
    """The exporters of the package and model (when given) that the applicability tag, the
    version policy and `keep` let through, in the data file's order."""
    tag = request.text(request.own(request.element, "applicabilityTag"))
    chosen = [e for e in catalogue.exporters
              if package in ("", e["package"]) and model in ("", e["model"]) and tag in ("", *e["tags"]) and keep(e)]
    if _version_policy(request) == "LatestVersionPerName":
        latest = {}
        for exporter in chosen:
            if exporter["name"] not in latest or exporter["version"] > latest[exporter["name"]]["version"]:
                latest[exporter["name"]] = exporter
        chosen = [e for e in chosen if latest[e["name"]] is e]
    return chosen


def _exporter(request, catalogue, key_element):
    """The exporter that the element `key_element` of the request names; each operation
    spells that element its own way, and a request that spells it otherwise is refused."""
    element = request.own(request.element, key_element)
    if element is None:
        raise Fault(f"{request.operation} names its exporter in {key_element}")
    key = request.text(element)
    for exporter in catalogue.exporters:
        if exporter["key"] == key:
            return exporter
    raise Fault(f"Unknown exporter key: '{key}'")


def _covers_table(exporter, database, table):
    names = {a["name"] for a in table["attributes"]}
    return database["key"] in exporter["databases"] and any(a["name"] in names for a in exporter["attributes"])


def _table_filter(request, catalogue, db_key):
    """Whether an exporter covers the table the request names; None when it names none."""
    element = request.own(request.element, "table")
    if element is None:
        return None
    identity = integer(request.text(request.base(element, "tableIdentity"), "0"), "Table identity")
    guid = request.text(request.base(element, "tableGUID"))
    name = request.text(request.base(element, "tableName"))
    matching = element.get(f"{{{request.service_ns}}}matchDatabase", "false") == "true"
    if matching and not db_key:
        raise Fault("matchDatabase needs a dbKey")
    databases = [catalogue.database(db_key)] if matching else catalogue.databases
    tables = [(d, t) for d in databases for t in d["tables"]
              if (identity and t["id"] == identity) or (guid and t["guid"] == guid) or (name and t["name"] == name)]
    if not tables:
        raise Fault(f"Unknown table {identity or guid or name}")
    return lambda exporter: any(_covers_table(exporter, d, t) for d, t in tables)


# Reading an exporter's view of one record

def _attribute_of(table, spec):
    for attribute in table["attributes"]:
        if attribute["name"] == spec["name"]:
            return attribute
    return None


def _presence(record, attribute, spec):
    """How the record holds what the exporter takes of the attribute, as the reply says it."""
    value = stored_value(record, attribute)
    if value is None:
        return "Missing"
    if value.get("notApplicable"):
        return "NotApplicable"
    if value["type"] not in spec.get("types", DEFAULT_TYPES):
        return "DataIncompatibleWithConfiguration"
    return "Present"


def _used_attributes(exporter, table):
    """(spec, attribute) of each attribute of the exporter that `table` has."""
    found = [(spec, _attribute_of(table, spec)) for spec in exporter["attributes"]]
    return [(spec, attribute) for spec, attribute in found if attribute is not None]


def _population(exporter, database, table, record):
    """"FullyPopulated", "PartiallyPopulated", or None when the exporter does not apply."""
    if database["key"] not in exporter["databases"]:
        return None
    used = _used_attributes(exporter, table)
    present = [a for spec, a in used if _presence(record, a, spec) == "Present"]
    if not present:
        return None
    return "FullyPopulated" if len(present) == len(used) else "PartiallyPopulated"


def _write_exporter(w, exporter, *extra):
    children = [w.own("key", text=exporter["key"]), w.own("package", text=exporter["package"]),
                w.own("model", text=exporter["model"]), w.own("description", text=exporter["description"])]
    if "transforms" in exporter:
        children.append(w.own("transforms", *[w.own("transform", id=t) for t in exporter["transforms"]]))
    return w.own("exporter", *children, *extra, name=exporter["name"], version=exporter["version"],
                 validatedOK="true" if exporter["validatedOK"] else "false")


# The operations that describe exporters

def get_available_exporters(request, catalogue, w):
    own = lambda local: request.text(request.own(request.element, local))
    db_key = own("dbKey")
    if db_key:
        catalogue.database(db_key)
    covers = _table_filter(request, catalogue, db_key)
    keep = lambda e: (not db_key or db_key in e["databases"]) and (covers is None or covers(e))
    chosen = _chosen(request, catalogue, own("package"), own("model"), keep)
    return w.response("GetAvailableExporters", *[_write_exporter(w, e) for e in chosen])


def exporters_for_records(request, catalogue, w):
    package = request.text(request.own(request.element, "package"))
    model = request.text(request.own(request.element, "model"))
    if flag(request, request.element, "packageAndModelRequired") and not (package and model):
        raise Fault("A package and a model are required")
    specific = flag(request, request.element, "specificAttributeExportersOnly")
    chosen = _chosen(request, catalogue, package, model, lambda e: e.get("attributeSpecific") or not specific)
    entries = []
    for database, table, record in _records(request, catalogue):
        applying = []
        for exporter in chosen:
            state = _population(exporter, database, table, record)
            if state:
                applying.append(_write_exporter(w, exporter, w.own("populationState", text=state)))
        entries.append(w.own("record", write_record_reference(w, database, record), w.own("exporters", *applying)))
    return w.response("ExportersForRecords", w.own("records", *entries))


def _records(request, catalogue):
    references = request.base(request.element, "recordReferences")
    if references is None:
        raise Fault(f"{request.operation} needs recordReferences")
    return [find_record(request, catalogue, e) for e in request.base_all(references, "record")]


def _exporter_parameter(w, database, parameter, spec, convert):
    unit = parameter["unit"]
    converted = convert(unit) if convert and unit else None
    symbol = converted[0] if converted else unit
    unit_children = [w.own("UnitName", text=parameter["unitName"])] if parameter.get("unitName") and not converted else []
    if symbol:
        unit_children.append(w.own("UnitSymbol", text=symbol))
    return w.own("Parameter",
                 w.own("ParameterReference", w.base("dbKey", text=database["key"]),
                       w.base("parameterIdentity", text=parameter["id"]), w.base("name", text=parameter["name"])),
                 w.own("Name", text=parameter["name"]), w.own("Unit", *unit_children),
                 id=spec["id"], usage=spec["usage"])


def _graph_domain(w, database, value, specs, convert):
    """The values each parameter of the exporter takes in a functional value."""
    by_id = {p["id"]: p for p in database.get("parameters", [])}
    domains = []
    for spec in specs:
        parameter = by_id[spec["parameter"]]
        values = [_converted(v, parameter["unit"], convert)[0] if not isinstance(v, str) else v
                  for v in parameter_values_in(value, parameter)]
        domains.append(w.own("ParameterDomain", w.own("Values", *[
            w.own("Value", w.own("Value", text=v), xsi__type="z:DiscreteParameterValue") if isinstance(v, str) else
            w.own("Value", w.own("Value", text=repr(float(v))), xsi__type="z:NumericParameterValue")
            for v in values]), interpolable="false" if parameter["interpolation"] == "None" else "true",
            exporterParameterId=spec["id"]))
    return w.own("GraphDomain", w.own("ParameterDomains", *domains))


def get_exporter_parameters(request, catalogue, w):
    records = _records(request, catalogue)
    exporter = _exporter(request, catalogue, "ExporterKey")
    if request.own(request.element, "unitConversionContext") is not None:
        raise Fault("GetExporterParameters takes its context as UnitConversionContext")
    context = request.own(request.element, "UnitConversionContext")
    guids = flag(request, request.element, "populateGUIDs")
    entries = []
    for database, table, record in records:
        convert = conversion(request, catalogue, database, context)
        by_id = {p["id"]: p for p in database.get("parameters", [])}
        attributes = []
        used = _used_attributes(exporter, table) if database["key"] in exporter["databases"] else []
        for spec, attribute in used:
            presence = _presence(record, attribute, spec)
            specs = spec.get("parameters", [])
            parameters = [_exporter_parameter(w, database, by_id[s["parameter"]], s, convert) for s in specs]
            value = stored_value(record, attribute)
            domains = [_graph_domain(w, database, value, specs, convert)] \
                if presence == "Present" and value["type"] in FUNCTIONAL_TYPES and specs else []
            attributes.append(w.own("Attribute", w.own("Attribute", *named_attribute_children(w, database, table,
                                                                                              attribute)),
                                    w.own("Parameters", *parameters), w.own("GraphDomains", *domains),
                                    data=presence))
        entries.append(w.own("Record", write_record_reference(w, database, record, "Record", guids),
                             w.own("Attributes", *attributes)))
    return w.response("GetExporterParameters", w.own("Records", *entries))


# Exporting

def _converted(number, unit, convert):
    """(number, unit) in the unit system of the request."""
    target = convert(unit) if convert and unit else None
    return (number * target[1] + target[2], target[0]) if target else (number, unit)


class Options:
    """What an export request asks of the text: figures, units, parameter values, where to stop."""

    def __init__(self, request, catalogue, exporter):
        values = request.own(request.element, "parameterValues")
        figures = values.get(f"{{{request.service_ns}}}significantFigures") if values is not None else None
        self.figures = integer(figures, "Significant figures") if figures is not None else 0
        if figures is not None and self.figures < 1:
            raise Fault(f"Significant figures must be 1 or more, not {self.figures}")
        self.parameters = {}  # parameter identity -> value in the parameter's own unit
        for item in request.own_all(values, "parameterValue"):
            reference = request.base(item, "Parameter")
            if reference is None:
                raise Fault("A parameter value names no parameter")
            database = catalogue.database(request.text(request.base(reference, "dbKey")))
            parameter = find_parameter(request, database, reference)
            number = request.text(request.base(request.base(item, "ParameterValue"), "Value"))
            try:
                number = float(number)
            except ValueError:
                raise Fault(f"Parameter value '{number}' of {parameter['name']} is not a number") from None
            unit = request.text(request.base(item, "UnitSymbol"))
            self.parameters[parameter["id"]] = _in_own_unit(database, parameter, number, unit)
        self.context = request.own(request.element, "unitConversionContext")
        if request.own(request.element, "UnitConversionContext") is not None:
            raise Fault("ExportRecordData takes its context as unitConversionContext")
        self.unit_system = request.text(request.base(self.context, "unitSystem"))
        self.stages = _stages_run(request, exporter)

    def number(self, value):
        return f"{value:.{self.figures}g}" if self.figures else repr(float(value))

    def json_number(self, value):
        return float(self.number(value))


def _in_own_unit(database, parameter, number, unit):
    """A parameter value given in `unit`, in the unit the parameter is stored in."""
    if unit in ("", parameter["unit"]):
        return number
    for conversions in database["conversions"].values():
        for source, target, factor, offset in conversions:
            if source == parameter["unit"] and target == unit:
                return (number - offset) / factor
    raise Fault(f"Cannot take {parameter['name']} in {unit}")


def _stages_run(request, exporter):
    """How many of the exporter's transforms run: all of them unless the request stops before one."""
    transforms = exporter.get("transforms", [])
    stop = request.own(request.element, "stopBefore")
    if stop is None:
        return len(transforms)
    value_name = f"{{{request.service_ns}}}value"
    index, transform = request.own(stop, "index"), request.own(stop, "transformId")
    if index is not None:
        position = integer(index.get(value_name, ""), "Stop-before index")
        if position < 0:
            raise Fault(f"Stop-before index {position} is negative")
        return min(position, len(transforms))
    if transform is not None:
        wanted = transform.get(value_name, "")
        if wanted not in transforms:
            raise Fault(f"Exporter {exporter['key']} has no transform '{wanted}'")
        return transforms.index(wanted)
    raise Fault("stopBefore names neither an index nor a transform")


# One attribute value of one record as an exporter takes it.
Entry = namedtuple("Entry", "database table record attribute value")


def _entries(request, catalogue, exporter):
    """The values the export covers: the records of the request that the filter lets
    through, the exporter's attributes (those the request names, when it names any)."""
    queries = [AttributeQuery(request, catalogue, e)
               for e in request.own_all(request.own(request.element, "attributes"), "attribute")]
    for query in queries:
        if query.pseudo is not None:
            raise Fault(f"Exporters take attributes, not the pseudo attribute [{query.pseudo}]")
        query.resolve()
    allowed = allowed_subsets(request, catalogue, request.own(request.element, "recordFilter"))
    entries = []
    for database, table, record in _records(request, catalogue):
        if allowed is not None and not allowed.get(database["key"], set()) & set(record.get("subsets", [])):
            continue
        if database["key"] not in exporter["databases"]:
            raise Fault(f"Exporter {exporter['key']} does not export from {database['key']}")
        for spec, attribute in _used_attributes(exporter, table):
            if queries and not any(q.in_table(table) is attribute for q in queries):
                continue
            if _presence(record, attribute, spec) == "Present":
                entries.append(Entry(database, table, record, attribute, stored_value(record, attribute)))
    return entries


def _conditions(point, options, convert):
    parts = []
    for parameter in point.get("parameters", []):
        number, unit = _converted(parameter["value"], parameter.get("unit", ""), convert)
        parts.append(f"{parameter['name']}={options.number(number)}" + (f" {unit}" if unit else ""))
    return "; ".join(parts)


def _export_csv(request, catalogue, exporter, options):
    """Rows of points and ranges; v2 adds its header in a transform of its own."""
    transforms = exporter.get("transforms")
    if transforms is not None and options.stages == 0:
        return ""
    text = io.StringIO()
    writer = csv.writer(text, lineterminator="\n")
    if transforms is None or options.stages >= 2:
        writer.writerow(["Record", "Attribute", "Value", "Low", "High", "Unit", "Conditions"])
    for entry in _entries(request, catalogue, exporter):
        convert = conversion(request, catalogue, entry.database, options.context)
        value = entry.value
        if value["type"] == "POIN":
            for point in value["points"]:
                number, unit = _converted(point["value"], value.get("unit", ""), convert)
                writer.writerow([entry.record["name"], entry.attribute["name"], options.number(number), "", "", unit,
                                 _conditions(point, options, convert)])
        elif value["type"] == "RNGE":
            ends = [_converted(value[end], value.get("unit", ""), convert) if value.get(end) is not None else None
                    for end in ("low", "high")]
            unit = next((end[1] for end in ends if end), value.get("unit", ""))
            writer.writerow([entry.record["name"], entry.attribute["name"], "",
                             *[options.number(end[0]) if end else "" for end in ends], unit, ""])
    return text.getvalue()


def _json_value(value, options, convert):
    kind = value["type"]
    if kind == "POIN":
        points = []
        for point in value["points"]:
            number, unit = _converted(point["value"], value.get("unit", ""), convert)
            entry = {"value": options.json_number(number)}
            for parameter in point.get("parameters", []):
                entry[parameter["name"]] = options.json_number(
                    _converted(parameter["value"], parameter.get("unit", ""), convert)[0])
            points.append(entry)
        return {"points": points, "unit": _converted(0.0, value.get("unit", ""), convert)[1]}
    if kind == "RNGE":
        result = {"unit": _converted(0.0, value.get("unit", ""), convert)[1]}
        for end in ("low", "high"):
            if value.get(end) is not None:
                result[end] = options.json_number(_converted(value[end], value.get("unit", ""), convert)[0])
        return result
    if kind == "DISC":
        return [text for text, _ in value["values"]]
    return value.get("value")


def _export_json(request, catalogue, exporter, options):
    if options.stages == 0:
        return ""
    records = {}
    for entry in _entries(request, catalogue, exporter):
        convert = conversion(request, catalogue, entry.database, options.context)
        document = records.setdefault(id(entry.record), {"record": entry.record["name"],
                                                         "identity": entry.record["identity"], "values": {}})
        document["values"][entry.attribute["name"]] = _json_value(entry.value, options, convert)
    return json.dumps({"exporter": exporter["key"], "records": list(records.values())}, indent=2,
                      ensure_ascii=False) + "\n"


CARD_NAMES = {"Density": "DENSITY", "Young's modulus": "YOUNGS_MODULUS", "Yield strength": "YIELD_STRENGTH",
              "Stress-strain curve": "STRESS_STRAIN", "Fatigue strength": "FATIGUE"}


def _card_temperature(exporter, options):
    """(parameter identity, value in the parameter's own unit) of the temperature the card is written at."""
    for spec in exporter["attributes"]:
        for parameter in spec.get("parameters", []):
            if parameter["id"] == "T":
                return parameter["parameter"], options.parameters.get(parameter["parameter"], parameter.get("default", 0.0))
    raise Fault(f"Exporter {exporter['key']} has no temperature parameter")


def _nearest(items, temperature, constraints):
    """The item whose temperature constraint is nearest to `temperature` (ties: the first)."""
    def distance(item):
        found = [c["value"] for c in constraints(item) if c["name"] == "Temperature"]
        return abs(found[0] - temperature) if found else 0.0
    return min(items, key=distance) if items else None


def _card_lines(entry, temperature, options, convert):
    """(keyword, numbers, unit) lines of one value at the card's temperature."""
    value = entry.value
    keyword = CARD_NAMES.get(entry.attribute["name"], entry.attribute["name"].upper())
    unit = value.get("unit", "")
    if value["type"] == "POIN":
        point = _nearest(value["points"], temperature, lambda p: p.get("parameters", []))
        if point is None:
            return []
        number, unit = _converted(point["value"], unit, convert)
        return [(keyword, [options.number(number)], unit)]
    if value["type"] == "RNGE":
        ends = [_converted(value[end], unit, convert) if value.get(end) is not None else None for end in ("low", "high")]
        shown = next((end[1] for end in ends if end), unit)
        return [(keyword, [options.number(end[0]) if end else "-" for end in ends], shown)]
    series = _nearest(value["series"], temperature, lambda s: s.get("constraints", []))
    if series is None:
        return []
    x_unit = next((p.get("unit", "") for p in value["parameters"] if p["name"] == value["xAxis"]), "")
    lines = []
    for point in series["points"]:
        x, shown_x = _converted(point[0], x_unit, convert)
        y, shown_y = _converted(point[1], unit, convert)
        lines.append((keyword, [options.number(x), options.number(y)], f"{shown_x} {shown_y}"))
    return lines


def _export_card(request, catalogue, exporter, options):
    """collect: values in database units; convert: in the request's unit system; card: the card."""
    if options.stages == 0:
        return ""
    parameter, temperature = _card_temperature(exporter, options)
    by_record = {}
    for entry in _entries(request, catalogue, exporter):
        convert = conversion(request, catalogue, entry.database, options.context) if options.stages >= 2 else None
        lines = by_record.setdefault(id(entry.record), (entry.record, entry.database, convert, []))[3]
        lines.extend(_card_lines(entry, temperature, options, convert))
    if options.stages < 3:
        return "".join(f"{keyword} = {' '.join(numbers)} {unit}".rstrip() + "\n"
                       for _, _, _, lines in by_record.values() for keyword, numbers, unit in lines)
    text = [f"$ {exporter['package']} {exporter['model']}, written by {exporter['key']}\n"]
    for record, database, convert, lines in by_record.values():
        unit = next(p["unit"] for p in database["parameters"] if p["id"] == parameter)
        shown, shown_unit = _converted(temperature, unit, convert)
        text.append(f"*MATERIAL {record['identity']} \"{record['name']}\"\n")
        text.append(f"*UNITS {options.unit_system or 'database'}\n")
        text.append(f"*TEMPERATURE {options.number(shown)} {shown_unit}\n")
        for keyword, numbers, unit in lines:
            text.append(f"{keyword:<16}{' '.join(f'{n:>12}' for n in numbers)}  {unit}\n")
        text.append("*END\n")
    return "".join(text)


EXPORTS = {"csv": _export_csv, "json": _export_json, "card": _export_card}


def export_record_data(request, catalogue, w):
    exporter = _exporter(request, catalogue, "exporterKey")
    options = Options(request, catalogue, exporter)
    return w.root("text", text=EXPORTS[exporter["format"]](request, catalogue, exporter, options))
