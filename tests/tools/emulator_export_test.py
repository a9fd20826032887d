"""The emulator's exporters, asked as the client library asks them.

DORSA_EMULATOR may name the emulator script; by default the one of this source tree is used."""

import unittest

from soap_posting import ROOT, EmulatorTestCase, child, children, parameter, record_list, text

ENG = f"{ROOT}/16/01/EngineeringData"


def temperature(value, unit=""):
    content = (f"<zbt:Parameter>{parameter(7)}</zbt:Parameter>"
               f'<zbt:ParameterValue xsi:type="zbt:NumericParameterValue"><zbt:Value>{value!r}</zbt:Value>'
               "</zbt:ParameterValue>")
    return f"<eng:parameterValue>{content}" + (f"<zbt:UnitSymbol>{unit}</zbt:UnitSymbol>" if unit else "") + \
        "</eng:parameterValue>"


def export_request(key, identities, unit_system="", figures=0, values=(), stop="", filter_content=""):
    content = record_list(*identities) + f"<eng:exporterKey>{key}</eng:exporterKey>"
    if unit_system:
        content += f"<eng:unitConversionContext><zbt:unitSystem>{unit_system}</zbt:unitSystem></eng:unitConversionContext>"
    if filter_content:
        content += f"<eng:recordFilter>{filter_content}</eng:recordFilter>"
    if values or figures:
        sig = f' eng:significantFigures="{figures}"' if figures else ""
        content += f"<eng:parameterValues{sig}>" + "".join(values) + "</eng:parameterValues>"
    return content + stop


def exporter_summary(element):
    return (text(element, "key"), element.get("name"), int(element.get("version")), element.get("validatedOK"),
            [t.get("id") for t in children(child(element, "transforms"), "transform")]
            if child(element, "transforms") is not None else None)


class ExporterAnswers(EmulatorTestCase):
    service = "EngineeringData"

    def export(self, *arguments, **options):
        reply = self.call("ExportRecordData", export_request(*arguments, **options), response="text")
        self.assertEqual(reply.tag, f"{{{ENG}}}text")
        return reply.text or ""

    def test_available_exporters_by_each_filter(self):
        # All four, and those of a package and of a model, are cli_export_test's.
        csv1 = ("sheetwise.csv.v1", "ValuesCSV", 1, "false", None)
        csv2 = ("sheetwise.csv.v2", "ValuesCSV", 2, "true", ["rows", "header"])
        document = ("jsonic.record.v1", "RecordJSON", 1, "true", ["document"])
        card = ("strata.card.v3", "ElasticPlasticCard", 3, "true", ["collect", "convert", "card"])
        table = "<eng:table{}><zbt:tableName>{}</zbt:tableName></eng:table>"
        cases = [
            ("<eng:package>Sheetwise</eng:package><eng:versionPolicy>LatestVersionPerName</eng:versionPolicy>", [csv2]),
            ("<eng:versionPolicy>IncludeAll</eng:versionPolicy>", [csv1, csv2, document, card]),
            ("<eng:model>Elastic-plastic card</eng:model>", [card]),
            ("<eng:dbKey>POLY_DB</eng:dbKey>", [csv1, csv2]),
            (table.format("", "Grades"), [csv1, csv2]),
            ("<eng:dbKey>DORSA_SAMPLES</eng:dbKey>" + table.format(' eng:matchDatabase="true"', "Alloys and Polymers"),
             [csv1, csv2, document, card]),
            ("<eng:applicabilityTag>simulation</eng:applicabilityTag>", [card]),
            ("<eng:applicabilityTag>nothing</eng:applicabilityTag>", []),
        ]
        for content, expected in cases:
            with self.subTest(content=content):
                reply = self.call("GetAvailableExporters", content)
                self.assertEqual([exporter_summary(e) for e in children(reply, "exporter")], expected)

    def test_exporters_for_records_by_version_and_specific_ones(self):
        # How fully each exporter takes each record is cli_export_test's.
        reply = self.call("ExportersForRecords",
                          "<eng:packageAndModelRequired>0</eng:packageAndModelRequired>"
                          "<eng:specificAttributeExportersOnly>0</eng:specificAttributeExportersOnly>"
                          "<eng:versionPolicy>LatestVersionPerName</eng:versionPolicy>" + record_list(1001, 1003))
        self.assertEqual([[text(e, "key") for e in children(child(entry, "exporters"), "exporter")]
                          for entry in children(child(reply, "records"), "record")],
                         [["sheetwise.csv.v2", "jsonic.record.v1", "strata.card.v3"]] * 2)
        specific = self.call("ExportersForRecords",
                             "<eng:packageAndModelRequired>1</eng:packageAndModelRequired>"
                             "<eng:specificAttributeExportersOnly>1</eng:specificAttributeExportersOnly>"
                             "<eng:package>Jsonic</eng:package><eng:model>Record document</eng:model>" +
                             record_list(1001))
        self.assertEqual(children(child(child(specific, "records"), "record/exporters"), "exporter"), [])

    def test_exporter_parameters_without_guids(self):
        # The card's parameters and domains, in a unit system and with GUIDs, are cli_details_test's.
        reply = self.call("GetExporterParameters", record_list(1003) +
                          "<eng:ExporterKey>jsonic.record.v1</eng:ExporterKey><eng:populateGUIDs>0</eng:populateGUIDs>")
        polymer = children(child(reply, "Records"), "Record")[0]
        self.assertIsNone(child(polymer, "Record/recordGUID"))
        self.assertEqual({text(a, "Attribute/name"): a.get("data")
                          for a in children(child(polymer, "Attributes"), "Attribute")}["RoHS compliant"],
                         "NotApplicable")

    def test_stop_before_a_transform(self):
        full = self.export("sheetwise.csv.v2", [1003])
        rows_only = self.export("sheetwise.csv.v2", [1003], stop='<eng:stopBefore><eng:transformId eng:value="header"/>'
                                "</eng:stopBefore>")
        self.assertEqual(rows_only, full.partition("\n")[2])
        self.assertEqual(self.export("sheetwise.csv.v2", [1003],
                                     stop='<eng:stopBefore><eng:index eng:value="0"/></eng:stopBefore>'), "")
        self.assertEqual(self.export("sheetwise.csv.v2", [1003],
                                     stop='<eng:stopBefore><eng:index eng:value="9"/></eng:stopBefore>'), full)
        collected = self.export("strata.card.v3", [1001], unit_system="Imperial",
                                stop='<eng:stopBefore><eng:index eng:value="1"/></eng:stopBefore>')
        converted = self.export("strata.card.v3", [1001], unit_system="Imperial",
                                stop='<eng:stopBefore><eng:transformId eng:value="card"/></eng:stopBefore>')
        self.assertIn("DENSITY = 7900.0 kg/m^3\n", collected)
        self.assertIn("DENSITY = 493.", converted)
        self.assertIn("lb/ft^3", converted)

    def test_card_at_a_temperature_in_a_unit_system(self):
        card = self.export("strata.card.v3", [1001], unit_system="Metric", figures=4,
                           values=[temperature(392.0, "°F")])
        lines = card.splitlines()
        self.assertEqual(lines[2:4], ["*UNITS Metric", "*TEMPERATURE 200 °C"])
        density = [line.split() for line in lines if line.startswith("DENSITY")]
        self.assertEqual(density, [["DENSITY", "7820", "kg/m^3"]])  # the point at 300 °C is the nearest
        self.assertEqual([line.split() for line in lines if line.startswith("YIELD")], [["YIELD_STRENGTH", "205", "-",
                                                                                         "MPa"]])

    def test_a_filter_narrows_the_export(self):
        metals = self.export("sheetwise.csv.v2", [1001, 1003],
                             filter_content="<zbt:Profile><zbt:Key>METALS_VIEW</zbt:Key></zbt:Profile>")
        self.assertIn("DS-18", metals)
        self.assertNotIn("DP-6", metals)

    def test_misspelt_and_unknown_parts_are_faults(self):
        # An unknown exporter key is cli_export_test's.
        key = "<eng:ExporterKey>strata.card.v3</eng:ExporterKey>"
        self.assertFaults([
            ("ExportRecordData", record_list(1001) + key, "ExportRecordData names its exporter in exporterKey"),
            ("GetExporterParameters", record_list(1001) + "<eng:exporterKey>strata.card.v3</eng:exporterKey>",
             "GetExporterParameters names its exporter in ExporterKey"),
            ("GetExporterParameters", record_list(1001) + key + "<eng:unitConversionContext/>",
             "GetExporterParameters takes its context as UnitConversionContext"),
            ("ExportRecordData", export_request("strata.card.v3", [1001]) + "<eng:UnitConversionContext/>",
             "ExportRecordData takes its context as unitConversionContext"),
            ("ExportRecordData", export_request("strata.card.v3", [1001], stop='<eng:stopBefore><eng:transformId '
                                                'eng:value="render"/></eng:stopBefore>'),
             "Exporter strata.card.v3 has no transform 'render'"),
            ("ExportRecordData", export_request("strata.card.v3", [1001], values=[temperature(20.0, "°R")]),
             "Cannot take Temperature in °R"),
            ("ExportRecordData", export_request("strata.card.v3", [1001]).replace(
                "</eng:exporterKey>", '</eng:exporterKey><eng:parameterValues eng:significantFigures="0"/>'),
             "Significant figures must be 1 or more, not 0"),
            ("GetAvailableExporters", "<eng:versionPolicy/>", "Unknown version policy: ''"),
            ("ExportersForRecords", "<eng:packageAndModelRequired>1</eng:packageAndModelRequired>" + record_list(1001),
             "A package and a model are required"),
        ])


if __name__ == "__main__":
    unittest.main()
