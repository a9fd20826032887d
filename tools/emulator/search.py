"""The three searches over the sample records: free text, record name and attribute criteria.

All three answer with "SimpleTextSearchResponse", one "resultRecords" per hit, best first.
The ranking is the number of matches a record gave: occurrences of the search words,
names that matched, or values that satisfied the criteria."""

import re
from datetime import datetime

from attributes import AttributeQuery, flag, integer, stored_value, write_record_reference
from catalogue import TABLE_FILTERS
from record_data import PSEUDO_VALUES
from record_filter import allowed_subsets
from soap import Fault
from units import convert

SEARCH_MODES = ["Normal", "ReadOnly"]
# The unit system both sides of a numeric comparison are brought into.
COMPARISON_SYSTEM = "SI"


# What every search shares: which records it looks at, and how a hit is written

def _records(table):
    """The records of `table` a search looks at: folders only hold records, so none is found."""
    return [record for record in table.get("records", []) if record.get("type") != "Folder"]


def _scope(request, catalogue, database, tables=None):
    """(table, record) of every record the search filter, the mode and the record filter
    let through, within `tables` when given."""
    wanted_filter = request.text(request.own(request.element, "searchFilter"), "NoFilter")
    if wanted_filter not in TABLE_FILTERS:
        raise Fault(f"Unknown table filter: {wanted_filter}")
    mode = request.own(request.element, "searchMode")
    if mode is not None and request.text(mode) not in SEARCH_MODES:
        raise Fault(f"Unknown search mode: {request.text(mode)}")
    allowed = allowed_subsets(request, catalogue, request.own(request.element, "recordFilter"))
    found = []
    for table in tables if tables is not None else database["tables"]:
        if wanted_filter != "NoFilter" and wanted_filter not in table["filters"]:
            continue
        for record in _records(table):
            if allowed is None or allowed.get(database["key"], set()) & set(record.get("subsets", [])):
                found.append((table, record))
    return found


def _response(w, database, ranked, guids):
    """The reply for (ranking, table, record) hits; a ranking of 0 is no hit."""
    hits = sorted((hit for hit in ranked if hit[0] > 0), key=lambda hit: (-hit[0], hit[2]["name"]))
    results = []
    for ranking, table, record in hits:
        results.append(w.own("resultRecords",
                             w.own("shortName", text=record.get("shortName", "")),
                             w.own("fullName", text=record["name"]),
                             write_record_reference(w, database, record, "recordReference", guids),
                             w.own("ranking", text=ranking),
                             color=PSEUDO_VALUES["recordColor"](database, table, record)["value"],
                             type=PSEUDO_VALUES["recordType"](database, table, record)["value"]))
    return w.response("SimpleTextSearch", *results)


def _table(request, catalogue, database, element):
    """The table of `database` that a table reference names."""
    return catalogue.table(database, integer(request.text(request.base(element, "tableIdentity"), "0"), "Table identity"),
                           request.text(request.base(element, "tableGUID")),
                           request.text(request.base(element, "tableName")))


# SimpleTextSearch

def _value_texts(value):
    """The texts a stored value holds, for the text search and the text criteria."""
    kind = value["type"]
    if kind in ("STXT", "LTXT"):
        return [value["value"]]
    if kind == "HLNK":
        return [value["value"], value.get("description", "")]
    if kind == "DISC":
        return [text for text, _ in value["values"]]
    if kind == "FILE":
        return [value.get("fileName", ""), value.get("description", "")]
    if kind == "TABL":
        return [text for row in value["rows"] for cell in row["cells"] if cell for text in _value_texts(cell)]
    return []


def _record_texts(record):
    texts = [record["name"], record.get("shortName", "")]
    for item in record["attributes"] + record.get("metaAttributes", []):
        texts += _value_texts(item["value"])
    return [text.lower() for text in texts]


def _occurrences(words, record):
    """How often the words occur as words (not inside longer ones) in the record's texts;
    0 unless every word occurs."""
    texts = _record_texts(record)
    counts = [sum(len(re.findall(rf"(?<!\w){re.escape(word)}(?!\w)", text)) for text in texts) for word in words]
    return sum(counts) if all(counts) else 0


def simple_text_search(request, catalogue, w):
    database = catalogue.database(request.text(request.own(request.element, "dbKey")))
    words = request.text(request.own(request.element, "searchValue")).lower().split()
    if not words:
        raise Fault("The search text is empty")
    tables = None
    restriction = request.own(request.element, "restrictToTables")
    if restriction is not None:
        tables = [_table(request, catalogue, database, t) for t in request.own_all(restriction, "table")]
    scope = _scope(request, catalogue, database, tables)
    ranked = [(_occurrences(words, record), table, record) for table, record in scope]
    return _response(w, database, ranked, flag(request, request.element, "populateGUIDs"))


# RecordNameSearch

def _option(request, options, name, default):
    """A switch of "options": an attribute holding 1/0 (or true/false), in the service namespace or none."""
    if options is None:
        return default
    value = options.get(f"{{{request.service_ns}}}{name}", options.get(name))
    return default if value is None else value.strip().lower() in ("1", "true")


def _name_matches(pattern, name, case_sensitive):
    """Whether `name` is `pattern` as a whole, "*" standing for any run of characters."""
    expression = ".*".join(re.escape(part) for part in pattern.split("*"))
    return re.fullmatch(expression, name, 0 if case_sensitive else re.IGNORECASE) is not None


def record_name_search(request, catalogue, w):
    table_element = request.own(request.element, "table")
    if table_element is None:
        raise Fault("A record name search names no table")
    database = catalogue.database(request.text(request.base(table_element, "dbKey")))
    table = _table(request, catalogue, database, table_element)
    pattern = request.text(request.own(request.element, "recordName"))
    options = request.own(request.element, "options")
    case_sensitive = _option(request, options, "caseSensitive", False)
    searched = [key for key, switch, default in (("name", "searchFullNames", True),
                                                  ("shortName", "searchShortNames", False))
                if _option(request, options, switch, default)]
    allowed = allowed_subsets(request, catalogue, request.own(request.element, "recordFilter"))
    ranked = []
    for record in _records(table):
        if allowed is not None and not allowed.get(database["key"], set()) & set(record.get("subsets", [])):
            continue
        matches = sum(1 for key in searched if _name_matches(pattern, record.get(key, ""), case_sensitive))
        ranked.append((matches, table, record))
    return _response(w, database, ranked, _option(request, options, "populateGUIDs", False))


# CriteriaSearch

def _number(text, what):
    try:
        return float(text)
    except ValueError:
        raise Fault(f"{what} '{text}' is not a number") from None


def _date(text, what):
    try:
        return datetime.fromisoformat(text)
    except ValueError:
        raise Fault(f"{what} '{text}' is not a date") from None


def _to_comparable(catalogue, database, unit):
    """A function taking a value in `unit` into the comparison system, with the unit it
    arrives in; a unit the database cannot convert is refused."""
    if not unit:
        return lambda value: value, ""
    converted = convert(catalogue, database, COMPARISON_SYSTEM, unit, None)
    if converted is None and unit in {row[1] for row in database["conversions"].get(COMPARISON_SYSTEM, [])}:
        converted = unit, 1.0, 0.0  # already a unit of the comparison system
    if converted is None:
        raise Fault(f"Unknown unit: {unit}")
    target, factor, offset = converted
    return lambda value: value * factor + offset, target


class Criterion:
    """One "recordSearchCriterion": the attribute it names and the condition on its value."""

    NUMERIC = ("between", "greaterThan", "lessThan")
    NUMBER_TYPES = ("POIN", "RNGE", "INPT")
    TEXT_TYPES = ("STXT", "LTXT", "HLNK", "DISC", "FILE")
    # condition -> the value types it applies to
    APPLIES_TO = {
        "between": NUMBER_TYPES, "greaterThan": NUMBER_TYPES, "lessThan": NUMBER_TYPES, "betweenDateTimes": ("DTTM",),
        "contains": TEXT_TYPES, "doesNotContain": TEXT_TYPES,
        "tabularColumnContains": ("TABL",), "containsAny": ("DISC",), "containsAll": ("DISC",), "exactly": ("INPT",),
        "exists": None, "doesNotExist": None,
    }

    def __init__(self, request, catalogue, database, element):
        attribute_element = request.own(element, "searchAttribute")
        if attribute_element is None:
            raise Fault("A search criterion names no attribute")
        self.query = AttributeQuery(request, catalogue, attribute_element)
        _, attribute = self.query.resolve()
        holder = request.own(element, "searchValue")
        conditions = [] if holder is None else list(holder)
        if len(conditions) != 1:
            raise Fault(f"The criterion on attribute '{attribute['name']}' holds {len(conditions)} search values, "
                        f"expected one")
        self.condition = conditions[0]
        self.kind = self.condition.tag.rpartition("}")[2]
        if self.condition.tag != f"{{{request.service_ns}}}{self.kind}" or self.kind not in self.APPLIES_TO:
            raise Fault(f"Unknown search value: {self.condition.tag}")
        types = self.APPLIES_TO[self.kind]
        if types is not None and attribute["type"] not in types:
            raise Fault(f"Attribute '{attribute['name']}' holds {attribute['type']} values, "
                        f"which '{self.kind}' does not apply to")
        self.request, self.catalogue, self.database = request, catalogue, database
        reader = self.OPERAND_READERS.get(self.kind)
        if reader is not None:
            reader(self, attribute)

    def _read_numeric(self, attribute):
        """The bounds in the comparison system; a bound without a unit is in the attribute's."""
        ends = {"greaterThan": [("low", self.condition)], "lessThan": [("high", self.condition)],
                "between": [(end, self.request.own(self.condition, end + "End")) for end in ("low", "high")]}
        stored_unit = attribute.get("unit", "")
        self.to_system, system_unit = _to_comparable(self.catalogue, self.database, stored_unit)
        self.low = self.high = None
        for end, element in ends[self.kind]:
            if element is None:
                continue
            unit = element.get(f"{{{self.request.service_ns}}}unit", element.get("unit", "")) or stored_unit
            to_system, bound_unit = _to_comparable(self.catalogue, self.database, unit)
            if bound_unit != system_unit:
                raise Fault(f"The unit '{unit}' does not measure attribute '{attribute['name']}' "
                            f"(held in '{stored_unit}')")
            setattr(self, end, to_system(_number(self.request.text(element), f"The {self.kind} bound")))
        self.strict = self.kind != "between"

    def _read_dates(self, attribute):
        ends = [self.request.text(self.request.own(self.condition, end)) for end in ("lowEnd", "highEnd")]
        self.low, self.high = [_date(text, "A date bound") if text else None for text in ends]

    def _read_column(self, attribute):
        self.column = self.condition.get(f"{{{self.request.service_ns}}}tabularColumn",
                                         self.condition.get("tabularColumn", ""))
        if self.column not in [c["name"] for c in attribute.get("columns", [])]:
            raise Fault(f"Attribute '{attribute['name']}' has no column '{self.column}'")

    def _read_discrete(self, attribute):
        self.values = [self.request.text(v) for v in self.request.own_all(self.condition, "discrete")]
        for value in self.values:
            if value not in attribute.get("discreteValues", []):
                raise Fault(f"'{value}' is no discrete value of attribute '{attribute['name']}'")

    def _read_exactly(self, attribute):
        text = self.request.text(self.condition)
        try:
            self.number = int(text)
        except ValueError:
            raise Fault(f"The exact value '{text}' is not an integer") from None

    # condition -> what reads its operands; the others take theirs as they match
    OPERAND_READERS = {"between": _read_numeric, "greaterThan": _read_numeric, "lessThan": _read_numeric,
                       "betweenDateTimes": _read_dates, "tabularColumnContains": _read_column,
                       "containsAny": _read_discrete, "containsAll": _read_discrete, "exactly": _read_exactly}

    def _in_range(self, low, high):
        """Whether [low, high] (None: open) meets the criterion's bounds."""
        low = float("-inf") if low is None else self.to_system(low)
        high = float("inf") if high is None else self.to_system(high)
        if self.strict:
            return (self.low is None or high > self.low) and (self.high is None or low < self.high)
        return (self.low is None or high >= self.low) and (self.high is None or low <= self.high)

    def matches(self, table, record):
        """How many of the record's values satisfy the criterion; 0 for none."""
        attribute = self.query.in_table(table)
        if attribute is None:  # no record of a table without the attribute satisfies it, not even doesNotExist
            return 0
        value = stored_value(record, attribute)
        if self.kind == "exists" or self.kind == "doesNotExist":
            return int((value is not None) == (self.kind == "exists"))
        if value is None or value.get("notApplicable"):
            return 0
        kind = value["type"]
        if self.kind in self.NUMERIC:
            if kind == "POIN":
                return sum(1 for point in value["points"] if self._in_range(point["value"], point["value"]))
            if kind == "RNGE":
                return int(self._in_range(value.get("low"), value.get("high")))
            return int(self._in_range(value["value"], value["value"]))
        if self.kind == "betweenDateTimes":
            date = _date(value["value"], "A stored date")
            return int((self.low is None or date >= self.low) and (self.high is None or date <= self.high))
        if self.kind in ("contains", "doesNotContain"):
            wanted = self.request.text(self.condition).lower()
            found = sum(text.lower().count(wanted) for text in _value_texts(value))
            return found if self.kind == "contains" else int(not found)
        if self.kind == "tabularColumnContains":
            names = [column["name"] for column in value["columns"]]
            if self.column not in names:
                return 0
            index = names.index(self.column)
            wanted = self.request.text(self.condition).lower()
            cells = [row["cells"][index] for row in value["rows"] if index < len(row["cells"])]
            return sum(1 for cell in cells if cell and any(wanted in text.lower() for text in _value_texts(cell)))
        if self.kind == "exactly":
            return int(value["value"] == self.number)
        held = {text for text, _ in value["values"]}
        hits = len(held & set(self.values))
        return hits if self.kind == "containsAny" or hits == len(set(self.values)) else 0


def criteria_search(request, catalogue, w):
    database = catalogue.database(request.text(request.own(request.element, "dbKey")))
    criteria = [Criterion(request, catalogue, database, element)
                for element in request.own_all(request.element, "recordSearchCriterion")]
    ranked = []
    for table, record in _scope(request, catalogue, database):
        counts = [criterion.matches(table, record) for criterion in criteria]
        ranked.append((sum(counts) if counts and all(counts) else 0, table, record))
    return _response(w, database, ranked, flag(request, request.element, "populateGUIDs"))
