"""Record data as pandas tables (pandas is imported only here, when a frame is asked for).

Rows are records (indexed by record identity), columns attributes. How each kind of value
becomes cells:

- point: a float (the value of a single point, whatever parameter values it was measured
  at); several points: a nested frame of the points with one column per parameter
- range: two float columns, "NAME low" and "NAME high"
- integer, logical, text: the value; date: a pandas Timestamp where the text parses
- discrete: the text (several values joined with ", "); hyperlink: the URL
- file and picture: the URL, else the file name or the inline bytes
- table, functional series and grid: a nested frame
- list: a list of the items' cells; linked records: a list of record names
- not applicable, or no value: missing (None / NaN)

With units="columns" a unit goes into the column name ("Density [kg/m^3]"); with
units="attrs" the column keeps the attribute's name and frame.attrs["units"] maps columns
to units.
"""
from __future__ import annotations

from . import types as t


def _pandas():
    try:
        import pandas
    except ImportError as error:  # pragma: no cover - pandas is an optional dependency
        raise ImportError("to_dataframe needs pandas (Debian: python3-pandas)") from error
    return pandas


def _timestamp(pd, text):
    try:
        return pd.Timestamp(text)
    except (ValueError, TypeError):
        return text


def _points_frame(pd, value):
    rows = [{"value": item.value, **item.parameters} for item in value.points]
    return pd.DataFrame(rows, columns=["value"] + [p.name for p in value.parameters] if value.parameters else None)


def cell(value, pd=None):
    """The one cell a value makes (ranges give a (low, high) pair)."""
    pd = pd or _pandas()
    if value is None or getattr(value, "not_applicable", False):
        return None
    if isinstance(value, t.Point):
        if len(value.points) == 1:
            return float(value.points[0].value)
        return _points_frame(pd, value)
    if isinstance(value, t.Range):
        return (value.low, value.high)
    if isinstance(value, t.Scalar):
        return _timestamp(pd, value.value) if value.type == "DTTM" else value.value
    if isinstance(value, t.Discrete):
        return ", ".join(value.values)
    if isinstance(value, t.Hyperlink):
        return value.url
    if isinstance(value, t.File):
        return value.url or value.file_name or value.data
    if isinstance(value, t.Picture):
        return value.url or value.data
    if isinstance(value, t.Table):
        rows = [[cell(item, pd) for item in row.cells] for row in value.rows]
        return pd.DataFrame(rows, columns=[column.name for column in value.columns])
    if isinstance(value, t.Series):
        return pd.DataFrame([{"series": index, "x": point.x, "y": point.y, "low_y": point.low_y,
                              "high_y": point.high_y, "estimated": point.estimated, **line.constraints}
                             for index, line in enumerate(value.series) for point in line.points])
    if isinstance(value, t.Grid):
        return pd.DataFrame([{"value": item.value, "low": item.low, "high": item.high, "estimated": item.estimated,
                              **item.constraints} for item in value.values])
    if isinstance(value, t.ListValue):
        return [cell(item.value, pd) for item in value.items]
    if isinstance(value, t.LinkedRecords):
        return [record.name for group in value.groups for record in group.records]
    return None




def to_dataframe(records, *, units: str = "columns"):
    """The records of a value read as a DataFrame (see the module's description)."""
    if units not in ("columns", "attrs"):
        raise ValueError('units is "columns" or "attrs"')
    pd = _pandas()
    rows, index, column_units, order = [], [], {}, []

    def put(row, name, unit, item):
        column = f"{name} [{unit}]" if unit and units == "columns" else name
        if column not in column_units:
            column_units[column] = unit
            order.append(column)
        row[column] = item

    for record in records:
        row = {}
        for item in record.values:
            value = item.value
            unit = getattr(value, "unit", None)
            made = cell(value, pd)
            if isinstance(value, t.Range):
                low, high = made if made is not None else (None, None)
                put(row, item.attribute + " low", unit, low)
                put(row, item.attribute + " high", unit, high)
            else:
                put(row, item.attribute, unit, made)
        rows.append(row)
        index.append(record.record.identity if record.record.identity else record.record.guid)
    frame = pd.DataFrame(rows, index=pd.Index(index, name="record"), columns=order)
    for column in order:
        if column_units[column] is not None and frame[column].map(lambda v: v is None or isinstance(v, float)).all():
            frame[column] = frame[column].astype(float)
    frame.attrs["units"] = {column: unit for column, unit in column_units.items() if unit}
    return frame
