"""The emulator's record tree, link groups, linked records and versions, asked as the
client library asks them.

DORSA_EMULATOR may name the emulator script; by default the one of this source tree is used."""

import unittest

from soap_posting import BASE_TYPES, DB, EmulatorTestCase, child, children, history_identity, record, record_list, text

ALLOYS = "<zbt:tableName>Alloys and Polymers</zbt:tableName>"


def child_nodes(parent, recurse=False, depth=0, guids=False, filter_content=None):
    content = f"<brow:parent>{record(parent)}</brow:parent>"
    content += f"<brow:recordFilter>{filter_content}</brow:recordFilter>" if filter_content is not None else ""
    return content + (f"<brow:recurse>{'true' if recurse else 'false'}</brow:recurse>"
                      f"<brow:recurseMaxDepth>{depth}</brow:recurseMaxDepth>"
                      f"<brow:populateGUIDs>{'true' if guids else 'false'}</brow:populateGUIDs>")


def shape(tree_records):
    """(identity, shape of its children or None) of each tree record."""
    return [(history_identity(r),
             shape(children(child(r, "children"), "treeRecord")) if child(r, "children") is not None else None)
            for r in tree_records]


def group(identity=0, name=""):
    content = DB + (f'<zbt:recordLinkGroupIdentity zbt:recordLinkGroupType="static">{identity}'
                    "</zbt:recordLinkGroupIdentity>" if identity else
                    f'<zbt:name><zbt:recordLinkGroupName zbt:isStandard="false">{name}</zbt:recordLinkGroupName>'
                    "</zbt:name>")
    return f"<zbt:recordLinkGroup>{content}</zbt:recordLinkGroup>"


PROFILE = "<zbt:Profile><zbt:Key>{}</zbt:Key></zbt:Profile>"
FULL_TREE = [(1100, [(1110, [(1001, None), (1004, None)]), (1120, [(1002, [(1006, None)]), (1005, None)])]),
             (1200, [(1003, None)])]


class EmulatorAnswers(EmulatorTestCase):
    service = "Browse"

    def tree_records(self, content):
        return children(child(self.call("GetChildNodes", content), "treeRecords"), "treeRecord")

    def test_root_node_of_a_table(self):
        # The tool asks by table name (cli_tree_test).
        table = "<zbt:tableIdentity>4</zbt:tableIdentity>" + DB
        root = child(self.call("GetRootNode", f"<brow:table>{table}</brow:table>"), "rootNode")
        self.assertEqual((history_identity(root), text(root, "shortName"), root.get("type")),
                         (4000, "Standards", "Folder"))
        self.assertIsNone(child(root, "parentRecordHistoryIdentity"))
        self.assertIsNotNone(child(root, "recordReference/recordGUID"))

    def test_child_nodes_to_each_depth(self):
        # The tool's depths 1, 2 and all are cli_tree_test's.
        cases = [
            ((1000, False, 0), [(1100, None), (1200, None)]),
            ((1000, False, 3), [(1100, None), (1200, None)]),  # the depth counts only when recursing
            ((1000, True, -1), FULL_TREE),
            ((1100, True, 2), [(1110, [(1001, None), (1004, None)]), (1120, [(1002, None), (1005, None)])]),
            ((1001, True, 0), []),
        ]
        for (parent, recurse, depth), expected in cases:
            with self.subTest(parent=parent, recurse=recurse, depth=depth):
                self.assertEqual(shape(self.tree_records(child_nodes(parent, recurse, depth))), expected)

    def test_record_filters_keep_the_path_to_what_passes(self):
        subset = "<zbt:subsetReferences><zbt:subset>" + DB + "<zbt:subsetIdentity>{}</zbt:subsetIdentity>" \
                 "</zbt:subset></zbt:subsetReferences>"
        cases = [
            ("", FULL_TREE),
            (PROFILE.format("METALS_VIEW"), FULL_TREE[:1]),
            (PROFILE.format("POLYMERS_VIEW"), [(1200, [(1003, None)])]),
            (subset.format(13), FULL_TREE),
            (subset.format(21), FULL_TREE),  # a subset of another table says nothing about this one
        ]
        for filter_content, expected in cases:
            with self.subTest(filter=filter_content):
                found = self.tree_records(child_nodes(1000, True, 0, filter_content=filter_content))
                self.assertEqual(shape(found), expected)

    def test_tree_entries_carry_colour_type_parent_and_guids_when_asked(self):
        for guids in (False, True):
            with self.subTest(guids=guids):
                metals, polymers = self.tree_records(child_nodes(1000, True, 0, guids))
                self.assertEqual((metals.get("color"), metals.get("type")), ("Blue", "Folder"))
                self.assertEqual(text(metals, "parentRecordHistoryIdentity"), "1000")
                self.assertEqual(list(metals.keys()), ["color", "type"])
                steel = child(metals, "children/treeRecord/children/treeRecord")
                self.assertEqual((text(steel, "shortName"), steel.get("color"), steel.get("type")),
                                 ("DS-18", None, "Record"))
                self.assertEqual(text(steel, "recordReference/recordGUID"),
                                 "5e2b8c71-1001-4d19-b6e2-7a3f0c001001" if guids else None)
        found = children(child(self.call("GetTreeRecords", record_list(1006, 1001)), "treeRecords"), "treeRecord")
        self.assertEqual([(history_identity(r), text(r, "parentRecordHistoryIdentity"), r.get("type")) for r in found],
                         [(1006, "1002", "Generic"), (1001, "1110", "Record")])
        self.assertTrue(all(child(r, "children") is None for r in found))

    def test_refusals(self):
        # The versions of every record by each selector are cli_tree_test's.
        self.assertFaults([
            ("GetRootNode", f"<brow:table><zbt:tableName>Nothing</zbt:tableName>{DB}</brow:table>",
             "Unknown table Nothing in database DORSA_SAMPLES"),
            ("GetRecordVersions", "<brow:versions>Newest</brow:versions>" + record_list(1001),
             "Unknown version selector: Newest"),
            ("GetRecordLinkGroups", "", "GetRecordLinkGroups names neither a database nor link groups"),
            ("GetRecordLinkGroups", f"<zbt:recordLinkGroups>{group(99)}</zbt:recordLinkGroups>",
             "Unknown record link group 99 in database DORSA_SAMPLES"),
        ])

    def link_groups(self, content):
        return children(child(self.call("GetRecordLinkGroups", content), "recordLinkGroupDetails"), "recordLinkGroup")

    def test_link_groups_by_standard_name_or_by_identity(self):
        # Every group of the database, both directions, and one by name are cli_tree_test's.
        standard = "<brow:database><brow:dbKey>DORSA_SAMPLES</brow:dbKey>" \
                   "<brow:standardNamesOnly>true</brow:standardNamesOnly></brow:database>"
        self.assertEqual([text(g, "name") for g in self.link_groups(standard)], ["Suppliers", "Standards"])
        given = "<zbt:recordLinkGroups>" + group(name="Materials covered") + group(61) + "</zbt:recordLinkGroups>"
        found = self.link_groups(given)
        self.assertEqual([text(g, "name") for g in found], ["Materials covered", "Suppliers"])
        reverse = child(found[1], "reverseRecordLinkGroup")
        self.assertEqual((text(reverse, "recordLinkGroupIdentity"), child(reverse, "recordLinkGroupIdentity").get(
            f"{{{BASE_TYPES}}}recordLinkGroupType"), text(reverse, "name/recordLinkGroupName")),
            ("62", "static", "Supplied materials"))

    def linked(self, records, groups=(), guids=False, filter_content=None):
        content = "<zbt:recordLinkGroups>" + "".join(groups) + "</zbt:recordLinkGroups>" + record_list(*records)
        content += f"<brow:populateGUIDs>{1 if guids else 0}</brow:populateGUIDs>"
        content += f"<brow:recordFilter>{filter_content}</brow:recordFilter>" if filter_content is not None else ""
        sources = children(child(self.call("GetLinkedRecords", content), "sourceRecords"), "sourceRecord")
        return [(history_identity(s, "record"),
                 [(text(g, "name"), [history_identity(r) for r in children(child(g, "linkedRecords"), "record")])
                  for g in children(child(s, "recordLinkGroups"), "recordLinkGroup")]) for s in sources]

    def test_linked_records_group_by_group(self):
        # Those of 1001, 3002, 4002 and 4003 in every group are cli_tree_test's.
        cases = [
            (([1001, 3001], [group(63)]), [(1001, [("Standards", [4001])]), (3001, [])]),
            (([3002], (), False, PROFILE.format("POLYMERS_VIEW")), [(3002, [("Supplied materials", [])])]),
            (([3002], (), False, PROFILE.format("METALS_VIEW")),
             [(3002, [("Supplied materials", [1002, 1005, 1006])])]),
            # the filter narrows the linked records of the filter's table only
            (([1003], (), False, PROFILE.format("METALS_VIEW")),
             [(1003, [("Suppliers", [3003]), ("Standards", [4003])])]),
        ]
        for arguments, expected in cases:
            with self.subTest(arguments=arguments):
                self.assertEqual(self.linked(*arguments), expected)

    def test_linked_records_carry_filters_standard_names_and_guids_when_asked(self):
        for guids, shown in ((False, None), (True, "5e2b8c71-3001-4d19-b6e2-7a3f0c003001")):
            content = f"<zbt:recordLinkGroups/>{record_list(1001)}<brow:populateGUIDs>{int(guids)}</brow:populateGUIDs>"
            source = child(self.call("GetLinkedRecords", content), "sourceRecords/sourceRecord")
            suppliers = child(source, "recordLinkGroups/recordLinkGroup")
            self.assertEqual([f.text for f in children(child(suppliers, "tableFilters"), "tableFilter")],
                             ["ProducersTablesOnly", "ReferenceTablesOnly"])
            self.assertEqual(text(suppliers, "standardNames/standardName"), "Supplier")
            supplier = child(suppliers, "linkedRecords/record")
            self.assertEqual((text(supplier, "shortName"), text(supplier, "fullName")),
                             ("Orvane", "Orvane Steel Works"))
            self.assertEqual(text(supplier, "recordReference/recordGUID"), shown)
            self.assertEqual(text(source, "record/recordGUID"),
                             "5e2b8c71-1001-4d19-b6e2-7a3f0c001001" if guids else None)


if __name__ == "__main__":
    unittest.main(verbosity=2)
