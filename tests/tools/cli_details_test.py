"""dorsa range, parameters, populated, upload-addresses and exporter-parameters against the
bundled emulator.

DORSA_TOOL names the tool, DORSA_EMULATOR the emulator script."""

import unittest
import urllib.request

from tool_runs import ToolTestCase

DB = "DORSA_SAMPLES"
ALLOYS = "Alloys and Polymers"


class DetailCommands(ToolTestCase):
    def test_outputs_in_columns_and_as_json(self):
        self.assertOutputs([
            (["range", DB, ALLOYS, "Density", "Number of tests", "Date tested", "Notes"], "range.txt"),
            (["--json", "range", DB, ALLOYS], "range.json"),
            (["--json", "range", DB, ALLOYS, "Density", "--unit-system", "Imperial"], "range_imperial.json"),
            (["--json", "range", DB, ALLOYS, "Yield strength", "--unit-system", "SI"], "range_si.json"),
            # Of a functional attribute and of one no record holds: no min and max.
            (["--json", "range", DB, ALLOYS, "Stress-strain curve", "--unit-system", "Imperial"],
             "range_functional.json"),
            (["--json", "range", DB, "Processes", "Economic batch size"], "range_no_records.json"),
            (["parameters", DB, "Temperature", "9"], "parameters.txt"),
            (["parameters", DB, "Temperature", "--table", ALLOYS, "--attribute", "Density", "--record", "1001"],
             "parameters_of_a_record.txt"),
            (["--json", "parameters", DB, "Strain"], "parameters_strain.json"),
            # The record by its short name, the parameters those of the attribute.
            (["--json", "parameters", DB, "--table", ALLOYS, "--attribute", "Stress-strain curve", "--record", "DS-18"],
             "parameters_of_a_record.json"),
            (["populated", DB, "2101", "1003"], "populated.txt"),
            (["populated", DB, "1003", "--meta"], "populated_meta.txt"),
            (["--json", "populated", DB, "1001", "1003", "--empty", "--meta"], "populated_empty_meta.json"),
            (["upload-addresses", DB, "1001", "1003", "--attribute", "Datasheet", "--attribute", "Micrograph"],
             "upload_addresses.txt"),
            (["--json", "upload-addresses", DB, "5e2b8c71-1002-4d19-b6e2-7a3f0c001002", "--attribute", "Micrograph"],
             "upload_addresses.json"),
            (["exporter-parameters", DB, "strata.card.v3", "1003"], "exporter_parameters.txt"),
            (["exporter-parameters", DB, "strata.card.v3", "1001", "--unit-system", "Imperial"],
             "exporter_parameters_imperial.txt"),
            (["--json", "exporter-parameters", DB, "strata.card.v3", "1001"], "exporter_parameters.json"),
        ])

    def test_content_put_at_an_upload_address_lands_in_the_record(self):
        self.assertNotIn("Micrograph", [e["attribute"] for e in self.json("populated", DB, "1002")])
        [entry] = self.json("upload-addresses", DB, "1002", "--attribute", "Micrograph")
        put = urllib.request.Request(entry["addresses"][0]["url"], data=b"\x89PNG micrograph of DA-61",
                                     method="PUT", headers={"Content-Type": "image/png"})
        with urllib.request.urlopen(put, timeout=30) as reply:
            self.assertLess(reply.status, 300)
        self.assertIn("Micrograph", [e["attribute"] for e in self.json("populated", DB, "1002")])

    def test_refusals(self):
        fault = "dorsa: SOAP fault from "
        self.assertRefused([
            (["range", DB], 2, None),
            (["range", DB, "No such table"], 2, None),
            (["parameters", DB], 2, "dorsa: name a PARAMETER, or an --attribute whose parameters to show\n"),
            (["parameters", DB, "99999999999"], 2, None),
            (["parameters", DB, "Temperature", "--record", "1001"], 2, None),
            (["parameters", DB, "Temperature", "--attribute", "Density"], 2, None),
            (["parameters", DB, "--table", ALLOYS, "--attribute", "Density", "--record", "No such alloy"], 2, None),
            (["populated", DB, "DS-18"], 2, None),
            (["upload-addresses", DB, "1001"], 2, None),
            (["exporter-parameters", DB, "strata.card.v3"], 2, None),
            (["range", DB, ALLOYS, "Colour"], 5, fault + "GetAttributeMinMax: Unknown attribute 'Colour' in table "
             "Alloys and Polymers in database DORSA_SAMPLES\n"),
            (["range", DB, ALLOYS, "Density", "--unit-system", "Lunar"], 5,
             fault + "GetAttributeMinMax: Unknown unit system: Lunar\n"),
            (["parameters", DB, "Pressure"], 5,
             fault + "GetParameterDetails: Unknown parameter 'Pressure' in database DORSA_SAMPLES\n"),
            (["parameters", DB, "Strain", "--table", ALLOYS, "--attribute", "Density"], 5,
             fault + "GetParameterDetails: Parameter 'Strain' does not apply to attribute 'Density'\n"),
            (["populated", DB, "99999"], 5,
             fault + "GetRecordAttributes: Unknown record 99999 in database DORSA_SAMPLES\n"),
            (["upload-addresses", DB, "1001", "--attribute", "Density"], 5, fault + "GetUploadAddresses: Attribute "
             "'Density' of table Alloys and Polymers holds no files or pictures\n"),
            (["exporter-parameters", DB, "no.such.exporter", "1001"], 5,
             fault + "GetExporterParameters: Unknown exporter key: 'no.such.exporter'\n"),
        ])


if __name__ == "__main__":
    unittest.main(verbosity=2)
