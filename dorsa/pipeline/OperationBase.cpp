#include "dorsa/pipeline/OperationBase.h"
#include "dorsa/pipeline/SoapEnvelopePrivate.h"
#include "dorsa/platform/Time.h"
#include "dorsa/xml/SpareDocumentsPrivate.h"
#include "dorsa/xml/XmlBinding.h"
#include "dorsa/xml/XmlTextPrivate.h"

#include <memory>
#include <string>

namespace zvrtkDorsaServiceLayer {

namespace {
const int s_failureLevel = 1;
const int s_timingLevel = 3;
// The request element's place in the envelope: Envelope, Body, the element.
const std::size_t s_requestElementDepth = 3;
// Stands for the request element while the shared parts of the envelope print.
const char s_requestMark[] = "request-element";
} // namespace

OperationBase::OperationBase(DorsaSession* session, const std::string& namespaceUri, const std::string& prefix)
    : m_session(session),
      m_namespaceUri(namespaceUri),
      m_prefix(prefix),
      m_actAsReadUser(session->GetActAsReadUser()),
      m_applicationName(session->GetApplicationName()),
      m_envelope(PrintEnvelopeParts())
{
}

void OperationBase::SetActAsReadUser(HeaderVals::eOptionalBool value)
{
    m_actAsReadUser = value;
    m_envelope = PrintEnvelopeParts();
}

std::string OperationBase::GetRootTagName() const
{
    return GetOperationName();
}

std::string OperationBase::GetResponseTagName() const
{
    return GetOperationName() + "Response";
}

std::string OperationBase::GetSoapAction() const
{
    return m_namespaceUri + "/" + GetOperationName() + "Request";
}

SmartPtr<HttpMessage> OperationBase::BuildRequestHandle(SmartPtr<IRequest> request) const
{
    SmartPtr<HttpMessage> message = HttpMessage::CreateOne();
    BuildRequest(message, request);
    return message;
}

void OperationBase::BuildRequest(SmartPtr<HttpMessage> message, SmartPtr<IRequest> request) const
{
    WriteRequestBody(message, request);
}

OperationBase::SentBody OperationBase::WriteRequestBody(SmartPtr<HttpMessage> message,
                                                        const SmartPtr<IRequest>& request) const
{
    m_session->FillRequestHeaders(message, GetSoapAction());
    const SmartPtr<HttpMessageBuffer> body = message->AccessRequestBody();
    bool printsAsItself = m_envelope.printsAsItself;
    if (!request) {
        body->SetMessage(m_envelope.withoutRequest.data(), m_envelope.withoutRequest.size());
    } else {
        // Only the request element is built and printed; the envelope's shared parts
        // print the same for every call.
        detail::SpareDocument document;
        XmlNode<char>* element = WriteContainer(document.get(), document.get(), m_prefix + ":" + GetRootTagName());
        request->CreateXMLNode(element);
        std::string text;
        text.reserve(m_envelope.start.size() + m_envelope.end.size() + 512);
        text = m_envelope.start;
        detail::AppendPrintedXml(text, *element);
        text += m_envelope.end;
        printsAsItself = printsAsItself &&
                         detail::PrintsBackAsItself(*element, detail::s_maxNestingDepth - (s_requestElementDepth - 1));
        body->SetMessage(text.data(), text.length());
    }
    body->Complete();
    return printsAsItself ? SentBody::PrintsAsItself : SentBody::Unknown;
}

OperationBase::EnvelopeParts OperationBase::PrintEnvelopeParts() const
{
    detail::SpareDocument document;
    XmlNode<char>* envelope = detail::BuildSoapEnvelope(document.get(), m_session->GetZelvraBaseTypeDefinition());
    AppendAttribute(envelope, CreateTextAttribute("xmlns:" + m_prefix, m_namespaceUri, document.get()));
    PopulateHeaderNode(WriteContainer(envelope, document.get(), "soapenv:Header"), document.get());
    XmlNode<char>* body = WriteContainer(envelope, document.get(), "soapenv:Body");
    EnvelopeParts parts;
    parts.withoutRequest = detail::PrintXml(*document);
    parts.declarationSize = detail::PrintXml(*document->first_node()).size();
    parts.printsAsItself = detail::PrintsBackAsItself(*envelope, detail::s_maxNestingDepth);
    // Names and values print escaped, so the mark's empty-element tag occurs once only:
    // where the request element goes.
    WriteContainer(body, document.get(), s_requestMark);
    const std::string marked = detail::PrintXml(*document);
    const std::string markTag = std::string("<") + s_requestMark + "/>";
    const std::size_t mark = marked.rfind(markTag);
    parts.start = marked.substr(0, mark);
    parts.end = marked.substr(mark + markTag.size());
    return parts;
}

void OperationBase::PopulateHeaderNode(XmlNode<char>* header, XmlDocument<char>* document) const
{
    if (m_actAsReadUser == HeaderVals::eTrue) {
        WriteContainer(header, document, "header:actAsReadUser");
    }
    if (!m_applicationName.empty()) {
        WriteText(header, document, "header:applicationName", m_applicationName);
    }
}

SmartPtr<HttpMessage> OperationBase::Send(SmartPtr<IRequest> request, SentBody& sentBody) const
{
    SmartPtr<HttpMessage> message = HttpMessage::CreateOne();
    sentBody = WriteRequestBody(message, request);
    SmartPtr<HttpClient> client = m_session->HttpClientPtr();
    const std::string applicationName = m_session->GetApplicationName();
    if (!applicationName.empty()) {
        message->AddRequestHeader("X-Zelvra-ApplicationName", applicationName);
    }
    const std::uint64_t start = Time::GetPerformanceTime();
    if (client) {
        client->SendRequest(GetService(), eHttpVerb_Post, message);
    }
    const std::uint64_t end = Time::GetPerformanceTime();
    message->AddSendTime(static_cast<float>(Time::PerformanceTimeToSeconds(end - start)));
    return message;
}

void OperationBase::ReadReply(HttpMessage& message, ILogger* logger, ReplyReader& reader, SentBody sentBody) const
{
    const std::string requestText = RequestText(message, sentBody);
    const SmartPtr<HttpMessageBuffer> received = message.AccessResponseBody();
    if (!received || !received->GetData()) {
        if (!message.GetTransportError().empty()) {
            LogFailure(logger, "Could not send the request: " + message.GetTransportError());
        }
        LogFailure(logger, "Could not access the response object. Sent request: " + requestText);
        SmartPtr<ServiceLayerResponse> outcome = new ServiceLayerResponse(GetOperationName() + " FAILED", 500);
        outcome->SetOutcome(CallOutcomes::TransportFailure, message.GetTransportError(), message.WasConnected());
        reader.Record(outcome);
        return;
    }

    const int code = message.GetHttpCode();
    const std::size_t maxReplySize = m_session->GetMaxReplySize();
    // The reply is parsed where it arrived; the document points into it while it is read.
    detail::ParsedXml reply;
    std::string parseError;
    if (message.WasReplyCutOff() || received->GetLength() > maxReplySize) {
        parseError = "reply larger than the maximum of " + std::to_string(maxReplySize) + " bytes";
    } else if (!reply.ParseInPlace(received->GetData(), received->GetLength(), detail::ParseMode::Translated)) {
        parseError = reply.Error();
    }
    // A failure status is the fact a host acts on, whatever the body: a proxy's HTML
    // page is an HTTP failure; only a 2xx reply that cannot be read is an unreadable one.
    const bool success = message.GetStatus() == eHttpStatus_Success;
    const CallOutcomes::eCallOutcome kind =
        success ? (parseError.empty() ? CallOutcomes::Success : CallOutcomes::UnreadableReply)
                : (parseError.empty() && detail::FindSoapFault(reply.Document()) ? CallOutcomes::SoapFault
                                                                                  : CallOutcomes::HttpFailure);
    // A reply that arrived in printed form is its own print: its bytes are kept instead.
    // The scan that guarded the parse mostly knows already; only the rest is compared.
    const bool arrivedPrinted =
        parseError.empty() &&
        (reply.InPrintedForm() || detail::PrintsAs(reply.Document(), received->GetData(), received->GetLength()));
    // The bytes are taken only once nothing reads the document that points into them.
    const auto recordOutcome = [&] {
        SmartPtr<ServiceLayerResponse> outcome =
            new ServiceLayerResponse(parseError.empty() && !arrivedPrinted
                                         ? detail::PrintXml(reply.Document(), received->GetLength())
                                         : received->TakeBytes(),
                                     code);
        outcome->SetRequestMessage(requestText);
        outcome->SetOutcome(kind);
        reader.Record(outcome);
        return outcome;
    };

    if (kind == CallOutcomes::Success) {
        // Reading may throw; the outcome is recorded all the same.
        try {
            reader.Read(&reply.Document());
        } catch (...) {
            recordOutcome();
            throw;
        }
        recordOutcome();
        return;
    }
    const SmartPtr<ServiceLayerResponse> outcome = recordOutcome();
    if (!parseError.empty()) {
        LogFailure(logger, FormatString("Reply is not well-formed XML (%s), returned code: %d", parseError.c_str(), code));
    } else {
        LogFailure(logger, FormatString("Request failed and returned code: %d, Request: %s \n Response: %s", code,
                                        requestText.c_str(), outcome->GetResponseMessage().c_str()));
    }
}

std::string OperationBase::RequestText(HttpMessage& message, SentBody sentBody) const
{
    const SmartPtr<HttpMessageBuffer> sent = message.AccessRequestBody();
    if (sentBody == SentBody::PrintsAsItself) {
        return std::string(sent->GetData() + m_envelope.declarationSize, sent->GetLength() - m_envelope.declarationSize);
    }
    detail::ParsedXml request;
    return request.ParseInPlace(sent->GetData(), sent->GetLength(), detail::ParseMode::Translated)
               ? detail::PrintXml(request.Document(), sent->GetLength())
               : std::string(sent->GetData(), sent->GetLength());
}

const XmlNode<char>* OperationBase::FindResponseElement(XmlDocument<char>* reply) const
{
    const XmlNode<char>* envelope = reply ? reply->first_node("s:Envelope") : nullptr;
    const XmlNode<char>* body = envelope ? envelope->first_node("s:Body") : nullptr;
    return FindChildElement(GetResponseTagName(), body);
}

void OperationBase::LogFailure(ILogger* logger, const std::string& text) const
{
    if (logger) {
        logger->Log(s_failureLevel, GetOperationName() + ": " + text);
    }
}

void OperationBase::LogTiming(ILogger* logger, double totalSeconds, double sendSeconds) const
{
    if (logger) {
        // "%03f" of each duration, in the "C" locale.
        logger->Log(s_timingLevel, GetOperationName() + ": Call took a total time " + FixedToString(totalSeconds, 6) +
                                       "s, with a " + FixedToString(sendSeconds, 6) + "s spent in Dorsa:ServiceLayer.");
    }
}

} // namespace zvrtkDorsaServiceLayer
