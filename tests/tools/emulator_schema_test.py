"""The checks of the emulator's data file: one table of broken files, each refused at start with
one line that names the first misfit, and the published JSON Schema, current and in step with
the checks on the shapes it covers."""

import contextlib
import json
import os
import subprocess
import sys
import tempfile
import unittest

from emulator_process import DELETE, EMULATOR, changed, sample_data

sys.path.insert(0, os.path.dirname(os.path.abspath(EMULATOR)))
import data_file  # noqa: E402
import data_schema  # noqa: E402

try:
    import jsonschema
except ImportError:  # the schema can still be checked for being current
    jsonschema = None

SAMPLE = sample_data()
TABLE = ["databases", 0, "tables", 0]
T0 = "databases[0].tables[0]"
RECORDS = T0 + ".records"
AT = RECORDS + "[0].attributes"
L0 = "databases[0].linkGroups"
VALUES = TABLE + ["records", 0, "attributes"]
COMPOSITION = VALUES + [4, "value"]
LINKS = ["databases", 0, "linkGroups"]
EXPORTER = ["exporters", 3]
ONE_OF = "expected one of "  # a message that ends so is the start of the one line: the list follows
DYNAMIC = L0 + "[1] is dynamic: it has a 'match' and neither 'links' nor 'linkNotes'"
# A copy of DS-22 in the Suppliers table, under its own identity.
SECOND_1004 = dict(SAMPLE["databases"][0]["tables"][0]["records"][8], parent=3000, subsets=[], attributes=[])

# Path in the data, the value put there (DELETE: the item is removed; the index after a list's
# end: appended), the one line the emulator stops with, and whether the schema refuses the file
# too (False: a misfit between parts, which only the emulator sees).
BROKEN = [
    (["databases"], DELETE, "the top level has no 'databases'", True),
    (["databases", 1, "tables", 0, "name"], DELETE, "databases[1].tables[0] has no 'name'", True),
    (["databases", 0, "key"], DELETE, "databases[0] has no 'key'", True),
    (["databases", 1, "conversions"], DELETE, "databases[1] has no 'conversions'", True),
    (["databases", 0, "units", 1, "hasCurrency"], DELETE, "databases[0].units[1] has no 'hasCurrency'", True),
    (["databases", 0, "tables", 1, "subsets", 1, "id"], DELETE, "databases[0].tables[1].subsets[1] has no 'id'", True),
    (TABLE + ["records", 1, "attributes", 0, "value"], DELETE, f"{RECORDS}[1].attributes[0] has no 'value'", True),
    (["currencies", 2, "factor"], DELETE, "currencies[2] has no 'factor'", True),
    (["currencies", 0, "factor"], True, "currencies[0].factor is true or false, expected an integer or a number", True),
    (["databases", 0, "tables", 1, "id"], "two", "databases[0].tables[1].id is a string, expected an integer", True),
    (TABLE + ["records", 0, "identity"], "1001", f"{RECORDS}[0].identity is a string, expected an integer", True),
    (["databases", 0, "units", 0, "hasCurrency"], 0,
     "databases[0].units[0].hasCurrency is an integer, expected true or false", True),
    (["databases", 1, "tables"], {}, "databases[1].tables is an object, expected an array", True),
    (["databases", 0, "conversions", "SI", 0], ["MPa", "Pa", 1e6],
     "databases[0].conversions['SI'][0] has 3 items, expected 4", True),
    (["databases", 1, "tables", 0, "filters", 1], "NoSuchTablesOnly", "databases[1].tables[0].filters[1] is "
     "'NoSuchTablesOnly', " + ONE_OF, True),
    (TABLE + ["attributes", 0, "type"], "PNT", f"{T0}.attributes[0].type is 'PNT', " + ONE_OF, True),
    (TABLE + ["attributes", 3, "parameters", 1], 70, f"{T0}.attributes[3].parameters[1] is 70, "
     "which is no parameter of database DORSA_SAMPLES", False),
    (TABLE + ["attributes", 0, "metaAttributes", 0], 102, f"{T0}.attributes[0].metaAttributes[0] "
     "is 102, which is no meta-attribute of table Alloys and Polymers", False),
    (TABLE + ["attributes", 1, "unit"], "furlong",
     f"{T0}.attributes[1].unit is 'furlong', which is no unit of database DORSA_SAMPLES", False),
    (TABLE + ["attributes", 4, "columns", 2, "kind"], "remote",
     f"{T0}.attributes[4].columns[2].kind is 'remote', expected one of local, target, unavailable", True),
    (TABLE + ["attributes", 1, "id"], 101, f"{T0}.attributes[1].id is 101, which attribute "
     "'Density' of database DORSA_SAMPLES has too", False),
    (TABLE + ["records", 0, "attributes", 6, "value", "type"], "LTXT", f"{RECORDS}[0]."
     "attributes[6].value.type is 'LTXT', but attribute 'Material family' holds STXT values", False),
    (TABLE + ["records", 1, "attributes", 4, "value", "values", 1, 0], "Fair", f"{RECORDS}[1]."
     "attributes[4].value.values[1] is 'Fair', which is no discrete value of attribute 'Corrosion resistance'", False),
    (TABLE + ["records", 2, "subsets", 0], 21,
     f"{RECORDS}[2].subsets[0] is 21, which is no subset of table Alloys and Polymers", False),
    (TABLE + ["records", 0, "metaAttributes", 0, "about"], 103, f"{RECORDS}[0].metaAttributes[0]"
     ".about is 103, which is no attribute that 'Data source notes' describes", False),
    (TABLE + ["records", 0, "historyGuid"], 7, f"{RECORDS}[0].historyGuid is an integer, expected a string", True),
    (TABLE + ["records", 0, "metaAttributes", 0, "value", "value"], DELETE,
     f"{RECORDS}[0].metaAttributes[0].value has no 'value'", True),
    (TABLE + ["records", 4, "parent"], 1001.5, f"{RECORDS}[4].parent is a number, expected an integer", True),
    (TABLE + ["records", 4, "color"], "Mauve", f"{RECORDS}[4].color is 'Mauve', expected "
     "one of Black, Blue, Green, Grey, Orange, Red, Violet, Yellow", True),
    (TABLE + ["records", 4, "parent"], 3001,
     f"{RECORDS}[4].parent is 3001, which is no record of table Alloys and Polymers", False),
    (TABLE + ["records", 4, "parent"], 1110,
     f"{RECORDS}[0].parent leads into a cycle: the tree has no way up to its root", False),
    (TABLE + ["records", 4, "parent"], DELETE, f"{T0} has 2 records without a parent, expected one root", False),
    (["databases", 0, "tables", 2, "records", 5], SECOND_1004, "databases[0].tables[2].records[5].identity is 1004, "
     "which record 'Dorsa steel DS-22, cold worked' has too", False),
    (TABLE + ["records", 0, "history", 0, "state"], "Unreleased",
     f"{RECORDS}[0].history[0].state is 'Unreleased', expected one of Released, Superseded, Withdrawn", True),
    (["databases", 0, "parameters", 0, "scaleType"], "Cubic",
     "databases[0].parameters[0].scaleType is 'Cubic', expected one of Linear, Log, NotSet", True),
    (["databases", 0, "parameters", 1, "values", 0], [0],
     "databases[0].parameters[1].values[0] is an array, expected an integer or a number or a string", True),
    (["databases", 0, "profiles", 0, "subsets", 0], 99,
     "databases[0].profiles[0].subsets[0] is 99, which is no subset of database DORSA_SAMPLES", False),
    (VALUES + [10, "value", "values"], DELETE, f"{AT}[10].value has no 'values'", True),
    (VALUES + [10, "value", "values", 0], ["Good"], f"{AT}[10].value.values[0] has 1 items, expected 2", True),
    (VALUES + [0, "value", "points"], DELETE, f"{AT}[0].value has no 'points'", True),
    (VALUES + [0, "value", "points", 0, "value"], "7900",
     f"{AT}[0].value.points[0].value is a string, expected an integer or a number", True),
    (VALUES + [1, "value", "low"], DELETE, f"{AT}[1].value has no 'low'", True),
    (VALUES + [1, "value"], {"type": "RNGE", "high": 210.0}, f"{AT}[1].value has no 'low'", True),
    (VALUES + [12, "value", "value"], True, f"{AT}[12].value.value is true or false, expected an integer", True),
    (VALUES + [3, "value", "series"], DELETE, f"{AT}[3].value has no 'series'", True),
    (VALUES + [3, "value", "xAxis"], "Time", f"{AT}[3].value.xAxis is 'Time', which is none of the value's "
     "parameters", False),
    (VALUES + [3, "value", "series", 0, "points", 1], [0.2],
     f"{AT}[3].value.series[0].points[1] is [0.2], expected [x, y] or [x, lower y, upper y]", False),
    (VALUES + [3, "value", "series", 0, "constraints", 0, "name"], DELETE,
     f"{AT}[3].value.series[0].constraints[0] has no 'name'", True),
    (VALUES + [14, "value", "values", 0, "value"], DELETE,
     f"{AT}[14].value.values[0] has neither a 'value' nor a 'low' and a 'high'", False),
    (COMPOSITION + ["rows", 0, "cells"], [{"type": "STXT", "value": "Fe"}, None, None, {"type": "EMPT"}],
     f"{AT}[4].value.rows[0].cells has 4 cells, but the table has 3 columns", False),
    (COMPOSITION + ["rows", 0, "cells", 0], "Fe", f"{AT}[4].value.rows[0].cells[0] is a string, expected an object",
     True),
    (COMPOSITION + ["rows", 0, "cells", 0, "value"], DELETE, f"{AT}[4].value.rows[0].cells[0] has no 'value'", True),
    (COMPOSITION + ["rows", 1, "cells", 2, "items", 1, "type"], "TABL",
     f"{AT}[4].value.rows[1].cells[2].items[1].type is 'TABL', " + ONE_OF, True),
    (COMPOSITION + ["rows", 1, "cells", 2, "items", 0, "source"], "2001",
     f"{AT}[4].value.rows[1].cells[2].items[0].source is a string, expected an integer", True),
    (COMPOSITION + ["rows", 0], {"identity": 1}, f"{AT}[4].value.rows[0] has no 'cells'", True),
    (LINKS + [0, "to"], 9, f"{L0}[0].to is 9, which is no table of database DORSA_SAMPLES", False),
    (LINKS + [0, "links", 6], [1001, 4001],
     f"{L0}[0].links[6] names 4001, which is no record of table Suppliers", False),
    (LINKS + [1, "reverse", "id"], 61, f"{L0}[1].reverse.id is 61, which another link group has too", False),
    (LINKS + [0, "linkNotes"], [{"link": [1001, 3002], "notes": "", "reverseNotes": ""}],
     f"{L0}[0].linkNotes[0].link is [1001, 3002], which the group does not list", False),
    (LINKS + [1, "links"], [], DYNAMIC, False),
    (LINKS + [1, "linkNotes"], [], DYNAMIC, False),
    (LINKS + [1, "match", "to"], 107, f"{L0}[1].match.to is 107, which is no attribute of table Standards", False),
    (LINKS + [0, "match"], {"from": 107, "to": 601}, f"{L0}[0] is static: its links are listed, not matched", False),
    (EXPORTER + ["format"], "xml", "exporters[3].format is 'xml', expected one of card, csv, json", True),
    (EXPORTER + ["attributes", 0, "name"], "Colour",
     "exporters[3].attributes[0].name is 'Colour', which no database of the exporter has", False),
    (EXPORTER + ["attributes", 0, "parameters", 0, "parameter"], 70, "exporters[3].attributes[0].parameters[0]."
     "parameter is 70, which is no parameter of database DORSA_SAMPLES", False),
    (EXPORTER + ["key"], "jsonic.record.v1", "exporters[3].key is 'jsonic.record.v1', which an exporter before it "
     "has too", False),
]


def read(name):
    with open(os.path.join(os.path.dirname(EMULATOR), name), encoding="utf-8") as source:
        return json.load(source)


@contextlib.contextmanager
def data_file_holding(text):
    """The path of a data file that holds `text`, for the life of the context."""
    with tempfile.NamedTemporaryFile("w", suffix=".json", encoding="utf-8", delete=False) as written:
        written.write(text)
    try:
        yield written.name
    finally:
        os.unlink(written.name)


def start(text):
    """The emulator started on a data file holding `text`: (exit code, stdout, stderr with the
    file's name as FILE)."""
    with data_file_holding(text) as path:
        result = subprocess.run([sys.executable, EMULATOR, "--port", "0", "--data", path],
                                capture_output=True, text=True, timeout=30)
    return result.returncode, result.stdout, result.stderr.replace(path, "FILE")


def misfit(data):
    """The message the data file checks give for `data`, None when they take it."""
    with data_file_holding(json.dumps(data)) as path:
        try:
            data_file.load(path)
        except data_file.DataFileError as error:
            return str(error)
    return None


class BrokenDataFiles(unittest.TestCase):
    def test_each_names_the_first_misfit(self):
        validator = jsonschema and jsonschema.Draft202012Validator(read("data.schema.json"))
        for path, value, message, schema_refuses in BROKEN:
            with self.subTest(message=message):
                data = changed(SAMPLE, path, value)
                line = misfit(data)
                if message.endswith(ONE_OF):
                    self.assertTrue(line is not None and line.startswith(message) and "\n" not in line, line)
                else:
                    self.assertEqual(line, message)
                if validator:
                    self.assertEqual(validator.is_valid(data), not schema_refuses)

    def test_the_emulator_stops_with_one_line(self):
        nameless = changed(SAMPLE, ["databases", 1, "tables", 0, "name"], DELETE)
        self.assertEqual(start(json.dumps(nameless)),
                         (2, "", "dorsa_emulator.py: sample data FILE: databases[1].tables[0] has no 'name'\n"))
        code, output, error = start('{"databases": [')
        self.assertEqual((code, output), (2, ""))
        self.assertTrue(error.startswith("dorsa_emulator.py: sample data FILE: not JSON: "), error)

    def test_the_sample_data_fits(self):
        self.assertIsNone(misfit(SAMPLE))
        if jsonschema:
            jsonschema.Draft202012Validator(read("data.schema.json")).validate(SAMPLE)


class PublishedSchema(unittest.TestCase):
    def test_committed_schema_is_the_generated_one(self):
        self.assertEqual(read("data.schema.json"), data_schema.data_file_schema(),
                         "regenerate it: python3 tools/emulator/data_schema.py > tools/emulator/data.schema.json")


if __name__ == "__main__":
    unittest.main()
