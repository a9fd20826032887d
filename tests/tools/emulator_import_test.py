"""The emulator's import operations change what it serves, and --state keeps it across restarts.

DORSA_EMULATOR may name the emulator script; by default the one of this source tree is used."""

import base64
import json
import os
import tempfile
import unittest
import urllib.request
from xml.etree import ElementTree

from emulator_process import sample_data
from emulator_search_test import text_search
from emulator_tree_test import child_nodes
from soap_posting import DB, Emulator, EmulatorTestCase, by_id, child, fixture, history_identity, record, text


# One value of every type that can be imported, for the attributes of "Alloys and Polymers", as
# the client library writes it for import, an importAttributeValue a line. How the library reads
# such values back is cli_import_test's round trip.
EVERY_TYPE = fixture("every_type_import.xml").splitlines()


def value_import(attribute_id, value=None):
    content = f"<zbt:value>{value}</zbt:value>" if value is not None else ""
    return f"<zbt:importAttributeValue><zbt:attribute>{by_id(attribute_id)}</zbt:attribute>{content}" \
        "</zbt:importAttributeValue>"


def import_record(mode, *values, name="", reference=None, parent=None, release=True, folder=False):
    parts = ["<zbt:importAttributeValues>" + "".join(values) + "</zbt:importAttributeValues>"]
    parts.append("<zbt:releaseRecord>1</zbt:releaseRecord>" if release else "")
    parts.append(f"<zbt:recordName>{name}</zbt:recordName>" if name else "")
    parts.append(f"<zbt:isFolder>{int(folder)}</zbt:isFolder>")
    if mode == "update":
        parts.append(f"<zbt:record>{record(reference)}</zbt:record>")
    elif mode == "create":
        parts.append(f"<zbt:parentRecord>{record(parent)}</zbt:parentRecord>")
    else:
        parts.append(f"<zbt:sourceRecord>{record(reference)}</zbt:sourceRecord>"
                     f"<zbt:parentRecord>{record(parent)}</zbt:parentRecord>")
    return f"<zbt:{mode}>{''.join(parts)}</zbt:{mode}>"


def import_request(*records, mode="LogAndContinueWherePossible", threshold=0):
    control = f'<dat:transactionControl zbtCommitThreshold="{threshold}"/>' if threshold else ""
    return (f"<dat:importRecords>{''.join(records)}</dat:importRecords>"
            f"<dat:importErrorMode>{mode}</dat:importErrorMode>{control}")


class ImportEmulator(Emulator):
    def set_attributes(self, content):
        return self.post("DataImport", "SetRecordAttributes", content, "SetRecordAttributesRequest")

    def imported(self, content):
        """The identities of the records an import that must succeed wrote."""
        status, reply = self.set_attributes(content)
        if status != 200:
            raise AssertionError(f"import failed ({status}): {reply}")
        return [history_identity(r) for r in child(reply, "recordsImported")]

    def values(self, identity, binary="Inline"):
        """{attribute identity: the value element} of one record."""
        status, reply = self.post("DataExport", "GetRecordAttributesByRef",
                                  "".join(f'<exp:result xsi:type="zbt:DorsaAttributeReference">{DB}'
                                          f"<zbt:attributeIdentity>{a}</zbt:attributeIdentity></exp:result>"
                                          for a in range(101, 116)) +
                                  f"<exp:recordReference>{record(identity)}</exp:recordReference>"
                                  f"<exp:binaryDataRepresentation>{binary}</exp:binaryDataRepresentation>")
        if status != 200:
            raise AssertionError(f"reading record {identity} failed ({status}): {reply}")
        values = child(child(reply, "results/recordData"), "attributeValues")
        return {int(text(v, "AttributeIdentity")): v[2] for v in values}

    def name(self, identity):
        status, reply = self.post("DataExport", "GetRecordAttributesByRef",
                                  '<exp:result xsi:type="zbt:DorsaAttributeReference"><zbt:name zbt:isStandard="true">'
                                  "<zbt:pseudo>name</zbt:pseudo></zbt:name></exp:result>"
                                  f"<exp:recordReference>{record(identity)}</exp:recordReference>")
        return text(child(reply, "results/recordData/attributeValues/attributeValue"), "ShortTextDataValue") \
            if status == 200 else None


class ImportChangesTheData(EmulatorTestCase):
    emulator_class = ImportEmulator

    def test_a_new_record_holds_the_binary_content_imported(self):
        # The library reads the rest of every type back in cli_import_test; content it only sizes.
        [identity] = self.emulator.imported(import_request(import_record("create", *EVERY_TYPE, name="DS-19",
                                                                         parent=1001)))
        read = self.emulator.values(identity)
        self.assertEqual([base64.b64decode(text(read[a], "data")) for a in (106, 114)], [b"sheet \x00\xff", b"\x89PNG"])

    def test_fault_mode_rolls_the_whole_batch_back(self):
        before = self.emulator.values(1002)
        [probe] = self.emulator.imported(import_request(import_record("create", name="Probe", parent=1001)))
        good = import_record("update", value_import(107, "<zbt:ShortTextDataValue>Changed</zbt:ShortTextDataValue>"),
                             reference=1002)
        created = import_record("create", name="Never kept", parent=1001)
        bad = import_record("update", value_import(107, "<zbt:IntegerDataValue>3</zbt:IntegerDataValue>"),
                            reference=1002)
        status, fault = self.emulator.set_attributes(import_request(good, created, bad,
                                                                    mode="FaultAndRollbackOnAnyError"))
        self.assertEqual(status, 500)
        self.assertIn("Import record 3", fault)
        self.assertEqual({a: ElementTree.tostring(v) for a, v in self.emulator.values(1002).items()},
                         {a: ElementTree.tostring(v) for a, v in before.items()})
        # Nothing was created in between: the next new record follows the one made before the batch.
        [after] = self.emulator.imported(import_request(import_record("create", name="Probe", parent=1001)))
        self.assertEqual(after, probe + 1)

    def test_continue_mode_imports_what_it_can(self):
        bad_parent = import_record("create", name="Orphan", parent=999999)
        bad_value = import_record("create", value_import(111, "<zbt:DiscreteDataValue><zbt:Discrete>Dreadful"
                                                              "</zbt:Discrete></zbt:DiscreteDataValue>"),
                                  name="Bad choice", parent=1001)
        good = import_record("create", name="Kept", parent=1001)
        [identity] = self.emulator.imported(import_request(bad_parent, bad_value, good))
        self.assertEqual(self.emulator.name(identity), "Kept")

    def test_commit_threshold_keeps_the_batches_committed_before_a_fault(self):
        first = import_record("create", name="Committed first", parent=1001)
        bad = import_record("create", name="", parent=1001)
        status, _ = self.emulator.set_attributes(import_request(first, bad, mode="FaultAndRollbackOnAnyError",
                                                                threshold=1))
        self.assertEqual(status, 500)
        [probe] = self.emulator.imported(import_request(import_record("create", name="After", parent=1001)))
        self.assertEqual(self.emulator.name(probe - 1), "Committed first")

    def test_created_folders_and_records_take_their_place_in_the_tree_and_in_searches(self):
        [folder] = self.emulator.imported(import_request(import_record("create", name="Castings", parent=1100,
                                                                       folder=True)))
        [cast, copied] = self.emulator.imported(import_request(
            import_record("create", name="DS-30 cast", parent=folder),
            import_record("copy", name="DA-61 cast", reference=1002, parent=folder)))

        def below(parent):
            reply = self.call("GetChildNodes", child_nodes(parent), "Browse")
            return [(history_identity(r), text(r, "fullName"), r.get("type"), text(r, "parentRecordHistoryIdentity"))
                    for r in child(reply, "treeRecords")]

        self.assertEqual(below(1100)[-1], (folder, "Castings", "Folder", "1100"))
        self.assertEqual(below(folder), [(cast, "DS-30 cast", "Record", str(folder)),
                                         (copied, "DA-61 cast", "Record", str(folder))])

        def found(words):
            return [history_identity(r) for r in self.call("SimpleTextSearch", text_search(words), "Search")]

        self.assertEqual(found("DS-30"), [cast])
        self.assertEqual(found("cast"), [copied, cast])
        self.assertEqual(found("Castings"), [])  # a folder only holds records

    def test_uploaded_file_is_what_a_later_read_points_at(self):
        # What is served back and the refusal of a text attribute: cli_import_test and cli_details_test.
        reply = self.call("GetUploadAddresses", f"<dat:records><dat:record>{record(1002)}</dat:record></dat:records>"
                          f"<dat:attributes><dat:attribute>{by_id(106)}</dat:attribute></dat:attributes>",
                          "DataImport", "GetUploadAddressesRequest")
        url = text(reply, "records/record/attributes/attribute/URL")
        upload = urllib.request.Request(url, data=b"uploaded \x01 bytes", method="PUT",
                                        headers={"Content-Type": "application/x-test"})
        with urllib.request.urlopen(upload, timeout=30) as answer:
            self.assertEqual(answer.status, 201)
        self.assertEqual(text(self.emulator.values(1002, binary="URL")[106], "URL"), url)


class StateSurvivesARestart(unittest.TestCase):
    def test_the_state_holds_what_was_served_and_committed(self):
        data = sample_data()
        data["maintainer"] = "Materials lab, bench 4"  # a key the emulator does not read
        with tempfile.TemporaryDirectory() as directory:
            source, state = os.path.join(directory, "data.json"), os.path.join(directory, "state.json")
            with open(source, "w", encoding="utf-8") as output:
                json.dump(data, output)
            emulator = ImportEmulator("--data", source, "--state", state)
            try:
                # one value of every type, all of which the restarted emulator's checks must take
                [identity] = emulator.imported(import_request(import_record(
                    "create", *EVERY_TYPE,
                    name="Kept across restarts", parent=1001)))
                values = emulator.values(identity)
                exporters = self.exporters(emulator)
            finally:
                emulator.stop()
            self.assertEqual(sorted(os.listdir(directory)), ["data.json", "state.json"])
            with open(state, encoding="utf-8") as saved:
                written = json.load(saved)
            self.assertEqual(written["databases"][0]["tables"][0]["records"][-1]["parent"], 1001)
            self.assertEqual({k: v for k, v in written.items() if k != "databases"},
                             {k: v for k, v in data.items() if k != "databases"})
            emulator = ImportEmulator("--state", state)
            try:
                self.assertEqual(emulator.name(identity), "Kept across restarts")
                self.assertEqual({a: ElementTree.tostring(v) for a, v in emulator.values(identity).items()},
                                 {a: ElementTree.tostring(v) for a, v in values.items()})
                self.assertEqual(self.exporters(emulator), exporters)
            finally:
                emulator.stop()
        self.assertEqual(exporters, ["sheetwise.csv.v1", "sheetwise.csv.v2", "jsonic.record.v1", "strata.card.v3"])

    def exporters(self, emulator):
        status, reply = emulator.post("EngineeringData", "GetAvailableExporters", "")
        self.assertEqual(status, 200, reply)
        return [text(entry, "key") for entry in reply]


if __name__ == "__main__":
    unittest.main()
