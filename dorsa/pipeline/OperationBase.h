#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/pipeline/IRequest.h"
#include "dorsa/pipeline/ServiceLayerResponse.h"
#include "dorsa/platform/HttpMessage.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/session/DorsaSession.h"
#include "dorsa/session/HeaderVals.h"
#include "dorsa/session/ILogger.h"
#include "dorsa/xml/XmlDom.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/**
 * @brief What every operation shares: building the SOAP request, sending it and
 * recording the outcome. Operation<Request, Response> adds the typed ends.
 *
 * The act-as-read-user flag and the application name of the SOAP header are copied
 * from the session when the operation is made.
 */
class DORSA_EXPORT OperationBase : public SmartPtrTarget_ts {
public:
    OperationBase(DorsaSession* session, const std::string& namespaceUri, const std::string& prefix);
    OperationBase(const OperationBase&) = delete;
    OperationBase& operator=(const OperationBase&) = delete;
    ~OperationBase() override = default;

    /// @brief Namespace URI + "/" + operation name + "Request".
    std::string GetSoapAction() const;

    /// @brief A new message holding the headers and SOAP envelope of a call with @p request (may be null).
    SmartPtr<HttpMessage> BuildRequestHandle(SmartPtr<IRequest> request) const;
    void BuildRequest(SmartPtr<HttpMessage> message, SmartPtr<IRequest> request) const;

    HeaderVals::eOptionalBool GetActAsReadUser() const { return m_actAsReadUser; }
    /// @brief Affects later calls of this operation object only.
    void SetActAsReadUser(HeaderVals::eOptionalBool value);

protected:
    virtual const std::string& GetOperationName() const = 0;
    // Endpoint path relative to the session URL.
    virtual const std::wstring& GetService() const = 0;
    virtual std::string GetRootTagName() const;
    virtual std::string GetResponseTagName() const;

    /// @brief The typed end of a call: where the outcome goes and who reads the reply.
    class ReplyReader {
    public:
        virtual void Record(const SmartPtr<ServiceLayerResponse>& outcome) = 0;
        virtual void Read(XmlDocument<char>* reply) = 0;

    protected:
        ~ReplyReader() = default;
    };

    // What is known of a sent request body: whether, after its XML declaration, it is the
    // text that parsing and printing it again gives. The outcome then keeps those bytes
    // as its request text instead of a reprint.
    enum class SentBody { Unknown, PrintsAsItself };

    // Builds the message for `request` (may be null), adds the application-name header
    // and sends it, adding the seconds spent to the message's send time.
    SmartPtr<HttpMessage> Send(SmartPtr<IRequest> request, SentBody& sentBody) const;
    // Records the outcome of the sent `message` through `reader`, logging failures, and
    // lets it read a reply that arrived as XML with a 2xx status.
    void ReadReply(HttpMessage& message, ILogger* logger, ReplyReader& reader,
                   SentBody sentBody = SentBody::Unknown) const;
    // The response element inside "s:Envelope"/"s:Body", or null.
    const XmlNode<char>* FindResponseElement(XmlDocument<char>* reply) const;
    // Logs "<operation name>: <text>" at the failure level.
    void LogFailure(ILogger* logger, const std::string& text) const;
    void LogTiming(ILogger* logger, double totalSeconds, double sendSeconds) const;

    DorsaSession* m_session;

private:
    // The parts of the envelope every call of this operation shares, printed once: the
    // text before the request element and after it, and the whole envelope of a call
    // without a request object.
    struct EnvelopeParts {
        std::string start;
        std::string end;
        std::string withoutRequest;
        std::size_t declarationSize = 0;
        bool printsAsItself = false; // the shared parts, as PrintsBackAsItself says
    };

    SentBody WriteRequestBody(SmartPtr<HttpMessage> message, const SmartPtr<IRequest>& request) const;
    EnvelopeParts PrintEnvelopeParts() const;
    // The request text the outcome keeps: the sent body parsed and printed again (which
    // drops the XML declaration), or as sent when it does not parse.
    std::string RequestText(HttpMessage& message, SentBody sentBody) const;
    void PopulateHeaderNode(XmlNode<char>* header, XmlDocument<char>* document) const;

    std::string m_namespaceUri;
    std::string m_prefix;
    HeaderVals::eOptionalBool m_actAsReadUser;
    std::string m_applicationName;
    EnvelopeParts m_envelope;
};

} // namespace zvrtkDorsaServiceLayer
