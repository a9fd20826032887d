#pragma once

#include "dorsa/ServiceLayer.h"
#include "support/LoopbackServer.h"
#include "support/RecordingLogger.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {

// A session with a recording logger, talking to a loopback server. Every SOAP request
// the server received must be a valid SOAP 1.1 envelope, checked when the test ends.
class SessionFixture : public ::testing::Test {
protected:
    SessionFixture();
    void TearDown() override;

    // Makes the server answer every request with `body` and `status`.
    void Reply(const std::string& body, int status = 200);
    // A SOAP 1.1 reply envelope with `content` in its "s:Body".
    static std::string Envelope(const std::string& content);
    // What the last request carried inside "soapenv:Body".
    std::string LastBodyContent() const;

    LoopbackServer m_server;
    RecordingLogger m_logger;
    zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::DorsaSession> m_session;
};

// A SessionFixture with the library started (Initialize) for each test and shut down after
// it, for tests that read through the registries start-up fills.
class StartedSessionFixture : public SessionFixture {
protected:
    void SetUp() override { zvrtkDorsaServiceLayer::Initialize(); }
    void TearDown() override
    {
        SessionFixture::TearDown();
        zvrtkDorsaServiceLayer::Shutdown();
    }
};

} // namespace dorsatest
