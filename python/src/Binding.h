#pragma once

// Shared pieces of the Python module: the Python classes results are made of, the way a
// call runs with the interpreter lock released, and the references Python arguments name.

#include <dorsa/ServiceLayer.h>

#include <pybind11/pybind11.h>
#include <pybind11/stl.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace dorsapy {

namespace py = pybind11;
namespace dsl = zvrtkDorsaServiceLayer;
template <class T>
using Ptr = dsl::SmartPtr<T>;

// The result classes of dorsa.types and the exceptions of dorsa.errors, looked up once.
struct PyClasses {
    py::object Database, TableRef, AttributeRef, RecordRef, ParameterRef, SubsetRef, LinkGroupRef, Revision;
    py::object TableDetail, Column, AttributeDetail, AttributeRange, RecordAttribute, Subset, UnitSystems, Currency,
        Conversion, UnitSystemConversions, UnitConversions, Unit, TreeRecord, LinkGroup, RecordVersion, NamedRecord,
        NamedAttribute, LinkedGroup, SourceRecord, ParameterDetail, ParameterChoice, MetaAttributes, SearchHit;
    py::object RecordData, AttributeValue, Point, PointItem, ParameterInfo, Range, Scalar, Hyperlink, Discrete, File,
        Picture, Table, TableColumn, TableRow, ListValue, ListItem, Series, SeriesLine, SeriesPoint, Grid, GridValue,
        LinkedRecords, Empty, RecordDataList;
    py::object RecordAddresses, AttributeAddress, LinkChanges, LinkedSource, Exporter, RecordExporters,
        ExporterParameter, AttributeExporterParameters, RecordExporterParameters, ParameterDomain;
    py::object Error, TransportError, HttpError, SoapFault, UnreadableReply;
};

// Filled when the module is imported; never released (the interpreter owns the classes).
PyClasses& Classes();

// Runs `call` on a fresh response with the interpreter lock released, then raises the
// dorsa.Error subclass that fits when the call did not succeed. `what` names the operation
// in the error message.
template <class Response, class Call>
void RunCall(const char* what, Response& response, Call&& call);

// Raises the fitting dorsa.Error for a finished call; does nothing on success.
void RaiseForOutcome(const char* what, const Ptr<dsl::ServiceLayerResponse>& outcome);

template <class Response, class Call>
void RunCall(const char* what, Response& response, Call&& call)
{
    std::string thrown;
    {
        py::gil_scoped_release release;
        try {
            call(response);
        } catch (const std::exception& error) {
            thrown = error.what();
        }
    }
    Ptr<dsl::ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
    if (!thrown.empty()) {
        // A reply whose numbers could not be read: the pipeline recorded the outcome, then threw.
        if (!outcome) {
            outcome = new dsl::ServiceLayerResponse;
        }
        outcome->SetOutcome(dsl::CallOutcomes::UnreadableReply, thrown, true);
    }
    RaiseForOutcome(what, outcome);
}

// --- Python arguments to library references -------------------------------------------

// A record: an int identity, a GUID or digits as text, or a RecordRef.
Ptr<dsl::RecordReference> Record(const std::string& db, const py::handle& record);
std::vector<Ptr<dsl::RecordReference>> Records(const std::string& db, const py::handle& records);
// A table: its name, its int identity, or a TableRef.
Ptr<dsl::TableReference> Table(const std::string& db, const py::handle& table);
Ptr<dsl::PartialTableReference> PartialTable(const py::handle& table);
// An attribute: its name (a record property in square brackets, such as "[shortName]", too),
// its int identity, or an AttributeRef; `table` (may be None) scopes names and identities.
Ptr<dsl::AttributeReference> Attribute(const std::string& db, const py::handle& table, const py::handle& attribute);
std::vector<Ptr<dsl::AttributeReference>> Attributes(const std::string& db, const py::handle& table,
                                                     const py::handle& attributes);
// A parameter: its name, its int identity, or a ParameterRef.
Ptr<dsl::ParameterReference> Parameter(const std::string& db, const py::handle& parameter);
// A record filter of subsets (names or identities) and a profile; null when both are empty.
Ptr<dsl::RecordFilter> Filter(const std::string& db, const py::handle& table, const py::handle& subsets,
                              const std::string& profile);
// Values in a unit system and currency; null when nothing is asked for.
Ptr<dsl::UnitConversionContext> Units(const std::string& unitSystem, const std::string& currency,
                                      const py::handle& absoluteUnits);
dsl::TableFilters::eTablesFilter TablesFilter(const std::string& name);
dsl::SearchModes::eSearchMode SearchMode(const std::string& name);
dsl::VersionPolicy::ePolicy Policy(const std::string& name);
// A list of Python strings, or one string alone.
std::vector<std::string> Strings(const py::handle& items);

// --- Library results to Python objects --------------------------------------------------

py::object Shape(const Ptr<dsl::TableReference>& table);
py::object Shape(const Ptr<dsl::PartialTableReference>& table, const std::string& db);
py::object Shape(const Ptr<dsl::AttributeReference>& attribute);
py::object Shape(const Ptr<dsl::RecordReference>& record);
py::object Shape(const Ptr<dsl::ParameterReference>& parameter);
py::object Shape(const Ptr<dsl::SubsetReference>& subset);
py::object Shape(const Ptr<dsl::RecordLinkGroupReference>& group);
py::object Shape(const Ptr<dsl::RevisionInfo>& revision);
py::object Shape(const Ptr<dsl::NamedRecord>& record);
py::object Shape(const Ptr<dsl::NamedAttribute>& attribute);
py::object Shape(const Ptr<dsl::ParameterDetail>& parameter);
py::object Shape(const Ptr<dsl::TreeRecord>& record);
py::object Shape(const Ptr<dsl::CurrencyDetail>& currency);
py::object Shape(const Ptr<dsl::SearchResult>& hit);
py::object Shape(const Ptr<dsl::RecordData>& data);
py::object Shape(const Ptr<dsl::ParameterInformation>& parameter);
py::object Shape(const Ptr<dsl::LinkedRecordsDataType>& links);
py::object ShapeValue(const Ptr<dsl::IDataValue>& value);
py::object ShapeParameterValue(const Ptr<dsl::ParameterValue>& value);

// A Python list of the shapes of `items`.
template <class T>
py::list ShapeAll(const std::vector<T>& items)
{
    py::list list(items.size());
    for (size_t index = 0; index < items.size(); ++index) {
        list[index] = Shape(items[index]);
    }
    return list;
}

// An optional text: None when empty.
inline py::object Text(const std::string& text)
{
    return text.empty() ? py::object(py::none()) : py::object(py::str(text));
}

// --- The five services, each registered on the module ----------------------------------

class Session;
void BindBrowse(py::module_& module);
void BindSearch(py::module_& module);
void BindDataExport(py::module_& module);
void BindDataImport(py::module_& module);
void BindEngineering(py::module_& module);

// The library session the Python Session holds; services keep their Session alive.
class Session final {
public:
    Session(Ptr<dsl::DorsaSession> session, std::string url) : m_session(std::move(session)), m_url(std::move(url)) {}
    dsl::DorsaSession* Get() const { return m_session.get(); }
    const std::string& Url() const { return m_url; }

private:
    Ptr<dsl::DorsaSession> m_session;
    std::string m_url;
};

// Every service object is a handle on its Session.
struct Service {
    std::shared_ptr<Session> session;
    dsl::DorsaSession* Get() const { return session->Get(); }
};
struct Browse : Service {};
struct Search : Service {};
struct DataExport : Service {};
struct DataImport : Service {};
struct Engineering : Service {};

} // namespace dorsapy
