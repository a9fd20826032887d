/**
 * @file
 * @brief Operation<Request, Response>, the typed end of every call, and the road one call
 * takes from the host's request object to its filled response.
 *
 * The steps of one call, in order, with the files that hold each:
 *
 * 1. The host calls an operation class's method (`GetTablesImpl::RequestTables`, ...; one
 *    per family in `browse/`, `search/`, `export/`, `import/`), which hands its request to
 *    ExecuteRequest below. The operation's name, service and element names come from its
 *    row in `services/ServiceCatalogue.h`.
 * 2. Send (`pipeline/OperationBase.cpp`) builds the message: BuildRequest fills the HTTP
 *    headers from the session (`DorsaSession::FillRequestHeaders`, `session/DorsaSession.cpp`),
 *    builds the SOAP envelope (`detail::BuildSoapEnvelope`, `pipeline/SoapEnvelope.cpp`), the
 *    SOAP header and the body element, into which the request writes itself with its
 *    `CreateXMLNode` (the request's own family file, through the helpers of
 *    `xml/XmlBinding.h`); the document is printed once (`xml/XmlPrint.cpp`).
 * 3. `HttpClient::SendRequest` (`platform/HttpClient.cpp`, curl handles in
 *    `platform/CurlHandles.cpp`) posts it to the endpoint and fills the message's reply.
 * 4. ReadReply (`pipeline/OperationBase.cpp`) turns the reply into an outcome: it checks the
 *    size, parses the reply in place where it arrived (`detail::ParsedXml`,
 *    `xml/XmlText.cpp`), tells success, SOAP fault (`detail::FindSoapFault`), HTTP failure and
 *    unreadable reply apart, scans whether the reply is already in printed form so that its
 *    bytes can be kept as they are, and records a ServiceLayerResponse
 *    (`pipeline/ServiceLayerResponse.cpp`); failures are logged.
 * 5. On success, TypedReader (below) finds the response element inside "s:Envelope"/"s:Body"
 *    and calls `Response::CreateOne` on it (`xml/XmlReadable.h`, the response's constructor in
 *    its family file), whose result replaces the host's response; the outcome is recorded
 *    in it after that.
 * 6. The call ends with its timing line in the log (`OperationBase::LogTiming`).
 *
 * Why the reader is inverted: ReadReply does everything that does not depend on the
 * response type, so it is compiled once in the library instead of once per operation, and
 * the document it parses points into the reply's bytes, which it hands over to the outcome
 * only once nothing reads the document any more. So instead of returning a document for
 * typed code to read, it calls back into the typed end through the small ReplyReader
 * interface, while the document is alive: TypedReader::Read builds the Response and
 * TypedReader::Record stores the outcome in it. OperationBase never learns the Response
 * type, and Operation never sees an HTTP status or a parse error.
 *
 * A new operation is a checklist: see the comment above Catalogue in
 * `services/ServiceCatalogue.h`.
 */
#pragma once

#include "dorsa/pipeline/OperationBase.h"
#include "dorsa/platform/Time.h"

#include <cstdint>
#include <utility>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief An operation that sends a Request and reads a Response.
 *
 * Calls never throw for a failed exchange: the outcome is logged and recorded in the
 * response's ServiceLayerResponse. Number conversions that fail while a reply is read
 * do throw, after the outcome was recorded.
 */
template <class Request, class Response>
class Operation : public OperationBase {
public:
    Operation(DorsaSession* session, const std::string& namespaceUri, const std::string& prefix)
        : OperationBase(session, namespaceUri, prefix)
    {
    }

    /// @brief Runs the call; a null @p request is logged and nothing is sent.
    void ExecuteRequest(SmartPtr<Request> request, Response* response)
    {
        ILogger* logger = m_session->GetLogger();
        if (request) {
            ExecuteRequestInternal(request, response, logger);
        } else {
            LogFailure(logger, "Request cannot be NULL.");
        }
    }

    /// @brief Runs a call that sends no request object (Request is EmptyRequest).
    void ExecuteRequest(Response* response) { ExecuteRequestInternal(nullptr, response, m_session->GetLogger()); }

    /// @cond INTERNAL
    // The steps of a call, public for the fuzzers and tests; ExecuteRequest is the way in.
    void ExecuteRequestInternal(SmartPtr<IRequest> request, Response* response, ILogger* logger)
    {
        const std::uint64_t start = Time::GetPerformanceTime();
        SentBody sentBody = SentBody::Unknown;
        SmartPtr<HttpMessage> message = Send(request, sentBody);
        ProcessResponseHandle(response, message, logger, sentBody);
        LogTiming(logger, Time::PerformanceTimeToSeconds(Time::GetPerformanceTime() - start), message->GetSendTime());
    }

    void ProcessResponseHandle(Response* response, SmartPtr<HttpMessage> message, ILogger* logger,
                               SentBody sentBody = SentBody::Unknown)
    {
        if (!response) {
            LogFailure(logger, "Response cannot be NULL.");
            return;
        }
        TypedReader reader(*this, *response);
        ReadReply(*message, logger, reader, sentBody);
    }

    SmartPtr<Response> ProcessResponse(XmlDocument<char>* reply)
    {
        const XmlNode<char>* element = FindResponseElement(reply);
        return element ? Response::CreateOne(element) : SmartPtr<Response>();
    }
    /// @endcond

private:
    class TypedReader final : public ReplyReader {
    public:
        TypedReader(Operation& operation, Response& response) : m_operation(operation), m_response(response) {}

        void Record(const SmartPtr<ServiceLayerResponse>& outcome) override
        {
            m_response.SetServiceLayerResponse(outcome);
        }

        // Assigning replaces everything, the outcome too; the caller records it again. The
        // parsed response is dropped next, so its contents are moved, not copied.
        void Read(XmlDocument<char>* reply) override
        {
            if (SmartPtr<Response> parsed = m_operation.ProcessResponse(reply)) {
                m_response = std::move(*parsed);
            }
        }

    private:
        Operation& m_operation;
        Response& m_response;
    };
};

} // namespace zvrtkDorsaServiceLayer
