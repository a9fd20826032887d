"""Attribute values of the sample data, written in the server's XML forms.

A value in the data file is a JSON object with a "type" code (as the server names data
types) and the fields of that type; render() gives the element the server sends it in."""

import base64

from soap import element

ATTRIBUTE_ELEMENTS = {
    "INPT": "IntegerDataValue", "RNGE": "RangeDataValue", "POIN": "PointDataValue", "TABL": "TabularDataValue",
    "LOGI": "LogicalDataValue", "STXT": "ShortTextDataValue", "LTXT": "LongTextDataValue",
    "HLNK": "HyperlinkDataValue", "DISC": "DiscreteDataValue", "DTTM": "DateDataValue", "FILE": "FileDataValue",
    "PICT": "PictureDataValue", "FLOAT_FUNCTIONAL_SERIES": "FloatFunctionalSeriesDataValue",
    "FLOAT_FUNCTIONAL_GRIDDED": "FloatFunctionalGriddedDataValue",
}
# Inside tabular cells and list items values arrive under short names.
SHORT_ELEMENTS = {
    "INPT": "Integer", "RNGE": "Range", "POIN": "Point", "LOGI": "Logical", "STXT": "ShortText",
    "LTXT": "LongText", "HLNK": "Hyperlink", "DISC": "Discrete", "DTTM": "Date", "FILE": "File",
    "PICT": "Picture", "LIST": "List", "EMPT": "Empty",
}


def _number(value):
    return repr(float(value))


def _bool(value):
    return "true" if value else "false"


def _common(value):
    attributes = {}
    if "version" in value:
        attributes["dataVersionNumber"] = value["version"]
    if value.get("notApplicable"):
        attributes["isNotApplicable"] = "true"
    return attributes


def _parameter_reference(parameter):
    return [element("dbKey", text=parameter.get("dbKey", "DORSA_SAMPLES")),
            element("parameterIdentity", text=parameter.get("id", 0)), element("name", text=parameter["name"])]


def _parameter_value(value, name="ParameterValue"):
    if isinstance(value, str):
        return element(name, element("Value", text=value), xsi__type="DiscreteParameterValue")
    return element(name, element("Value", text=_number(value)), xsi__type="NumericParameterValue")


def _parameters(parameters):
    return element("Parameters", *[
        element("Parameter", element("ParameterReference", *_parameter_reference(p)), element("Name", text=p["name"]),
                element("Unit", element("UnitName", text=p.get("unitName", p.get("unit", ""))),
                        element("UnitSymbol", text=p.get("unit", ""))))
        for p in parameters])


def _constraints(constraints):
    return element("Constraints", *[
        element("Constraint", element("Parameter", *_parameter_reference(c)), _parameter_value(c["value"]),
                element("Label", text=c.get("label", "")))
        for c in constraints])


def _unitted(value):
    return [element("Estimated", text=_bool(value.get("estimated"))), element("UnitSymbol", text=value.get("unit", ""))]


def _range(value):
    low = _number(value["low"]) if value.get("low") is not None else "NaN"
    high = _number(value["high"]) if value.get("high") is not None else "NaN"
    return _unitted(value) + [element("LowValue", text=low), element("HighValue", text=high)]


def _point(value):
    points = [element("Point", element("Value", text=_number(p["value"])),
                      element("ValueParameters", *[
                          element("ParameterWithValue", element("Parameter", *_parameter_reference(c)),
                                  _parameter_value(c["value"]))
                          for c in p.get("parameters", [])]))
              for p in value["points"]]
    return _unitted(value) + points + [_parameters(value.get("parameters", []))]


def binary_content(value):
    """The bytes of a file or picture value, or None: the sample data holds them as text,
    imported values in Base64."""
    if "contentBase64" in value:
        return base64.b64decode(value["contentBase64"])
    return value["content"].encode() if "content" in value else None


def _binary(value):
    # A value sent by URL carries no content: the client fetches it from the URL.
    children = [element("contentType", text=value.get("contentType", ""))]
    content = binary_content(value)
    if content is not None:
        children.append(element("data", text=base64.b64encode(content).decode()))
    if "url" in value:
        children.append(element("URL", text=value["url"]))
    if value["type"] == "FILE":
        children += [element("fileName", text=value.get("fileName", "")),
                     element("description", text=value.get("description", ""))]
    return children


def _tabular_row(row, name="row"):
    cells = [element("TabularDataCell", render(cell, short=True) if cell else "") for cell in row.get("cells", [])]
    linked = [element("LinkedRecords", *[element("LinkedRecord", element("dbKey", text=r["dbKey"]),
                                                 element("identity", element("recordHistoryIdentity",
                                                                             text=r["identity"])))
                                         for r in row.get("linkedRecords", [])],
                      linkingValue=row.get("linkingValue", ""))] if row.get("linkedRecords") else []
    attributes = {"identity": row["identity"]} if "identity" in row else {}
    return element(name, *linked, element("Cells", *cells), **attributes)


def _tabular(value):
    columns = element("columns", *[element("column", text=c["name"], columnType=c.get("type", "Local"))
                                   for c in value["columns"]])
    rows = element("rows", *[_tabular_row(row) for row in value["rows"]])
    return [columns, rows, _tabular_row(value.get("summary", {"cells": []}), "summaryRow")]


def _series(value):
    series = []
    for s in value["series"]:
        points = []
        for point in s["points"]:
            x = _parameter_value(point[0], "X")
            if len(point) == 3:
                points.append(element("XYPoint", x, element("Estimated", text="false"),
                                      element("LowerY", text=_number(point[1])),
                                      element("UpperY", text=_number(point[2])), xsi__type="XYRange"))
            else:
                points.append(element("XYPoint", x, element("Estimated", text="false"),
                                      element("Y", text=_number(point[1])), xsi__type="XYPoint"))
        series.append(element("Series", _constraints(s.get("constraints", [])), element("XYPoints", *points),
                              decoration=s.get("decoration", "Lines")))
    x_axis = next(p for p in value["parameters"] if p["name"] == value["xAxis"])
    graph = element("Graph", *series,
                    element("XAxisParameter", element("ParameterReference", *_parameter_reference(x_axis)),
                            element("Name", text=x_axis["name"])),
                    HideGraph="false", LogarithmicYAxis=_bool(value.get("logarithmic")))
    return [element("Unit", element("UnitName", text=value.get("unitName", "")),
                    element("UnitSymbol", text=value.get("unit", ""))), _parameters(value["parameters"]), graph]


def _gridded(value):
    values = []
    for v in value["values"]:
        if "low" in v:
            content = [element("Low", text=_number(v["low"])), element("High", text=_number(v["high"]))]
            kind = "FloatFunctionalRangedValue"
        else:
            content = [element("Value", text=_number(v["value"]))]
            kind = "FloatFunctionalPointValue"
        values.append(element("Value", _constraints(v.get("constraints", [])),
                              element("Estimated", text=_bool(v.get("estimated"))), *content, xsi__type=kind))
    return [element("Unit", element("UnitSymbol", text=value.get("unit", ""))), _parameters(value["parameters"]),
            element("Values", *values)]


def _children(value):
    kind = value["type"]
    if kind in ("INPT", "LOGI", "STXT", "LTXT", "DTTM"):
        text = _bool(value["value"]) if kind == "LOGI" else value["value"]
        return [], text
    if kind == "HLNK":
        return [element("Value", text=value["value"]), element("Description", text=value.get("description", ""))], None
    if kind == "DISC":
        return [element("Discrete", text=v[0], order=v[1]) for v in value["values"]], None
    if kind == "RNGE":
        return _range(value), None
    if kind == "POIN":
        return _point(value), None
    if kind in ("FILE", "PICT"):
        return _binary(value), None
    if kind == "TABL":
        return _tabular(value), None
    if kind == "LIST":
        return [element("listItem", render(item, short=True), sourceRecordHistoryId=item.get("source", 0))
                for item in value["items"]], None
    if kind == "FLOAT_FUNCTIONAL_SERIES":
        return _series(value), None
    if kind == "FLOAT_FUNCTIONAL_GRIDDED":
        return _gridded(value), None
    if kind == "EMPT":
        return [], None
    raise ValueError(f"unknown value type {kind}")


def render(value, short=False, prefix=""):
    """The element the server sends `value` in: under an attribute, or with `short`
    inside a tabular cell or list item."""
    name = prefix + (SHORT_ELEMENTS if short else ATTRIBUTE_ELEMENTS)[value["type"]]
    children, text = _children(value)
    attributes = _common(value) if value["type"] not in ("FILE", "PICT", "TABL", "LIST", "EMPT") else {}
    if value["type"] == "FLOAT_FUNCTIONAL_GRIDDED" and "decoration" in value:
        attributes["decoration"] = value["decoration"]
    return element(name, *children, text=text, **attributes)


def render_attribute(attribute, name="attribute"):
    """One attribute of a record as record data carries it, in an element called `name`;
    an attribute without "id" (a pseudo attribute) is sent without an identity."""
    identity = [element("AttributeIdentity", text=attribute["id"])] if "id" in attribute else []
    return element(name, element("AttributeName", text=attribute["name"]), *identity, render(attribute["value"]))
