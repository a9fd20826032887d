#pragma once

#include "dorsa/pipeline/OperationBase.h"
#include "dorsa/platform/Time.h"

#include <cstdint>

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

private:
    class TypedReader final : public ReplyReader {
    public:
        TypedReader(Operation& operation, Response& response) : m_operation(operation), m_response(response) {}

        void Record(const SmartPtr<ServiceLayerResponse>& outcome) override
        {
            m_response.SetServiceLayerResponse(outcome);
        }

        // Assigning replaces everything, the outcome too; the caller records it again.
        void Read(XmlDocument<char>* reply) override
        {
            if (SmartPtr<Response> parsed = m_operation.ProcessResponse(reply)) {
                m_response = *parsed;
            }
        }

    private:
        Operation& m_operation;
        Response& m_response;
    };
};

} // namespace zvrtkDorsaServiceLayer
