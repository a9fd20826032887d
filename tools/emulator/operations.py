"""The operations the emulator serves, one row each: the service whose endpoint takes it, the
element its request's Body holds (None when the Body is empty), the namespace prefix of its
reply's elements and the function that answers it."""

from collections import namedtuple

import attributes
import catalogue
import exporters
import importer
import link_changes
import links
import record_data
import search
import tree
import units
import versions

Operation = namedtuple("Operation", "service request_element reply_prefix handler")

# Replies vary their prefixes ("" is the default namespace) as real servers do, so clients
# must match local names.
OPERATIONS = {
    "GetDatabases": Operation("Browse", None, "", catalogue.get_databases),
    "GetTables": Operation("Browse", "GetTables", "a", catalogue.get_tables),
    "GetSubsets": Operation("Browse", "GetSubsets", "b", catalogue.get_subsets),
    "GetAttributeDetails": Operation("Browse", "GetAttributeDetails", "d", attributes.get_attribute_details),
    "GetAttributeMinMax": Operation("Browse", "GetAttributeMinMax", "m", attributes.get_attribute_min_max),
    "GetRecordAttributes": Operation("Browse", "GetRecordAttributes", "r", record_data.get_record_attributes),
    "GetUnitSystems": Operation("Browse", "GetUnitSystems", "a", units.get_unit_systems),
    "GetCurrencies": Operation("Browse", None, "c", units.get_currencies),
    "GetUnitConversions": Operation("Browse", "GetUnitConversionsRequest", "a", units.get_unit_conversions),
    "GetUnits": Operation("Browse", "GetUnitsRequest", "", units.get_units),
    "GetRootNode": Operation("Browse", "GetRootNode", "n", tree.get_root_node),
    "GetChildNodes": Operation("Browse", "GetChildNodes", "", tree.get_child_nodes),
    "GetRecordLinkGroups": Operation("Browse", "GetRecordLinkGroups", "l", links.get_record_link_groups),
    "GetRecordVersions": Operation("Browse", "GetRecordVersions", "v", versions.get_record_versions),
    "GetLinkedRecords": Operation("Browse", "GetLinkedRecords", "", links.get_linked_records),
    "GetAttributeParameters": Operation("Browse", "GetAttributeParameters", "", attributes.get_attribute_parameters),
    "GetParameterDetails": Operation("Browse", "GetParameterDetails", "p", attributes.get_parameter_details),
    "GetMetaAttributes": Operation("Browse", "GetMetaAttributes", "", attributes.get_meta_attributes),
    "GetTreeRecords": Operation("Browse", "GetTreeRecords", "n", tree.get_tree_records),
    "SimpleTextSearch": Operation("Search", "SimpleTextSearch", "s", search.simple_text_search),
    "CriteriaSearch": Operation("Search", "CriteriaSearch", "k", search.criteria_search),
    "RecordNameSearch": Operation("Search", "RecordNameSearch", "", search.record_name_search),
    "GetRecordAttributesByRef": Operation("DataExport", "GetRecordAttributesByRef", "x",
                                          record_data.get_record_attributes_by_ref),
    "SetRecordAttributes": Operation("DataImport", "SetRecordAttributesRequest", "i", importer.set_record_attributes),
    "GetUploadAddresses": Operation("DataImport", "GetUploadAddressesRequest", "", importer.get_upload_addresses),
    "ModifyRecordLinks": Operation("DataImport", "ModifyRecordLinksRequest", "j", link_changes.modify_record_links),
    "GetAvailableExporters": Operation("EngineeringData", "GetAvailableExporters", "g",
                                       exporters.get_available_exporters),
    "ExportRecordData": Operation("EngineeringData", "ExportRecordData", "t", exporters.export_record_data),
    "GetExporterParameters": Operation("EngineeringData", "GetExporterParameters", "q",
                                       exporters.get_exporter_parameters),
    "ExportersForRecords": Operation("EngineeringData", "ExportersForRecords", "", exporters.exporters_for_records),
}
