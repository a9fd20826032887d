"""The emulator's ModifyRecordLinks changes the links that GetLinkedRecords reads, and
--state keeps them across restarts.

DORSA_EMULATOR may name the emulator script; by default the one of this source tree is used."""

import json
import os
import tempfile
import unittest

from emulator_process import sample_data
from soap_posting import DB, Emulator, child, history_identity, record

BY_GUID_3003 = f"{DB}<zbt:recordGUID>5e2b8c71-3003-4d19-b6e2-7a3f0c003003</zbt:recordGUID>"


# Requests as the client library writes them

def by_identity(identity, kind="static"):
    return f'{DB}<zbt:recordLinkGroupIdentity zbt:recordLinkGroupType="{kind}">{identity}</zbt:recordLinkGroupIdentity>'


def by_name(name, table="", standard=False):
    within = f"<zbt:table><zbt:tableName>{table}</zbt:tableName></zbt:table>" if table else "<zbt:table/>"
    return (f"{DB}<zbt:name>{'' if standard else within}<zbt:recordLinkGroupName "
            f'zbt:isStandard="{str(standard).lower()}">{name}</zbt:recordLinkGroupName></zbt:name>')


def sources(*identities):
    return "<dat:sourceRecords>" + "".join(f"<dat:sourceRecord>{record(i)}</dat:sourceRecord>"
                                           for i in identities) + "</dat:sourceRecords>"


def unlink_all(*identities):
    return f"<dat:unlinkAllRecords>{sources(*identities)}</dat:unlinkAllRecords>"


def unlink(source, *targets):
    listed = "".join(f"<dat:targetRecord>{record(t)}</dat:targetRecord>" for t in targets)
    return (f"<dat:unlinkRecords><dat:sourceRecords><dat:sourceRecord><dat:record>{record(source)}</dat:record>"
            f"<dat:targetRecords>{listed}</dat:targetRecords></dat:sourceRecord></dat:sourceRecords>"
            "</dat:unlinkRecords>")


def link(source, *targets):
    """Links `source` to each target: an identity, a record reference's content, or either
    with notes and reverse notes in a tuple."""
    listed = ""
    for target in targets:
        target, notes, reverse = target if isinstance(target, tuple) else (target, "", "")
        reference = target if isinstance(target, str) else record(target)
        listed += (f"<dat:targetRecord><dat:record>{reference}</dat:record><dat:notes>{notes}</dat:notes>"
                   f"<dat:reverseNotes>{reverse}</dat:reverseNotes></dat:targetRecord>")
    return (f"<dat:linkRecords><dat:sourceRecords><dat:sourceRecord><dat:record>{record(source)}</dat:record>"
            f"<dat:targetRecords>{listed}</dat:targetRecords></dat:sourceRecord></dat:sourceRecords>"
            "</dat:linkRecords>")


def link_all(source_identities, target_identities):
    targets = "".join(f"<dat:targetRecord>{record(t)}</dat:targetRecord>" for t in target_identities)
    return (f"<dat:linkAllCombinations>{sources(*source_identities)}<dat:targetRecords>{targets}</dat:targetRecords>"
            "</dat:linkAllCombinations>")


def modify(group, *modifications, error_mode="LogAndContinueWherePossible", check_mode="CheckOnlyForwardLinks"):
    return (f"<dat:recordLinkGroup>{group}</dat:recordLinkGroup><dat:importErrorMode>{error_mode}"
            f"</dat:importErrorMode><dat:recordLinkCheckMode>{check_mode}</dat:recordLinkCheckMode>"
            f"<dat:recordLinkModifications>{''.join(modifications)}</dat:recordLinkModifications>")


# Reading replies

def changes(reply, kind):
    """[(source identity, [target identities])] of the "linked" or "unlinked" part of a reply."""
    return [(history_identity(s, "record/recordReference"), [history_identity(t) for t in child(s, "targetRecords")])
            for s in (child(reply, kind) if child(reply, kind) is not None else [])]


class LinkEmulator(Emulator):
    def modify(self, content):
        return self.post("DataImport", "ModifyRecordLinks", content, "ModifyRecordLinksRequest")

    def changed(self, content):
        """(linked, unlinked) of a modification that must succeed."""
        status, reply = self.modify(content)
        if status != 200:
            raise AssertionError(f"ModifyRecordLinks failed ({status}): {reply}")
        return changes(reply, "linked"), changes(reply, "unlinked")

    def linked(self, identity, group_name):
        """The identities that GetLinkedRecords lists for `identity` in the group direction `group_name`."""
        status, reply = self.post("Browse", "GetLinkedRecords",
                                  f"<zbt:recordLinkGroups><zbt:recordLinkGroup>{by_name(group_name)}"
                                  "</zbt:recordLinkGroup></zbt:recordLinkGroups><zbt:recordReferences><zbt:record>"
                                  f"{record(identity)}</zbt:record></zbt:recordReferences>"
                                  "<brow:populateGUIDs>0</brow:populateGUIDs>")
        if status != 200:
            raise AssertionError(f"GetLinkedRecords failed ({status}): {reply}")
        found = child(reply, "sourceRecords/sourceRecord/recordLinkGroups/recordLinkGroup/linkedRecords")
        return [history_identity(r) for r in found]


class FreshEmulator(unittest.TestCase):
    """Each case against an emulator of its own, so that no case sees another's links."""

    arguments = ()

    def emulator(self):
        emulator = LinkEmulator(*self.arguments)
        self.addCleanup(emulator.stop)
        return emulator


# The sample links of "Suppliers" (61; seen from the suppliers: "Supplied materials", 62):
# 1001 and 1004 to 3001; 1002, 1005 and 1006 to 3002; 1003 to 3003.
class ChangesReadBack(FreshEmulator):
    def test_each_change_shows_in_the_linked_records(self):
        # Adding by identity, removing and unlinking all by name in a table: cli_import_test's link tests.
        cases = [
            ("add by standard name, target by GUID",
             modify(by_name("Supplier", standard=True), link(1004, BY_GUID_3003)),
             ([(1004, [3003])], []), [(1004, "Suppliers", [3001, 3003])]),
            ("link all combinations", modify(by_identity(61), link_all([1001, 1003], [3002, 3003])),
             ([(1001, [3002, 3003]), (1003, [3002])], []),
             [(1001, "Suppliers", [3001, 3002, 3003]), (1003, "Suppliers", [3002, 3003])]),
            ("removed, then added again in the order sent",
             modify(by_identity(61), unlink_all(1001), link(1001, (3001, "checked", ""), 3002)),
             ([(1001, [3001, 3002])], [(1001, [3001])]), [(1001, "Suppliers", [3001, 3002])]),
            ("existing links and absent ones change nothing",
             modify(by_identity(61), unlink(1003, 3001), link(1001, 3001), unlink_all(1100)),
             ([], []), [(1001, "Suppliers", [3001]), (1003, "Suppliers", [3003])]),
        ]
        for name, content, expected, reads in cases:
            with self.subTest(name):
                emulator = self.emulator()
                self.assertEqual(emulator.changed(content), expected)
                for identity, group, linked in reads:
                    self.assertEqual(emulator.linked(identity, group), linked, f"{identity} in {group}")

    def test_fault_mode_leaves_the_links_and_continue_mode_makes_the_good_ones(self):
        emulator = self.emulator()
        content = [by_identity(61), link(1001, 3003, 4001), unlink(999999, 3001), unlink(1002, 3002)]
        status, fault = emulator.modify(modify(*content, error_mode="FaultAndRollbackOnAnyError"))
        self.assertEqual(status, 500)
        self.assertEqual(fault, "The links were left as they were: link change 1: record 4001 is in table "
                                "Standards, but the target records of link group Suppliers are in Suppliers")
        self.assertEqual((emulator.linked(1001, "Suppliers"), emulator.linked(1002, "Suppliers")), ([3001], [3002]))
        self.assertEqual(emulator.changed(modify(*content)), ([(1001, [3003])], [(1002, [3002])]))
        self.assertEqual((emulator.linked(1001, "Suppliers"), emulator.linked(1002, "Suppliers")),
                         ([3001, 3003], []))

    def test_refused_requests_change_nothing(self):
        cases = [
            (modify(by_identity(63, "dynamic"), link(1001, 4002)),
             "Link group Standards is dynamic: its links cannot be changed"),
            (modify(by_identity(63), unlink_all(1001)), "Link group Standards is dynamic: its links cannot be changed"),
            (modify(by_identity(99), link(1001, 3003)), "Unknown record link group 99 in database DORSA_SAMPLES"),
            (modify(by_name("Suppliers", "Suppliers"), link(1001, 3003)),
             "Unknown record link group 'Suppliers' in database DORSA_SAMPLES"),
            (modify("", link(1001, 3003)), "ModifyRecordLinks names no record link group"),
            (modify(by_identity(61), link(1001, 3003), error_mode="Rollback"), "Unknown importErrorMode: Rollback"),
            (modify(by_identity(61), link(1001, 3003), check_mode="checkForwardAndReverseLinks"),
             "Unknown recordLinkCheckMode: checkForwardAndReverseLinks"),
            (modify(by_identity(61), link(1001, 3003), "<dat:moveLinks/>"),
             "Link change 2 is moveLinks, which is no record link modification"),
        ]
        emulator = self.emulator()
        for content, message in cases:
            with self.subTest(message=message):
                self.assertEqual(emulator.modify(content), (500, message))
        self.assertEqual((emulator.linked(1001, "Suppliers"), emulator.linked(1001, "Standards")), ([3001], [4001]))


class CheckModes(FreshEmulator):
    """A group that links the alloy records among themselves, where a link can run either way."""

    def setUp(self):
        data = sample_data()
        data["databases"][0]["linkGroups"].append({"id": 65, "name": "Similar", "type": "static", "from": 1,
                                                   "to": 1, "reverse": {"id": 66, "name": "Similar to"},
                                                   "links": [[1001, 1004]]})
        directory = tempfile.TemporaryDirectory()
        self.addCleanup(directory.cleanup)
        self.arguments = ("--data", os.path.join(directory.name, "similar.json"))
        with open(self.arguments[1], "w", encoding="utf-8") as written:
            json.dump(data, written)

    def test_reverse_links_count_only_when_asked(self):
        cases = [
            (link(1004, 1001), "CheckOnlyForwardLinks", ([(1004, [1001])], []), [1001]),
            (link(1004, 1001), "CheckForwardAndReverseLinks", ([], []), []),
            (unlink(1004, 1001), "CheckOnlyForwardLinks", ([], []), []),
            (unlink(1004, 1001), "CheckForwardAndReverseLinks", ([], [(1004, [1001])]), []),
            (unlink_all(1004), "CheckOnlyForwardLinks", ([], []), []),
            (unlink_all(1004), "CheckForwardAndReverseLinks", ([], [(1004, [1001])]), []),
        ]
        for modification, check_mode, expected, similar_to_1004 in cases:
            with self.subTest(modification=modification[:20], check_mode=check_mode):
                emulator = self.emulator()
                self.assertEqual(emulator.changed(modify(by_identity(65), modification, check_mode=check_mode)),
                                 expected)
                self.assertEqual(emulator.linked(1004, "Similar"), similar_to_1004)
                self.assertEqual(emulator.linked(1001, "Similar"), [] if expected[1] else [1004])


class StateKeepsLinkChanges(unittest.TestCase):
    def test_links_and_their_notes_survive_a_restart(self):
        with tempfile.TemporaryDirectory() as directory:
            state = os.path.join(directory, "state.json")
            emulator = LinkEmulator("--state", state)
            try:
                emulator.changed(modify(by_identity(62), link(3003, (1004, "from the supplier", "from the alloy")),
                                        unlink(3002, 1002)))
            finally:
                emulator.stop()
            with open(state, encoding="utf-8") as saved:
                suppliers = json.load(saved)["databases"][0]["linkGroups"][0]
            self.assertEqual(suppliers["links"], [[1001, 3001], [1004, 3001], [1005, 3002], [1006, 3002],
                                                  [1003, 3003], [1004, 3003]])
            # Kept as seen from the forward direction: the alloy's notes first.
            self.assertEqual(suppliers["linkNotes"], [{"link": [1004, 3003], "notes": "from the alloy",
                                                       "reverseNotes": "from the supplier"}])
            emulator = LinkEmulator("--state", state)
            try:
                self.assertEqual(emulator.linked(1004, "Suppliers"), [3001, 3003])
                self.assertEqual(emulator.linked(1002, "Suppliers"), [])
                emulator.changed(modify(by_identity(61), unlink(1004, 3003)))
            finally:
                emulator.stop()
            with open(state, encoding="utf-8") as saved:
                self.assertNotIn("linkNotes", json.load(saved)["databases"][0]["linkGroups"][0])


if __name__ == "__main__":
    unittest.main()
