// One library call beside the raw cost of the same exchange and beside a generated gSOAP
// client. libcurl posts the very bytes the library sends; a bare RapidXML parse of the
// reply stands for the least a reader must do; gSOAP (generated at build time, see
// gsoap/BenchService.gsoap) reads the same replies into its own typed objects. All talk
// to a lean keep-alive server in this process that answers with a fixed reply.
//
// Large reply: a GetTables reply of about 50 MB (see LargeTablesReply for what it
// holds), timed per call, with the peak resident memory each way of reading it costs:
// library, raw download, raw download plus parse, gSOAP. Record data: a
// GetRecordAttributesByRef reply of about 50 MB, the sample records' values of every
// type repeated (see LargeRecordDataReply), library against raw download plus parse.
// Small calls: GetDatabases with a two-database reply, in calls per second on 1, 4 and
// 8 threads: library (one session shared by the threads), raw libcurl and gSOAP (one
// handle or context per thread).
//
// Every peer's result counts are checked against the library's, so a peer that skips
// elements fails instead of looking fast. The summary at the end gives, over the
// repetitions (--benchmark_repetitions), each figure's median and best, and the ratios
// the library is measured by; scripts/bench.sh runs it the same way each time.

#include "BenchServer.h"
#ifdef DORSA_BENCH_GSOAP
#include "GsoapPeer.h"
#endif

#include "dorsa/ServiceLayer.h"
#include "dorsa/xml/XmlDom.h"

#include <benchmark/benchmark.h>
#include <curl/curl.h>
#include <malloc.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
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
    std::size_t attributeCount = 0;
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
            ++reply.attributeCount;
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

std::size_t AttributeCount(GetTablesResponse& response)
{
    std::size_t count = 0;
    for (const SmartPtr<TableDetail>& table : response.AccessTableDetails()) {
        count += table->AccessAttributeReferences().size() + table->AccessStandardAttributeReferences().size();
    }
    return count;
}

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
        // What the library reads from the large reply is what every peer must read too.
        GetTablesResponse response;
        tablesOperation.RequestTables(TablesRequest(), &response);
        if (response.AccessTableDetails().size() != tables.tableCount || AttributeCount(response) != tables.attributeCount) {
            std::cerr << "pipeline_bench: the library read " << response.AccessTableDetails().size() << " tables and "
                      << AttributeCount(response) << " attributes of the " << tables.tableCount << " and "
                      << tables.attributeCount << " in the large reply\n";
        }
        libraryAttributeCount = AttributeCount(response);
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
    std::size_t libraryAttributeCount = 0;
    Endpoint records;
    std::size_t recordCount;
    Endpoint small;
};

BenchContext* s_context = nullptr;

// Runs `call` once outside the measurement (connection opened, result checked), then
// once per iteration. `call` returns an error text, empty on success.
template <class Call>
void MeasureCalls(benchmark::State& state, Call&& call)
{
    const std::string warmUp = call();
    if (!warmUp.empty()) {
        state.SkipWithError(("warm-up call failed: " + warmUp).c_str());
        return;
    }
    for (auto _ : state) {
        const std::string error = call();
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
}

// As MeasureCalls, with the peak memory of the measured calls.
template <class Call>
void MeasureLargeCalls(benchmark::State& state, std::size_t replyBytes, Call&& call)
{
    const std::string warmUp = call();
    if (!warmUp.empty()) {
        state.SkipWithError(("warm-up call failed: " + warmUp).c_str());
        return;
    }
    const PeakMemoryProbe probe;
    for (auto _ : state) {
        const std::string error = call();
        if (!error.empty()) {
            state.SkipWithError(error.c_str());
            break;
        }
    }
    ReportLargeReply(state, replyBytes, probe);
}

// ---------------------------------------------------------------------------------
// Large reply

void RawDownload(benchmark::State& state, const Endpoint& endpoint, bool parse)
{
    RawCurlClient client(endpoint.exchange);
    MeasureLargeCalls(state, endpoint.server.BodySize(), [&]() -> std::string {
        std::string reply;
        std::string error;
        if (!client.Post(reply)) {
            return client.Error();
        }
        if (reply.size() != endpoint.server.BodySize()) {
            return "short reply";
        }
        return !parse || BareParse(reply, error) ? std::string() : error;
    });
}

void BM_RawCurlDownload(benchmark::State& state)
{
    RawDownload(state, s_context->large, false);
}

void BM_RawCurlDownloadAndParse(benchmark::State& state)
{
    RawDownload(state, s_context->large, true);
}

void BM_RawCurlRecordData(benchmark::State& state)
{
    RawDownload(state, s_context->records, true);
}

void BM_SessionGetTables(benchmark::State& state)
{
    GetTablesImpl operation(s_context->large.session.get());
    const SmartPtr<GetTables> request = BenchContext::TablesRequest();
    MeasureLargeCalls(state, s_context->large.server.BodySize(), [&]() -> std::string {
        GetTablesResponse response;
        operation.RequestTables(request, &response);
        const SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
        const bool complete = outcome && outcome->GetResponseCode() == 200 &&
                              response.AccessTableDetails().size() == s_context->tableCount &&
                              response.AccessTableDetails().back()->GetTableReference();
        return complete ? std::string() : "call did not read every table";
    });
}

void BM_SessionRecordData(benchmark::State& state)
{
    GetRecordAttributesByRefImpl operation(s_context->records.session.get());
    const SmartPtr<GetRecordAttributesByRefRequest> request = BenchContext::RecordsRequest();
    MeasureLargeCalls(state, s_context->records.server.BodySize(), [&]() -> std::string {
        GetRecordAttributesByRefResponse response;
        operation.RequestRecordAttributesByRef(request, &response);
        const SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
        const bool complete = outcome && outcome->IsSuccess() &&
                              response.AccessRecordData().size() == s_context->recordCount &&
                              !response.AccessRecordData().back()->AccessAttributeValues().empty();
        return complete ? std::string() : "call did not read every record";
    });
}

#ifdef DORSA_BENCH_GSOAP

void BM_GsoapGetTables(benchmark::State& state)
{
    dorsabench::GsoapClient client(s_context->large.server.Url() + WideToUtf8(GetTablesImpl::s_service),
                                   BrowseNamespace(), BaseTypesNamespace());
    MeasureLargeCalls(state, s_context->large.server.BodySize(), [&]() -> std::string {
        dorsabench::PeerCounts counts;
        if (!client.GetTables(s_dbKey, counts)) {
            return "gSOAP: " + client.Error();
        }
        if (counts.tables != s_context->tableCount || counts.attributes != s_context->libraryAttributeCount) {
            return "gSOAP read " + std::to_string(counts.tables) + " tables and " + std::to_string(counts.attributes) +
                   " attributes, the library " + std::to_string(s_context->tableCount) + " and " +
                   std::to_string(s_context->libraryAttributeCount);
        }
        return std::string();
    });
}
#endif

// ---------------------------------------------------------------------------------
// Small calls

void BM_RawCurlSmallCall(benchmark::State& state)
{
    RawCurlClient client(s_context->small.exchange);
    std::string reply;
    MeasureCalls(state, [&]() -> std::string {
        std::string error;
        if (!client.Post(reply)) {
            return client.Error();
        }
        return BareParse(reply, error) ? std::string() : error;
    });
    state.SetItemsProcessed(state.iterations());
}

void BM_SessionGetDatabases(benchmark::State& state)
{
    // The session is shared by every thread; each thread has its operation object.
    GetDatabaseImpl operation(s_context->small.session.get());
    MeasureCalls(state, [&]() -> std::string {
        GetDatabasesResponse response;
        operation.GetDatabases(&response);
        return response.AccessDatabases().size() == 2 ? std::string() : "call did not read both databases";
    });
    state.SetItemsProcessed(state.iterations());
}

#ifdef DORSA_BENCH_GSOAP
void BM_GsoapGetDatabases(benchmark::State& state)
{
    dorsabench::GsoapClient client(s_context->small.server.Url() + WideToUtf8(GetDatabaseImpl::s_service),
                                   BrowseNamespace(), BaseTypesNamespace());
    MeasureCalls(state, [&]() -> std::string {
        dorsabench::PeerCounts counts;
        if (!client.GetDatabases(counts)) {
            return "gSOAP: " + client.Error();
        }
        return counts.databases == 2 ? std::string() : "gSOAP did not read both databases";
    });
    state.SetItemsProcessed(state.iterations());
}
#endif

BENCHMARK(BM_RawCurlDownload)->Iterations(8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawCurlDownloadAndParse)->Iterations(8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionGetTables)->Iterations(4)->UseRealTime()->Unit(benchmark::kMillisecond);
#ifdef DORSA_BENCH_GSOAP
BENCHMARK(BM_GsoapGetTables)->Iterations(4)->UseRealTime()->Unit(benchmark::kMillisecond);
#endif
BENCHMARK(BM_RawCurlRecordData)->Iterations(8)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SessionRecordData)->Iterations(4)->UseRealTime()->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RawCurlSmallCall)->Threads(1)->Threads(4)->Threads(8)->MinTime(1.0)->UseRealTime()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_SessionGetDatabases)->Threads(1)->Threads(4)->Threads(8)->MinTime(1.0)->UseRealTime()->Unit(benchmark::kMicrosecond);
#ifdef DORSA_BENCH_GSOAP
BENCHMARK(BM_GsoapGetDatabases)->Threads(1)->Threads(4)->Threads(8)->MinTime(1.0)->UseRealTime()->Unit(benchmark::kMicrosecond);
#endif

// ---------------------------------------------------------------------------------
// Summary

// A figure over the repetitions: its median and its best (the least time, the most calls).
struct Figure {
    double median = 0;
    double best = 0;
    bool valid = false;
};

// The console report, keeping every round's figures for the summary at the end.
class SummaryReporter final : public benchmark::ConsoleReporter {
public:
    explicit SummaryReporter(OutputOptions options) : ConsoleReporter(options) {}

    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred && run.iterations > 0) {
                m_runs[Key(run.run_name.function_name, run.threads)].push_back(run);
            }
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::ostream& out = GetOutputStream();
        std::size_t rounds = 0;
        for (const auto& entry : m_runs) {
            rounds = std::max(rounds, entry.second.size());
        }
        Print(out, "\nSummary: median and best of %zu round%s\n", rounds, rounds == 1 ? "" : "s");

        const Figure libraryTables = Time("BM_SessionGetTables");
        if (libraryTables.valid) {
            Print(out, "\nGetTables, %.1f MB reply        time ms (median / best)  x library time  peak RSS x reply"
                       "  thread CPU ms  x library CPU\n",
                  ReplyMegabytes("BM_SessionGetTables"));
        }
        LargeRow(out, "library", "BM_SessionGetTables", "BM_SessionGetTables");
        LargeRow(out, "raw libcurl download", "BM_RawCurlDownload", "BM_SessionGetTables");
        LargeRow(out, "raw download + parse", "BM_RawCurlDownloadAndParse", "BM_SessionGetTables");
        LargeRow(out, "gSOAP", "BM_GsoapGetTables", "BM_SessionGetTables");

        const Figure libraryRecords = Time("BM_SessionRecordData");
        if (libraryRecords.valid) {
            Print(out, "\nGetRecordAttributesByRef, %.1f MB reply\n", ReplyMegabytes("BM_SessionRecordData"));
        }
        LargeRow(out, "library", "BM_SessionRecordData", "BM_SessionRecordData");
        LargeRow(out, "raw download + parse", "BM_RawCurlRecordData", "BM_SessionRecordData");

        Print(out, "\nGetDatabases, calls/s (median / best)   1 thread          4 threads         8 threads\n");
        SmallRow(out, "library", "BM_SessionGetDatabases");
        SmallRow(out, "raw libcurl", "BM_RawCurlSmallCall");
        SmallRow(out, "gSOAP", "BM_GsoapGetDatabases");

        Print(out, "\nGoals (medians)\n");
        Goal(out, "GetTables: library time / raw download", Ratio(libraryTables, Time("BM_RawCurlDownload")), "<=", 1.5);
        Goal(out, "GetTables: gSOAP time / library", Ratio(Time("BM_GsoapGetTables"), libraryTables), ">=", 2.0);
        Goal(out, "GetTables: the same in thread CPU time",
             Ratio(CpuTime("BM_SessionGetTables"), CpuTime("BM_RawCurlDownload")), "<=", 1.5);
        Goal(out, "GetTables: the same in thread CPU time",
             Ratio(CpuTime("BM_GsoapGetTables"), CpuTime("BM_SessionGetTables")), ">=", 2.0);
        Goal(out, "GetTables: library peak RSS / reply", Peak("BM_SessionGetTables"), "<=", 4.0);
        Goal(out, "GetTables: gSOAP peak RSS / reply (stretch for the library)", Peak("BM_GsoapGetTables"), "", 0);
        Goal(out, "Record data: library time / raw download + parse",
             Ratio(libraryRecords, Time("BM_RawCurlRecordData")), "<=", 2.0);
        Goal(out, "Record data: the same in thread CPU time",
             Ratio(CpuTime("BM_SessionRecordData"), CpuTime("BM_RawCurlRecordData")), "<=", 2.0);
        Goal(out, "Record data: library peak RSS / reply", Peak("BM_SessionRecordData"), "<=", 5.0);
        // Calls per second of the calling thread's CPU, on one thread.
        Goal(out, "GetDatabases, 1 thread, in thread CPU time: library / gSOAP calls/s",
             Ratio(CpuTime("BM_GsoapGetDatabases"), CpuTime("BM_SessionGetDatabases")), ">=", 1.0);
        Goal(out, "GetDatabases, 1 thread, in thread CPU time: library / raw libcurl calls/s",
             Ratio(CpuTime("BM_RawCurlSmallCall"), CpuTime("BM_SessionGetDatabases")), ">=", 0.9);
        for (const int threads : {1, 4, 8}) {
            const Figure library = Rate("BM_SessionGetDatabases", threads);
            char name[96];
            std::snprintf(name, sizeof name, "GetDatabases, %d thread%s: library / gSOAP calls/s", threads,
                          threads == 1 ? "" : "s");
            Goal(out, name, Ratio(library, Rate("BM_GsoapGetDatabases", threads)), ">=", 1.0);
            std::snprintf(name, sizeof name, "GetDatabases, %d thread%s: library / raw libcurl calls/s", threads,
                          threads == 1 ? "" : "s");
            Goal(out, name, Ratio(library, Rate("BM_RawCurlSmallCall", threads)), ">=", 0.9);
        }
    }

private:
    template <class... Arguments>
    static void Print(std::ostream& out, const char* format, Arguments... arguments)
    {
        char line[512];
        std::snprintf(line, sizeof line, format, arguments...);
        out << line;
    }

    void LargeRow(std::ostream& out, const char* label, const std::string& name, const std::string& libraryName) const
    {
        const Figure library = Time(libraryName);
        const Figure time = Time(name);
        if (!time.valid || !library.valid) {
            return;
        }
        const Figure cpu = CpuTime(name);
        const Figure libraryCpu = CpuTime(libraryName);
        Print(out, "  %-28s %9.1f / %-9.1f %9.2fx %14.2fx %14.1f %12.2fx\n", label, time.median, time.best,
              time.median / library.median, Peak(name).median, cpu.median, cpu.median / libraryCpu.median);
    }

    void SmallRow(std::ostream& out, const char* label, const std::string& name) const
    {
        Print(out, "  %-36s", label);
        for (const int threads : {1, 4, 8}) {
            const Figure rate = Rate(name, threads);
            if (rate.valid) {
                Print(out, "  %6.0f / %-6.0f", rate.median, rate.best);
            } else {
                Print(out, "  %15s", "-");
            }
        }
        out << "\n";
    }

    // `relation` empty: a figure shown without a goal.
    static void Goal(std::ostream& out, const char* name, const Figure& ratio, const char* relation, double goal)
    {
        if (!ratio.valid) {
            return;
        }
        const bool met = relation[0] == '<' ? ratio.median <= goal : ratio.median >= goal;
        if (relation[0] == '\0') {
            Print(out, "  %-62s %6.2fx\n", name, ratio.median);
        } else {
            Print(out, "  %-62s %6.2fx  (goal %s %.2fx: %s)\n", name, ratio.median, relation, goal,
                  met ? "met" : "missed");
        }
    }

    static Figure Ratio(const Figure& numerator, const Figure& denominator)
    {
        Figure ratio;
        ratio.valid = numerator.valid && denominator.valid && denominator.median > 0;
        if (ratio.valid) {
            ratio.median = numerator.median / denominator.median;
            ratio.best = numerator.best / denominator.best;
        }
        return ratio;
    }

    // Milliseconds of the calling thread's CPU per call: on a loaded machine, steadier than
    // wall-clock time. Every peer reads its reply on the calling thread; the server's
    // sending is left out of each alike.
    Figure CpuTime(const std::string& name, int threads = 1) const
    {
        return Over(name, threads, true, [](const Run& run) {
            return 1e3 * run.cpu_accumulated_time / static_cast<double>(run.iterations);
        });
    }

    // Milliseconds per call.
    Figure Time(const std::string& name) const
    {
        return Over(name, 1, true, [](const Run& run) {
            return 1e3 * run.real_accumulated_time / static_cast<double>(run.iterations);
        });
    }

    Figure Rate(const std::string& name, int threads) const
    {
        return Over(name, threads, false, [](const Run& run) { return Counter(run, "items_per_second"); });
    }

    Figure Peak(const std::string& name) const
    {
        return Over(name, 1, true, [](const Run& run) { return Counter(run, "peak_x_reply"); });
    }

    double ReplyMegabytes(const std::string& name) const
    {
        return Over(name, 1, true, [](const Run& run) { return Counter(run, "reply_MB"); }).median;
    }

    template <class Measure>
    Figure Over(const std::string& name, int threads, bool lessIsBetter, Measure measure) const
    {
        Figure figure;
        const auto found = m_runs.find(Key(name, threads));
        if (found == m_runs.end() || found->second.empty()) {
            return figure;
        }
        std::vector<double> values;
        for (const Run& run : found->second) {
            values.push_back(measure(run));
        }
        std::sort(values.begin(), values.end());
        const std::size_t middle = values.size() / 2;
        figure.median = values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
        figure.best = lessIsBetter ? values.front() : values.back();
        figure.valid = true;
        return figure;
    }

    static std::string Key(const std::string& name, int64_t threads) { return name + "/" + std::to_string(threads); }

    static double Counter(const Run& run, const std::string& name)
    {
        const auto found = run.counters.find(name);
        return found == run.counters.end() ? 0.0 : found->second.value;
    }

    std::map<std::string, std::vector<Run>> m_runs;
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
