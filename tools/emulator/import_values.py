"""Attribute values as imports send them, turned into the form the data file stores.

An import value arrives in the element the client names after the type ("zbt:RangeDataValue",
"zbt:TabularDataImportValue", ...) with the same children as the server's own form, in
the base-types namespace. read_value() gives the stored value, the one values.render()
writes back; anything it cannot store raises BadValue with the reason."""

import base64
import binascii

from soap import SCHEMA_INSTANCE
from values import ATTRIBUTE_ELEMENTS, SHORT_ELEMENTS

TYPES_BY_ELEMENT = {name: code for code, name in ATTRIBUTE_ELEMENTS.items()}
TYPES_BY_ELEMENT["TabularDataImportValue"] = "TABL"
TYPES_BY_CELL_ELEMENT = {name: code for code, name in SHORT_ELEMENTS.items()}
TABULAR_CHANGES = ("InsertBefore", "Append", "Update", "Delete")


class BadValue(Exception):
    """A value the emulator refuses to store."""


class ValueReader:
    """Reads import values of one request, whose base-types namespace is `base_ns`."""

    def __init__(self, base_ns, parameters):
        self.ns = base_ns
        # The database's parameters by identity, to name those a value refers to.
        self.parameters = parameters

    # Finding

    def local(self, element):
        return element.tag.rpartition("}")[2]

    def child(self, parent, local):
        return None if parent is None else parent.find(f"{{{self.ns}}}{local}")

    def children(self, parent, local):
        return [] if parent is None else parent.findall(f"{{{self.ns}}}{local}")

    def text(self, parent, local, default=""):
        element = self.child(parent, local)
        return default if element is None or element.text is None else element.text

    def attribute(self, element, local, default=""):
        return element.get(f"{{{self.ns}}}{local}", element.get(local, default))

    def number(self, parent, local):
        text = self.text(parent, local, "0")
        try:
            return float(text)
        except ValueError:
            raise BadValue(f"'{text}' in {local} is no number") from None

    def flag(self, text):
        return text.strip().lower() in ("true", "1", "t", "yes", "y")

    # Shared parts

    def parameter(self, reference):
        """A parameter reference as stored values name it: identity, name and unit."""
        identity = self.text(reference, "parameterIdentity", "0")
        name = self.text(reference, "name")
        for parameter in self.parameters.values():
            if (identity != "0" and str(parameter["id"]) == identity) or (identity == "0" and parameter["name"] == name):
                return {"id": parameter["id"], "name": parameter["name"], "unit": parameter["unit"],
                        "unitName": parameter.get("unitName", "")}
        raise BadValue(f"unknown parameter {identity if identity != '0' else repr(name)}")

    def parameter_value(self, element):
        kind = element.get(f"{{{SCHEMA_INSTANCE}}}type", "")
        text = self.text(element, "Value")
        if kind.endswith("DiscreteParameterValue"):
            return text
        try:
            return float(text)
        except ValueError:
            raise BadValue(f"parameter value '{text}' is no number") from None

    def parameters_of(self, element):
        return [self.parameter(self.child(p, "ParameterReference")) for p in self.children(element, "Parameter")]

    def parameter_with_value(self, element, parameter_name="Parameter", value_name="ParameterValue"):
        parameter = self.parameter(self.child(element, parameter_name))
        value = self.child(element, value_name)
        if value is None:
            raise BadValue(f"parameter {parameter['name']} has no value")
        return dict(parameter, value=self.parameter_value(value))

    def constraints(self, element):
        return [self.parameter_with_value(c) for c in self.children(self.child(element, "Constraints"), "Constraint")]

    def unit(self, element):
        unit = self.child(element, "Unit")
        return self.text(unit, "UnitSymbol"), self.text(unit, "UnitName")

    # The types

    def _text(self, element, kind):
        text = element.text or ""
        if kind == "INPT":
            try:
                return {"value": int(text)}
            except ValueError:
                raise BadValue(f"'{text}' is no integer") from None
        if kind == "LOGI":
            return {"value": self.flag(text)}
        return {"value": text}

    def _hyperlink(self, element, kind):
        return {"value": self.text(element, "Value"), "description": self.text(element, "Description")}

    def _discrete(self, element, kind):
        values = []
        for choice in self.children(element, "Discrete"):
            order = self.attribute(choice, "order", "0")
            try:
                values.append([choice.text or "", int(order)])
            except ValueError:
                raise BadValue(f"discrete order '{order}' is no integer") from None
        return {"values": values}

    def _unitted(self, element):
        return {"unit": self.text(element, "UnitSymbol"), "estimated": self.flag(self.text(element, "Estimated"))}

    def _range(self, element, kind):
        value = self._unitted(element)
        for end, local in (("low", "LowValue"), ("high", "HighValue")):
            text = self.text(element, local, "NaN")
            value[end] = None if text.strip().lower() == "nan" else self.number(element, local)
        return value

    def _point(self, element, kind):
        value = self._unitted(element)
        value["parameters"] = self.parameters_of(self.child(element, "Parameters"))
        value["points"] = [{"value": self.number(p, "Value"),
                            "parameters": [self.parameter_with_value(v) for v in
                                           self.children(self.child(p, "ValueParameters"), "ParameterWithValue")]}
                           for p in self.children(element, "Point")]
        if not value["points"]:
            raise BadValue("a point value needs at least one point")
        return value

    def _binary(self, element, kind):
        try:
            content = base64.b64decode(self.text(element, "data"), validate=True)
        except binascii.Error:
            raise BadValue("the file data is not Base64") from None
        value = {"contentType": self.text(element, "contentType"),
                 "contentBase64": base64.b64encode(content).decode()}
        if kind == "FILE":
            value.update(fileName=self.text(element, "fileName"), description=self.text(element, "description"))
        return value

    def _series(self, element, kind):
        unit, unit_name = self.unit(element)
        parameters = self.parameters_of(self.child(element, "Parameters"))
        graph = self.child(element, "Graph")
        axis = self.child(self.child(graph, "XAxisParameter"), "ParameterReference")
        x_axis = self.parameter(axis)["name"] if axis is not None else (parameters[0]["name"] if parameters else "")
        if x_axis not in [p["name"] for p in parameters]:
            raise BadValue("a functional series needs its x-axis among its parameters")
        series = []
        for one in self.children(graph, "Series"):
            points = []
            for point in self.children(self.child(one, "XYPoints"), "XYPoint"):
                x = self.parameter_value(self.child(point, "X"))
                if self.child(point, "LowerY") is not None:
                    points.append([x, self.number(point, "LowerY"), self.number(point, "UpperY")])
                else:
                    points.append([x, self.number(point, "Y")])
            series.append({"constraints": self.constraints(one), "points": points,
                           "decoration": self.attribute(one, "decoration", "Lines") or "Lines"})
        logarithmic = graph is not None and self.flag(self.attribute(graph, "LogarithmicYAxis", "false"))
        return {"unit": unit, "unitName": unit_name, "parameters": parameters, "xAxis": x_axis, "series": series,
                "logarithmic": logarithmic}

    def _gridded(self, element, kind):
        unit, _ = self.unit(element)
        values = []
        for item in self.children(self.child(element, "Values"), "Value"):
            entry = {"constraints": self.constraints(item), "estimated": self.flag(self.text(item, "Estimated"))}
            if self.child(item, "Low") is not None:
                entry.update(low=self.number(item, "Low"), high=self.number(item, "High"))
            else:
                entry["value"] = self.number(item, "Value")
            values.append(entry)
        value = {"unit": unit, "parameters": self.parameters_of(self.child(element, "Parameters")), "values": values}
        decoration = self.attribute(element, "decoration")
        if decoration and decoration != "Unspecified":
            value["decoration"] = decoration
        return value

    READERS = {"INPT": _text, "LOGI": _text, "STXT": _text, "LTXT": _text, "DTTM": _text, "HLNK": _hyperlink,
               "DISC": _discrete, "RNGE": _range, "POIN": _point, "FILE": _binary, "PICT": _binary,
               "FLOAT_FUNCTIONAL_SERIES": _series, "FLOAT_FUNCTIONAL_GRIDDED": _gridded}

    def scalar(self, element, kind):
        reader = self.READERS.get(kind)
        if reader is None or kind in ("FLOAT_FUNCTIONAL_SERIES", "FLOAT_FUNCTIONAL_GRIDDED"):
            raise BadValue(f"{self.local(element)} cannot be stored in a table cell")
        return dict(reader(self, element, kind), type=kind)

    # Tabular values: all rows at once, or changes to the rows the record holds

    def _row(self, element, columns):
        cells = [None] * len(columns)
        for cell in self.children(self.child(element, "Cells"), "Cell"):
            name = self.attribute(cell, "columnName")
            if name not in columns:
                raise BadValue(f"the table has no column '{name}'")
            content = next(iter(cell), None)
            kind = TYPES_BY_CELL_ELEMENT.get(self.local(content)) if content is not None else None
            if kind is None:
                raise BadValue(f"the cell of column '{name}' holds no value the emulator knows")
            cells[columns.index(name)] = self.scalar(content, kind)
        row = {"cells": cells}
        if self.attribute(element, "linkingValue"):
            row["linkingValue"] = self.attribute(element, "linkingValue")
        return row

    def tabular(self, element, attribute, current):
        """The stored table: the rows sent, or `current` (the record's table, may be None) changed."""
        if current is not None:
            table = {"type": "TABL", "columns": current["columns"], "rows": [dict(r) for r in current["rows"]]}
            if "summary" in current:
                table["summary"] = current["summary"]
        else:
            table = {"type": "TABL", "rows": [],
                     "columns": [dict({"name": c["name"]}, **({"type": c["columnType"]} if "columnType" in c else {}))
                                 for c in attribute.get("columns", []) if c["kind"] != "unavailable"]}
        names = [c["name"] for c in table["columns"]]
        rows = self.child(element, "Rows")
        if rows is not None:
            table["rows"] = [self._row(r, names) for r in self.children(rows, "Row")]
        changes = self.child(element, "Changes")
        for change in (list(changes) if changes is not None else []):
            self._apply_change(table, self.local(change), change, names)
        next_identity = max([r.get("identity", 0) for r in table["rows"]] + [0]) + 1
        for row in table["rows"]:
            if "identity" not in row:
                row["identity"] = next_identity
                next_identity += 1
        return table

    def _apply_change(self, table, kind, change, names):
        if kind not in TABULAR_CHANGES:
            raise BadValue(f"'{kind}' is no change of a table")
        identity = self.attribute(change, "rowIdentity")
        if kind == "Append":
            table["rows"].append(self._row(change, names))
            return
        position = next((i for i, r in enumerate(table["rows"]) if str(r.get("identity")) == identity), None)
        if position is None:
            raise BadValue(f"the table has no row {identity or '(no identity)'}")
        if kind == "Delete":
            del table["rows"][position]
        elif kind == "Update":
            table["rows"][position] = dict(self._row(change, names), identity=table["rows"][position]["identity"])
        else:
            table["rows"].insert(position, self._row(change, names))

    def read(self, element, attribute, current):
        """The stored value `element` carries for `attribute`; `current` is what the record holds."""
        kind = TYPES_BY_ELEMENT.get(self.local(element))
        if kind is None:
            raise BadValue(f"{self.local(element)} is no value the emulator can import")
        if kind != attribute["type"]:
            raise BadValue(f"attribute '{attribute['name']}' holds {attribute['type']} values, not {kind}")
        if kind == "TABL":
            return self.tabular(element, attribute, current if current and current["type"] == "TABL" else None)
        value = dict(self.READERS[kind](self, element, kind), type=kind)
        if kind == "DISC":
            for text, _ in value["values"]:
                if text not in attribute.get("discreteValues", []):
                    raise BadValue(f"'{text}' is no discrete value of attribute '{attribute['name']}'")
        return value
