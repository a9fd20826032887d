// One library call against the raw cost of the same exchange: libcurl posting the very
// bytes the library sends, then a bare RapidXML parse of the reply. Both talk to a lean
// keep-alive server in this process that answers with a fixed reply.
//
// Large reply: a GetTables reply of about 50 MB (see LargeTablesReply for what it
// holds), timed per call, with the peak resident memory each way of reading it costs. Small calls: GetDatabases with a two-database
// reply, in calls per second on one thread and on eight. Record data: a
// GetRecordAttributesByRef reply of about 50 MB, the sample records' values of every
// type repeated (see LargeRecordDataReply), timed and measured the same way.
//
// The summary at the end puts the two sides of each pair side by side.

#include "BenchServer.h"

#include "dorsa/ServiceLayer.h"
#include "dorsa/xml/XmlDom.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace {

using namespace zvrtkDorsaServiceLayer;

constexpr std::size_t s_largeReplyBytes = 50 * 1000 * 1000;
const char s_dbKey[] = "DORSA_SAMPLES";
const char s_soapEnvelopeNamespace[] = "http://schemas.xmlsoap.org/soap/envelope/";

// ---------------------------------------------------------------------------------
// Canned replies

std::string Envelope(const std::string& content)
{
    return std::string("<s:Envelope xmlns:s=\"") + s_soapEnvelopeNamespace + "\"><s:Body>" + content +
           "</s:Body></s:Envelope>";
}

std::string BrowseNamespace()
{
    return BrowseService::GetBrowseDefinition("16/01");
}

std::string BaseTypesNamespace()
{
    return std::string(VendorNamespaceRoot) + "/16/01/ZelvraBaseTypes";
}

struct TablesReply {
    std::string body;
    std::size_t tableCount = 0;
};

// Opens an element named `prefix`:`local`.
void Open(std::string& text, const char* prefix, const char* local)
{
    text.append("<").append(prefix).append(":").append(local).append(">");
}

void Close(std::string& text, const char* prefix, const char* local)
{
    text.append("</").append(prefix).append(":").append(local).append(">");
}

void AppendText(std::string& text, const char* prefix, const char* local, const std::string& value)
{
    Open(text, prefix, local);
    text += value;
    Close(text, prefix, local);
}

// A GetTables reply (every table, its non-meta attributes) of about `targetBytes`, in
// the shape the service writes it: the reply's own elements under "a", the base types
// under "z", no whitespace between elements. Each table detail holds the table
// reference (identity, GUID, name, database key), one attribute reference per
// attribute (database key, identity, and its name with the table's name) and the
// table's filters. Tables have 16, 2, 1, 3 or 1 attributes in turn, as in the sample
// catalogue; names are invented. The text is a fixture, so it is written out directly
// rather than through the DOM.
TablesReply LargeTablesReply(std::size_t targetBytes)
{
    static const char* const s_families[] = {
        "Alloys and Polymers", "Processes", "Coating Trials", "Fibre Laminates",
        "Foam Grades", "Ceramic Powders", "Adhesive Batches", "Test Coupons",
    };
    static const char* const s_attributes[] = {
        "Density", "Tensile Strength", "Yield Strength", "Stress-strain Curve", "Composition", "Datasheet",
        "Data Source Notes", "Material Family", "Notes", "Date Tested", "Supplier Website", "Corrosion Resistance",
        "Glass Transition Temperature", "Thermal Conductivity", "Shore Hardness", "Batch Size",
    };
    static const std::size_t s_attributeCounts[] = {16, 2, 1, 3, 1};
    static const char* const s_filters[] = {"MaterialsTablesOnly", "ProcessesTablesOnly", "CoatingsTablesOnly",
                                            "ProducersTablesOnly", "ReferenceTablesOnly"};
    const std::string tail = "</a:tableDetails></a:GetTablesResponse></s:Body></s:Envelope>";
    TablesReply reply;
    std::string& text = reply.body;
    text.reserve(targetBytes + 8192);
    text = std::string("<s:Envelope xmlns:s=\"") + s_soapEnvelopeNamespace +
           "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><s:Body><a:GetTablesResponse xmlns:a=\"" +
           BrowseNamespace() + "\" xmlns:z=\"" + BaseTypesNamespace() + "\"><a:tableDetails>";
    std::size_t attributeIdentity = 0;
    char guid[64];
    while (text.size() + tail.size() < targetBytes) {
        const std::size_t table = reply.tableCount++;
        const std::string tableName = std::string(s_families[table % 8]) + " " + std::to_string(table + 1);
        std::snprintf(guid, sizeof guid, "%08zx-5d1e-4c0a-9b7f-%012zx", table * 2654435761u % 0xffffffffu, table);
        Open(text, "a", "table");
        Open(text, "a", "table");
        AppendText(text, "z", "tableIdentity", std::to_string(table + 1));
        AppendText(text, "z", "tableGUID", guid);
        AppendText(text, "z", "tableName", tableName);
        AppendText(text, "z", "dbKey", s_dbKey);
        Close(text, "a", "table");
        Open(text, "a", "attributeReferences");
        for (std::size_t attribute = 0; attribute < s_attributeCounts[table % 5]; ++attribute) {
            Open(text, "a", "attribute");
            AppendText(text, "z", "dbKey", s_dbKey);
            AppendText(text, "z", "attributeIdentity", std::to_string(++attributeIdentity));
            text += "<z:name isStandard=\"false\">";
            Open(text, "z", "table");
            AppendText(text, "z", "tableName", tableName);
            Close(text, "z", "table");
            AppendText(text, "z", "attributeName", s_attributes[attribute]);
            Close(text, "z", "name");
            Close(text, "a", "attribute");
        }
        Close(text, "a", "attributeReferences");
        Open(text, "a", "tableFilters");
        AppendText(text, "a", "tableFilter", s_filters[table % 5]);
        if (table % 2 == 0) {
            AppendText(text, "a", "tableFilter", "UniverseTablesOnly");
        }
        Close(text, "a", "tableFilters");
        Close(text, "a", "table");
    }
    text += tail;
    return reply;
}

struct RecordDataReply {
    std::string body;
    std::size_t recordCount = 0;
};

// The fixture's records that hold values, each value as an "attributeValue", repeated under
// fresh record identities until the reply reaches `targetBytes`.
RecordDataReply LargeRecordDataReply(std::size_t targetBytes)
{
    std::ifstream file(DORSA_FIXTURES_DIR "/sample_attribute_values.xml", std::ios::binary);
    const std::string fixture((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    std::vector<std::string> records;
    for (std::size_t start = fixture.find("<record "); start != std::string::npos;
         start = fixture.find("<record ", start + 1)) {
        const std::size_t open = fixture.find('>', start) + 1;
        if (fixture[open - 2] == '/') {
            continue; // a record without values: folders and empty records
        }
        std::string values = fixture.substr(open, fixture.find("</record>", open) - open);
        for (std::size_t at = 0; (at = values.find("<attribute>", at)) != std::string::npos;) {
            values.replace(at, 11, "<attributeValue>");
        }
        for (std::size_t at = 0; (at = values.find("</attribute>", at)) != std::string::npos;) {
            values.replace(at, 12, "</attributeValue>");
        }
        records.push_back(values);
    }
    RecordDataReply reply;
    if (records.empty()) {
        return reply;
    }
    const std::string tail = "</results></GetRecordAttributesByRefResponse>";
    reply.body = std::string("<s:Envelope xmlns:s=\"") + s_soapEnvelopeNamespace +
                 "\" xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><s:Body><GetRecordAttributesByRefResponse>"
                 "<results>";
    reply.body.reserve(targetBytes + 64 * 1024);
    while (reply.body.size() + tail.size() < targetBytes) {
        reply.body += "<recordData><record><dbKey>" + std::string(s_dbKey) + "</dbKey><identity><recordHistoryIdentity>" +
                      std::to_string(10000 + reply.recordCount) + "</recordHistoryIdentity></identity></record>"
                      "<attributeValues>" + records[reply.recordCount % records.size()] +
                      "</attributeValues></recordData>";
        ++reply.recordCount;
    }
    reply.body += tail + "</s:Body></s:Envelope>";
    return reply;
}

std::string SmallDatabasesReply()
{
    return Envelope("<GetDatabasesResponse xmlns=\"" + BrowseNamespace() +
                    "\"><databaseDetails>"
                    "<database><dbKey>DORSA_SAMPLES</dbKey><volumeName>Sample Materials</volumeName></database>"
                    "<database><dbKey>DORSA_POLYMERS</dbKey><volumeName>Polymer Grades</volumeName></database>"
                    "</databaseDetails></GetDatabasesResponse>");
}

// ---------------------------------------------------------------------------------
// Raw libcurl

// What the library puts on the wire for one call, captured from its own request builder.
struct Exchange {
    std::string url;
    std::vector<std::string> headerLines;
    std::string body;
};

Exchange CaptureExchange(const OperationBase& operation, SmartPtr<IRequest> request, const std::string& serverUrl,
                         const std::wstring& servicePath)
{
    Exchange exchange;
    exchange.url = serverUrl + WideToUtf8(servicePath);
    const SmartPtr<HttpMessage> message = operation.BuildRequestHandle(request);
    for (const HttpMessage::Header& header : message->GetRequestHeaders()) {
        exchange.headerLines.push_back(header.first + ": " + header.second);
    }
    // The library's HTTP client suppresses the 100-continue round trip the same way.
    exchange.headerLines.push_back("Expect:");
    const SmartPtr<HttpMessageBuffer> body = message->AccessRequestBody();
    exchange.body.assign(body->GetData(), body->GetLength());
    return exchange;
}

struct CurlEasyDeleter {
    void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};

struct CurlSlistDeleter {
    void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};

// One easy handle kept across calls, configured once with the options the library sets
// on every transfer that change the bytes on the wire (HTTP/1.1, Accept-Encoding, the
// headers, POST). The library's stall guard and reply limit are its own cost, left out.
// The exchange must outlive the client: libcurl reads the body and URL from it.
class RawCurlClient final {
public:
    explicit RawCurlClient(const Exchange& exchange) : m_handle(curl_easy_init())
    {
        if (!m_handle) {
            m_error = "curl_easy_init failed";
            return;
        }
        for (const std::string& line : exchange.headerLines) {
            curl_slist* extended = curl_slist_append(m_headers.get(), line.c_str());
            if (!extended) {
                m_error = "out of memory for the request headers";
                return;
            }
            m_headers.release();
            m_headers.reset(extended);
        }
        Set(CURLOPT_ERRORBUFFER, m_errorBuffer);
        Set(CURLOPT_URL, exchange.url.c_str());
        Set(CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
        Set(CURLOPT_NOSIGNAL, 1L);
        Set(CURLOPT_HTTPHEADER, m_headers.get());
        Set(CURLOPT_ACCEPT_ENCODING, "gzip, deflate");
        Set(CURLOPT_WRITEFUNCTION, &RawCurlClient::Collect);
        Set(CURLOPT_WRITEDATA, static_cast<void*>(this));
        Set(CURLOPT_POST, 1L);
        Set(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(exchange.body.size()));
        Set(CURLOPT_POSTFIELDS, exchange.body.data());
    }
    RawCurlClient(const RawCurlClient&) = delete;
    RawCurlClient& operator=(const RawCurlClient&) = delete;

    // Posts the request; the reply body replaces `reply`. False with the reason in Error().
    bool Post(std::string& reply)
    {
        if (!m_error.empty()) {
            return false;
        }
        reply.clear();
        m_reply = &reply;
        m_errorBuffer[0] = '\0';
        const CURLcode performed = curl_easy_perform(m_handle.get());
        m_reply = nullptr;
        if (performed != CURLE_OK) {
            m_error = m_errorBuffer[0] != '\0' ? m_errorBuffer : curl_easy_strerror(performed);
            return false;
        }
        long code = 0;
        const CURLcode asked = curl_easy_getinfo(m_handle.get(), CURLINFO_RESPONSE_CODE, &code);
        if (asked != CURLE_OK || code != 200) {
            m_error = asked != CURLE_OK ? curl_easy_strerror(asked) : "HTTP status " + std::to_string(code);
            return false;
        }
        return true;
    }

    const std::string& Error() const { return m_error; }

private:
    template <class Value>
    void Set(CURLoption option, Value value)
    {
        const CURLcode code = curl_easy_setopt(m_handle.get(), option, value);
        if (code != CURLE_OK && m_error.empty()) {
            m_error = curl_easy_strerror(code);
        }
    }

    // Sizes the reply string once from Content-Length, then appends.
    static size_t Collect(char* data, size_t size, size_t count, void* userData)
    {
        auto* client = static_cast<RawCurlClient*>(userData);
        const size_t length = size * count;
        if (client->m_reply->empty()) {
            curl_off_t expected = -1;
            if (curl_easy_getinfo(client->m_handle.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &expected) == CURLE_OK &&
                expected > 0) {
                client->m_reply->reserve(static_cast<size_t>(expected));
            }
        }
        client->m_reply->append(data, length);
        return length;
    }

    std::unique_ptr<CURL, CurlEasyDeleter> m_handle;
    std::unique_ptr<curl_slist, CurlSlistDeleter> m_headers;
    char m_errorBuffer[CURL_ERROR_SIZE] = {};
    std::string* m_reply = nullptr;
    std::string m_error;
};

// A bare RapidXML parse with default flags, in place in `text`; false on a parse error.
bool BareParse(std::string& text, std::string& error)
{
    auto document = std::make_unique<rapidxml::xml_document<>>();
    try {
        document->parse<0>(&text[0]);
    } catch (const XmlParseError& failure) {
        error = failure.what();
        return false;
    }
    benchmark::DoNotOptimize(document->first_node());
    return document->first_node() != nullptr;
}

// ---------------------------------------------------------------------------------
// Peak memory

long StatusKilobytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    const std::string prefix = std::string(field) + ":";
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, prefix.size(), prefix) == 0) {
            return std::atol(line.c_str() + prefix.size());
        }
    }
    return -1;
}

long MaxRssKilobytes()
{
    rusage usage{};
    return ::getrusage(RUSAGE_SELF, &usage) == 0 ? usage.ru_maxrss : -1;
}

// How far resident memory rises above where it stood when the probe was made. Freed heap
// is handed back first and the kernel's high-water mark reset ("5" to clear_refs), so the
// peak belongs to what runs after the probe. Where the mark cannot be reset, the
// process-wide ru_maxrss stands in: then only growth beyond every earlier peak shows.
class PeakMemoryProbe final {
public:
    PeakMemoryProbe()
    {
        ::malloc_trim(0);
        m_resettable = ResetHighWaterMark();
        m_baselineKb = m_resettable ? StatusKilobytes("VmRSS") : MaxRssKilobytes();
        if (!m_resettable) {
            std::cerr << "pipeline_bench: cannot reset VmHWM; peak RSS is a lower bound from ru_maxrss\n";
        }
    }

    double GrowthBytes() const
    {
        const long peakKb = m_resettable ? StatusKilobytes("VmHWM") : MaxRssKilobytes();
        return peakKb > m_baselineKb ? 1024.0 * static_cast<double>(peakKb - m_baselineKb) : 0.0;
    }

private:
    static bool ResetHighWaterMark()
    {
        std::FILE* file = std::fopen("/proc/self/clear_refs", "w");
        if (!file) {
            return false;
        }
        const bool written = std::fputs("5", file) >= 0;
        return std::fclose(file) == 0 && written && StatusKilobytes("VmHWM") <= StatusKilobytes("VmRSS") + 64;
    }

    bool m_resettable = false;
    long m_baselineKb = 0;
};

void ReportLargeReply(benchmark::State& state, std::size_t replyBytes, const PeakMemoryProbe& probe)
{
    const double growth = probe.GrowthBytes();
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * replyBytes));
    state.counters["reply_MB"] = static_cast<double>(replyBytes) / 1e6;
    state.counters["peak_rss_MB"] = growth / 1e6;
    state.counters["peak_x_reply"] = growth / static_cast<double>(replyBytes);
}

// ---------------------------------------------------------------------------------
// Shared set-up: made in main between the library's Initialize and Shutdown.

struct Endpoint {
    explicit Endpoint(const std::string& body)
        : server(body), session(DorsaSession::CreateOne(server.Url(), DorsaSLAuth_Annonymous::CreateOne()))
    {
    }

    dorsabench::BenchServer server;
    SmartPtr<DorsaSession> session;
    Exchange exchange;
};

struct BenchContext {
    BenchContext(const TablesReply& tables, const RecordDataReply& recordData)
        : large(tables.body), tableCount(tables.tableCount), records(recordData.body),
          recordCount(recordData.recordCount), small(SmallDatabasesReply())
    {
        GetTablesImpl tablesOperation(large.session.get());
        large.exchange = CaptureExchange(tablesOperation, TablesRequest(), large.server.Url(), GetTablesImpl::s_service);
        GetRecordAttributesByRefImpl recordsOperation(records.session.get());
        records.exchange = CaptureExchange(recordsOperation, RecordsRequest(), records.server.Url(),
                                           GetRecordAttributesByRefImpl::s_service);
        GetDatabaseImpl databasesOperation(small.session.get());
        small.exchange = CaptureExchange(databasesOperation, nullptr, small.server.Url(), GetDatabaseImpl::s_service);
    }

    static SmartPtr<GetTables> TablesRequest()
    {
        SmartPtr<GetTables> request = new GetTables;
        request->SetDBKey(s_dbKey);
        request->AddAttributeSelector(GetTables::NonMetaAttributes);
        return request;
    }

    // The request the server ignores: its canned reply holds every record.
    static SmartPtr<GetRecordAttributesByRefRequest> RecordsRequest()
    {
        SmartPtr<GetRecordAttributesByRefRequest> request = new GetRecordAttributesByRefRequest;
        SmartPtr<RecordReference> record = new RecordReference;
        record->SetDBKey(s_dbKey);
        record->SetIdentity(10000);
        request->AddRecordReference(record);
        return request;
    }

    Endpoint large;
    std::size_t tableCount;
    Endpoint records;
    std::size_t recordCount;
    Endpoint small;
};

BenchContext* s_context = nullptr;

// ---------------------------------------------------------------------------------
// Large reply

void RawDownloadAndParse(benchmark::State& state, const Endpoint& endpoint)
{
    RawCurlClient client(endpoint.exchange);
    std::string error;
    {
        // Opens the connection and checks the reply once, outside the measurement.
        std::string reply;
        if (!client.Post(reply) || reply.size() != endpoint.server.BodySize() || !BareParse(reply, error)) {
            state.SkipWithError(("warm-up call failed: " + client.Error() + error).c_str());
            return;
        }
    }
    const PeakMemoryProbe probe;
    for (auto _ : state) {
        std::string reply;
        if (!client.Post(reply) || !BareParse(reply, error)) {
            state.SkipWithError((client.Error() + error).c_str());
            break;
        }
    }
    ReportLargeReply(state, endpoint.server.BodySize(), probe);
}

void BM_RawCurlDownloadAndParse(benchmark::State& state)
{
    RawDownloadAndParse(state, s_context->large);
}

void BM_RawCurlRecordData(benchmark::State& state)
{
    RawDownloadAndParse(state, s_context->records);
}

void BM_SessionGetTables(benchmark::State& state)
{
    const Endpoint& endpoint = s_context->large;
    GetTablesImpl operation(endpoint.session.get());
    const SmartPtr<GetTables> request = BenchContext::TablesRequest();
    const auto call = [&] {
        GetTablesResponse response;
        operation.RequestTables(request, &response);
        const SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
        return outcome && outcome->GetResponseCode() == 200 && response.AccessTableDetails().size() == s_context->tableCount &&
               response.AccessTableDetails().back()->GetTableReference();
    };
    if (!call()) {
        state.SkipWithError("warm-up call did not read every table");
        return;
    }
    const PeakMemoryProbe probe;
    for (auto _ : state) {
        if (!call()) {
            state.SkipWithError("call did not read every table");
            break;
        }
    }
    ReportLargeReply(state, endpoint.server.BodySize(), probe);
}

void BM_SessionRecordData(benchmark::State& state)
{
    const Endpoint& endpoint = s_context->records;
    GetRecordAttributesByRefImpl operation(endpoint.session.get());
    const SmartPtr<GetRecordAttributesByRefRequest> request = BenchContext::RecordsRequest();
    const auto call = [&] {
        GetRecordAttributesByRefResponse response;
        operation.RequestRecordAttributesByRef(request, &response);
        const SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
        return outcome && outcome->IsSuccess() && response.AccessRecordData().size() == s_context->recordCount &&
               !response.AccessRecordData().back()->AccessAttributeValues().empty();
    };
    if (!call()) {
        state.SkipWithError("warm-up call did not read every record");
        return;
    }
    const PeakMemoryProbe probe;
    for (auto _ : state) {
        if (!call()) {
            state.SkipWithError("call did not read every record");
            break;
        }
    }
    ReportLargeReply(state, endpoint.server.BodySize(), probe);
}

// ---------------------------------------------------------------------------------
// Small calls

void BM_RawCurlSmallCall(benchmark::State& state)
{
    RawCurlClient client(s_context->small.exchange);
    std::string reply;
    std::string error;
    if (!client.Post(reply) || !BareParse(reply, error)) {
        state.SkipWithError(("warm-up call failed: " + client.Error() + error).c_str());
        return;
    }
    for (auto _ : state) {
        if (!client.Post(reply) || !BareParse(reply, error)) {
            state.SkipWithError((client.Error() + error).c_str());
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

void BM_SessionGetDatabases(benchmark::State& state)
{
    // The session is shared by every thread; each thread has its operation object.
    GetDatabaseImpl operation(s_context->small.session.get());
    const auto call = [&] {
        GetDatabasesResponse response;
        operation.GetDatabases(&response);
        return response.AccessDatabases().size() == 2;
    };
    if (!call()) {
        state.SkipWithError("warm-up call did not read both databases");
        return;
    }
    for (auto _ : state) {
        if (!call()) {
            state.SkipWithError("call did not read both databases");
            break;
        }
    }
    state.SetItemsProcessed(state.iterations());
}

BENCHMARK(BM_RawCurlDownloadAndParse)->Iterations(8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionGetTables)->Iterations(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawCurlRecordData)->Iterations(8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionRecordData)->Iterations(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawCurlSmallCall)->Threads(1)->Threads(8)->MinTime(2.0)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SessionGetDatabases)->Threads(1)->Threads(8)->MinTime(2.0)->UseRealTime()->Unit(benchmark::kMicrosecond);

// ---------------------------------------------------------------------------------
// Summary

// The console report, keeping each run's figures for the side-by-side summary.
class SummaryReporter final : public benchmark::ConsoleReporter {
public:
    explicit SummaryReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
                m_runs[Key(run.run_name.function_name, run.threads)] = run;
            }
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::ostream& out = GetOutputStream();
        char line[256];
        out << "\nSummary (session against raw libcurl + bare RapidXML)\n";
        LargePair(out, "GetTables", Find("BM_RawCurlDownloadAndParse", 1), Find("BM_SessionGetTables", 1));
        LargePair(out, "GetRecordAttributesByRef", Find("BM_RawCurlRecordData", 1), Find("BM_SessionRecordData", 1));
        for (const int threads : {1, 8}) {
            const Run* rawSmall = Find("BM_RawCurlSmallCall", threads);
            const Run* sessionSmall = Find("BM_SessionGetDatabases", threads);
            if (rawSmall && sessionSmall) {
                const double rawRate = Counter(*rawSmall, "items_per_second");
                const double sessionRate = Counter(*sessionSmall, "items_per_second");
                std::snprintf(line, sizeof line,
                              "  GetDatabases, %d thread%s: session %.0f calls/s, raw %.0f calls/s: "
                              "session/raw time %.2fx\n",
                              threads, threads == 1 ? "" : "s", sessionRate, rawRate, rawRate / sessionRate);
                out << line;
            }
        }
    }

private:
    static void LargePair(std::ostream& out, const char* operation, const Run* raw, const Run* session)
    {
        if (!raw || !session) {
            return;
        }
        char line[256];
        std::snprintf(line, sizeof line,
                      "  %s, %.1f MB reply: session %.1f ms, raw %.1f ms per call: session/raw time %.2fx\n", operation,
                      Counter(*raw, "reply_MB"), Milliseconds(*session), Milliseconds(*raw),
                      Milliseconds(*session) / Milliseconds(*raw));
        out << line;
        std::snprintf(line, sizeof line,
                      "  %s peak RSS growth: session %.1f MB (%.2fx reply), raw %.1f MB (%.2fx reply): "
                      "session/raw %.2fx\n",
                      operation, Counter(*session, "peak_rss_MB"), Counter(*session, "peak_x_reply"),
                      Counter(*raw, "peak_rss_MB"), Counter(*raw, "peak_x_reply"),
                      Counter(*session, "peak_rss_MB") / Counter(*raw, "peak_rss_MB"));
        out << line;
    }

    static std::string Key(const std::string& name, int64_t threads) { return name + "/" + std::to_string(threads); }

    const Run* Find(const std::string& name, int64_t threads) const
    {
        const auto found = m_runs.find(Key(name, threads));
        return found == m_runs.end() ? nullptr : &found->second;
    }

    static double Counter(const Run& run, const std::string& name)
    {
        const auto found = run.counters.find(name);
        return found == run.counters.end() ? 0.0 : found->second.value;
    }

    static double Milliseconds(const Run& run)
    {
        return 1e3 * run.real_accumulated_time / static_cast<double>(run.iterations);
    }

    std::map<std::string, Run> m_runs;
};

} // namespace

int main(int argc, char** argv)
{
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    if (curl_global_init(CURL_GLOBAL_DEFAULT) != CURLE_OK) {
        std::cerr << "pipeline_bench: libcurl could not start\n";
        return 1;
    }
    zvrtkDorsaServiceLayer::Initialize();
    {
        BenchContext context(LargeTablesReply(s_largeReplyBytes), LargeRecordDataReply(s_largeReplyBytes));
        s_context = &context;
        // Always this reporter, so the summary prints whatever --benchmark_format says;
        // --benchmark_out still writes JSON or CSV to a file.
        SummaryReporter reporter(::isatty(STDOUT_FILENO) ? benchmark::ConsoleReporter::OO_ColorTabular
                                                         : benchmark::ConsoleReporter::OO_Tabular);
        benchmark::RunSpecifiedBenchmarks(&reporter);
        s_context = nullptr;
    }
    zvrtkDorsaServiceLayer::Shutdown();
    benchmark::Shutdown();
    curl_global_cleanup();
    return 0;
}
