#include "support/HostileServer.h"
#include "support/RecordingLogger.h"
#include "support/TestOperations.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

const int s_receiveTimeoutMs = 300;

// One line saying how a call ended, with what tells one call's reply from another's.
std::string Summary(CallOutcomes::eCallOutcome outcome, int code, const std::string& detail)
{
    return CallOutcomes::eCallOutcome_ToString(outcome) + " " + std::to_string(code) + " " + detail;
}

// What the call with this key must end with, from the rule the server answers by.
std::string ExpectedSummary(const std::string& key, int call)
{
    switch (MixedReplyFor(key)) {
    case MixedReply::Success:
        return Summary(CallOutcomes::Success, 200, key + " #" + std::to_string(call));
    case MixedReply::Fault:
        return Summary(CallOutcomes::SoapFault, 500, MixedFaultString(key));
    case MixedReply::Garbage:
        return Summary(CallOutcomes::UnreadableReply, 200, MixedGarbage(key));
    case MixedReply::Stall:
        break;
    }
    return Summary(CallOutcomes::TransportFailure, 500,
                   "Timed out: no data received for " + std::to_string(s_receiveTimeoutMs) + " ms");
}

std::string ObservedSummary(const ValueResponse& response)
{
    const SmartPtr<ServiceLayerResponse> outcome = response.GetServiceLayerResponse();
    if (!outcome) {
        return "no outcome recorded";
    }
    const int code = outcome->GetResponseCode();
    switch (outcome->GetOutcome()) {
    case CallOutcomes::Success:
        return Summary(outcome->GetOutcome(), code, response.m_value + " #" + std::to_string(response.m_count));
    case CallOutcomes::SoapFault:
        return Summary(outcome->GetOutcome(), code, outcome->GetErrorMessage());
    case CallOutcomes::TransportFailure:
        return Summary(outcome->GetOutcome(), code, outcome->GetTransportError());
    default:
        return Summary(outcome->GetOutcome(), code, outcome->GetResponseMessage().substr(0, 200));
    }
}

std::string FirstFew(const std::vector<std::string>& lines)
{
    std::string text;
    for (std::size_t i = 0; i < lines.size() && i < 3; ++i) {
        text += "\n  " + lines[i];
    }
    return text;
}

// Many threads on one session, against a server whose answer differs from call to call:
// each call must end with the outcome and content of its own reply, never another's.
TEST(Load, EveryConcurrentCallGetsItsOwnReply)
{
    const int threadCount = 8;
    const int callsPerThread = 500;
    HostileServer server(Hostility::Mixed);
    RecordingLogger logger;
    SmartPtr<DorsaSession> session =
        DorsaSession::CreateOneWithLogger(server.Url(), DorsaSLAuth_Annonymous::CreateOne(), &logger);
    session->SetTimeouts(1000, 1000, 1000, s_receiveTimeoutMs);
    KeyOperation operation(session.get());

    std::vector<std::vector<std::string>> wrong(threadCount);
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t) {
        threads.emplace_back([&, t] {
            for (int call = 0; call < callsPerThread; ++call) {
                const std::string key = "t" + std::to_string(t) + "-" + std::to_string(call);
                ValueResponse response;
                operation.Call(new KeyRequest(key), &response);
                const std::string expected = ExpectedSummary(key, call);
                const std::string observed = ObservedSummary(response);
                if (observed != expected) {
                    wrong[t].push_back(key + ": expected \"" + expected + "\", got \"" + observed + "\"");
                }
            }
        });
    }
    for (std::thread& thread : threads) {
        thread.join();
    }

    std::size_t failedCalls = 0;
    std::size_t stalledCalls = 0;
    for (int t = 0; t < threadCount; ++t) {
        SCOPED_TRACE("thread " + std::to_string(t));
        EXPECT_EQ(wrong[t].size(), 0u) << FirstFew(wrong[t]);
        for (int call = 0; call < callsPerThread; ++call) {
            const MixedReply reply = MixedReplyFor("t" + std::to_string(t) + "-" + std::to_string(call));
            failedCalls += reply != MixedReply::Success ? 1 : 0;
            stalledCalls += reply == MixedReply::Stall ? 1 : 0;
        }
    }
    // Each request went out once: nothing was lost, and nothing sent again behind the caller's back.
    std::map<std::string, int> sent;
    for (const RecordedRequest& request : server.Requests()) {
        ++sent[KeyOfRequest(request.body)];
    }
    EXPECT_EQ(sent.size(), static_cast<std::size_t>(threadCount * callsPerThread));
    for (const auto& key : sent) {
        EXPECT_EQ(key.second, 1) << key.first;
    }
    // One failure line for each refused reply, two for each transport failure.
    EXPECT_EQ(logger.At(1).size(), failedCalls + stalledCalls);
    EXPECT_EQ(logger.At(3).size(), static_cast<std::size_t>(threadCount * callsPerThread));
}

} // namespace
} // namespace dorsatest
