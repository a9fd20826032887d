"""The published JSON Schema of the emulator's data file: current, and in step with the checker."""

import json
import os
import sys
import unittest

from emulator_process import changed

HERE = os.path.dirname(os.path.abspath(__file__))
EMULATOR_DIR = os.path.join(HERE, "..", "..", "tools", "emulator")
sys.path.insert(0, EMULATOR_DIR)

import data_file  # noqa: E402
import data_schema  # noqa: E402

try:
    import jsonschema
except ImportError:  # the schema can still be checked for being current
    jsonschema = None


def _read(name):
    with open(os.path.join(EMULATOR_DIR, name), encoding="utf-8") as source:
        return json.load(source)


class PublishedSchema(unittest.TestCase):
    def test_committed_schema_is_the_generated_one(self):
        self.assertEqual(_read("data.schema.json"), data_schema.data_file_schema(),
                         "regenerate it: python3 tools/emulator/data_schema.py > tools/emulator/data.schema.json")

    @unittest.skipIf(jsonschema is None, "python3-jsonschema is not installed")
    def test_schema_and_checker_agree(self):
        validator = jsonschema.Draft202012Validator(_read("data.schema.json"))
        sample = _read("sample_data.json")
        validator.validate(sample)
        data_file.check(sample, data_file.DATA_FILE)

        table = ["databases", 0, "tables", 0]
        broken = {
            "identity as text": (table + ["records", 0, "identity"], "1001"),
            "unknown filter": (table + ["filters", 0], "NoSuchFilter"),
            "conversion row too short": (["databases", 0, "conversions"], {"kg/m^3": [["kg/m^3", "g/cm^3", 0.001]]}),
            "boolean for a number": (["currencies", 0, "factor"], True),
            "discrete value without its values": (table + ["records", 0, "attributes", 10, "value"], {"type": "DISC"}),
            "range without its low end": (table + ["records", 0, "attributes", 1, "value"],
                                          {"type": "RNGE", "high": 210.0}),
            "text in a tabular cell": (table + ["records", 0, "attributes", 4, "value", "rows", 0, "cells", 0],
                                       "Fe"),
        }
        for name, (path, value) in broken.items():
            with self.subTest(name):
                data = changed(sample, path, value)
                self.assertFalse(validator.is_valid(data))
                with self.assertRaises(data_file.DataFileError):
                    data_file.check(data, data_file.DATA_FILE)


if __name__ == "__main__":
    unittest.main()
