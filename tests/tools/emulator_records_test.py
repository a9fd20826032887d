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

    def test_attribute_details(self):
        # reference, type, unit, (searchable, multi-valued, chartable), order, axis name, discrete values
        cases = [
            (by_id(101), "POIN", "kg/m^3", ("true", "false", "true"), "1", None, None),
            (by_name("Corrosion resistance"), "DISC", "", ("true", "true", "false"), "12", None,
             ["Poor", "Acceptable", "Good", "Excellent"]),
            (by_standard_name("Young's modulus"), "RNGE", "GPa", ("true", "false", "true"), "2", None, None),
            (by_id(104), "FLOAT_FUNCTIONAL_SERIES", "MPa", ("false", "false", "true"), "4", "Stress", None),
            (by_id(115), "FLOAT_FUNCTIONAL_GRIDDED", "MPa", ("false", "false", "true"), "16", "Stress amplitude", None),
            (by_name("Melt flow index", "Grades").replace("DORSA_SAMPLES", "POLY_DB"), "POIN", "g/10 min",
             ("true", "false", "true"), "1", None, None),
        ]
        reply = self.call("GetAttributeDetails", attribute_list(*[case[0] for case in cases]))
        details = children(child(reply, "attributeDetails"), "attributeDetail")
        self.assertEqual(len(details), len(cases))
        for detail, (_, kind, unit, flags, order, axis, discrete) in zip(details, cases):
            with self.subTest(kind=kind):
                self.assertEqual(text(detail, "type"), kind)
                self.assertEqual(text(detail, "databaseUnit"), unit)
                self.assertEqual(tuple(detail.get(f) for f in ("isSearchable", "isMultiValued", "isChartable")),
                                 flags)
                self.assertEqual(text(detail, "order"), order)
                self.assertEqual(text(detail, "axisName"), axis)
                self.assertEqual([v.text for v in children(child(detail, "discreteValues"), "discreteValue")] or None,
                                 discrete)
                self.assertEqual(text(detail, "identity"), text(detail, "attribute/attributeIdentity"))

    def test_composition_columns_and_meta_attribute_detail(self):
        reply = self.call("GetAttributeDetails", attribute_list(by_id(105), by_id(190)))
        composition, notes = children(child(reply, "attributeDetails"), "attributeDetail")
        columns = [(local(c), text(c, "Name"), c.get("type"), c.get("columnType"), text(c, "DatabaseUnit"))
                   for c in child(composition, "columns")]
        self.assertEqual(columns, [("local", "Element", "STXT", None, None), ("local", "Fraction", "RNGE", None, "wt%"),
                                   ("target", "Source", None, "TargetRecord", None),
                                   ("unavailable", "Lot number", None, None, None)])
        self.assertEqual(text(composition, "revisionInfo/updateCount"), "1")
        self.assertEqual(text(composition, "helpInfo/isDatabaseHelp"), "true")
        self.assertEqual((text(notes, "name"), text(notes, "isMeta"), text(notes, "type")),
                         ("Data source notes", "true", "LTXT"))

    def test_min_max_over_the_sample_records(self):
        imperial = "<brow:unitConversionContext><zbt:unitSystem>Imperial</zbt:unitSystem></brow:unitConversionContext>"
        si = "<brow:unitConversionContext><zbt:unitSystem>SI</zbt:unitSystem></brow:unitConversionContext>"
        # reference, context, unit, kind, min, max (None: no min and max)
        cases = [
            (by_id(101), "", "kg/m^3", "double", 1130.0, 7900.0),
            (by_id(101), imperial, "lb/ft^3", "double", 1130.0 * 0.06242796, 7900.0 * 0.06242796),
            (by_name("Yield strength"), "", "MPa", "double", 70.0, 276.0),  # open-ended ends left out
            (by_name("Yield strength"), si, "Pa", "double", 70.0e6, 276.0e6),
            (by_id(113), "", "", "integer", 12, 42),
            (by_id(109), "", "", "date", "2016-03-14T00:00:00", "2016-03-14T00:00:00"),
            (by_id(104), imperial, "ksi", None, None, None),  # functional: nothing to order
            (by_id(202), "", "", None, None, None),  # no records
        ]
        for reference, context, unit, kind, low, high in cases:
            with self.subTest(reference=reference, context=context):
                reply = self.call("GetAttributeMinMax", attribute_list(reference) + context)
                entry = child(reply, "minMaxes/minMax")
                self.assertEqual(text(entry, "unit"), unit)
                self.assertIsNotNone(text(entry, "attributeReference/attributeIdentity"))
                if kind is None:
                    self.assertEqual([local(c) for c in entry if local(c) in ("min", "max")], [])
                    continue
                read = {"double": float, "integer": int, "date": str}[kind]
                self.assertAlmostEqual(read(text(entry, f"min/{kind}")), low)
                self.assertAlmostEqual(read(text(entry, f"max/{kind}")), high)

    def test_parameters(self):
        reply = self.call("GetAttributeParameters", attribute_list(by_id(104), by_id(102), by_id(115)))
        details = children(child(reply, "parameterDetails"), "parameterDetail")
        self.assertEqual([(text(d, "Name"), text(d, "appliesTo/attributeReference/attributeIdentity"),
                           text(d, "appliesTo/order")) for d in details],
                         [("Strain", "104", "1"), ("Temperature", "104", "2"),
                          ("Number of cycles", "115", "1"), ("Temperature", "115", "2")])
        cycles = details[2]
        self.assertEqual((text(cycles, "scaleType"), text(cycles, "interpolationMethod"),
                          text(cycles, "parameterType"), float(text(cycles, "defaultValue/value"))),
                         ("Log", "Linear", "NumericRestricted", 1e7))
        self.assertEqual(listed_values(cycles), [1e4, 1e5, 1e6, 1e7])
        self.assertEqual(text(details[1], "Unit/UnitSymbol"), "°C")

    def test_parameter_details(self):
        temperature = f"<zbt:parameter>{DB}<zbt:name>Temperature</zbt:name></zbt:parameter>"
        strain = f"<zbt:parameter>{DB}<zbt:parameterIdentity>8</zbt:parameterIdentity></zbt:parameter>"
        functional = f"<brow:functionalAttribute>{by_id(104)}</brow:functionalAttribute>"
        for_record = f"<brow:recordReference>{record(1001)}</brow:recordReference>"
        every_strain = [0.0, 0.1, 0.2, 10.0, 30.0, 40.0]
        # parameters, what they are asked for, the values listed per parameter, the attribute they apply to
        cases = [
            (temperature, "", [[-40.0, 20.0, 23.0, 100.0, 300.0]], None),
            (temperature + strain, functional, [[-40.0, 20.0, 23.0, 100.0, 300.0], every_strain], "104"),
            # for a record: the values its data uses
            (temperature + strain, functional + for_record, [[20.0, 300.0], every_strain], "104"),
        ]
        for parameters, asked_for, values, applies in cases:
            with self.subTest(parameters=parameters, asked_for=asked_for):
                reply = self.call("GetParameterDetails",
                                  f"<zbt:parameterReferences>{parameters}</zbt:parameterReferences>{asked_for}")
                details = children(child(reply, "parameterDetails"), "parameterDetail")
                self.assertEqual([listed_values(d) for d in details], values)
                self.assertEqual({text(d, "appliesTo/attributeReference/attributeIdentity") for d in details},
                                 {applies})

    def test_meta_attributes(self):
        reply = self.call("GetMetaAttributes", attribute_list(by_id(101), by_standard_name("Young's modulus"),
                                                                        by_id(104)))
        entries = children(reply, "Attribute")
        self.assertEqual([(text(e, "ParentAttribute/attributeIdentity"),
                           [(text(m, "name"), text(m, "isMeta"), text(m, "about/name"))
                            for m in children(child(e, "MetaAttributes"), "MetaAttribute")]) for e in entries],
                         [("101", [("Data source notes", "true", "Density")]),
                          ("102", [("Data source notes", "true", "Young's modulus")]), ("104", [])])

    def test_record_attributes_per_flag(self):
        with_data = ["Density", "Young's modulus", "Yield strength", "Material family", "RoHS compliant"]
        every = ["Density", "Young's modulus", "Yield strength", "Stress-strain curve", "Composition", "Datasheet",
                 "Material family", "Notes", "Date tested", "Supplier website", "Corrosion resistance",
                 "RoHS compliant", "Number of tests", "Micrograph", "Fatigue strength"]
        cases = [
            ("", [(n, "true", None) for n in with_data]),
            ("<brow:includeEmptyAttributes>1</brow:includeEmptyAttributes>",
             [(n, "true" if n in with_data else "false", None) for n in every]),
            ("<brow:includeMetaAttributes>1</brow:includeMetaAttributes>",
             [(n, "true", None) for n in with_data[:1]] + [("Data source notes", "true", "Density")] +
             [(n, "true", None) for n in with_data[1:]]),
            ("<brow:includeMetaAttributes>1</brow:includeMetaAttributes>"
             "<brow:includeEmptyAttributes>1</brow:includeEmptyAttributes>",
             [("Density", "true", None), ("Data source notes", "true", "Density"), ("Young's modulus", "true", None),
              ("Data source notes", "false", "Young's modulus")] +
             [(n, "true" if n in with_data else "false", None) for n in every[2:]]),
        ]
        for flags, expected in cases:
            with self.subTest(flags=flags):
                reply = self.call("GetRecordAttributes",
                                  f"<zbt:recordReferences><zbt:record>{record(1003)}</zbt:record>"
                                  f"</zbt:recordReferences>{flags}")
                entries = children(child(reply, "recordAttributes"), "recordAttribute")
                self.assertEqual([(text(e, "attribute/name"), text(e, "hasData"), text(e, "attribute/about/name"))
                                  for e in entries], expected)
                self.assertEqual({text(e, "record/recordGUID") for e in entries},
                                 {"5e2b8c71-1003-4d19-b6e2-7a3f0c001003"})
                self.assertEqual([e for e in entries if child(e, "parameterDetails") is not None], [])

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

    def test_pseudo_attribute_values(self):
        # pseudo name, value element, text
        cases = [
            ("name", "ShortTextDataValue", "Dorsa aluminium DA-61, aged"),
            ("shortName", "ShortTextDataValue", "DA-61"),
            ("recordGUID", "ShortTextDataValue", GUID_1002),
            ("recordHistoryGUID", "ShortTextDataValue", "9d40a6e3-1002-4c7e-a5b8-2e61f4001002"),
            ("recordHistoryIdentity", "IntegerDataValue", "1002"),
            ("tableName", "ShortTextDataValue", "Alloys and Polymers"),
            ("subsets", "ShortTextDataValue", "Metals, All samples"),
            ("recordVersionNumber", "IntegerDataValue", "1"),
            ("modifiedDate", "DateDataValue", "2015-09-30T16:00:00"),
        ]
        found = self.by_ref([pseudo(name) for name, _, _ in cases], [record(1002)])
        values = children(child(found[0], "attributeValues"), "attributeValue")
        self.assertEqual([(text(v, "AttributeName"), local(v[1]), v[1].text) for v in values],
                         [(f"[{name}]", kind, value) for name, kind, value in cases])

    def test_pseudo_attributes_from_the_tree(self):
        tree = ["parentName", "parentShortName", "parentRecordHistoryIdentity", "parentRecordHistoryGUID",
                "recordType", "recordColor", "childRecords"]
        # record, the texts of the pseudo attributes above (None: left out of the reply)
        cases = [
            (1001, ["Ferrous", "Ferrous", "1110", "9d40a6e3-1110-4c7e-a5b8-2e61f4001110", "Record", "Default", "0"]),
            (1002, ["Non-ferrous", "Non-ferrous", "1120", "9d40a6e3-1120-4c7e-a5b8-2e61f4001120", "Record", "Green",
                    "1"]),
            (1006, ["Dorsa aluminium DA-61, aged", "DA-61", "1002", "9d40a6e3-1002-4c7e-a5b8-2e61f4001002", "Generic",
                    "Default", "0"]),
            # directly below the root, the table's own entry, which is the parent the tree gives too
            (1100, ["Alloys and Polymers", "Alloys and Polymers", "1000", "9d40a6e3-1000-4c7e-a5b8-2e61f4001000",
                    "Folder", "Blue", "2"]),
            (2101, ["Processes", "Processes", "2000", "9d40a6e3-2000-4c7e-a5b8-2e61f4002000", "Record", "Default",
                    "0"]),
            # the root has nothing above it
            (4000, [None, None, None, None, "Folder", "Grey", "3"]),
        ]
        for identity, expected in cases:
            with self.subTest(record=identity):
                [found] = self.by_ref([pseudo(name) for name in tree], [record(identity)])
                values = {text(v, "AttributeName"): v[1].text
                          for v in children(child(found, "attributeValues"), "attributeValue")}
                self.assertEqual([values.get(f"[{name}]") for name in tree], expected)

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

    def test_guids_and_units(self):
        for guids in (False, True):
            with self.subTest(guids=guids):
                found = self.by_ref([by_id(102)], [record(1001)], guids=guids,
                                    context="<zbt:unitSystem>Imperial</zbt:unitSystem>")
                self.assertEqual(text(found[0], "record/recordGUID"),
                                 "5e2b8c71-1001-4d19-b6e2-7a3f0c001001" if guids else None)
                value = child(found[0], "attributeValues/attributeValue/RangeDataValue")
                self.assertEqual(text(value, "UnitSymbol"), "10^6 psi")
                self.assertAlmostEqual(float(text(value, "LowValue")), 190.0 * 0.1450377)

    def test_reply_prefixes_vary_but_names_hold(self):
        replies = [self.call("GetAttributeDetails", attribute_list(by_id(101))),
                   self.call("GetMetaAttributes", attribute_list(by_id(101)))]
        self.assertEqual({r.tag for r in replies}, {f"{{{ROOT}/16/01/Browse}}GetAttributeDetailsResponse",
                                                    f"{{{ROOT}/16/01/Browse}}GetMetaAttributesResponse"})

    def test_unknown_references_are_faults(self):
        cases = [
            ("DataExport", "GetRecordAttributesByRef", by_ref_request([by_id(101)], [record(4242)]),
             "Unknown record 4242 in database DORSA_SAMPLES"),
            ("DataExport", "GetRecordAttributesByRef", by_ref_request([by_id(101)], [record(guid="no-such-guid")]),
             "Unknown record no-such-guid in database DORSA_SAMPLES"),
            ("DataExport", "GetRecordAttributesByRef", by_ref_request([by_id(999)], [record(1001)]),
             "Unknown attribute 999 in database DORSA_SAMPLES"),
            ("DataExport", "GetRecordAttributesByRef", by_ref_request([by_name("Colour")], [record(1001)]),
             "Unknown attribute 'Colour' in table Alloys and Polymers in database DORSA_SAMPLES"),
            ("DataExport", "GetRecordAttributesByRef", by_ref_request([by_standard_name("Notes")], [record(1001)]),
             "Unknown standard attribute 'Notes' in database DORSA_SAMPLES"),
            ("DataExport", "GetRecordAttributesByRef", by_ref_request([pseudo("colour")], [record(1001)]),
             "Unknown pseudo attribute [colour]"),
            ("DataExport", "GetRecordAttributesByRef",
             by_ref_request([by_id(101)], [record(1001)], "<zbt:Profile><zbt:Key>NOPE</zbt:Key></zbt:Profile>"),
             "Unknown profile: NOPE"),
            ("DataExport", "GetRecordAttributesByRef", by_ref_request([by_id(101)], [record(1001)], binary="Base64"),
             "Unknown binary data representation: Base64"),
            ("Browse", "GetAttributeDetails", attribute_list(by_id(999)),
             "Unknown attribute 999 in database DORSA_SAMPLES"),
            ("Browse", "GetAttributeMinMax", attribute_list(by_id(101)) +
             "<brow:unitConversionContext><zbt:unitSystem>Cubits</zbt:unitSystem></brow:unitConversionContext>",
             "Unknown unit system: Cubits"),
            ("Browse", "GetRecordAttributes",
             f"<zbt:recordReferences><zbt:record>{record(1001, db='<zbt:dbKey>NO_DB</zbt:dbKey>')}</zbt:record>"
             "</zbt:recordReferences>", "Unknown database key: NO_DB"),
            ("Browse", "GetParameterDetails",
             f"<zbt:parameterReferences><zbt:parameter>{DB}<zbt:name>Strain</zbt:name></zbt:parameter>"
             f"</zbt:parameterReferences><brow:functionalAttribute>{by_id(115)}</brow:functionalAttribute>",
             "Parameter 'Strain' does not apply to attribute 'Fatigue strength'"),
        ]
        for service, operation, content, message in cases:
            with self.subTest(message=message):
                self.assertEqual(self.emulator.post(service, operation, content), (500, message))


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
        status, reply = self.posted("/Browse.svc", "GetTables",
                                    envelope("<brow:GetTables><brow:dbKey>POLY_DB</brow:dbKey></brow:GetTables>"))
        self.assertEqual(status, 200, reply)
        self.assertIn("Grades", reply)
        tables = envelope("<brow:GetTables/>")
        cases = [
            ("an undeclared prefix", "/Browse.svc", "GetTables",
             envelope("<zbt:GetTables><brow:dbKey>DORSA_SAMPLES</brow:dbKey></zbt:GetTables>"), "unbound prefix"),
            ("a body in another namespace", "/Browse.svc", "GetTables",
             tables.replace(f"{ROOT}/16/01/Browse", "urn:elsewhere"), "must hold"),
            ("another operation's SOAPAction", "/Browse.svc", "GetSubsets", tables, "must hold"),
            ("another service's endpoint", "/Search.svc", "GetTables", tables, "does not belong to the Search"),
            ("an operation that takes no body element", "/Browse.svc", "GetDatabases", tables,
             "GetDatabases takes no request element"),
        ]
        for name, path, operation, body, message in cases:
            with self.subTest(name):
                status, reply = self.posted(path, operation, body)
                self.assertEqual(status, 500, reply)
                self.assertIn("<s:Fault>", reply)
                self.assertIn(message, reply)

    def test_asks_for_basic_authentication_when_configured(self):
        guarded = Emulator("--user", "CORP\\jo", "--password", "s3cret")
        try:
            self.assertEqual(self.posted("/Browse.svc", "GetDatabases", envelope(""), guarded.url)[0], 401)
        finally:
            guarded.stop()


if __name__ == "__main__":
    unittest.main(verbosity=2)
