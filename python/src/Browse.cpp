// session.browse: the catalogue, units, attribute metadata, the record tree, links and versions.

#include "Binding.h"

namespace dorsapy {

namespace {

// A link group: its name, its int identity or a LinkGroupRef.
Ptr<dsl::RecordLinkGroupReference> LinkGroup(const std::string& db, const py::handle& group)
{
    Ptr<dsl::RecordLinkGroupReference> reference = new dsl::RecordLinkGroupReference;
    reference->SetDBKey(db);
    if (PyObject_IsInstance(group.ptr(), Classes().LinkGroupRef.ptr()) == 1) {
        reference->SetRecordLinkGroupIdentity(group.attr("identity").cast<int>());
        if (!group.attr("name").is_none()) {
            reference->SetName(group.attr("name").cast<std::string>());
        }
    } else if (py::isinstance<py::int_>(group)) {
        reference->SetRecordLinkGroupIdentity(group.cast<int>());
    } else if (py::hasattr(group, "reference")) {
        return LinkGroup(db, group.attr("reference"));
    } else {
        reference->SetName(group.cast<std::string>());
    }
    return reference;
}

std::vector<Ptr<dsl::RecordLinkGroupReference>> LinkGroups(const std::string& db, const py::handle& groups)
{
    std::vector<Ptr<dsl::RecordLinkGroupReference>> references;
    if (groups.is_none()) {
        return references;
    }
    if (py::isinstance<py::str>(groups) || py::isinstance<py::int_>(groups) || py::hasattr(groups, "_fields")) {
        references.push_back(LinkGroup(db, groups));
        return references;
    }
    for (const py::handle& group : groups) {
        references.push_back(LinkGroup(db, group));
    }
    return references;
}

template <class Request>
Ptr<Request> AttributesRequest(const std::string& db, const py::object& table, const py::object& attributes)
{
    Ptr<Request> request = new Request;
    for (const Ptr<dsl::AttributeReference>& attribute : Attributes(db, table, attributes)) {
        request->AddAttributeReference(attribute);
    }
    return request;
}

py::list Filters(const std::vector<dsl::TableFilters::eTablesFilter>& filters)
{
    py::list list;
    for (dsl::TableFilters::eTablesFilter filter : filters) {
        list.append(dsl::TableFilters::ToString(filter));
    }
    return list;
}

py::object Conversions(const std::vector<dsl::UnitConversion::Conversion>& conversions)
{
    py::list list;
    for (const dsl::UnitConversion::Conversion& conversion : conversions) {
        list.append(Classes().Conversion(conversion.sourceSymbol, conversion.targetSymbol, conversion.factor,
                                         conversion.offset));
    }
    return list;
}

py::object MinMax(const Ptr<dsl::MinMaxValue>& value)
{
    if (!value) {
        return py::none();
    }
    switch (value->GetType()) {
    case dsl::MinMaxValue::Date:
        return py::str(value->GetDateTime());
    case dsl::MinMaxValue::Double:
        return py::float_(value->GetDouble());
    case dsl::MinMaxValue::Integer:
        return py::int_(value->GetInteger());
    case dsl::MinMaxValue::NotANumber:
        return py::float_(std::nan(""));
    default:
        return py::none();
    }
}

py::object Detail(const Ptr<dsl::AttributeDetail>& detail)
{
    PyClasses& classes = Classes();
    py::list columns;
    for (const Ptr<dsl::TabularColumnDetail>& column : detail->GetColumns()) {
        columns.append(classes.Column(column->GetName(), dsl::TabularColumn::Local == column->GetType() ? "local"
                                                                                                        : "linked",
                                      Text(column->GetDataType()), Text(column->GetDatabaseUnit()),
                                      column->GetDiscreteValues()));
    }
    const Ptr<dsl::NamedAttribute> about = detail->GetMetaAboutAttribute();
    const Ptr<dsl::HelpInfo> help = detail->GetHelpInfo();
    return classes.AttributeDetail(Shape(detail->GetAttribute()), detail->GetName(), detail->GetIdentity(),
                                   detail->GetType(), Text(detail->GetDatabaseUnit()),
                                   Text(detail->GetDefaultThreshold()), detail->AccessDiscreteValues(),
                                   detail->GetOrder(), detail->IsSearchable(), detail->IsMultiValued(),
                                   detail->GetChartable(), Text(detail->GetAxisName()), columns, detail->IsMeta(),
                                   about ? Text(about->GetName()) : py::object(py::none()),
                                   help ? Text(help->GetHelpURI()) : py::object(py::none()),
                                   Shape(detail->GetRevisionInfo()));
}

py::object LinkGroupDetail(const Ptr<dsl::RecordLinkGroupDetail>& group)
{
    return Classes().LinkGroup(Shape(group->GetReference()), Shape(group->GetReverseReference()), group->GetName(),
                               Text(group->GetReverseName()), Text(group->GetLinkGroupType()),
                               Shape(group->GetFromTable()), Shape(group->GetToTable()),
                               group->AccessStandardNames());
}

py::object Parameters(dsl::ParameterDetailsReply& reply)
{
    return ShapeAll(reply.AccessAttributeParameters());
}

} // namespace

void BindBrowse(py::module_& module)
{
    using dsl::DorsaSession;
    const auto db = py::arg("db");
    const auto table = py::arg("table");
    const auto attributes = py::arg("attributes");
    const auto records = py::arg("records");

    py::class_<Browse>(module, "Browse", "Browse the catalogue: databases, tables, attributes, units, tree, links.")
        .def(
            "databases",
            [](const Browse& service) {
                dsl::GetDatabasesResponse response;
                RunCall("GetDatabases", response, [&](auto& r) { dsl::GetDatabaseImpl(service.Get()).GetDatabases(&r); });
                py::list list;
                for (const Ptr<dsl::DorsaDatabase>& database : response.AccessDatabases()) {
                    list.append(Classes().Database(database->GetDBKey(), database->GetName()));
                }
                return list;
            },
            "The databases of the server.")
        .def(
            "tables",
            [](const Browse& service, const std::string& db, const std::string& filter, const py::object& selectors) {
                Ptr<dsl::GetTables> request = new dsl::GetTables;
                request->SetDBKey(db);
                request->SetTableFilter(TablesFilter(filter));
                for (const std::string& selector : Strings(selectors)) {
                    request->AddAttributeSelector(dsl::GetTables::AttributeSelector_FromString(selector));
                }
                dsl::GetTablesResponse response;
                RunCall("GetTables", response,
                        [&](auto& r) { dsl::GetTablesImpl(service.Get()).RequestTables(request, &r); });
                PyClasses& classes = Classes();
                py::list list(response.AccessTableDetails().size());
                size_t index = 0;
                for (const Ptr<dsl::TableDetail>& detail : response.AccessTableDetails()) {
                    list[index++] = classes.TableDetail(Shape(detail->GetTableReference()),
                                                        ShapeAll(detail->AccessAttributeReferences()),
                                                        ShapeAll(detail->AccessStandardAttributeReferences()),
                                                        Filters(detail->AccessTableFilters()));
                }
                return list;
            },
            db, py::kw_only(), py::arg("filter") = "", py::arg("selectors") = py::none(),
            "The tables of a database, with the attribute lists `selectors` asks for "
            "(NonMetaAttributes, MetaAttributes, StandardAttributes).")
        .def(
            "attribute_details",
            [](const Browse& service, const std::string& db, const py::object& table, const py::object& attributes) {
                auto request = AttributesRequest<dsl::GetAttributeDetailsRequest>(db, table, attributes);
                dsl::GetAttributeDetailsResponse response;
                RunCall("GetAttributeDetails", response, [&](auto& r) {
                    dsl::GetAttributeDetailsImpl(service.Get()).RequestAttributeDetails(request, &r);
                });
                py::list list;
                for (const Ptr<dsl::AttributeDetail>& detail : response.AccessAttributeDetails()) {
                    list.append(Detail(detail));
                }
                return list;
            },
            db, table, attributes, "Type, unit, flags, columns and discrete values of attributes.")
        .def(
            "attribute_range",
            [](const Browse& service, const std::string& db, const py::object& table, const py::object& attributes,
               const std::string& unitSystem, const std::string& currency, const py::object& absoluteUnits) {
                auto request = AttributesRequest<dsl::GetAttributeMinMaxRequest>(db, table, attributes);
                request->SetUnitConversionContext(Units(unitSystem, currency, absoluteUnits));
                dsl::GetAttributeMinMaxResponse response;
                RunCall("GetAttributeMinMax", response, [&](auto& r) {
                    dsl::GetAttributeMinMaxImpl(service.Get()).RequestAttributeMinMax(request, &r);
                });
                py::list list;
                for (const Ptr<dsl::AttributeMinMax>& range : response.AccessAttributeMinMaxes()) {
                    list.append(Classes().AttributeRange(Shape(range->GetAttributeReference()),
                                                         Text(range->GetUnits()), MinMax(range->GetMinValue()),
                                                         MinMax(range->GetMaxValue())));
                }
                return list;
            },
            db, table, attributes, py::kw_only(), py::arg("unit_system") = "", py::arg("currency") = "",
            py::arg("absolute_units") = py::none(), "The smallest and largest stored value of attributes.")
        .def(
            "record_attributes",
            [](const Browse& service, const std::string& db, const py::object& records, bool includeMeta,
               bool includeEmpty, bool includeParameterDetails, bool includeFullDetails) {
                Ptr<dsl::GetRecordAttributesRequest> request = dsl::GetRecordAttributesRequest::CreateOne();
                request->SetRecordReferences(Records(db, records));
                request->SetIncludeMeta(includeMeta);
                request->SetIncludeEmpty(includeEmpty);
                request->SetIncludeParamDetails(includeParameterDetails);
                request->SetIncludeFullAttributeDetail(includeFullDetails);
                dsl::GetRecordAttributesResponse response;
                RunCall("GetRecordAttributes", response, [&](auto& r) {
                    dsl::GetRecordAttributesImpl(service.Get()).RequestRecordAttributes(request, &r);
                });
                py::list list;
                for (const Ptr<dsl::RecordAttribute>& item : response.AccessRecordAttributes()) {
                    const Ptr<dsl::NamedAttribute> attribute = item->GetAttribute();
                    list.append(Classes().RecordAttribute(
                        Shape(item->GetRecordReference()), attribute ? Shape(attribute->GetAttribute()) : py::none(),
                        attribute ? attribute->GetName() : std::string(), attribute && attribute->IsMeta(),
                        item->GetHasData(), item->GetDataVersionNumber(), item->GetDataCreatedRecordVersion(),
                        item->GetDataRetiredRecordVersion(), ShapeAll(item->GetParameterDetails()),
                        Shape(item->GetDataRevisionInfo())));
                }
                return list;
            },
            db, records, py::kw_only(), py::arg("include_meta") = false, py::arg("include_empty") = false,
            py::arg("include_parameter_details") = false, py::arg("include_full_details") = false,
            "Which attributes records hold data for.")
        .def(
            "subsets",
            [](const Browse& service, const std::string& db, const py::object& table) {
                Ptr<dsl::GetSubsets> request = new dsl::GetSubsets;
                request->SetTable(Table(db, table));
                dsl::GetSubsetsResponse response;
                RunCall("GetSubsets", response, [&](auto& r) { dsl::GetSubsetsImpl(service.Get()).GetSubsets(request, &r); });
                py::list list;
                for (const Ptr<dsl::SubsetDetail>& subset : response.AccessSubsetDetails()) {
                    list.append(Classes().Subset(Shape(subset->GetSubset()), subset->GetName(),
                                                 Shape(subset->GetTableReference())));
                }
                return list;
            },
            db, table, "The subsets of a table.")
        .def(
            "unit_systems",
            [](const Browse& service, const std::string& db, bool excludeCurrencies) {
                Ptr<dsl::GetUnitSystems> request = new dsl::GetUnitSystems;
                request->SetDBKey(db);
                request->SetExcludeCurrencies(excludeCurrencies);
                dsl::GetUnitSystemsResponse response;
                RunCall("GetUnitSystems", response,
                        [&](auto& r) { dsl::GetUnitSystemsImpl(service.Get()).GetUnitSystems(request, &r); });
                return Classes().UnitSystems(Text(response.GetDBKey()), response.AccessUnitSystems(),
                                             ShapeAll(response.AccessCurrencies()));
            },
            db, py::kw_only(), py::arg("exclude_currencies") = false, "The unit systems and currencies of a database.")
        .def(
            "currencies",
            [](const Browse& service) {
                dsl::GetCurrenciesResponse response;
                RunCall("GetCurrencies", response, [&](auto& r) { dsl::GetCurrenciesImpl(service.Get()).GetCurrencies(&r); });
                return ShapeAll(response.AccessCurrencies());
            },
            "The currencies of the server and their factors.")
        .def(
            "unit_conversions",
            [](const Browse& service, const std::string& db, const py::object& symbols, const py::object& unitSystems,
               const std::string& sourceCurrency, const std::string& targetCurrency) {
                Ptr<dsl::GetUnitConversions> request = new dsl::GetUnitConversions;
                request->SetDBKey(db);
                request->SetUnitSymbols(Strings(symbols));
                request->SetSourceCurrency(sourceCurrency);
                request->SetTargetCurrency(targetCurrency);
                for (const std::string& system : Strings(unitSystems)) {
                    request->AddUnitConversionContext(Units(system, "", py::none()));
                }
                dsl::GetUnitConversionsResponse response;
                RunCall("GetUnitConversions", response,
                        [&](auto& r) { dsl::GetUnitConversionsImpl(service.Get()).GetUnitConversions(request, &r); });
                py::list systems;
                for (const Ptr<dsl::UnitConversion>& conversion : response.AccessConversions()) {
                    const Ptr<dsl::UnitConversionContext> context = conversion->GetUnitSystem();
                    systems.append(Classes().UnitSystemConversions(
                        context ? Text(context->GetUnitSystem()) : py::object(py::none()),
                        context ? Text(context->GetCurrency()) : py::object(py::none()),
                        Conversions(conversion->AccessConversions())));
                }
                return Classes().UnitConversions(Text(response.GetDBKey()), Conversions(response.AccessSourceUnits()),
                                                 systems);
            },
            db, py::arg("symbols"), py::kw_only(), py::arg("unit_systems") = py::none(),
            py::arg("source_currency") = "", py::arg("target_currency") = "",
            "How unit symbols convert into unit systems and currencies.")
        .def(
            "units",
            [](const Browse& service, const std::string& db) {
                Ptr<dsl::GetUnits> request = new dsl::GetUnits;
                request->SetDBKey(db);
                dsl::GetUnitsResponse response;
                RunCall("GetUnits", response, [&](auto& r) { dsl::GetUnitsImpl(service.Get()).GetUnits(request, &r); });
                py::dict units;
                for (const auto& [database, list] : response.GetUnitsByDatabase()) {
                    py::list symbols;
                    for (const auto& [symbol, hasCurrency] : list) {
                        symbols.append(Classes().Unit(symbol, hasCurrency));
                    }
                    units[py::str(database)] = symbols;
                }
                return units;
            },
            db, "The unit symbols of a database, by database key.")
        .def(
            "root_node",
            [](const Browse& service, const std::string& db, const py::object& table) {
                Ptr<dsl::GetRootNode> request = new dsl::GetRootNode;
                request->SetTable(Table(db, table));
                dsl::GetRootNodeResponse response;
                RunCall("GetRootNode", response,
                        [&](auto& r) { dsl::GetRootNodeImpl(service.Get()).RequestRootNode(request, &r); });
                return Shape(response.GetRootNode());
            },
            db, table, "The root of a table's record tree.")
        .def(
            "child_nodes",
            [](const Browse& service, const std::string& db, const py::object& record, bool recurse, int maxDepth,
               bool populateGuids, const py::object& subsets, const std::string& profile) {
                Ptr<dsl::GetChildNodes> request = new dsl::GetChildNodes;
                request->SetParent(Record(db, record));
                request->SetRecurse(recurse);
                request->SetRecurseMaxDepth(maxDepth);
                request->SetPopulateGUIDs(populateGuids);
                request->SetRecordFilter(Filter(db, py::none(), subsets, profile));
                dsl::GetChildNodesResponse response;
                RunCall("GetChildNodes", response,
                        [&](auto& r) { dsl::GetChildNodesImpl(service.Get()).RequestChildNodes(request, &r); });
                return ShapeAll(response.AccessTreeRecords());
            },
            db, py::arg("record"), py::kw_only(), py::arg("recurse") = false, py::arg("max_depth") = 0,
            py::arg("populate_guids") = false, py::arg("subsets") = py::none(), py::arg("profile") = "",
            "The children of a record in the tree (with `recurse`, their children too).")
        .def(
            "tree_records",
            [](const Browse& service, const std::string& db, const py::object& records) {
                Ptr<dsl::GetTreeRecordsRequest> request = new dsl::GetTreeRecordsRequest;
                for (const Ptr<dsl::RecordReference>& record : Records(db, records)) {
                    request->AddRecord(record);
                }
                dsl::GetTreeRecordsResponse response;
                RunCall("GetTreeRecords", response,
                        [&](auto& r) { dsl::GetTreeRecordsImpl(service.Get()).RequestTreeNodes(request, &r); });
                return ShapeAll(response.AccessTreeRecords());
            },
            db, records, "Records as tree nodes: names, type, colour and parent.")
        .def(
            "link_groups",
            [](const Browse& service, const std::string& db, bool standardNamesOnly, const py::object& groups) {
                Ptr<dsl::GetRecordLinkGroups> request = new dsl::GetRecordLinkGroups;
                request->SetDBKey(db);
                request->SetStandardNamesOnly(standardNamesOnly);
                request->SetRecordLinkGroups(LinkGroups(db, groups));
                dsl::GetRecordLinkGroupsResponse response;
                RunCall("GetRecordLinkGroups", response, [&](auto& r) {
                    dsl::GetRecordLinkGroupsImpl(service.Get()).GetRecordLinkGroups(request, &r);
                });
                py::list list;
                for (const Ptr<dsl::RecordLinkGroupDetail>& group : response.AccessRecordLinkGroups()) {
                    list.append(LinkGroupDetail(group));
                }
                return list;
            },
            db, py::kw_only(), py::arg("standard_names_only") = false, py::arg("groups") = py::none(),
            "The record link groups of a database.")
        .def(
            "record_versions",
            [](const Browse& service, const std::string& db, const py::object& records, const std::string& select) {
                Ptr<dsl::GetRecordVersionsRequest> request = dsl::GetRecordVersionsRequest::CreateOne();
                bool known = false;
                for (auto selector : {dsl::GetRecordVersionsRequest::LatestRead, dsl::GetRecordVersionsRequest::Latest,
                                      dsl::GetRecordVersionsRequest::AllReleased, dsl::GetRecordVersionsRequest::All}) {
                    if (dsl::GetRecordVersionsRequest::VersionSelector_ToString(selector) == select) {
                        request->SetVersions(selector);
                        known = true;
                    }
                }
                if (!known) {
                    throw py::value_error("no such version selection: " + select +
                                          " (LatestRead, Latest, AllReleased, All)");
                }
                for (const Ptr<dsl::RecordReference>& record : Records(db, records)) {
                    request->AddRecord(record);
                }
                dsl::GetRecordVersionsResponse response;
                RunCall("GetRecordVersions", response,
                        [&](auto& r) { dsl::GetRecordVersionsImpl(service.Get()).GetRecordVersions(request, &r); });
                py::list list;
                for (const Ptr<dsl::RecordVersionState>& state : response.AccessRecordStates()) {
                    list.append(Classes().RecordVersion(Shape(state->GetRecord()),
                                                        dsl::RecordVersionState::VersionState_ToString(state->GetVersion())));
                }
                return list;
            },
            db, records, py::kw_only(), py::arg("select") = "All", "The version states of records.")
        .def(
            "linked_records",
            [](const Browse& service, const std::string& db, const py::object& records, const py::object& groups,
               bool populateGuids, const py::object& subsets, const std::string& profile) {
                Ptr<dsl::GetLinkedRecordsRequest> request = new dsl::GetLinkedRecordsRequest;
                request->SetRecordReferences(Records(db, records));
                request->SetRecordLinkGroups(LinkGroups(db, groups));
                request->SetPopulateGUIDs(populateGuids);
                request->SetRecordFilter(Filter(db, py::none(), subsets, profile));
                dsl::GetLinkedRecordsResponse response;
                RunCall("GetLinkedRecords", response,
                        [&](auto& r) { dsl::GetLinkedRecordsImpl(service.Get()).GetLinkedRecords(request, &r); });
                py::list list;
                for (const Ptr<dsl::SourceRecord>& source : response.GetSourceRecords()) {
                    list.append(Classes().SourceRecord(Shape(source->GetRecord()), Shape(source->GetRecordLinkGroups())));
                }
                return list;
            },
            db, records, py::kw_only(), py::arg("groups") = py::none(), py::arg("populate_guids") = false,
            py::arg("subsets") = py::none(), py::arg("profile") = "", "The records linked to records, by link group.")
        .def(
            "attribute_parameters",
            [](const Browse& service, const std::string& db, const py::object& table, const py::object& attributes) {
                auto request = AttributesRequest<dsl::GetAttributeParametersRequest>(db, table, attributes);
                dsl::GetAttributeParametersResponse response;
                RunCall("GetAttributeParameters", response, [&](auto& r) {
                    dsl::GetAttributeParametersImpl(service.Get()).GetAttributeParameters(request, &r);
                });
                return Parameters(response);
            },
            db, table, attributes, "The parameters of attributes.")
        .def(
            "parameter_details",
            [](const Browse& service, const std::string& db, const py::object& parameters, const py::object& attribute,
               const py::object& table, const py::object& record) {
                Ptr<dsl::GetParameterDetailsRequest> request = new dsl::GetParameterDetailsRequest;
                if (!parameters.is_none()) {
                    for (const py::handle& parameter : py::isinstance<py::str>(parameters)
                                                           ? py::list(py::make_tuple(parameters))
                                                           : py::list(parameters)) {
                        request->AddParameterReference(Parameter(db, parameter));
                    }
                }
                if (!attribute.is_none()) {
                    request->SetFunctionalAttribute(Attribute(db, table, attribute));
                }
                if (!record.is_none()) {
                    request->SetRecordReference(Record(db, record));
                }
                dsl::GetParameterDetailsResponse response;
                RunCall("GetParameterDetails", response, [&](auto& r) {
                    dsl::GetParameterDetailsImpl(service.Get()).GetParameterDetails(request, &r);
                });
                return Parameters(response);
            },
            db, py::arg("parameters") = py::none(), py::kw_only(), py::arg("attribute") = py::none(),
            py::arg("table") = py::none(), py::arg("record") = py::none(),
            "The details of parameters, also as one attribute of one record uses them.")
        .def(
            "meta_attributes",
            [](const Browse& service, const std::string& db, const py::object& table, const py::object& attributes) {
                auto request = AttributesRequest<dsl::GetMetaAttributesRequest>(db, table, attributes);
                dsl::GetMetaAttributesResponse response;
                RunCall("GetMetaAttributes", response,
                        [&](auto& r) { dsl::GetMetaAttributesImpl(service.Get()).GetMetaAttributes(request, &r); });
                py::list list;
                for (const Ptr<dsl::AttributeMetaAttributes>& item : response.GetAttributes()) {
                    list.append(Classes().MetaAttributes(Shape(item->GetParentAttribute()),
                                                         ShapeAll(item->GetMetaAttributes())));
                }
                return list;
            },
            db, table, attributes, "The meta-attributes of attributes.")
        .def("__repr__", [](const Browse& service) { return "<dorsa browse service of " + service.session->Url() + ">"; });
}

} // namespace dorsapy
