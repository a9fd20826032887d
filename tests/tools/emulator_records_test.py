"""The emulator's attribute metadata and record operations, asked as the client library asks them.

DORSA_EMULATOR may name the emulator script; by default the one of this source tree is used."""

import base64
import unittest
import urllib.request

from soap_posting import (DB, ROOT, SOAP_ENV, Emulator, EmulatorTestCase, by_id, by_name, by_standard_name, child,
                          children, exchange, local, pseudo, record, text)

GUID_1002 = "5e2b8c71-1002-4d19-b6e2-7a3f0c001002"
HISTORY_GUID_1003 = "9d40a6e3-1003-4c7e-a5b8-2e61f4001003"


def attribute_list(*references):
    return "<zbt:attributeReferences>" + "".join(f"<zbt:attribute>{r}</zbt:attribute>" for r in references) + \
        "</zbt:attributeReferences>"


def by_ref_request(attributes, records, filter_content=None, guids=False, binary="URL", context=""):
    content = "".join(f'<exp:result xsi:type="zbt:DorsaAttributeReference">{a}</exp:result>' for a in attributes)
    content += "".join(f"<exp:recordReference>{r}</exp:recordReference>" for r in records)
    content += f"<exp:unitConversionContext>{context}</exp:unitConversionContext>" if context else ""
    content += f"<exp:filter>{filter_content}</exp:filter>" if filter_content is not None else ""
    return content + (f"<exp:populateGUIDs>{'true' if guids else 'false'}</exp:populateGUIDs>"
                      f"<exp:useFallback>false</exp:useFallback>"
                      f"<exp:binaryDataRepresentation>{binary}</exp:binaryDataRepresentation>")


def listed_values(parameter_detail):
    return [float(v.text) for v in child(parameter_detail, "parameterValues").iter() if local(v) == "value"]


class EmulatorAnswers(EmulatorTestCase):
    service = "Browse"

    def by_ref(self, *arguments, **options):
        reply = self.call("GetRecordAttributesByRef", by_ref_request(*arguments, **options), "DataExport")
        return children(child(reply, "results"), "recordData")

    @staticmethod
    def values(record_data):
        """(AttributeName, local name of the value element) of each attributeValue."""
        return [(text(v, "AttributeName"), local([c for c in v if local(c) not in ("AttributeName",
                                                                                   "AttributeIdentity")][0]))
                for v in children(child(record_data, "attributeValues"), "attributeValue")]

    def test_attribute_details_by_each_kind_of_reference(self):
        # The tool's attributes command reads every detail by identity (cli_emulator_test's fixtures).
        reply = self.call("GetAttributeDetails", attribute_list(
            by_name("Corrosion resistance"), by_standard_name("Young's modulus"), by_id(105), by_id(190),
            by_name("Melt flow index", "Grades").replace("DORSA_SAMPLES", "POLY_DB")))
        details = children(child(reply, "attributeDetails"), "attributeDetail")
        self.assertEqual([(text(d, "identity"), text(d, "attribute/attributeIdentity"), text(d, "name"),
                           text(d, "type"), text(d, "isMeta")) for d in details],
                         [("111", "111", "Corrosion resistance", "DISC", None),
                          ("102", "102", "Young's modulus", "RNGE", None), ("105", "105", "Composition", "TABL", None),
                          ("190", "190", "Data source notes", "LTXT", "true"),
                          ("401", "401", "Melt flow index", "POIN", None)])
        self.assertEqual((text(details[2], "revisionInfo/updateCount"), text(details[2], "helpInfo/isDatabaseHelp")),
                         ("1", "true"))

    def test_record_attributes_with_parameter_details(self):
        reply = self.call("GetRecordAttributes",
                          f"<zbt:recordReferences><zbt:record>{record(history_guid=HISTORY_GUID_1003)}</zbt:record>"
                          f"<zbt:record>{record(guid=GUID_1002)}</zbt:record></zbt:recordReferences>"
                          "<brow:includeParameterDetails>1</brow:includeParameterDetails>")
        entries = children(child(reply, "recordAttributes"), "recordAttribute")
        self.assertEqual([text(e, "record/identity/recordHistoryIdentity") for e in entries],
                         ["1003"] * 5 + ["1002"] * 7)
        density = [e for e in entries if text(e, "attribute/name") == "Density"]
        # the values each record's density uses: 23 °C for 1003, none for 1002
        self.assertEqual([(text(p, "Name"), listed_values(p))
                          for e in density for p in children(child(e, "parameterDetails"), "parameterDetail")],
                         [("Temperature", [23.0]), ("Temperature", [])])
        self.assertEqual(text(density[0], "dataRevisionInfo/modified"), "2016-02-01T10:00:00")

    def test_values_by_reference(self):
        attributes = [by_id(102), by_name("Material family"), by_standard_name("Density"), by_id(111),
                      by_id(190), pseudo("shortName")]
        found = self.by_ref(attributes, [record(1003), record(guid=GUID_1002), record(history_guid=HISTORY_GUID_1003)])
        self.assertEqual([text(r, "record/identity/recordHistoryIdentity") for r in found], ["1003", "1002", "1003"])
        self.assertEqual(self.values(found[1]),
                         [("Young's modulus", "RangeDataValue"), ("Material family", "ShortTextDataValue"),
                          ("Density", "PointDataValue"), ("Corrosion resistance", "DiscreteDataValue"),
                          ("[shortName]", "ShortTextDataValue")])
        self.assertEqual(self.values(found[0])[3:], [("Data source notes", "LongTextDataValue"),
                                                     ("[shortName]", "ShortTextDataValue")])
        values = children(child(found[1], "attributeValues"), "attributeValue")
        self.assertEqual([d.get("order") for d in child(values[3], "DiscreteDataValue")], ["3", "2"])
        self.assertEqual(text(values[0], "AttributeIdentity"), "102")
        self.assertEqual(text(values[0], "RangeDataValue/HighValue"), "71.0")
        self.assertIsNone(text(values[4], "AttributeIdentity"))
        self.assertIsNone(text(found[0], "record/recordGUID"))  # not asked for; the tool always asks

    def test_parent_guid_from_the_tree(self):
        # The tool reads the other properties the tree gives (cli_emulator_test), but cannot ask this one.
        cases = [
            (1001, ["9d40a6e3-1110-4c7e-a5b8-2e61f4001110"]),
            (1002, ["9d40a6e3-1120-4c7e-a5b8-2e61f4001120"]),
            (1006, ["9d40a6e3-1002-4c7e-a5b8-2e61f4001002"]),
            # directly below the root, the table's own entry, which is the parent the tree gives too
            (1100, ["9d40a6e3-1000-4c7e-a5b8-2e61f4001000"]),
            (2101, ["9d40a6e3-2000-4c7e-a5b8-2e61f4002000"]),
            (4000, []),  # the root has nothing above it
        ]
        for identity, expected in cases:
            with self.subTest(record=identity):
                [found] = self.by_ref([pseudo("parentRecordHistoryGUID")], [record(identity)])
                self.assertEqual([v[1].text for v in children(child(found, "attributeValues"), "attributeValue")],
                                 expected)

    def test_binary_data_by_url_or_inline(self):
        for binary in ("URL", "Inline"):
            with self.subTest(binary=binary):
                found = self.by_ref([by_id(106), by_name("Micrograph")], [record(1001)], binary=binary)
                datasheet, micrograph = [v[-1] for v in children(child(found[0], "attributeValues"), "attributeValue")]
                self.assertEqual(text(datasheet, "fileName"), "ds18-datasheet.txt")
                for value, content in ((datasheet, b"DS-18: 18% Cr, 8% Ni. Annealed.\n"),
                                       (micrograph, "\u0089PNG fake micrograph".encode())):
                    if binary == "Inline":
                        self.assertIsNone(text(value, "URL"))
                        self.assertEqual(base64.b64decode(text(value, "data")), content)
                        continue
                    self.assertIsNone(child(value, "data"))
                    self.assertTrue(text(value, "URL").startswith(self.emulator.url + "/"), text(value, "URL"))
                    with urllib.request.urlopen(text(value, "URL"), timeout=30) as reply:
                        self.assertEqual(reply.read(), content)

    def test_filter_leaves_out_records(self):
        subset = "<zbt:subsetReferences><zbt:subset>{}</zbt:subset></zbt:subsetReferences>"
        cases = [
            (None, ["1003", "1001", "1002"]),
            ("", ["1003", "1001", "1002"]),  # a filter that names nothing
            ("<zbt:Profile><zbt:Key>METALS_VIEW</zbt:Key></zbt:Profile>", ["1001", "1002"]),
            (subset.format(f"{DB}<zbt:subsetIdentity>12</zbt:subsetIdentity>"), ["1003"]),
            (subset.format(f"{DB}<zbt:name><zbt:table><zbt:tableName>Alloys and Polymers</zbt:tableName></zbt:table>"
                           "<zbt:subsetName>Metals</zbt:subsetName></zbt:name>"), ["1001", "1002"]),
        ]
        for filter_content, expected in cases:
            with self.subTest(filter=filter_content):
                found = self.by_ref([pseudo("name")], [record(1003), record(1001), record(1002)], filter_content)
                self.assertEqual([text(r, "record/identity/recordHistoryIdentity") for r in found], expected)

    def test_reply_prefixes_vary_but_names_hold(self):
        replies = [self.call("GetAttributeDetails", attribute_list(by_id(101))),
                   self.call("GetMetaAttributes", attribute_list(by_id(101)))]
        self.assertEqual({r.tag for r in replies}, {f"{{{ROOT}/16/01/Browse}}GetAttributeDetailsResponse",
                                                    f"{{{ROOT}/16/01/Browse}}GetMetaAttributesResponse"})

    def test_unknown_references_are_faults(self):
        profile = "<zbt:Profile><zbt:Key>NOPE</zbt:Key></zbt:Profile>"
        by_ref = [
            ([by_id(101)], [record(4242)], {}, "Unknown record 4242 in database DORSA_SAMPLES"),
            ([by_id(101)], [record(guid="no-such-guid")], {}, "Unknown record no-such-guid in database DORSA_SAMPLES"),
            ([by_id(999)], [record(1001)], {}, "Unknown attribute 999 in database DORSA_SAMPLES"),
            ([by_name("Colour")], [record(1001)], {},
             "Unknown attribute 'Colour' in table Alloys and Polymers in database DORSA_SAMPLES"),
            ([by_standard_name("Notes")], [record(1001)], {},
             "Unknown standard attribute 'Notes' in database DORSA_SAMPLES"),
            ([pseudo("colour")], [record(1001)], {}, "Unknown pseudo attribute [colour]"),
            ([by_id(101)], [record(1001)], {"filter_content": profile}, "Unknown profile: NOPE"),
            ([by_id(101)], [record(1001)], {"binary": "Base64"}, "Unknown binary data representation: Base64"),
        ]
        self.assertFaults([("GetRecordAttributesByRef", by_ref_request(attributes, records, **options), message)
                           for attributes, records, options, message in by_ref], "DataExport")
        self.assertFaults([
            ("GetAttributeDetails", attribute_list(by_id(999)), "Unknown attribute 999 in database DORSA_SAMPLES"),
            ("GetAttributeMinMax", attribute_list(by_id(101)) +
             "<brow:unitConversionContext><zbt:unitSystem>Cubits</zbt:unitSystem></brow:unitConversionContext>",
             "Unknown unit system: Cubits"),
            ("GetRecordAttributes",
             f"<zbt:recordReferences><zbt:record>{record(1001, db='<zbt:dbKey>NO_DB</zbt:dbKey>')}</zbt:record>"
             "</zbt:recordReferences>", "Unknown database key: NO_DB"),
            ("GetParameterDetails",
             f"<zbt:parameterReferences><zbt:parameter>{DB}<zbt:name>Strain</zbt:name></zbt:parameter>"
             f"</zbt:parameterReferences><brow:functionalAttribute>{by_id(115)}</brow:functionalAttribute>",
             "Parameter 'Strain' does not apply to attribute 'Fatigue strength'"),
        ])


def envelope(content):
    """A request's envelope that declares the SOAP and Browse namespaces only."""
    return (f'<soapenv:Envelope xmlns:soapenv="{SOAP_ENV}" xmlns:brow="{ROOT}/16/01/Browse">'
            f"<soapenv:Header/><soapenv:Body>{content}</soapenv:Body></soapenv:Envelope>")


class EmulatorChecksEnvelopes(EmulatorTestCase):
    def posted(self, path, operation, body, url=None):
        """(HTTP status, reply text) of `body` posted to `path` as the Browse operation `operation`."""
        status, reply = exchange((url or self.emulator.url) + path, f"{ROOT}/16/01/Browse/{operation}Request", body)
        return status, reply.decode()

    def test_answers_a_well_formed_request_and_refuses_what_does_not_fit(self):
        tables = envelope("<brow:GetTables/>")
        # what is posted, the HTTP status and some text of the reply
        cases = [
            ("a well-formed request", "/Browse.svc", "GetTables",
             envelope("<brow:GetTables><brow:dbKey>POLY_DB</brow:dbKey></brow:GetTables>"), 200, "Grades"),
            ("an undeclared prefix", "/Browse.svc", "GetTables",
             envelope("<zbt:GetTables><brow:dbKey>DORSA_SAMPLES</brow:dbKey></zbt:GetTables>"), 500, "unbound prefix"),
            ("a body in another namespace", "/Browse.svc", "GetTables",
             tables.replace(f"{ROOT}/16/01/Browse", "urn:elsewhere"), 500, "must hold"),
            ("another operation's SOAPAction", "/Browse.svc", "GetSubsets", tables, 500, "must hold"),
            ("another service's endpoint", "/Search.svc", "GetTables", tables, 500, "does not belong to the Search"),
            ("an operation that takes no body element", "/Browse.svc", "GetDatabases", tables, 500,
             "GetDatabases takes no request element"),
        ]
        for name, path, operation, body, status, shown in cases:
            with self.subTest(name):
                answer, reply = self.posted(path, operation, body)
                self.assertEqual(answer, status, reply)
                self.assertEqual("<s:Fault>" in reply, status == 500)
                self.assertIn(shown, reply)

    def test_asks_for_basic_authentication_when_configured(self):
        guarded = Emulator("--user", "CORP\\jo", "--password", "s3cret")
        try:
            self.assertEqual(self.posted("/Browse.svc", "GetDatabases", envelope(""), guarded.url)[0], 401)
        finally:
            guarded.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)
