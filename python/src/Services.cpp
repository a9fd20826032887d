// session.search, session.data, session.data_import and session.engineering.

#include "Binding.h"

#include "CriterionParser.h"
#include "ImportJson.h"

namespace dorsapy {

namespace {

py::list Hits(dsl::SimpleTextSearchResponse& response)
{
    return ShapeAll(response.AccessSearchResults());
}

py::object ExporterShape(const Ptr<dsl::Exporter>& exporter)
{
    static const char* const s_population[] = {"Unknown", "FullyPopulated", "PartiallyPopulated"};
    py::list transforms;
    for (const dsl::ExporterTransform& transform : exporter->GetTransforms()) {
        transforms.append(transform.GetId());
    }
    py::object population = py::none();
    if (const auto* populated = dynamic_cast<const dsl::ExporterPopulation*>(exporter.get())) {
        population = py::str(s_population[populated->GetPopulationState()]);
    }
    return Classes().Exporter(exporter->GetKey(), Text(exporter->GetName()), Text(exporter->GetPackage()),
                              Text(exporter->GetModel()), Text(exporter->GetDescription()), exporter->GetVersion(),
                              exporter->GetValidatedOk(), transforms, population);
}

py::object ExporterParameters(const Ptr<dsl::RecordExporterParameters>& record)
{
    static const char* const s_presence[] = {"Unknown", "Present", "NotApplicable", "Missing",
                                             "DataIncompatibleWithConfiguration"};
    static const char* const s_usage[] = {"Unknown", "Free", "Fixed", "Unused"};
    PyClasses& classes = Classes();
    py::list attributes;
    for (const Ptr<dsl::AttributeExporterParameters>& attribute : record->AccessAttributes()) {
        py::list parameters;
        for (const Ptr<dsl::ExporterParameter>& parameter : attribute->AccessParameters()) {
            const Ptr<dsl::ParameterInformation> information(parameter.get());
            const py::object shaped = Shape(information);
            parameters.append(classes.ExporterParameter(parameter->GetId(), parameter->GetName(), py::object(shaped.attr("unit")),
                                                        s_usage[parameter->GetUsage()]));
        }
        py::list graphs;
        for (const Ptr<dsl::GraphDomain>& graph : attribute->AccessGraphDomains()) {
            py::list domains;
            for (const Ptr<dsl::ParameterDomain>& domain : graph->GetParameterDomains()) {
                py::list values;
                for (const Ptr<dsl::ParameterValue>& value : domain->GetValues()) {
                    values.append(ShapeParameterValue(value));
                }
                domains.append(classes.ParameterDomain(values, domain->GetInterpolable(),
                                                       Text(domain->GetExporterParameterId())));
            }
            graphs.append(domains);
        }
        attributes.append(classes.AttributeExporterParameters(Shape(attribute->GetAttribute()),
                                                              s_presence[attribute->GetDataPresence()], parameters,
                                                              graphs));
    }
    return classes.RecordExporterParameters(Shape(record->GetRecord()), attributes);
}

py::object LinkedSources(const std::vector<Ptr<dsl::NamedTargettedSourceRecord>>& sources)
{
    py::list list;
    for (const Ptr<dsl::NamedTargettedSourceRecord>& source : sources) {
        list.append(Classes().LinkedSource(Shape(source->GetRecord()), ShapeAll(source->AccessTargetRecords())));
    }
    return list;
}

// (source, target) or (source, target, notes) pairs of a link change.
std::vector<py::tuple> Pairs(const py::object& pairs, size_t most)
{
    std::vector<py::tuple> list;
    if (pairs.is_none()) {
        return list;
    }
    for (const py::handle& pair : pairs) {
        py::tuple tuple = py::tuple(py::reinterpret_borrow<py::object>(pair));
        if (tuple.size() < 2 || tuple.size() > most) {
            throw py::value_error(most == 2 ? "an unlink is a (source, target) pair"
                                            : "a link is a (source, target) or (source, target, notes) tuple");
        }
        list.push_back(tuple);
    }
    return list;
}

// The link points of a change by the Python object that named their source record.
template <class Point>
using Sources = std::vector<std::pair<py::object, Ptr<Point>>>;

// The link point of the source `record` names, made and added to `change` when first named.
template <class Point, class Change>
Ptr<Point> SourceOf(const std::string& db, const py::object& record, Sources<Point>& sources, Change& change)
{
    for (auto& [key, point] : sources) {
        if (key.equal(record)) {
            return point;
        }
    }
    Ptr<Point> point = new Point;
    point->SetRecord(Record(db, record));
    sources.emplace_back(record, point);
    change.AddSourceRecord(point);
    return point;
}

Ptr<dsl::RecordLinkModifications> LinkChanges(const std::string& db, const py::object& link, const py::object& unlink,
                                              const py::object& unlinkAll, const py::object& linkAll)
{
    Ptr<dsl::RecordLinkModifications> modifications = new dsl::RecordLinkModifications;
    if (!unlinkAll.is_none() && py::len(unlinkAll) > 0) {
        Ptr<dsl::UnlinkAllRecords> change = new dsl::UnlinkAllRecords;
        for (const Ptr<dsl::RecordReference>& source : Records(db, unlinkAll)) {
            change->AddSourceRecord(source);
        }
        modifications->AddUnlinkAllRecords(change);
    }
    // Targets are gathered under their source, sources kept in the order first named.
    const std::vector<py::tuple> removed = Pairs(unlink, 2);
    if (!removed.empty()) {
        Ptr<dsl::UnlinkRecords> change = new dsl::UnlinkRecords;
        Sources<dsl::TargettedSourceRecord> sources;
        for (const py::tuple& pair : removed) {
            SourceOf(db, pair[0], sources, *change)->AddRecord(Record(db, pair[1]));
        }
        modifications->AddUnlinkRecords(change);
    }
    const std::vector<py::tuple> added = Pairs(link, 3);
    if (!added.empty()) {
        Ptr<dsl::LinkRecords> change = new dsl::LinkRecords;
        Sources<dsl::NotatedTargettedSourceRecord> sources;
        for (const py::tuple& pair : added) {
            Ptr<dsl::NotatedTargetRecord> target = new dsl::NotatedTargetRecord;
            target->SetRecord(Record(db, pair[1]));
            if (pair.size() > 2 && !pair[2].is_none()) {
                target->SetNotes(pair[2].cast<std::string>());
            }
            SourceOf(db, pair[0], sources, *change)->AddRecord(target);
        }
        modifications->AddLinkRecords(change);
    }
    if (!linkAll.is_none()) {
        const py::tuple both = linkAll.cast<py::tuple>();
        if (both.size() != 2) {
            throw py::value_error("link_all holds (sources, targets)");
        }
        Ptr<dsl::LinkAllCombinations> change = new dsl::LinkAllCombinations;
        for (const Ptr<dsl::RecordReference>& source : Records(db, both[0])) {
            change->AddSourceRecord(source);
        }
        for (const Ptr<dsl::RecordReference>& target : Records(db, both[1])) {
            change->AddTargetRecord(target);
        }
        modifications->AddLinkAllCombinations(change);
    }
    return modifications;
}

// The exporter's parameter values: parameter -> a number or a discrete value's text, or a
// (number, unit symbol) pair.
std::vector<dsl::UnittedParameterValue> ExportParameters(const std::string& db, const py::object& parameters)
{
    std::vector<dsl::UnittedParameterValue> values;
    if (parameters.is_none()) {
        return values;
    }
    for (const auto& item : parameters.cast<py::dict>()) {
        py::object given = py::reinterpret_borrow<py::object>(item.second);
        std::string unit;
        if (py::isinstance<py::tuple>(given)) {
            const py::tuple pair = given.cast<py::tuple>();
            if (pair.size() != 2) {
                throw py::value_error("a parameter's value is a value or a (value, unit) pair");
            }
            given = pair[0];
            unit = pair[1].cast<std::string>();
        }
        Ptr<dsl::ParameterValue> value = new dsl::ParameterValue;
        if (py::isinstance<py::str>(given)) {
            value->SetValue_Discrete(given.cast<std::string>());
        } else if (py::isinstance<py::bool_>(given) || !PyNumber_Check(given.ptr())) {
            throw py::type_error("a parameter's value is a number or a text");
        } else {
            value->SetValue_Numeric(given.cast<double>());
        }
        Ptr<dsl::ParameterReferenceAndValue> both = new dsl::ParameterReferenceAndValue;
        both->SetParameter(Parameter(db, item.first));
        both->SetValue(value);
        values.emplace_back(both, unit);
    }
    return values;
}

} // namespace

void BindSearch(py::module_& module)
{
    const auto db = py::arg("db");
    py::class_<Search>(module, "Search", "Find records: by free text, by name, by attribute criteria.")
        .def(
            "text",
            [](const Search& service, const std::string& db, const std::string& text, const py::object& tables,
               const std::string& filter, const std::string& mode, bool populateGuids, const py::object& subsets,
               const std::string& profile) {
                Ptr<dsl::SimpleTextSearch> request = new dsl::SimpleTextSearch;
                request->SetDBKey(db);
                request->SetSearchValue(text);
                request->SetSearchFilter(TablesFilter(filter));
                request->SetSearchMode(SearchMode(mode));
                request->SetPopulateGUIDs(populateGuids);
                request->SetRecordFilter(Filter(db, py::none(), subsets, profile));
                if (!tables.is_none()) {
                    for (const py::handle& table :
                         py::isinstance<py::str>(tables) ? py::list(py::make_tuple(tables)) : py::list(tables)) {
                        request->AddRestrictToTables(PartialTable(table));
                    }
                }
                dsl::SimpleTextSearchResponse response;
                RunCall("SimpleTextSearch", response,
                        [&](auto& r) { dsl::SimpleTextSearchImpl(service.Get()).Search(request, &r); });
                return Hits(response);
            },
            db, py::arg("text"), py::kw_only(), py::arg("tables") = py::none(), py::arg("filter") = "",
            py::arg("mode") = "", py::arg("populate_guids") = true, py::arg("subsets") = py::none(),
            py::arg("profile") = "", "Records that hold a text, optionally in some tables only.")
        .def(
            "criteria",
            [](const Search& service, const std::string& db, const py::object& where, const py::object& table,
               const std::string& filter, const std::string& mode, bool populateGuids) {
                Ptr<dsl::CriteriaSearch> request = new dsl::CriteriaSearch;
                request->SetDBKey(db);
                request->SetSearchFilter(TablesFilter(filter));
                request->SetSearchMode(SearchMode(mode));
                request->SetPopulateGUIDs(populateGuids);
                for (const std::string& expression : Strings(where)) {
                    dorsatool::ParsedCriterion parsed;
                    try {
                        parsed = dorsatool::ParseCriterion(expression);
                    } catch (const dorsatool::CriterionSyntaxError& error) {
                        throw py::value_error(dorsatool::DescribeSyntaxError(expression, error));
                    }
                    Ptr<dsl::RecordSearchCriterion> criterion = new dsl::RecordSearchCriterion;
                    criterion->SetSearchAttribute(Attribute(db, table, py::str(parsed.attribute)));
                    criterion->SetSearchValue(parsed.value);
                    request->AddSearchCriterion(criterion);
                }
                dsl::SimpleTextSearchResponse response;
                RunCall("CriteriaSearch", response,
                        [&](auto& r) { dsl::CriteriaSearchImpl(service.Get()).Search(request, &r); });
                return Hits(response);
            },
            db, py::arg("where"), py::kw_only(), py::arg("table") = py::none(), py::arg("filter") = "",
            py::arg("mode") = "", py::arg("populate_guids") = true,
            "Records whose values meet every criterion, each written as the dorsa tool's --where reads it, "
            "e.g. \"Yield strength > 200 MPa\" or \"Density between 1 and 3 g/cm^3\".")
        .def(
            "record_name",
            [](const Search& service, const std::string& db, const py::object& table, const std::string& name,
               bool fullNames, bool shortNames, bool caseSensitive, bool populateGuids) {
                Ptr<dsl::RecordNameSearchRequest> request = new dsl::RecordNameSearchRequest;
                request->SetTable(Table(db, table));
                request->SetRecordName(name);
                request->SetSearchFullNames(fullNames);
                request->SetSearchShortNames(shortNames);
                request->SetCaseSensitiveNames(caseSensitive);
                request->SetPopulateGUIDs(populateGuids);
                dsl::SimpleTextSearchResponse response;
                RunCall("RecordNameSearch", response,
                        [&](auto& r) { dsl::RecordNameSearchImpl(service.Get()).RecordNameSearch(request, &r); });
                return Hits(response);
            },
            db, py::arg("table"), py::arg("name"), py::kw_only(), py::arg("full_names") = true,
            py::arg("short_names") = false, py::arg("case_sensitive") = false, py::arg("populate_guids") = true,
            "The records of a table by name (* and ? match any text and any one character).")
        .def("__repr__", [](const Search& service) { return "<dorsa search service of " + service.session->Url() + ">"; });
}

void BindDataExport(py::module_& module)
{
    py::class_<DataExport>(module, "DataExport", "Read the attribute values of records.")
        .def(
            "_values",
            [](const DataExport& service, const std::string& db, const py::object& records,
               const py::object& attributes, const py::object& table, const std::string& unitSystem,
               const std::string& currency, const py::object& absoluteUnits, bool populateGuids, bool useFallback,
               const std::string& binary, const py::object& subsets, const std::string& profile) {
                Ptr<dsl::GetRecordAttributesByRefRequest> request = new dsl::GetRecordAttributesByRefRequest;
                request->SetRecordReferences(Records(db, records));
                request->SetAttributeReferences(Attributes(db, table, attributes));
                request->SetUnitConversionContext(Units(unitSystem, currency, absoluteUnits));
                request->SetPopulateGUIDs(populateGuids);
                request->SetUseFallback(useFallback);
                request->SetRecordFilter(Filter(db, table, subsets, profile));
                if (binary == "inline") {
                    request->SetBinaryDataRepresentation(dsl::BinaryDataRepresentations::Inline);
                } else if (binary == "url") {
                    request->SetBinaryDataRepresentation(dsl::BinaryDataRepresentations::URL);
                } else if (!binary.empty()) {
                    throw py::value_error("binary is \"inline\" or \"url\"");
                }
                dsl::GetRecordAttributesByRefResponse response;
                RunCall("GetRecordAttributesByRef", response, [&](auto& r) {
                    dsl::GetRecordAttributesByRefImpl(service.Get()).RequestRecordAttributesByRef(request, &r);
                });
                return ShapeAll(response.AccessRecordData());
            },
            py::arg("db"), py::arg("records"), py::arg("attributes"), py::arg("table"), py::arg("unit_system"),
            py::arg("currency"), py::arg("absolute_units"), py::arg("populate_guids"), py::arg("use_fallback"),
            py::arg("binary"), py::arg("subsets"), py::arg("profile"))
        .def("__repr__",
             [](const DataExport& service) { return "<dorsa data export service of " + service.session->Url() + ">"; });
}

void BindDataImport(py::module_& module)
{
    py::class_<DataImport>(module, "DataImport", "Write records and their values, find upload addresses, change links.")
        .def(
            "set_records",
            [](const DataImport& service, const py::object& data, const std::string& errorMode, int commitEvery,
               const std::string& directory) {
                const std::string text = py::module_::import("json").attr("dumps")(data).cast<std::string>();
                Ptr<dsl::SetRecordAttributesRequest> request = new dsl::SetRecordAttributesRequest;
                try {
                    for (const Ptr<dsl::ImportRecord>& record :
                         dorsatool::ReadImportRecords(dorsatool::Json::parse(text), directory)) {
                        request->AddImportRecord(record);
                    }
                } catch (const std::exception& error) {
                    throw py::value_error(error.what());
                }
                if (errorMode != "fault" && errorMode != "continue") {
                    throw py::value_error("error_mode is \"fault\" or \"continue\"");
                }
                request->SetImportErrorMode(errorMode == "fault" ? dsl::ImportErrorModes::FaultAndRollbackOnAnyError
                                                                 : dsl::ImportErrorModes::LogAndContinueWherePossible);
                request->SetCommitThreshold(commitEvery);
                dsl::SetRecordAttributesResponse response;
                RunCall("SetRecordAttributes", response, [&](auto& r) {
                    dsl::SetRecordAttributesImpl(service.Get()).SetRecordAttributes_Request(request, &r);
                });
                return ShapeAll(response.AccessRecordsImported());
            },
            py::arg("data"), py::kw_only(), py::arg("error_mode") = "fault", py::arg("commit_every") = 0,
            py::arg("directory") = ".",
            "Creates, updates and copies records with their values. `data` is a dict in the form of the "
            "dorsa tool's import files (database, table, records); file paths are relative to `directory`.")
        .def(
            "upload_addresses",
            [](const DataImport& service, const std::string& db, const py::object& records,
               const py::object& attributes, const py::object& table) {
                Ptr<dsl::GetUploadAddressesRequest> request = new dsl::GetUploadAddressesRequest;
                for (const Ptr<dsl::RecordReference>& record : Records(db, records)) {
                    request->AddRecord(record);
                }
                for (const Ptr<dsl::AttributeReference>& attribute : Attributes(db, table, attributes)) {
                    request->AddAttributeReference(attribute);
                }
                dsl::GetUploadAddressesResponse response;
                RunCall("GetUploadAddresses", response,
                        [&](auto& r) { dsl::GetUploadAddressesImpl(service.Get()).GetUploadAddresses(request, &r); });
                py::list list;
                for (const Ptr<dsl::RecordWithAttributeAddresses>& record :
                     response.AccessRecordsWithAttributeAddresses()) {
                    py::list addresses;
                    for (const Ptr<dsl::AttributeAddress>& address : record->AccessAttributeAddresses()) {
                        addresses.append(Classes().AttributeAddress(
                            Text(address->GetAttributeName()), address->GetAttributeID(),
                            Text(address->GetStandardAttributeName()), address->GetURL()));
                    }
                    list.append(Classes().RecordAddresses(Shape(record->GetRecordReference()), addresses));
                }
                return list;
            },
            py::arg("db"), py::arg("records"), py::arg("attributes"), py::kw_only(), py::arg("table") = py::none(),
            "Where to PUT the content of file and picture attributes of records.")
        .def(
            "modify_links",
            [](const DataImport& service, const std::string& db, const py::object& group, const py::object& table,
               const py::object& link, const py::object& unlink, const py::object& unlinkAll,
               const py::object& linkAll) {
                Ptr<dsl::RecordLinkGroupReference> reference = new dsl::RecordLinkGroupReference;
                reference->SetDBKey(db);
                if (py::isinstance<py::int_>(group)) {
                    reference->SetRecordLinkGroupIdentity(group.cast<int>());
                } else if (PyObject_IsInstance(group.ptr(), Classes().LinkGroupRef.ptr()) == 1) {
                    reference->SetRecordLinkGroupIdentity(group.attr("identity").cast<int>());
                    if (!group.attr("type").is_none()) {
                        reference->SetRecordLinkGroupType(group.attr("type").cast<std::string>());
                    }
                } else {
                    reference->SetName(group.cast<std::string>());
                    if (!table.is_none()) {
                        reference->SetPartialTableReference(PartialTable(table));
                    }
                }
                Ptr<dsl::ModifyRecordLinksRequest> request = new dsl::ModifyRecordLinksRequest;
                request->SetRecordLinkGroupReference(reference);
                request->SetRecordLinkModifications(LinkChanges(db, link, unlink, unlinkAll, linkAll));
                dsl::ModifyRecordLinksResponse response;
                RunCall("ModifyRecordLinks", response,
                        [&](auto& r) { dsl::ModifyRecordLinksImpl(service.Get()).ModifyRecordLinks(request, &r); });
                const Ptr<dsl::RecordLinkChanges> changes = response.GetRecordLinkChanges();
                if (!changes) {
                    return Classes().LinkChanges(py::list(), py::list());
                }
                return Classes().LinkChanges(LinkedSources(changes->AccessLinked()),
                                             LinkedSources(changes->AccessUnlinked()));
            },
            py::arg("db"), py::arg("group"), py::kw_only(), py::arg("table") = py::none(), py::arg("link") = py::none(),
            py::arg("unlink") = py::none(), py::arg("unlink_all") = py::none(), py::arg("link_all") = py::none(),
            "Adds and removes links of a static link group: `link` holds (source, target[, notes]) tuples, "
            "`unlink` (source, target) pairs, `unlink_all` sources whose links all go, `link_all` a "
            "(sources, targets) pair whose every combination is linked.")
        .def("__repr__",
             [](const DataImport& service) { return "<dorsa data import service of " + service.session->Url() + ">"; });
}

void BindEngineering(py::module_& module)
{
    const auto db = py::arg("db");
    py::class_<Engineering>(module, "Engineering", "Exporters and the export of record data.")
        .def(
            "exporters",
            [](const Engineering& service, const std::string& db, const std::string& package, const std::string& model,
               bool matchDb, const py::object& table, const std::string& versionPolicy, const std::string& tag) {
                Ptr<dsl::GetAvailableExportersRequest> request = new dsl::GetAvailableExportersRequest;
                request->SetDbKey(db);
                request->SetPackage(package);
                request->SetModel(model);
                request->SetMatchDb(matchDb);
                if (!table.is_none()) {
                    request->SetTable(PartialTable(table));
                }
                request->SetVersionPolicy(Policy(versionPolicy));
                request->SetApplicabilityTag(tag);
                dsl::GetAvailableExportersResponse response;
                RunCall("GetAvailableExporters", response, [&](auto& r) {
                    dsl::GetAvailableExportersImpl(service.Get()).GetAvailableExporters(request, &r);
                });
                py::list list;
                for (const Ptr<dsl::Exporter>& exporter : response.GetExporters()) {
                    list.append(ExporterShape(exporter));
                }
                return list;
            },
            py::arg("db") = "", py::kw_only(), py::arg("package") = "", py::arg("model") = "",
            py::arg("match_db") = false, py::arg("table") = py::none(), py::arg("version_policy") = "",
            py::arg("tag") = "", "The exporters of the server.")
        .def(
            "exporters_for_records",
            [](const Engineering& service, const std::string& db, const py::object& records, const std::string& package,
               const std::string& model, const std::string& versionPolicy, const std::string& tag,
               bool packageAndModelRequired, bool specificAttributeExportersOnly) {
                Ptr<dsl::ExportersForRecordsRequest> request = new dsl::ExportersForRecordsRequest;
                request->SetRecords(Records(db, records));
                request->SetPackage(package);
                request->SetModel(model);
                request->SetVersionPolicy(Policy(versionPolicy));
                request->SetApplicabilityTag(tag);
                request->SetPackageAndModelRequired(packageAndModelRequired);
                request->SetSpecificAttributeExportersOnly(specificAttributeExportersOnly);
                dsl::ExportersForRecordsResponse response;
                RunCall("ExportersForRecords", response, [&](auto& r) {
                    dsl::ExportersForRecordsImpl(service.Get()).GetExportersForRecords(request, &r);
                });
                py::list list;
                for (const Ptr<dsl::ExportersForRecord>& record : response.GetRecords()) {
                    py::list exporters;
                    for (const Ptr<dsl::ExporterPopulation>& exporter : record->GetExporters()) {
                        exporters.append(ExporterShape(exporter));
                    }
                    list.append(Classes().RecordExporters(Shape(record->GetRecord()), exporters));
                }
                return list;
            },
            db, py::arg("records"), py::kw_only(), py::arg("package") = "", py::arg("model") = "",
            py::arg("version_policy") = "", py::arg("tag") = "", py::arg("package_and_model_required") = false,
            py::arg("specific_attribute_exporters_only") = false, "The exporters that apply to records.")
        .def(
            "exporter_parameters",
            [](const Engineering& service, const std::string& db, const std::string& exporter,
               const py::object& records, const std::string& unitSystem, const std::string& currency,
               bool populateGuids) {
                Ptr<dsl::GetExporterParametersRequest> request = new dsl::GetExporterParametersRequest;
                request->SetExporterKey(exporter);
                request->SetRecords(Records(db, records));
                request->SetUnitConversionContext(Units(unitSystem, currency, py::none()));
                request->SetPopulateGUIDs(populateGuids);
                dsl::GetExporterParametersResponse response;
                RunCall("GetExporterParameters", response, [&](auto& r) {
                    dsl::GetExporterParametersImpl(service.Get()).GetExporterParameters(request, &r);
                });
                py::list list;
                for (const Ptr<dsl::RecordExporterParameters>& record : response.GetRecords()) {
                    list.append(ExporterParameters(record));
                }
                return list;
            },
            db, py::arg("exporter"), py::arg("records"), py::kw_only(), py::arg("unit_system") = "",
            py::arg("currency") = "", py::arg("populate_guids") = false,
            "What an exporter needs of each record, with the graph domains of functional data.")
        .def(
            "export",
            [](const Engineering& service, const std::string& db, const std::string& exporter,
               const py::object& records, const py::object& attributes, const py::object& table,
               const std::string& unitSystem, const std::string& currency, int sigFigs, const py::object& subsets,
               const std::string& profile, const py::object& parameters) {
                Ptr<dsl::ExportRecordDataRequest> request = new dsl::ExportRecordDataRequest;
                request->SetExporterKey(exporter);
                request->SetParameterValues(ExportParameters(db, parameters));
                request->SetRecords(Records(db, records));
                request->SetAttributes(Attributes(db, table, attributes));
                request->SetUnitConversionContext(Units(unitSystem, currency, py::none()));
                request->SetSigFigs(sigFigs);
                request->SetFilter(Filter(db, table, subsets, profile));
                dsl::ExportRecordDataResponse response;
                RunCall("ExportRecordData", response,
                        [&](auto& r) { dsl::ExportRecordDataImpl(service.Get()).ExportRecordData(request, &r); });
                return response.GetText();
            },
            db, py::arg("exporter"), py::arg("records"), py::kw_only(), py::arg("attributes") = py::none(),
            py::arg("table") = py::none(), py::arg("unit_system") = "", py::arg("currency") = "",
            py::arg("sig_figs") = 0, py::arg("subsets") = py::none(), py::arg("profile") = "",
            py::arg("parameters") = py::none(),
            "The text an exporter makes of records; `parameters` maps a parameter to the value the "
            "exporter takes it at: a number, a text, or a (number, unit symbol) pair.")
        .def("__repr__", [](const Engineering& service) {
            return "<dorsa engineering data service of " + service.session->Url() + ">";
        });
}

} // namespace dorsapy
