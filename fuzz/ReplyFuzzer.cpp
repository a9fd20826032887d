// Feeds a reply through the pipeline of one operation, as if the server had sent it:
// the outcome is recorded, the reply parsed and, for a 2xx status, read into the
// operation's response; the SOAP fault text is then asked for. Nothing is sent.
//
// Input: byte 0 picks the operation (s_operations), byte 1 the HTTP status (s_statuses),
// the rest is the reply body. Both are counted from a letter, 'A' and 'a', so that a
// seed file reads as text: "Aa<s:Envelope ..." is a 200 reply to GetDatabases.
// Row n of s_operations is the byte 'A' + n in ASCII, and any byte picks a row, counted
// round the table: 'A' to 'N' the catalogue, unit, attribute metadata and record reads
// (GetDatabases to GetRecordAttributesByRef), 'O' to 'T' the tree, link and version reads
// (GetRootNode to GetRecordVersions), 'U' to 'W' the searches, 'X' to '[' the exporters
// (GetAvailableExporters to ExportRecordData), '\' to '^' the imports (SetRecordAttributes,
// GetUploadAddresses, ModifyRecordLinks). Past 'Z' the bytes are punctuation, which is
// fine for a seed: the files are read as bytes.
#include "ExpectedFailures.h"

#include "dorsa/ServiceLayer.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace dorsafuzz {
namespace {

using namespace zvrtkDorsaServiceLayer;

// Drops the lines the pipeline logs; with a logger present, the pipeline builds them.
class DiscardingLogger final : public ILogger {
public:
    void Flush() override {}
    void Log(int, const std::string&) override {}
};

DorsaSession* s_session = nullptr;
DiscardingLogger* s_logger = nullptr;

// A status standing for "no reply arrived": the message then gets no response body.
const int s_noReply = -1;
const int s_statuses[] = {200, 500, 401, 404, 302, 202, 400, 503, 100, 0, s_noReply};

template <class Request, class Response>
void FeedReply(Operation<Request, Response>& operation, int status, const char* body, std::size_t length)
{
    SmartPtr<HttpMessage> message = operation.BuildRequestHandle(nullptr);
    if (status != s_noReply) {
        SmartPtr<HttpMessageBuffer> received = new HttpMessageBuffer;
        received->SetMessage(body, length);
        message->SetResponseBody(received);
        message->SetHttpCode(status);
        message->SetConnected(true);
    } else {
        message->SetTransportError("connection reset");
    }
    Response response;
    TolerateConversionFailures([&] { operation.ProcessResponseHandle(&response, message, s_logger); });
    if (SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse()) {
        outcome->GetErrorMessage();
    }
}

template <class Impl>
void FeedReplyTo(int status, const char* body, std::size_t length)
{
    Impl operation(s_session);
    FeedReply(operation, status, body, length);
}

struct ReplyTarget {
    const char* operation;
    void (*feed)(int status, const char* body, std::size_t length);
};

// One row per operation whose reply is read. New rows go at the end, so that the first
// byte of the seeds already checked in keeps naming the same operation.
const ReplyTarget s_operations[] = {
    {"GetDatabases", &FeedReplyTo<GetDatabaseImpl>},
    {"GetTables", &FeedReplyTo<GetTablesImpl>},
    {"GetSubsets", &FeedReplyTo<GetSubsetsImpl>},
    {"GetUnits", &FeedReplyTo<GetUnitsImpl>},
    {"GetUnitSystems", &FeedReplyTo<GetUnitSystemsImpl>},
    {"GetCurrencies", &FeedReplyTo<GetCurrenciesImpl>},
    {"GetUnitConversions", &FeedReplyTo<GetUnitConversionsImpl>},
    {"GetAttributeDetails", &FeedReplyTo<GetAttributeDetailsImpl>},
    {"GetAttributeParameters", &FeedReplyTo<GetAttributeParametersImpl>},
    {"GetParameterDetails", &FeedReplyTo<GetParameterDetailsImpl>},
    {"GetAttributeMinMax", &FeedReplyTo<GetAttributeMinMaxImpl>},
    {"GetMetaAttributes", &FeedReplyTo<GetMetaAttributesImpl>},
    {"GetRecordAttributes", &FeedReplyTo<GetRecordAttributesImpl>},
    {"GetRecordAttributesByRef", &FeedReplyTo<GetRecordAttributesByRefImpl>},
    {"GetRootNode", &FeedReplyTo<GetRootNodeImpl>},
    {"GetChildNodes", &FeedReplyTo<GetChildNodesImpl>},
    {"GetTreeRecords", &FeedReplyTo<GetTreeRecordsImpl>},
    {"GetRecordLinkGroups", &FeedReplyTo<GetRecordLinkGroupsImpl>},
    {"GetLinkedRecords", &FeedReplyTo<GetLinkedRecordsImpl>},
    {"GetRecordVersions", &FeedReplyTo<GetRecordVersionsImpl>},
    {"SimpleTextSearch", &FeedReplyTo<SimpleTextSearchImpl>},
    {"RecordNameSearch", &FeedReplyTo<RecordNameSearchImpl>},
    {"CriteriaSearch", &FeedReplyTo<CriteriaSearchImpl>},
    {"GetAvailableExporters", &FeedReplyTo<GetAvailableExportersImpl>},
    {"ExportersForRecords", &FeedReplyTo<ExportersForRecordsImpl>},
    {"GetExporterParameters", &FeedReplyTo<GetExporterParametersImpl>},
    {"ExportRecordData", &FeedReplyTo<ExportRecordDataImpl>},
    {"SetRecordAttributes", &FeedReplyTo<SetRecordAttributesImpl>},
    {"GetUploadAddresses", &FeedReplyTo<GetUploadAddressesImpl>},
    {"ModifyRecordLinks", &FeedReplyTo<ModifyRecordLinksImpl>},
};

// The row `byte` picks, counting from `first`; any byte picks one.
template <class T, std::size_t N>
const T& Pick(const T (&rows)[N], std::uint8_t byte, char first)
{
    return rows[static_cast<std::uint8_t>(byte - static_cast<std::uint8_t>(first)) % N];
}

} // namespace
} // namespace dorsafuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    using namespace zvrtkDorsaServiceLayer;
    Initialize();
    // Made once and kept for the whole run: the session is never asked to connect.
    static SmartPtr<DorsaSession> session =
        DorsaSession::CreateOne("http://127.0.0.1:9/dorsa", DorsaSLAuth_Annonymous::CreateOne());
    static dorsafuzz::DiscardingLogger logger;
    dorsafuzz::s_session = session.get();
    dorsafuzz::s_logger = &logger;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace dorsafuzz;
    if (size < 2) {
        return 0;
    }
    const ReplyTarget& target = Pick(s_operations, data[0], 'A');
    const int status = Pick(s_statuses, data[1], 'a');
    target.feed(status, reinterpret_cast<const char*>(data + 2), size - 2);
    return 0;
}
