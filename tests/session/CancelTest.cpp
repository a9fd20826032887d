// Cancelling the calls in progress on a session from another thread.
#include "support/HostileServer.h"
#include "support/LoopbackServer.h"
#include "support/TestOperations.h"

#include <gtest/gtest.h>

#ifdef __GLIBC__
#include <malloc.h>
#endif

#include <atomic>
#include <chrono>
#include <random>
#include <string>
#include <thread>
#include <vector>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

const char s_reply[] = "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>"
                       "<GetTablesResponse><value>served</value></GetTablesResponse></s:Body></s:Envelope>";

SmartPtr<ServiceLayerResponse> Call(DorsaSession& session)
{
    KeyOperation operation(&session);
    ValueResponse response;
    operation.Call(new KeyRequest("K"), &response);
    return response.GetServiceLayerResponse();
}

bool WasCancelled(const ServiceLayerResponse& outcome)
{
    return outcome.GetOutcome() == CallOutcomes::TransportFailure && outcome.GetTransportError() == "cancelled";
}

#ifdef __GLIBC__
// Bytes the process holds in blocks of their own (every large buffer), as malloc counts them.
// Only glibc's malloc says so: elsewhere the freeing is left to the leak checks.
std::size_t LargeBlockBytes()
{
    return mallinfo2().hblkhd;
}
#endif

TEST(CancelTest, ACallThatGetsNoAnswerEndsCancelledAndTheSessionGoesOn)
{
    LoopbackServer server;
    CannedReply stall;
    stall.behaviour = CannedReply::Behaviour::Stall;
    server.SetReply(stall);
    SmartPtr<DorsaSession> session = DorsaSession::CreateOne(server.Url(), nullptr);

    std::thread canceller([&] {
        while (server.Requests().empty()) {
            std::this_thread::yield();
        }
        session->CancelCallsInProgress();
    });
    const SmartPtr<ServiceLayerResponse> cancelled = Call(*session);
    canceller.join();
    EXPECT_TRUE(WasCancelled(*cancelled)) << cancelled->GetTransportError();
    EXPECT_TRUE(cancelled->ReachedServer());

    CannedReply answer;
    answer.body = s_reply;
    server.SetReply(answer);
    EXPECT_TRUE(Call(*session)->IsSuccess());
}

#ifdef __GLIBC__
TEST(CancelTest, ACancelledLargeDownloadFreesItsMemory)
{
    HostileServer server(Hostility::EndlessBody);
    SmartPtr<DorsaSession> session = DorsaSession::CreateOne(server.Url(), nullptr);
    session->SetMaxReplySize(std::size_t(4) << 30);
    const std::size_t before = LargeBlockBytes();
    const std::size_t grown = before + (std::size_t(64) << 20);
    std::atomic<bool> sawGrowth{false};
    std::thread canceller([&] {
        // Where malloc keeps no such count (under a sanitizer), the call is cancelled all the same.
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        while (LargeBlockBytes() < grown && std::chrono::steady_clock::now() < giveUp) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        sawGrowth = LargeBlockBytes() >= grown;
        session->CancelCallsInProgress();
    });
    const SmartPtr<ServiceLayerResponse> outcome = Call(*session);
    canceller.join();
    EXPECT_TRUE(WasCancelled(*outcome)) << outcome->GetTransportError();
    if (sawGrowth) {
        EXPECT_LT(LargeBlockBytes(), before + (std::size_t(8) << 20));
    }
}
#endif

TEST(CancelTest, ConcurrentCallsEndServedOrCancelledUnderRandomCancels)
{
    LoopbackServer server;
    CannedReply answer;
    answer.body = s_reply;
    server.SetReply(answer);
    SmartPtr<DorsaSession> session = DorsaSession::CreateOne(server.Url(), nullptr);
    constexpr int s_threads = 8;
    constexpr int s_callsPerThread = 25;
    std::atomic<int> running{s_threads};
    std::atomic<int> unexpected{0};
    std::atomic<int> cancelled{0};
    std::vector<std::thread> workers;
    for (int t = 0; t < s_threads; ++t) {
        workers.emplace_back([&] {
            for (int call = 0; call < s_callsPerThread; ++call) {
                const SmartPtr<ServiceLayerResponse> outcome = Call(*session);
                if (WasCancelled(*outcome)) {
                    ++cancelled;
                } else if (!outcome->IsSuccess()) {
                    ++unexpected;
                }
            }
            --running;
        });
    }
    std::mt19937 random(22);
    std::uniform_int_distribution<int> pause(0, 2000);
    while (running > 0) {
        std::this_thread::sleep_for(std::chrono::microseconds(pause(random)));
        session->CancelCallsInProgress();
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(unexpected, 0);
    EXPECT_TRUE(Call(*session)->IsSuccess());
    RecordProperty("cancelled", cancelled.load());
}

} // namespace
} // namespace dorsatest
