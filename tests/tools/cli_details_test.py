"""dorsa range, parameters, populated, upload-addresses and exporter-parameters against the
bundled emulator, compared with what the emulator's own data says.

DORSA_TOOL names the tool, DORSA_EMULATOR the emulator script."""

import json
import os
import sys
import unittest
import urllib.request

from cli_emulator_test import Emulator, dorsa

EMULATOR = os.environ["DORSA_EMULATOR"]
sys.path.insert(0, os.path.dirname(os.path.abspath(EMULATOR)))
import attributes  # noqa: E402
import data_file  # noqa: E402

DB = "DORSA_SAMPLES"
ALLOYS = "Alloys and Polymers"


class DetailCommands(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.emulator = Emulator()
        cls.data = data_file.load(os.path.join(os.path.dirname(EMULATOR), "sample_data.json"))
        cls.database = cls.data["databases"][0]
        cls.alloys = next(t for t in cls.database["tables"] if t["name"] == ALLOYS)

    @classmethod
    def tearDownClass(cls):
        cls.emulator.stop()

    def run_tool(self, *arguments, code=0):
        result = dorsa(self.emulator.url, *arguments)
        self.assertEqual(result.returncode, code, result.stderr)
        return result

    def lines(self, *arguments):
        return self.run_tool(*arguments).stdout.splitlines()

    def json(self, *arguments):
        return json.loads(self.run_tool("--json", *arguments).stdout)

    def record(self, identity):
        return next(r for t in self.database["tables"] for r in t.get("records", []) if r["identity"] == identity)

    def attribute(self, name):
        return next(a for a in self.alloys["attributes"] if a["name"] == name)

    def parameter(self, name):
        return next(p for p in self.database["parameters"] if p["name"] == name)

    def stored_points(self, name):
        attribute = self.attribute(name)
        values = [attributes.stored_value(r, attribute) for r in self.alloys["records"]]
        return [p["value"] for v in values if v for p in v["points"]]

    def test_range_in_columns(self):
        self.assertEqual(self.lines("range", DB, ALLOYS, "Density", "Number of tests", "Date tested", "Notes"), [
            "ATTRIBUTE        MIN                  MAX                  UNIT",
            "Density          1130                 7900                 kg/m^3",
            "Number of tests  12                   42",
            "Date tested      2016-03-14T00:00:00  2016-03-14T00:00:00",
            "Notes",
        ])

    def test_range_as_json_in_database_units_and_in_a_unit_system(self):
        density = self.stored_points("Density")
        found = self.json("range", DB, ALLOYS, "Density", "Notes")
        self.assertEqual(found, [
            {"attribute": "Density", "id": 101, "min": min(density), "max": max(density), "unit": "kg/m^3"},
            {"attribute": "Notes", "id": 108, "min": None, "max": None, "unit": ""},
        ])
        target, factor, offset = next((t, f, o) for s, t, f, o in self.database["conversions"]["Imperial"]
                                      if s == "kg/m^3")
        [imperial] = self.json("range", DB, ALLOYS, "Density", "--unit-system", "Imperial")
        self.assertEqual(imperial["unit"], target)
        self.assertAlmostEqual(imperial["min"], min(density) * factor + offset)
        self.assertAlmostEqual(imperial["max"], max(density) * factor + offset)

    def test_range_of_every_attribute_of_the_table(self):
        found = self.json("range", DB, ALLOYS)
        self.assertEqual([r["attribute"] for r in found],
                         [a["name"] for a in self.alloys["attributes"] if not a.get("meta")])

    def test_parameters_by_name_and_identity_in_columns(self):
        self.assertEqual(self.lines("parameters", DB, "Temperature", "9"), [
            "ID  NAME              UNIT  TYPE                 SCALE   INTERPOLATION  DEFAULT   VALUES",
            "7   Temperature       °C    NumericUnrestricted  Linear  Linear         23        -40, 20, 23, 100, 300",
            "9   Number of cycles        NumericRestricted    Log     Linear         10000000  10000, 100000, 1000000, "
            "10000000",
        ])

    def test_parameters_as_json(self):
        [strain] = self.json("parameters", DB, "Strain")
        parameter = self.parameter("Strain")
        self.assertEqual(strain, {"id": parameter["id"], "name": "Strain", "unit": parameter["unit"],
                                  "scaleType": parameter["scaleType"], "interpolation": parameter["interpolation"],
                                  "parameterType": parameter["parameterType"], "default": parameter["default"],
                                  "values": parameter["values"], "appliesTo": None})

    def test_parameters_of_an_attribute_as_one_records_data_uses_them(self):
        curve = self.attribute("Stress-strain curve")
        record = self.record(1001)
        stored = attributes.stored_value(record, curve)
        by_id = {p["id"]: p for p in self.database["parameters"]}
        # The record by its short name, the parameters those of the attribute.
        found = self.json("parameters", DB, "--table", ALLOYS, "--attribute", curve["name"], "--record", "DS-18")
        self.assertEqual([(p["name"], p["appliesTo"]["attribute"], p["appliesTo"]["order"],
                           p["appliesTo"]["record"]["identity"], p["values"]) for p in found],
                         [(by_id[identity]["name"], curve["name"], order, 1001,
                           attributes.parameter_values_in(stored, by_id[identity]))
                          for order, identity in enumerate(curve["parameters"], 1)])
        temperature = self.lines("parameters", DB, "Temperature", "--table", ALLOYS, "--attribute", "Density",
                                 "--record", "1001")
        self.assertEqual(temperature[1].split()[-2:], ["20,", "300"])

    def test_populated_in_columns(self):
        self.assertEqual(self.lines("populated", DB, "2101", "1003"), [
            "RECORD  ATTRIBUTE        ID   DATA  VERSION",
            "2101    Process type     201  yes   1",
            "1003    Density          101  yes   1",
            "1003    Young's modulus  102  yes   1",
            "1003    Yield strength   103  yes   1",
            "1003    Material family  107  yes   1",
            "1003    RoHS compliant   112  yes   1",
        ])
        with_meta = self.lines("populated", DB, "1003", "--meta")
        self.assertEqual(with_meta[2].split(None, 1)[1], "Data source notes (about Density)  190  yes   1")

    def test_populated_as_json_with_empty_and_meta_attributes(self):
        found = self.json("populated", DB, "1001", "1003", "--empty", "--meta")
        for identity in (1001, 1003):
            with self.subTest(record=identity):
                record = self.record(identity)
                entries = [e for e in found if e["record"]["identity"] == identity]
                plain = [(e["attribute"], e["hasData"]) for e in entries if e["metaAbout"] is None]
                stored = {v["id"] for v in record["attributes"]}
                self.assertEqual(plain, [(a["name"], a["id"] in stored)
                                         for a in self.alloys["attributes"] if not a.get("meta")])
                names = {a["id"]: a["name"] for a in self.alloys["attributes"]}
                metas = {(e["attribute"], e["metaAbout"]) for e in entries if e["metaAbout"] and e["hasData"]}
                self.assertEqual(metas, {(m["name"], names[m["about"]]) for m in record.get("metaAttributes", [])})
                self.assertTrue(all(e["record"]["recordGUID"] == record["guid"] for e in entries))

    def test_upload_addresses_in_columns_and_as_json(self):
        base = self.emulator.url + "/files/" + DB
        self.assertEqual(self.lines("upload-addresses", DB, "1001", "1003", "--attribute", "Datasheet",
                                    "--attribute", "Micrograph"), [
            "RECORD  ATTRIBUTE   URL",
            f"1001    Datasheet   {base}/1001/106",
            f"1001    Micrograph  {base}/1001/114",
            f"1003    Datasheet   {base}/1003/106",
            f"1003    Micrograph  {base}/1003/114",
        ])
        guid = self.record(1002)["guid"]
        self.assertEqual(self.json("upload-addresses", DB, guid, "--attribute", "Micrograph"), [
            {"record": {"dbKey": DB, "identity": 1002, "recordGUID": guid,
                        "historyGUID": self.record(1002)["historyGuid"]},
             "addresses": [{"attribute": "Micrograph", "id": 114, "url": f"{base}/1002/114"}]},
        ])

    def test_content_put_at_an_upload_address_lands_in_the_record(self):
        self.assertNotIn("Micrograph", [e["attribute"] for e in self.json("populated", DB, "1002")])
        [entry] = self.json("upload-addresses", DB, "1002", "--attribute", "Micrograph")
        put = urllib.request.Request(entry["addresses"][0]["url"], data=b"\x89PNG micrograph of DA-61",
                                     method="PUT", headers={"Content-Type": "image/png"})
        with urllib.request.urlopen(put, timeout=30) as reply:
            self.assertLess(reply.status, 300)
        self.assertIn("Micrograph", [e["attribute"] for e in self.json("populated", DB, "1002")])

    def test_exporter_parameters_in_columns(self):
        self.assertEqual(self.lines("exporter-parameters", DB, "strata.card.v3", "1003"), [
            "RECORD  ATTRIBUTE            DATA     PARAMETERS                    DOMAINS",
            "1003    Density              present  T = Temperature (°C), fixed",
            "1003    Young's modulus      present",
            "1003    Yield strength       present",
            "1003    Stress-strain curve  missing  EPS = Strain (%), free",
            "                                      T = Temperature (°C), fixed",
            "1003    Fatigue strength     missing  N = Number of cycles, unused",
            "                                      T = Temperature (°C), fixed",
        ])
        lines = self.lines("exporter-parameters", DB, "strata.card.v3", "1001", "--unit-system", "Imperial")
        curve = next(i for i, line in enumerate(lines) if "Stress-strain curve" in line)
        self.assertTrue(lines[curve].endswith("EPS = Strain (%), free        EPS: 0, 0.1, 0.2, 10, 30, 40"))
        self.assertTrue(lines[curve + 1].endswith("T = Temperature (°F), fixed   T: 68, 572"))

    def test_exporter_parameters_as_json(self):
        [record] = self.json("exporter-parameters", DB, "strata.card.v3", "1001")
        self.assertEqual(record["record"]["recordGUID"], self.record(1001)["guid"])
        self.assertEqual([(a["attribute"], a["data"]) for a in record["attributes"]], [
            ("Density", "Present"), ("Young's modulus", "Present"), ("Yield strength", "Present"),
            ("Stress-strain curve", "Present"), ("Fatigue strength", "DataIncompatibleWithConfiguration")])
        curve = record["attributes"][3]
        self.assertEqual(curve["parameters"], [
            {"exporterId": "EPS", "id": 8, "name": "Strain", "unit": "%", "usage": "free"},
            {"exporterId": "T", "id": 7, "name": "Temperature", "unit": "°C", "usage": "fixed"}])
        stored = attributes.stored_value(self.record(1001), self.attribute("Stress-strain curve"))
        self.assertEqual(curve["graphDomains"], [[
            {"exporterId": "EPS", "interpolable": True,
             "values": attributes.parameter_values_in(stored, self.parameter("Strain"))},
            {"exporterId": "T", "interpolable": True,
             "values": attributes.parameter_values_in(stored, self.parameter("Temperature"))}]])
        self.assertEqual([a["graphDomains"] for a in record["attributes"] if a is not curve], [[]] * 4)

    def test_bad_arguments_send_nothing(self):
        cases = [
            ("range", DB),
            ("range", DB, "No such table"),
            ("parameters", DB),
            ("parameters", DB, "99999999999"),
            ("parameters", DB, "Temperature", "--record", "1001"),
            ("parameters", DB, "Temperature", "--attribute", "Density"),
            ("parameters", DB, "--table", ALLOYS, "--attribute", "Density", "--record", "No such alloy"),
            ("populated", DB, "DS-18"),
            ("upload-addresses", DB, "1001"),
            ("exporter-parameters", DB, "strata.card.v3"),
        ]
        for arguments in cases:
            with self.subTest(arguments=arguments):
                result = self.run_tool(*arguments, code=2)
                self.assertEqual(result.stdout, "")

    def test_soap_faults_end_with_their_fault_string(self):
        cases = [
            (("range", DB, ALLOYS, "Colour"), "GetAttributeMinMax: Unknown attribute 'Colour'"),
            (("range", DB, ALLOYS, "Density", "--unit-system", "Lunar"), "Unknown unit system: Lunar"),
            (("parameters", DB, "Pressure"), "GetParameterDetails: Unknown parameter 'Pressure'"),
            (("parameters", DB, "Strain", "--table", ALLOYS, "--attribute", "Density"),
             "Parameter 'Strain' does not apply to attribute 'Density'"),
            (("populated", DB, "99999"), "GetRecordAttributes: Unknown record 99999"),
            (("upload-addresses", DB, "1001", "--attribute", "Density"),
             "GetUploadAddresses: Attribute 'Density' of table Alloys and Polymers holds no files or pictures"),
            (("exporter-parameters", DB, "no.such.exporter", "1001"),
             "GetExporterParameters: Unknown exporter key: 'no.such.exporter'"),
        ]
        for arguments, message in cases:
            with self.subTest(arguments=arguments):
                result = self.run_tool(*arguments, code=5)
                self.assertEqual(result.stdout, "")
                self.assertIn(message, result.stderr)


if __name__ == "__main__":
    unittest.main(verbosity=2)
