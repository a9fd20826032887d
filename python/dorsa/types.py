"""The read-only objects every call returns.

Each is a named tuple: its fields read as attributes, it prints as it was made, and it can be
unpacked. Records, tables, attributes and parameters found in one result can be passed back
to any call that takes one.
"""
from __future__ import annotations

from typing import Dict, List, NamedTuple, Optional, Union

# --- References ------------------------------------------------------------------------


class Database(NamedTuple):
    db_key: str
    name: str


class TableRef(NamedTuple):
    db_key: Optional[str]
    name: Optional[str]
    id: int
    guid: Optional[str]


class AttributeRef(NamedTuple):
    db_key: Optional[str]
    name: Optional[str]
    id: int
    table: Optional[TableRef]
    is_standard: bool


class RecordRef(NamedTuple):
    db_key: Optional[str]
    identity: int
    guid: Optional[str]
    history_guid: Optional[str]


class ParameterRef(NamedTuple):
    db_key: Optional[str]
    id: int
    name: Optional[str]


class SubsetRef(NamedTuple):
    db_key: Optional[str]
    identity: int
    name: Optional[str]
    table: Optional[TableRef]


class LinkGroupRef(NamedTuple):
    db_key: Optional[str]
    identity: int
    name: Optional[str]
    type: Optional[str]
    table: Optional[TableRef]
    standard: bool


class Revision(NamedTuple):
    created: Optional[str]
    created_user: Optional[str]
    modified: Optional[str]
    modified_user: Optional[str]
    update_count: int


# --- Browse ----------------------------------------------------------------------------


class TableDetail(NamedTuple):
    table: TableRef
    attributes: List[AttributeRef]
    standard_attributes: List[AttributeRef]
    filters: List[str]

    @property
    def name(self) -> Optional[str]:
        return self.table.name


class Column(NamedTuple):
    name: str
    kind: str
    data_type: Optional[str]
    unit: Optional[str]
    discrete_values: List[str]


class NamedAttribute(NamedTuple):
    attribute: Optional[AttributeRef]
    name: str
    is_meta: bool


class AttributeDetail(NamedTuple):
    attribute: Optional[AttributeRef]
    name: str
    identity: int
    type: str
    unit: Optional[str]
    default_threshold: Optional[str]
    discrete_values: List[str]
    order: int
    searchable: bool
    multi_valued: bool
    chartable: bool
    axis_name: Optional[str]
    columns: List[Column]
    is_meta: bool
    meta_about: Optional[str]
    help_uri: Optional[str]
    revision: Optional[Revision]


class AttributeRange(NamedTuple):
    attribute: Optional[AttributeRef]
    unit: Optional[str]
    min: Union[float, int, str, None]
    max: Union[float, int, str, None]


class ParameterChoice(NamedTuple):
    value: float
    name: Optional[str]


class ParameterDetail(NamedTuple):
    parameter: Optional[ParameterRef]
    name: str
    unit: Optional[str]
    type: str
    scale: str
    interpolation: str
    default: Optional[ParameterChoice]
    values: List[ParameterChoice]
    applies_to_attribute: Optional[AttributeRef]
    applies_to_record: Optional[RecordRef]
    order: int
    help_uri: Optional[str]
    revision: Optional[Revision]


class RecordAttribute(NamedTuple):
    record: RecordRef
    attribute: Optional[AttributeRef]
    name: str
    is_meta: bool
    has_data: bool
    data_version: int
    created_version: int
    retired_version: int
    parameters: List[ParameterDetail]
    revision: Optional[Revision]


class Subset(NamedTuple):
    subset: Optional[SubsetRef]
    name: str
    table: Optional[TableRef]


class Currency(NamedTuple):
    code: str
    name: str
    factor: float


class UnitSystems(NamedTuple):
    db_key: Optional[str]
    unit_systems: List[str]
    currencies: List[Currency]


class Conversion(NamedTuple):
    source: str
    target: str
    factor: float
    offset: float


class UnitSystemConversions(NamedTuple):
    unit_system: Optional[str]
    currency: Optional[str]
    conversions: List[Conversion]


class UnitConversions(NamedTuple):
    db_key: Optional[str]
    source_units: List[Conversion]
    unit_systems: List[UnitSystemConversions]


class Unit(NamedTuple):
    symbol: str
    has_currency: bool


class TreeRecord(NamedTuple):
    record: RecordRef
    name: str
    short_name: str
    type: Optional[str]
    color: str
    parent_identity: int
    has_children: bool
    children: List["TreeRecord"]


class NamedRecord(NamedTuple):
    record: RecordRef
    name: str
    short_name: str


class LinkGroup(NamedTuple):
    reference: Optional[LinkGroupRef]
    reverse_reference: Optional[LinkGroupRef]
    name: str
    reverse_name: Optional[str]
    type: Optional[str]
    from_table: Optional[TableRef]
    to_table: Optional[TableRef]
    standard_names: List[str]


class RecordVersion(NamedTuple):
    record: Optional[RecordRef]
    state: str


class LinkedGroup(NamedTuple):
    name: str
    records: List[NamedRecord]
    filters: List[str]
    standard_names: List[str]


class SourceRecord(NamedTuple):
    record: Optional[RecordRef]
    groups: List[LinkedGroup]


class MetaAttributes(NamedTuple):
    attribute: Optional[AttributeRef]
    meta_attributes: List[NamedAttribute]


# --- Search ----------------------------------------------------------------------------


class SearchHit(NamedTuple):
    record: RecordRef
    name: str
    short_name: str
    ranking: Optional[str]
    color: Optional[str]
    record_type: Optional[str]


# --- Record data: one class per kind of value -------------------------------------------
# Every value ends with the same three fields: not_applicable, fallback (the value came from
# a fallback source) and data_version (None when the server gave none).

ParameterValue = Union[float, str, None]


class ParameterInfo(NamedTuple):
    name: str
    unit: Optional[str]


class PointItem(NamedTuple):
    value: float
    parameters: Dict[str, ParameterValue]


class Point(NamedTuple):
    type: str
    unit: Optional[str]
    estimated: bool
    points: List[PointItem]
    parameters: List[ParameterInfo]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class Range(NamedTuple):
    type: str
    unit: Optional[str]
    estimated: bool
    low: Optional[float]
    high: Optional[float]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class Scalar(NamedTuple):
    """An integer (INPT), logical (LOGI), short or long text (STXT, LTXT) or date (DTTM)."""
    type: str
    value: Union[int, bool, str]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class Hyperlink(NamedTuple):
    type: str
    url: str
    description: Optional[str]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class Discrete(NamedTuple):
    type: str
    values: List[str]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class File(NamedTuple):
    type: str
    file_name: Optional[str]
    description: Optional[str]
    content_type: Optional[str]
    url: Optional[str]
    data: Optional[bytes]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class Picture(NamedTuple):
    type: str
    content_type: Optional[str]
    url: Optional[str]
    data: Optional[bytes]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class TableColumn(NamedTuple):
    name: str
    kind: str


class TableRow(NamedTuple):
    identity: int
    linking_value: Optional[str]
    linked_records: List[RecordRef]
    cells: List[object]


class Table(NamedTuple):
    type: str
    columns: List[TableColumn]
    rows: List[TableRow]
    summary: Optional[TableRow]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class ListItem(NamedTuple):
    source_record_history_id: int
    value: object


class ListValue(NamedTuple):
    type: str
    items: List[ListItem]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class SeriesPoint(NamedTuple):
    x: ParameterValue
    y: Optional[float]
    low_y: Optional[float]
    high_y: Optional[float]
    estimated: bool


class SeriesLine(NamedTuple):
    decoration: str
    constraints: Dict[str, ParameterValue]
    points: List[SeriesPoint]


class Series(NamedTuple):
    type: str
    unit: Optional[str]
    parameters: List[ParameterInfo]
    x_axis: Optional[str]
    logarithmic_y: bool
    series: List[SeriesLine]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class GridValue(NamedTuple):
    value: Optional[float]
    low: Optional[float]
    high: Optional[float]
    estimated: bool
    constraints: Dict[str, ParameterValue]


class Grid(NamedTuple):
    type: str
    unit: Optional[str]
    parameters: List[ParameterInfo]
    decoration: Optional[str]
    values: List[GridValue]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class LinkedRecords(NamedTuple):
    type: str
    groups: List[LinkedGroup]
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


class Empty(NamedTuple):
    type: str
    not_applicable: bool
    fallback: bool
    data_version: Optional[int]


Value = Union[Point, Range, Scalar, Hyperlink, Discrete, File, Picture, Table, ListValue, Series, Grid,
              LinkedRecords, Empty]


class AttributeValue(NamedTuple):
    attribute: str
    attribute_id: int
    standard_name: Optional[str]
    data_type: str
    value: Optional[Value]


class RecordData(NamedTuple):
    record: RecordRef
    values: List[AttributeValue]

    def value(self, attribute: str) -> Optional[Value]:
        """The value of the attribute named `attribute`, or None when the record has none."""
        for item in self.values:
            if item.attribute == attribute or item.standard_name == attribute:
                return item.value
        return None


class RecordDataList(list):
    """The records a value read returned, in the order asked for."""

    def to_dataframe(self, *, units: str = "columns"):
        """The records as a pandas DataFrame; see dorsa.frames.to_dataframe."""
        from .frames import to_dataframe
        return to_dataframe(self, units=units)


# --- Import and engineering data ----------------------------------------------------------


class AttributeAddress(NamedTuple):
    attribute: Optional[str]
    attribute_id: int
    standard_name: Optional[str]
    url: str


class RecordAddresses(NamedTuple):
    record: Optional[RecordRef]
    addresses: List[AttributeAddress]


class LinkedSource(NamedTuple):
    record: Optional[NamedRecord]
    targets: List[NamedRecord]


class LinkChanges(NamedTuple):
    linked: List[LinkedSource]
    unlinked: List[LinkedSource]


class Exporter(NamedTuple):
    key: str
    name: Optional[str]
    package: Optional[str]
    model: Optional[str]
    description: Optional[str]
    version: int
    validated: bool
    transforms: List[str]
    population: Optional[str]


class RecordExporters(NamedTuple):
    record: Optional[RecordRef]
    exporters: List[Exporter]


class ParameterDomain(NamedTuple):
    values: List[ParameterValue]
    interpolable: bool
    exporter_parameter_id: Optional[str]


class ExporterParameter(NamedTuple):
    id: str
    name: str
    unit: Optional[str]
    usage: str


class AttributeExporterParameters(NamedTuple):
    attribute: Optional[NamedAttribute]
    presence: str
    parameters: List[ExporterParameter]
    graph_domains: List[List[ParameterDomain]]


class RecordExporterParameters(NamedTuple):
    record: Optional[RecordRef]
    attributes: List[AttributeExporterParameters]
