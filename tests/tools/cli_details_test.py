"""dorsa range, parameters, populated, upload-addresses and exporter-parameters against the
bundled emulator.

DORSA_TOOL names the tool, DORSA_EMULATOR the emulator script."""

import unittest
import urllib.request

from tool_runs import ToolTestCase

DB = "DORSA_SAMPLES"
ALLOYS = "Alloys and Polymers"
# The attributes of the table, meta-attributes left out, in their order.
ATTRIBUTES = ["Density", "Young's modulus", "Yield strength", "Stress-strain curve", "Composition", "Datasheet",
              "Material family", "Notes", "Date tested", "Supplier website", "Corrosion resistance", "RoHS compliant",
              "Number of tests", "Micrograph", "Fatigue strength"]
POPULATED_1003 = ["Density", "Young's modulus", "Yield strength", "Material family", "RoHS compliant"]
STRAIN = {"id": 8, "name": "Strain", "unit": "%", "scaleType": "Linear", "interpolation": "CubicSpline",
          "parameterType": "NumericUnrestricted", "default": 0.0, "values": [0.0, 0.1, 0.2, 10.0, 30.0, 40.0]}


def reference(identity):
    """How the tool writes the reference to a sample record."""
    return {"dbKey": DB, "identity": identity, "recordGUID": f"5e2b8c71-{identity}-4d19-b6e2-7a3f0c00{identity}",
            "historyGUID": f"9d40a6e3-{identity}-4c7e-a5b8-2e61f400{identity}"}


class DetailCommands(ToolTestCase):
    def test_range_in_columns(self):
        self.assertEqual(self.lines("range", DB, ALLOYS, "Density", "Number of tests", "Date tested", "Notes"), [
            "ATTRIBUTE        MIN                  MAX                  UNIT",
            "Density          1130                 7900                 kg/m^3",
            "Number of tests  12                   42",
            "Date tested      2016-03-14T00:00:00  2016-03-14T00:00:00",
            "Notes",
        ])

    def test_range_as_json_in_database_units_and_in_a_unit_system(self):
        self.assertEqual(self.json("range", DB, ALLOYS, "Density", "Notes"), [
            {"attribute": "Density", "id": 101, "min": 1130.0, "max": 7900.0, "unit": "kg/m^3"},
            {"attribute": "Notes", "id": 108, "min": None, "max": None, "unit": ""},
        ])
        [imperial] = self.json("range", DB, ALLOYS, "Density", "--unit-system", "Imperial")
        self.assertEqual(imperial["unit"], "lb/ft^3")
        self.assertAlmostEqual(imperial["min"], 70.5435948)
        self.assertAlmostEqual(imperial["max"], 493.180884)
        self.assertEqual([r["attribute"] for r in self.json("range", DB, ALLOYS)], ATTRIBUTES)

    def test_parameters_by_name_and_identity_in_columns(self):
        self.assertEqual(self.lines("parameters", DB, "Temperature", "9"), [
            "ID  NAME              UNIT  TYPE                 SCALE   INTERPOLATION  DEFAULT   VALUES",
            "7   Temperature       °C    NumericUnrestricted  Linear  Linear         23        -40, 20, 23, 100, 300",
            "9   Number of cycles        NumericRestricted    Log     Linear         10000000  10000, 100000, 1000000, "
            "10000000",
        ])

    def test_parameters_as_json_and_as_one_records_data_uses_them(self):
        self.assertEqual(self.json("parameters", DB, "Strain"), [dict(STRAIN, appliesTo=None)])
        # The record by its short name, the parameters those of the attribute.
        found = self.json("parameters", DB, "--table", ALLOYS, "--attribute", "Stress-strain curve",
                          "--record", "DS-18")
        applies = {"attribute": "Stress-strain curve", "record": reference(1001)}
        self.assertEqual(found, [
            dict(STRAIN, appliesTo=dict(applies, order=1)),
            {"id": 7, "name": "Temperature", "unit": "°C", "scaleType": "Linear", "interpolation": "Linear",
             "parameterType": "NumericUnrestricted", "default": 23.0, "values": [20.0, 300.0],
             "appliesTo": dict(applies, order=2)}])
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
        cases = [(1001, ATTRIBUTES, {"Density": True, "Young's modulus": True}),
                 (1003, POPULATED_1003, {"Density": True, "Young's modulus": False})]
        for identity, populated, notes in cases:
            with self.subTest(record=identity):
                entries = [e for e in found if e["record"] == reference(identity)]
                self.assertEqual([(e["attribute"], e["hasData"]) for e in entries if e["metaAbout"] is None],
                                 [(a, a in populated) for a in ATTRIBUTES])
                self.assertEqual({e["metaAbout"]: e["hasData"] for e in entries
                                  if e["metaAbout"] and e["attribute"] == "Data source notes"}, notes)
                self.assertEqual(len(entries), len(ATTRIBUTES) + len(notes))

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
        self.assertEqual(self.json("upload-addresses", DB, reference(1002)["recordGUID"], "--attribute", "Micrograph"),
                         [{"record": reference(1002),
                           "addresses": [{"attribute": "Micrograph", "id": 114, "url": f"{base}/1002/114"}]}])

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
        self.assertEqual(record["record"], reference(1001))
        self.assertEqual([(a["attribute"], a["data"]) for a in record["attributes"]], [
            ("Density", "Present"), ("Young's modulus", "Present"), ("Yield strength", "Present"),
            ("Stress-strain curve", "Present"), ("Fatigue strength", "DataIncompatibleWithConfiguration")])
        curve = record["attributes"][3]
        self.assertEqual(curve["parameters"], [
            {"exporterId": "EPS", "id": 8, "name": "Strain", "unit": "%", "usage": "free"},
            {"exporterId": "T", "id": 7, "name": "Temperature", "unit": "°C", "usage": "fixed"}])
        self.assertEqual(curve["graphDomains"], [[
            {"exporterId": "EPS", "interpolable": True, "values": [0.0, 0.1, 0.2, 10.0, 30.0, 40.0]},
            {"exporterId": "T", "interpolable": True, "values": [20.0, 300.0]}]])
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
