#include "dorsa/import/ContentUpload.h"
#include "dorsa/platform/WideText.h"

namespace zvrtkDorsaServiceLayer {

namespace {

const int s_failureLevel = 1;

SmartPtr<ServiceLayerResponse> Put(DorsaSession& session, const std::string& address, SmartPtr<HttpMessage> message,
                                   const std::string& contentType, const std::string& what)
{
    message->SetRequestVerb(eHttpVerb_Put);
    if (!contentType.empty()) {
        message->AddRequestHeader("Content-Type", contentType);
    }
    const std::string applicationName = session.GetApplicationName();
    if (!applicationName.empty()) {
        message->AddRequestHeader("X-Zelvra-ApplicationName", applicationName);
    }
    const SmartPtr<HttpClient> client = session.HttpClientPtr();
    client->SendRequestToAddress(Utf8ToWide(address), eHttpVerb_Put, message);

    const SmartPtr<HttpMessageBuffer> answer = message->AccessResponseBody();
    SmartPtr<ServiceLayerResponse> outcome;
    std::string failure;
    if (!answer) {
        outcome = new ServiceLayerResponse("Upload FAILED", 500);
        outcome->SetOutcome(CallOutcomes::TransportFailure, message->GetTransportError(), message->WasConnected());
        failure = "could not upload " + what + " to " + address + ": " + message->GetTransportError();
    } else {
        outcome = new ServiceLayerResponse(answer->TakeBytes(), message->GetHttpCode());
        const bool success = message->GetStatus() == eHttpStatus_Success;
        outcome->SetOutcome(success ? CallOutcomes::Success : CallOutcomes::HttpFailure);
        if (!success) {
            failure = "the server refused " + what + " for " + address + " with HTTP code " +
                      std::to_string(message->GetHttpCode());
        }
    }
    outcome->SetRequestMessage("PUT " + address + " (" + what + ")");
    if (!failure.empty() && session.GetLogger()) {
        session.GetLogger()->Log(s_failureLevel, "Upload: " + failure);
    }
    return outcome;
}

} // namespace

SmartPtr<ServiceLayerResponse> ContentUpload::PutBytes(DorsaSession& session, const std::string& address,
                                                       const std::string& bytes, const std::string& contentType)
{
    SmartPtr<HttpMessage> message = HttpMessage::CreateOne();
    message->AccessRequestBody()->SetMessage(bytes.data(), bytes.size());
    message->AccessRequestBody()->Complete();
    return Put(session, address, message, contentType, std::to_string(bytes.size()) + " bytes");
}

SmartPtr<ServiceLayerResponse> ContentUpload::PutFile(DorsaSession& session, const std::string& address,
                                                      const std::string& path, const std::string& contentType)
{
    SmartPtr<HttpMessage> message = HttpMessage::CreateOne();
    message->SetRequestBodyFile(path);
    return Put(session, address, message, contentType, "the file " + path);
}

} // namespace zvrtkDorsaServiceLayer
