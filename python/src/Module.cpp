// The dorsa._dorsa extension module: the library set up once per process, the session with
// its options, the outcome of a failed call, and the five services.

#include "Binding.h"

#include <cmath>
#include <limits>

PYBIND11_DECLARE_HOLDER_TYPE(T, zvrtkDorsaServiceLayer::SmartPtr<T>, true);

namespace dorsapy {

namespace {

PyClasses* s_classes = nullptr;

int Milliseconds(const py::handle& seconds, const char* option)
{
    const double value = seconds.cast<double>();
    if (!(value >= 0) || value * 1000.0 > std::numeric_limits<int>::max()) {
        throw py::value_error(std::string(option) + " must be between 0 and 2147483 seconds");
    }
    return static_cast<int>(std::lround(value * 1000.0));
}

Ptr<dsl::IDorsaSLAuthModule> AuthModule(const py::handle& auth)
{
    if (auth.is_none() || !py::hasattr(auth, "kind")) {
        if (!auth.is_none()) {
            throw py::type_error("auth must be dorsa.Anonymous(), dorsa.Credentials(...) or dorsa.AutoLogon()");
        }
        return dsl::DorsaSLAuth_Annonymous::CreateOne();
    }
    const std::string kind = auth.attr("kind").cast<std::string>();
    if (kind == "credentials") {
        const std::string user = auth.attr("user").cast<std::string>();
        const std::string password = auth.attr("password").cast<std::string>();
        const py::object domain = auth.attr("domain");
        return domain.is_none() ? dsl::DorsaSLAuth_Authenticated::CreateOne(user, password)
                                : dsl::DorsaSLAuth_Authenticated::CreateOne(domain.cast<std::string>(), user, password);
    }
    if (kind == "autologon") {
        return dsl::DorsaSLAuth_AutoLoginAuth::CreateOne();
    }
    return dsl::DorsaSLAuth_Annonymous::CreateOne();
}

// The network settings of a session: certificate authorities, a client certificate and a proxy.
struct NetworkOptions {
    std::string caFile;
    std::string caFolder;
    bool systemCa = true;
    std::string clientCert;
    std::string clientKey;
    std::string keyPassword;
    std::string proxy;
    std::string proxyBypass;
    std::string proxyUser;
    std::string proxyPassword;
};

void ApplyNetworkOptions(dsl::DorsaSession& session, const NetworkOptions& options)
{
    if (!options.caFile.empty() || !options.caFolder.empty() || !options.systemCa) {
        session.SetCertificateAuthorities(options.caFile, options.caFolder, options.systemCa);
    }
    if (!options.clientCert.empty()) {
        session.SetClientCertificate(options.clientCert, options.clientKey, options.keyPassword);
    }
    if (!options.proxy.empty()) {
        session.SetProxy(options.proxy, options.proxyBypass);
    }
    if (!options.proxyUser.empty()) {
        session.SetProxyCredentials(options.proxyUser, options.proxyPassword);
    }
}

std::shared_ptr<Session> MakeSession(const std::string& url, const py::object& auth, const py::object& timeout,
                                     const py::object& callDeadline, const std::string& appName,
                                     const py::object& actAsReadUser, bool refuseCleartextCredentials,
                                     const py::object& maxReplySize, const NetworkOptions& network)
{
    Ptr<dsl::DorsaSession> session = dsl::DorsaSession::CreateOne(url, AuthModule(auth));
    if (!timeout.is_none()) {
        const int ms = Milliseconds(timeout, "timeout");
        session->SetTimeouts(ms, ms, ms, ms);
    }
    if (!callDeadline.is_none()) {
        session->SetCallDeadline(Milliseconds(callDeadline, "call_deadline"));
    }
    if (!appName.empty()) {
        session->SetApplicationName(appName);
    }
    if (!actAsReadUser.is_none()) {
        session->SetActAsReadUser(actAsReadUser.cast<bool>() ? dsl::HeaderVals::eTrue : dsl::HeaderVals::eFalse);
    }
    session->SetRefuseCleartextCredentials(refuseCleartextCredentials);
    if (!maxReplySize.is_none()) {
        session->SetMaxReplySize(maxReplySize.cast<std::size_t>());
    }
    ApplyNetworkOptions(*session, network);
    return std::make_shared<Session>(session, url);
}

void LoadClasses()
{
    static PyClasses classes;
    const py::module_ types = py::module_::import("dorsa.types");
    const py::module_ errors = py::module_::import("dorsa.errors");
#define DORSA_CLASS(name) classes.name = types.attr(#name)
    DORSA_CLASS(Database);
    DORSA_CLASS(TableRef);
    DORSA_CLASS(AttributeRef);
    DORSA_CLASS(RecordRef);
    DORSA_CLASS(ParameterRef);
    DORSA_CLASS(SubsetRef);
    DORSA_CLASS(LinkGroupRef);
    DORSA_CLASS(Revision);
    DORSA_CLASS(TableDetail);
    DORSA_CLASS(Column);
    DORSA_CLASS(AttributeDetail);
    DORSA_CLASS(AttributeRange);
    DORSA_CLASS(RecordAttribute);
    DORSA_CLASS(Subset);
    DORSA_CLASS(UnitSystems);
    DORSA_CLASS(Currency);
    DORSA_CLASS(Conversion);
    DORSA_CLASS(UnitSystemConversions);
    DORSA_CLASS(UnitConversions);
    DORSA_CLASS(Unit);
    DORSA_CLASS(TreeRecord);
    DORSA_CLASS(LinkGroup);
    DORSA_CLASS(RecordVersion);
    DORSA_CLASS(NamedRecord);
    DORSA_CLASS(NamedAttribute);
    DORSA_CLASS(LinkedGroup);
    DORSA_CLASS(SourceRecord);
    DORSA_CLASS(ParameterDetail);
    DORSA_CLASS(ParameterChoice);
    DORSA_CLASS(MetaAttributes);
    DORSA_CLASS(SearchHit);
    DORSA_CLASS(RecordData);
    DORSA_CLASS(AttributeValue);
    DORSA_CLASS(Point);
    DORSA_CLASS(PointItem);
    DORSA_CLASS(ParameterInfo);
    DORSA_CLASS(Range);
    DORSA_CLASS(Scalar);
    DORSA_CLASS(Hyperlink);
    DORSA_CLASS(Discrete);
    DORSA_CLASS(File);
    DORSA_CLASS(Picture);
    DORSA_CLASS(Table);
    DORSA_CLASS(TableColumn);
    DORSA_CLASS(TableRow);
    DORSA_CLASS(ListValue);
    DORSA_CLASS(ListItem);
    DORSA_CLASS(Series);
    DORSA_CLASS(SeriesLine);
    DORSA_CLASS(SeriesPoint);
    DORSA_CLASS(Grid);
    DORSA_CLASS(GridValue);
    DORSA_CLASS(LinkedRecords);
    DORSA_CLASS(Empty);
    DORSA_CLASS(RecordDataList);
    DORSA_CLASS(RecordAddresses);
    DORSA_CLASS(AttributeAddress);
    DORSA_CLASS(LinkChanges);
    DORSA_CLASS(LinkedSource);
    DORSA_CLASS(Exporter);
    DORSA_CLASS(RecordExporters);
    DORSA_CLASS(ExporterParameter);
    DORSA_CLASS(AttributeExporterParameters);
    DORSA_CLASS(RecordExporterParameters);
    DORSA_CLASS(ParameterDomain);
#undef DORSA_CLASS
    classes.Error = errors.attr("Error");
    classes.TransportError = errors.attr("TransportError");
    classes.HttpError = errors.attr("HttpError");
    classes.SoapFault = errors.attr("SoapFault");
    classes.UnreadableReply = errors.attr("UnreadableReply");
    s_classes = &classes;
}

} // namespace

PyClasses& Classes()
{
    return *s_classes;
}

void RaiseForOutcome(const char* what, const Ptr<dsl::ServiceLayerResponse>& outcome)
{
    if (outcome && outcome->IsSuccess()) {
        return;
    }
    PyClasses& classes = Classes();
    py::object kind = classes.Error;
    std::string message = std::string(what) + ": ";
    if (!outcome) {
        message += "the call was not made";
    } else {
        switch (outcome->GetOutcome()) {
        case dsl::CallOutcomes::TransportFailure:
            kind = classes.TransportError;
            message += "no reply (" + outcome->GetTransportError() + ")";
            break;
        case dsl::CallOutcomes::HttpFailure:
            kind = classes.HttpError;
            message += "HTTP status " + std::to_string(outcome->GetResponseCode());
            break;
        case dsl::CallOutcomes::SoapFault:
            kind = classes.SoapFault;
            message += "SOAP fault: " + outcome->GetErrorMessage();
            break;
        case dsl::CallOutcomes::UnreadableReply:
            kind = classes.UnreadableReply;
            message += "unreadable reply (HTTP status " + std::to_string(outcome->GetResponseCode()) + ")";
            if (!outcome->GetTransportError().empty()) {
                message += ": " + outcome->GetTransportError();
            }
            break;
        default:
            message += "the call did not complete";
            break;
        }
    }
    py::object error = kind(message, outcome ? py::cast(outcome) : py::object(py::none()));
    PyErr_SetObject(kind.ptr(), error.ptr());
    throw py::error_already_set();
}

// --- Python arguments to references -----------------------------------------------------

namespace {

bool IsInstance(const py::handle& object, const py::object& type)
{
    return PyObject_IsInstance(object.ptr(), type.ptr()) == 1;
}

std::string OptionalText(const py::handle& object)
{
    return object.is_none() ? std::string() : object.cast<std::string>();
}

bool AllDigits(const std::string& text)
{
    return !text.empty() && text.size() <= 10 && text.find_first_not_of("0123456789") == std::string::npos;
}

int Identity(long long value, const char* kind)
{
    if (value < 1 || value > std::numeric_limits<int>::max()) {
        throw py::value_error(std::string("no ") + kind + " identity (1 to 2147483647): " + std::to_string(value));
    }
    return static_cast<int>(value);
}

} // namespace

Ptr<dsl::RecordReference> Record(const std::string& db, const py::handle& record)
{
    PyClasses& classes = Classes();
    Ptr<dsl::RecordReference> reference = new dsl::RecordReference;
    reference->SetDBKey(db);
    if (IsInstance(record, classes.RecordRef)) {
        const std::string key = OptionalText(record.attr("db_key"));
        reference->SetDBKey(key.empty() ? db : key);
        reference->SetIdentity(record.attr("identity").cast<int>());
        reference->SetRecordGUID(OptionalText(record.attr("guid")));
        reference->SetHistoryGUID(OptionalText(record.attr("history_guid")));
    } else if (py::isinstance<py::bool_>(record)) {
        throw py::type_error("a record is an identity, a GUID or a RecordRef, not a bool");
    } else if (py::isinstance<py::int_>(record)) {
        reference->SetIdentity(Identity(record.cast<long long>(), "record"));
    } else if (py::isinstance<py::str>(record)) {
        const std::string text = record.cast<std::string>();
        if (AllDigits(text)) {
            reference->SetIdentity(Identity(std::stoll(text), "record"));
        } else if (!text.empty()) {
            reference->SetRecordGUID(text);
        } else {
            throw py::value_error("an empty text names no record");
        }
    } else if (py::hasattr(record, "record")) {
        return Record(db, record.attr("record"));
    } else {
        throw py::type_error("a record is an identity, a GUID or a RecordRef, not " +
                             py::str(record.get_type().attr("__name__")).cast<std::string>());
    }
    return reference;
}

std::vector<Ptr<dsl::RecordReference>> Records(const std::string& db, const py::handle& records)
{
    std::vector<Ptr<dsl::RecordReference>> references;
    if (py::isinstance<py::str>(records) || py::isinstance<py::int_>(records) || py::hasattr(records, "_fields")) {
        references.push_back(Record(db, records));
        return references;
    }
    for (const py::handle& record : records) {
        references.push_back(Record(db, record));
    }
    return references;
}

Ptr<dsl::PartialTableReference> PartialTable(const py::handle& table)
{
    if (IsInstance(table, Classes().TableRef)) {
        Ptr<dsl::PartialTableReference> reference = new dsl::PartialTableReference;
        reference->SetTableName(OptionalText(table.attr("name")));
        reference->SetTableID(table.attr("id").cast<int>());
        reference->SetTableGUID(OptionalText(table.attr("guid")));
        return reference;
    }
    if (py::isinstance<py::int_>(table) && !py::isinstance<py::bool_>(table)) {
        return dsl::PartialTableReference::CreateOneFromTableID(Identity(table.cast<long long>(), "table"));
    }
    if (py::isinstance<py::str>(table)) {
        return dsl::PartialTableReference::CreateOneFromTableName(table.cast<std::string>());
    }
    if (py::hasattr(table, "table")) {
        return PartialTable(table.attr("table"));
    }
    throw py::type_error("a table is a name, an identity or a TableRef");
}

Ptr<dsl::TableReference> Table(const std::string& db, const py::handle& table)
{
    const Ptr<dsl::PartialTableReference> partial = PartialTable(table);
    Ptr<dsl::TableReference> reference = new dsl::TableReference;
    std::string key = db;
    if (IsInstance(table, Classes().TableRef) && !table.attr("db_key").is_none()) {
        key = table.attr("db_key").cast<std::string>();
    }
    reference->SetDBKey(key);
    reference->SetTableName(partial->GetTableName());
    reference->SetTableID(partial->GetTableID());
    reference->SetTableGUID(partial->GetTableGUID());
    return reference;
}

Ptr<dsl::AttributeReference> Attribute(const std::string& db, const py::handle& table, const py::handle& attribute)
{
    PyClasses& classes = Classes();
    Ptr<dsl::AttributeReference> reference = new dsl::AttributeReference;
    reference->SetDBKey(db);
    if (IsInstance(attribute, classes.AttributeRef)) {
        const std::string key = OptionalText(attribute.attr("db_key"));
        reference->SetDBKey(key.empty() ? db : key);
        reference->SetName(OptionalText(attribute.attr("name")));
        reference->SetAttributeID(attribute.attr("id").cast<int>());
        reference->SetIsStandardName(attribute.attr("is_standard").cast<bool>());
        const py::object own = attribute.attr("table");
        if (!own.is_none()) {
            reference->SetPartialTableReference(PartialTable(own));
        } else if (!table.is_none()) {
            reference->SetPartialTableReference(PartialTable(table));
        }
        return reference;
    }
    if (py::isinstance<py::str>(attribute)) {
        const std::string name = attribute.cast<std::string>();
        int pseudo = 0;
        if (name.size() > 2 && name.front() == '[' && name.back() == ']' &&
            dsl::AttributeReference::IsPseudoAttributeName(name.substr(1, name.size() - 2), &pseudo)) {
            reference->MakePseudoAttribute(pseudo);
            return reference;
        }
        reference->SetName(name);
    } else if (py::isinstance<py::int_>(attribute) && !py::isinstance<py::bool_>(attribute)) {
        reference->SetAttributeID(Identity(attribute.cast<long long>(), "attribute"));
    } else if (py::hasattr(attribute, "attribute") && !attribute.attr("attribute").is_none()) {
        return Attribute(db, table, attribute.attr("attribute"));
    } else {
        throw py::type_error("an attribute is a name, an identity or an AttributeRef");
    }
    if (!table.is_none()) {
        reference->SetPartialTableReference(PartialTable(table));
    }
    return reference;
}

std::vector<Ptr<dsl::AttributeReference>> Attributes(const std::string& db, const py::handle& table,
                                                     const py::handle& attributes)
{
    std::vector<Ptr<dsl::AttributeReference>> references;
    if (attributes.is_none()) {
        return references;
    }
    if (py::isinstance<py::str>(attributes) || py::isinstance<py::int_>(attributes) ||
        py::hasattr(attributes, "_fields")) {
        references.push_back(Attribute(db, table, attributes));
        return references;
    }
    for (const py::handle& attribute : attributes) {
        references.push_back(Attribute(db, table, attribute));
    }
    return references;
}

Ptr<dsl::ParameterReference> Parameter(const std::string& db, const py::handle& parameter)
{
    Ptr<dsl::ParameterReference> reference = new dsl::ParameterReference;
    reference->SetDBKey(db);
    if (IsInstance(parameter, Classes().ParameterRef)) {
        reference->SetID(parameter.attr("id").cast<int>());
        reference->SetName(OptionalText(parameter.attr("name")));
    } else if (py::isinstance<py::int_>(parameter) && !py::isinstance<py::bool_>(parameter)) {
        reference->SetID(Identity(parameter.cast<long long>(), "parameter"));
    } else if (py::isinstance<py::str>(parameter)) {
        const std::string text = parameter.cast<std::string>();
        if (AllDigits(text)) {
            reference->SetID(Identity(std::stoll(text), "parameter"));
        } else {
            reference->SetName(text);
        }
    } else if (py::hasattr(parameter, "parameter")) {
        return Parameter(db, parameter.attr("parameter"));
    } else {
        throw py::type_error("a parameter is a name, an identity or a ParameterRef");
    }
    return reference;
}

Ptr<dsl::RecordFilter> Filter(const std::string& db, const py::handle& table, const py::handle& subsets,
                              const std::string& profile)
{
    if ((subsets.is_none() || py::len(subsets) == 0) && profile.empty()) {
        return nullptr;
    }
    Ptr<dsl::RecordFilter> filter = dsl::RecordFilter::CreateOne();
    filter->SetProfile(profile);
    if (!subsets.is_none()) {
        for (const py::handle& subset : py::isinstance<py::str>(subsets) ? py::list(py::make_tuple(subsets))
                                                                          : py::list(py::reinterpret_borrow<py::object>(subsets))) {
            Ptr<dsl::SubsetReference> reference = new dsl::SubsetReference;
            reference->SetDBKey(db);
            if (IsInstance(subset, Classes().SubsetRef)) {
                reference->SetSubsetIdentity(subset.attr("identity").cast<int>());
                reference->SetName(OptionalText(subset.attr("name")));
            } else if (py::isinstance<py::int_>(subset)) {
                reference->SetSubsetIdentity(Identity(subset.cast<long long>(), "subset"));
            } else {
                reference->SetName(subset.cast<std::string>());
            }
            if (!table.is_none()) {
                reference->SetPartialTableReference(PartialTable(table));
            }
            filter->AddSubset(reference);
        }
    }
    return filter;
}

Ptr<dsl::UnitConversionContext> Units(const std::string& unitSystem, const std::string& currency,
                                      const py::handle& absoluteUnits)
{
    if (unitSystem.empty() && currency.empty() && absoluteUnits.is_none()) {
        return nullptr;
    }
    Ptr<dsl::UnitConversionContext> context = new dsl::UnitConversionContext;
    context->SetUnitSystem(unitSystem);
    context->SetCurrency(currency);
    if (!absoluteUnits.is_none()) {
        context->SetAbsoluteUnits(absoluteUnits.cast<bool>());
    }
    return context;
}

dsl::TableFilters::eTablesFilter TablesFilter(const std::string& name)
{
    if (name.empty()) {
        return dsl::TableFilters::NoFilter;
    }
    const dsl::TableFilters::eTablesFilter filter = dsl::TableFilters::FromString(name);
    if (filter == dsl::TableFilters::NoFilter && name != dsl::TableFilters::ToString(dsl::TableFilters::NoFilter)) {
        throw py::value_error("no such table filter: " + name);
    }
    return filter;
}

dsl::SearchModes::eSearchMode SearchMode(const std::string& name)
{
    for (auto mode : {dsl::SearchModes::Normal, dsl::SearchModes::ReadOnly, dsl::SearchModes::NoMode}) {
        if (dsl::SearchModes::ToString(mode) == name) {
            return mode;
        }
    }
    if (name.empty()) {
        return dsl::SearchModes::NoMode;
    }
    throw py::value_error("no such search mode: " + name + " (Normal, ReadOnly)");
}

dsl::VersionPolicy::ePolicy Policy(const std::string& name)
{
    if (name.empty()) {
        return dsl::VersionPolicy::None;
    }
    const dsl::VersionPolicy::ePolicy policy = dsl::VersionPolicy::Policy_FromString(name);
    if (policy == dsl::VersionPolicy::None) {
        throw py::value_error("no such version policy: " + name + " (IncludeAll, LatestVersionPerName)");
    }
    return policy;
}

std::vector<std::string> Strings(const py::handle& items)
{
    if (items.is_none()) {
        return {};
    }
    if (py::isinstance<py::str>(items)) {
        return {items.cast<std::string>()};
    }
    std::vector<std::string> strings;
    for (const py::handle& item : items) {
        strings.push_back(item.cast<std::string>());
    }
    return strings;
}

} // namespace dorsapy

PYBIND11_MODULE(_dorsa, module)
{
    using namespace dorsapy;
    module.doc() = "The Dorsa Service Layer library, as the dorsa package uses it.";
    LoadClasses();

    // The library's registries are filled once per process and emptied at its exit.
    dsl::Initialize();
    py::module_::import("atexit").attr("register")(py::cpp_function([] { dsl::Shutdown(); }));

    py::class_<dsl::ServiceLayerResponse, Ptr<dsl::ServiceLayerResponse>>(module, "Outcome",
                                                                          "How one call ended, as the library recorded it.")
        .def_property_readonly("kind",
                               [](const dsl::ServiceLayerResponse& outcome) {
                                   return dsl::CallOutcomes::eCallOutcome_ToString(outcome.GetOutcome());
                               })
        .def_property_readonly("http_code", &dsl::ServiceLayerResponse::GetResponseCode)
        .def_property_readonly("transport_error",
                               [](const dsl::ServiceLayerResponse& outcome) { return Text(outcome.GetTransportError()); })
        .def_property_readonly("reached_server", &dsl::ServiceLayerResponse::ReachedServer)
        .def_property_readonly("fault_string",
                               [](dsl::ServiceLayerResponse& outcome) { return Text(outcome.GetErrorMessage()); })
        .def_property_readonly("fault_code",
                               [](dsl::ServiceLayerResponse& outcome) { return Text(outcome.GetFaultCode()); })
        .def_property_readonly("fault_detail",
                               [](dsl::ServiceLayerResponse& outcome) { return Text(outcome.GetFaultDetail()); })
        .def_property_readonly("reply_text",
                               [](const dsl::ServiceLayerResponse& outcome) {
                                   // Bytes that are not UTF-8 are shown, not refused.
                                   const std::string& text = outcome.GetResponseMessage();
                                   return py::reinterpret_steal<py::str>(
                                       PyUnicode_DecodeUTF8(text.data(), text.size(), "replace"));
                               })
        .def_property_readonly("request_text",
                               [](const dsl::ServiceLayerResponse& outcome) { return outcome.GetRequestMessage(); })
        .def("__repr__", [](dsl::ServiceLayerResponse& outcome) {
            return "Outcome(kind=" + dsl::CallOutcomes::eCallOutcome_ToString(outcome.GetOutcome()) +
                   ", http_code=" + std::to_string(outcome.GetResponseCode()) + ")";
        });

    py::class_<Session, std::shared_ptr<Session>>(module, "Session")
        .def(py::init([](const std::string& url, const py::object& auth, const py::object& timeout,
                         const py::object& callDeadline, const std::string& appName, const py::object& actAsReadUser,
                         bool refuseCleartextCredentials, const py::object& maxReplySize, const std::string& caFile,
                         const std::string& caFolder, bool systemCa, const std::string& clientCert,
                         const std::string& clientKey, const std::string& keyPassword, const std::string& proxy,
                         const std::string& proxyBypass, const std::string& proxyUser,
                         const std::string& proxyPassword) {
                 return MakeSession(url, auth, timeout, callDeadline, appName, actAsReadUser,
                                    refuseCleartextCredentials, maxReplySize,
                                    NetworkOptions{caFile, caFolder, systemCa, clientCert, clientKey, keyPassword,
                                                   proxy, proxyBypass, proxyUser, proxyPassword});
             }),
             py::arg("url"), py::arg("auth") = py::none(), py::kw_only(), py::arg("timeout") = py::none(),
             py::arg("call_deadline") = py::none(), py::arg("app_name") = "",
             py::arg("act_as_read_user") = py::none(), py::arg("refuse_cleartext_credentials") = false,
             py::arg("max_reply_size") = py::none(), py::arg("ca_file") = "", py::arg("ca_folder") = "",
             py::arg("system_ca") = true, py::arg("client_cert") = "", py::arg("client_key") = "",
             py::arg("key_password") = "", py::arg("proxy") = "", py::arg("proxy_bypass") = "",
             py::arg("proxy_user") = "", py::arg("proxy_password") = "")
        .def_property_readonly("url", [](const Session& session) { return session.Url(); })
        .def(
            "cancel", [](const Session& session) { session.Get()->CancelCallsInProgress(); },
            "Ends every call in progress on this session, from any thread; each raises TransportError "
            "with the reason \"cancelled\". Later calls run as usual.")
        .def_property_readonly("app_name",
                               [](const Session& session) { return session.Get()->GetApplicationName(); })
        .def(
            "ping",
            [](const Session& session) {
                py::gil_scoped_release release;
                return session.Get()->ConnectionIsValid(nullptr);
            },
            "Whether the server answers a GET of the service URL with a 2xx status.")
        .def_property_readonly("browse", [](std::shared_ptr<Session> session) { return Browse{{session}}; })
        .def_property_readonly("search", [](std::shared_ptr<Session> session) { return Search{{session}}; })
        .def_property_readonly("data", [](std::shared_ptr<Session> session) { return DataExport{{session}}; })
        .def_property_readonly("data_import", [](std::shared_ptr<Session> session) { return DataImport{{session}}; })
        .def_property_readonly("engineering", [](std::shared_ptr<Session> session) { return Engineering{{session}}; })
        .def("__repr__", [](const Session& session) {
            return "dorsa.Session(" + py::repr(py::str(session.Url())).cast<std::string>() + ")";
        });

    BindBrowse(module);
    BindSearch(module);
    BindDataExport(module);
    BindDataImport(module);
    BindEngineering(module);
}
