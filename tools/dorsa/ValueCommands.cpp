#include "Commands.h"
#include "Console.h"
#include "Listing.h"
#include "RecordArguments.h"
#include "TableLookup.h"
#include "ValueJson.h"
#include "ValueText.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <exception>
#include <iostream>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using nlohmann::json;

namespace {

// Upper bounds of --batch-size and --parallel. The HTTP client keeps up to eight idle
// connections, so more threads than that would open and close connections all the time.
constexpr int s_maxBatchSize = 10000;
constexpr int s_maxParallel = 8;

struct ValuesArguments {
    std::string dbKey;
    std::string table;
    std::vector<std::string> records;
    std::vector<std::string> attributes;
    std::string unitSystem;
    int batchSize = 0; // 0: every record in one call
    int parallel = 1;
    bool inlineBinary = false;
};

// The attributes named on the command line: pseudo attributes such as "[name]" by their
// name, the others within the table.
std::vector<SmartPtr<AttributeReference>> NamedAttributes(const ValuesArguments& arguments)
{
    std::vector<SmartPtr<AttributeReference>> attributes;
    for (const std::string& name : arguments.attributes) {
        int pseudo = 0;
        if (AttributeReference::IsPseudoAttributeName(name, &pseudo)) {
            SmartPtr<AttributeReference> reference = new AttributeReference;
            reference->MakePseudoAttribute(pseudo);
            attributes.push_back(reference);
        } else {
            attributes.push_back(MakeAttributeReference(arguments.dbKey, arguments.table, name));
        }
    }
    return attributes;
}

// "records 120/1000" on stderr, rewritten in place, once a run has taken a while, and
// only on a terminal: a log file or a pipe gets no progress lines.
class Progress final {
public:
    explicit Progress(size_t total)
        : m_total(total), m_terminal(ErrorIsTerminal()), m_start(std::chrono::steady_clock::now())
    {
    }
    Progress(const Progress&) = delete;
    Progress& operator=(const Progress&) = delete;

    void Add(size_t records)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_done += records;
        if (!m_terminal || std::chrono::steady_clock::now() - m_start < s_quietPeriod) {
            return;
        }
        std::cerr << "\rrecords " << m_done << "/" << m_total << std::flush;
        m_shown = true;
    }

    // Ends the progress line, so that what follows starts on a line of its own.
    void Finish()
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        if (m_shown) {
            std::cerr << "\n";
        }
    }

private:
    static constexpr std::chrono::seconds s_quietPeriod{1};

    std::mutex m_mutex;
    const size_t m_total;
    const bool m_terminal;
    const std::chrono::steady_clock::time_point m_start;
    size_t m_done = 0;
    bool m_shown = false;
};

// One call's share of the records and what came back.
struct Batch {
    SmartPtr<GetRecordAttributesByRefRequest> request;
    GetRecordAttributesByRefResponse response;
    std::exception_ptr error; // what the call threw, rethrown on the caller's thread
};

// The records by identity or GUID as given, and by name as the table's records are named.
int FindRecords(ToolContext& context, const ValuesArguments& arguments, std::vector<SmartPtr<RecordReference>>& records)
{
    for (const std::string& record : arguments.records) {
        SmartPtr<RecordReference> reference;
        if (const int failed = FindRecord(context, arguments.dbKey, arguments.table, record, reference)) {
            return failed;
        }
        records.push_back(reference);
    }
    return Exit_Ok;
}

std::vector<std::unique_ptr<Batch>> MakeBatches(const ValuesArguments& arguments,
                                                const std::vector<SmartPtr<AttributeReference>>& attributes,
                                                const std::vector<SmartPtr<RecordReference>>& records)
{
    const SmartPtr<UnitConversionContext> units = UnitSystemContext(arguments.unitSystem);
    const size_t size = arguments.batchSize > 0 ? static_cast<size_t>(arguments.batchSize) : records.size();
    std::vector<std::unique_ptr<Batch>> batches;
    for (size_t first = 0; first < records.size(); first += size) {
        auto batch = std::make_unique<Batch>();
        batch->request = new GetRecordAttributesByRefRequest;
        batch->request->SetAttributeReferences(attributes);
        batch->request->SetUnitConversionContext(units);
        batch->request->SetPopulateGUIDs(true);
        if (arguments.inlineBinary) {
            batch->request->SetBinaryDataRepresentation(BinaryDataRepresentations::Inline);
        }
        const size_t last = std::min(first + size, records.size());
        for (size_t index = first; index < last; ++index) {
            batch->request->AddRecordReference(records[index]);
        }
        batches.push_back(std::move(batch));
    }
    return batches;
}

bool Succeeded(const Batch& batch)
{
    const SmartPtr<ServiceLayerResponse> outcome = batch.response.GetServiceLayerResponse();
    return !batch.error && outcome && outcome->GetOutcome() == CallOutcomes::Success;
}

// Sends the batches on up to `threads` threads over the one session; each thread takes the
// next batch not yet sent. After a failure no further batch is sent.
void SendBatches(ToolContext& context, std::vector<std::unique_ptr<Batch>>& batches, size_t threads, size_t records)
{
    Progress progress(records);
    std::atomic<size_t> next{0};
    std::atomic<bool> failed{false};
    const auto work = [&] {
        for (size_t index = next++; index < batches.size() && !failed; index = next++) {
            Batch& batch = *batches[index];
            try {
                GetRecordAttributesByRefImpl operation(context.Session());
                operation.RequestRecordAttributesByRef(batch.request, &batch.response);
            } catch (...) {
                batch.error = std::current_exception();
            }
            if (!Succeeded(batch)) {
                failed = true;
            }
            progress.Add(batch.request->AccessRecordReferences().size());
        }
    };
    std::vector<std::thread> workers;
    for (size_t count = 1; count < std::min(threads, batches.size()); ++count) {
        workers.emplace_back(work);
    }
    work();
    for (std::thread& worker : workers) {
        worker.join();
    }
    progress.Finish();
}

int RunValues(ToolContext& context, const ValuesArguments& arguments)
{
    std::vector<SmartPtr<AttributeReference>> attributes = NamedAttributes(arguments);
    if (attributes.empty()) {
        SmartPtr<TableDetail> table;
        if (const int failed = FindTable(context, arguments.dbKey, arguments.table, table)) {
            return failed;
        }
        attributes = table->AccessAttributeReferences();
    }
    std::vector<SmartPtr<RecordReference>> records;
    if (const int failed = FindRecords(context, arguments, records)) {
        return failed;
    }
    std::vector<std::unique_ptr<Batch>> batches = MakeBatches(arguments, attributes, records);
    SendBatches(context, batches, static_cast<size_t>(arguments.parallel), records.size());
    // Judged in the caller's order: the first failure is the one reported.
    for (const std::unique_ptr<Batch>& batch : batches) {
        if (batch->error) {
            std::rethrow_exception(batch->error);
        }
        const SmartPtr<ServiceLayerResponse> outcome = batch->response.GetServiceLayerResponse();
        if (const int failed = context.Outcome(GetRecordAttributesByRefImpl::s_soapAction, outcome)) {
            return failed;
        }
    }
    using Value = SmartPtr<AttributeValue>;
    std::vector<RecordParts<Value>> values;
    std::vector<std::string> empty;
    for (const std::unique_ptr<Batch>& batch : batches) {
        for (const SmartPtr<RecordData>& data : batch->response.AccessRecordData()) {
            values.push_back({data->GetRecordReference() ? data->GetRecordReference() : new RecordReference,
                              data->AccessAttributeValues()});
            if (data->AccessAttributeValues().empty() && data->GetRecordReference()) {
                empty.push_back(RecordLabel(data->GetRecordReference()));
            }
        }
    }
    PrintRecordParts<Value>(
        context, "values",
        {{"ATTRIBUTE", "attribute", [](const Value& value) { return value->GetAttributeName(); }},
         {nullptr, "id", [](const Value& value) { return value->GetAttributeID(); }},
         {"TYPE", nullptr, [](const Value& value) { return TypeName(value->GetDataType()); }},
         {"VALUE", "value", [](const Value& value) { return ValueJson(value->GetDataValue()); },
          [](const Value& value) { return ValueText(value->GetDataValue()); }}},
        values);
    // A record without values would show as no row at all: say so, beside the output.
    for (const std::string& record : empty) {
        std::cerr << "dorsa: record " << record << " holds no values for the attributes asked\n";
    }
    return Exit_Ok;
}

struct PopulatedArguments {
    std::string dbKey;
    std::vector<std::string> records;
    bool empty = false;
    bool meta = false;
};

using Entry = SmartPtr<RecordAttribute>;

SmartPtr<RecordReference> RecordOf(const Entry& entry)
{
    return entry->GetRecordReference() ? entry->GetRecordReference() : new RecordReference;
}

SmartPtr<NamedAttribute> AttributeOf(const Entry& entry)
{
    return entry->GetAttribute() ? entry->GetAttribute() : new NamedAttribute;
}

// One attribute of one record. A meta-attribute shows as "Data source notes (about Datasheet)".
std::vector<Column<Entry>> PopulatedColumns()
{
    return {
        {"RECORD", "record", [](const Entry& entry) { return RecordJson(RecordOf(entry)); },
         [](const Entry& entry) { return RecordLabel(RecordOf(entry)); }},
        {"ATTRIBUTE", "attribute", [](const Entry& entry) { return AttributeOf(entry)->GetName(); },
         [](const Entry& entry) {
             const SmartPtr<NamedAttribute> about = AttributeOf(entry)->GetMetaAboutAttribute();
             const std::string name = AttributeOf(entry)->GetName();
             return about ? name + " (about " + about->GetName() + ")" : name;
         }},
        {"ID", "id",
         [](const Entry& entry) {
             const SmartPtr<AttributeReference> reference = AttributeOf(entry)->GetAttribute();
             return reference ? reference->GetAttributeID() : 0;
         }},
        {nullptr, "metaAbout",
         [](const Entry& entry) {
             const SmartPtr<NamedAttribute> about = AttributeOf(entry)->GetMetaAboutAttribute();
             return about ? json(about->GetName()) : json(nullptr);
         }},
        {"DATA", "hasData", [](const Entry& entry) { return entry->GetHasData(); }},
        {"VERSION", "dataVersion", [](const Entry& entry) { return entry->GetDataVersionNumber(); },
         [](const Entry& entry) {
             return entry->GetHasData() ? std::to_string(entry->GetDataVersionNumber()) : std::string();
         }},
        {nullptr, "createdRecordVersion", [](const Entry& entry) { return entry->GetDataCreatedRecordVersion(); }},
        {nullptr, "retiredRecordVersion", [](const Entry& entry) { return entry->GetDataRetiredRecordVersion(); }}};
}

int RunPopulated(ToolContext& context, const PopulatedArguments& arguments)
{
    SmartPtr<GetRecordAttributesRequest> request = GetRecordAttributesRequest::CreateOne();
    for (const std::string& record : arguments.records) {
        request->AddRecordReference(MakeRecordReference(arguments.dbKey, record));
    }
    request->SetIncludeEmpty(arguments.empty);
    request->SetIncludeMeta(arguments.meta);
    GetRecordAttributesResponse response;
    if (const int failed = context.Call<GetRecordAttributesImpl>(response, request)) {
        return failed;
    }
    PrintListing(context, PopulatedColumns(), response.AccessRecordAttributes());
    return Exit_Ok;
}

Runner DefineValues(CLI::App& app)
{
    auto arguments = std::make_shared<ValuesArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("TABLE", arguments->table, "table name")->required();
    app.add_option("RECORD", arguments->records,
                   "records, each by identity, GUID, or full or short name")
        ->required()
        ->check(RecordOrNameValidator());
    // One name per --attribute: names hold spaces and commas, and "[name]" is a record
    // property, not a list to split.
    app.add_option("--attribute", arguments->attributes,
                   "an attribute to show, by name, or a record property such as [name]; repeat for more "
                   "(default: every attribute of the table)")
        ->allow_extra_args(false);
    app.add_option("--unit-system", arguments->unitSystem, "show values in this unit system, e.g. Imperial");
    app.add_flag("--inline-binary", arguments->inlineBinary,
                 "fetch file and picture content with the values (shows their size) instead of their URL");
    app.add_option("--batch-size", arguments->batchSize, "records per call (default: all in one call)")
        ->check(CLI::Range(1, s_maxBatchSize));
    app.add_option("--parallel", arguments->parallel, "calls to have under way at once")
        ->check(CLI::Range(1, s_maxParallel));
    return [arguments](ToolContext& context) { return RunValues(context, *arguments); };
}

Runner DefinePopulated(CLI::App& app)
{
    auto arguments = std::make_shared<PopulatedArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("RECORD", arguments->records, "records, each by identity or GUID")
        ->required()
        ->check(RecordValidator());
    app.add_flag("--empty", arguments->empty, "also list the attributes of each record's table that hold no data");
    app.add_flag("--meta", arguments->meta, "also list meta-attributes");
    return [arguments](ToolContext& context) { return RunPopulated(context, *arguments); };
}

} // namespace

std::vector<Command> ValueCommands()
{
    return {
        {"values", "show the attribute values of records", DefineValues},
        {"populated", "list the attributes that records hold data for", DefinePopulated},
    };
}

} // namespace dorsatool
