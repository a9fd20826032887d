"""to_dataframe on the sample records, which hold a value of every type."""
import math

import pytest

from conftest import DB, TABLE

pd = pytest.importorskip("pandas")


@pytest.fixture(scope="module")
def frame(reader):
    hits = reader.search.record_name(DB, TABLE, "*")
    table = next(t for t in reader.browse.tables(DB, selectors=["NonMetaAttributes"]) if t.name == TABLE)
    return reader.data.values(DB, hits, table.attributes, binary="url").to_dataframe()


def test_every_value_type_has_its_cells(frame):
    density = frame.loc[1001, "Density [kg/m^3]"]  # points at several temperatures: a nested frame
    assert list(density.columns) == ["value", "Temperature"] and 7900 in list(density["value"])
    expectations = {
        "Density [kg/m^3]": lambda v: isinstance(v, float),
        "Yield strength low [MPa]": lambda v: isinstance(v, float),
        "Yield strength high [MPa]": lambda v: isinstance(v, float) or v is None,
        "Stress-strain curve [MPa]": lambda v: isinstance(v, pd.DataFrame) and {"x", "y"} <= set(v.columns),
        "Composition": lambda v: isinstance(v, pd.DataFrame) and len(v.columns) > 0,
        "Date tested": lambda v: isinstance(v, pd.Timestamp),
        "Material family": lambda v: isinstance(v, str),
        "Corrosion resistance": lambda v: isinstance(v, str),
        "RoHS compliant": lambda v: isinstance(v, bool),
        "Number of tests": lambda v: v == int(v),
        "Supplier website": lambda v: v.startswith("http"),
        "Datasheet": lambda v: isinstance(v, (str, bytes)),
    }
    for column, check in expectations.items():
        matches = [name for name in frame.columns if name == column or name.startswith(column.split(" [")[0])]
        assert matches, f"no column {column}: {list(frame.columns)}"
        values = [v for v in frame[matches[0]] if v is not None and not (isinstance(v, float) and math.isnan(v))]
        assert values and any(check(v) for v in values), (column, values[:3])


def test_units_as_attrs_keep_attribute_names(reader):
    frame = reader.data.values(DB, [1001], ["Density"], table=TABLE).to_dataframe(units="attrs")
    assert list(frame.columns) == ["Density"] and frame.attrs["units"] == {"Density": "kg/m^3"}
