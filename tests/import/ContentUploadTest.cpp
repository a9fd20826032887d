// Uploading file content to the addresses the emulator gives, with the session's logon
// (through the call script, so that the Windows build's client makes them too).
#include "auth/AuthTestSupport.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <iterator>
#include <fstream>
#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

// A field of /proc/self/status, in kB.
long StatusKb(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    for (std::string line; std::getline(status, line);) {
        if (line.compare(0, field.size() + 1, field + ":") == 0) {
            return std::stol(line.substr(field.size() + 1));
        }
    }
    return -1;
}

class ContentUploadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string error;
        const int port = FreeLoopbackPort();
        ASSERT_TRUE(m_emulator.Start({DORSA_PYTHON, DORSA_EMULATOR_DIR "/dorsa_emulator.py", "--port",
                                      std::to_string(port), "--user", "up", "--password", "l0ad"},
                                     {}, m_directory.File("emulator.out"), error))
            << error;
        ASSERT_TRUE(WaitUntilListening(port, m_emulator)) << ReadFile(m_directory.File("emulator.out"));
        m_base = "http://127.0.0.1:" + std::to_string(port) + "/dorsa";
        // The Datasheet (file) attribute of a record of the sample data.
        m_address = m_base + "/files/DORSA_SAMPLES/1001/106";
    }

    SmartPtr<DorsaSession> Session(const std::string& password)
    {
        return DorsaSession::CreateOneWithLogger(m_base, DorsaSLAuth_Authenticated::CreateOne("up", password),
                                                 &m_logger);
    }

    ScratchDirectory m_directory;
    ServerProcess m_emulator;
    RecordingLogger m_logger;
    std::string m_base;
    std::string m_address;
};

struct UploadCase {
    const char* name;
    const char* password;
    std::string address;
    std::string file; // empty: the bytes go from memory
    CallOutcomes::eCallOutcome outcome;
    int code;
    const char* because; // a part of a transport failure's reason
};

TEST_F(ContentUploadTest, ContentGoesToTheAddressWithTheSessionsLogon)
{
    const std::string content = std::string("%PDF-1.4\n\0\xff binary", 19);
    const std::string onDisk = m_directory.File("sheet.pdf");
    WriteFile(onDisk, content);
    const UploadCase cases[] = {
        {"bytes", "l0ad", m_address, "", CallOutcomes::Success, 201, ""},
        {"file", "l0ad", m_address, onDisk, CallOutcomes::Success, 201, ""},
        {"wrong password", "not-it", m_address, "", CallOutcomes::HttpFailure, 401, ""},
        {"no such attribute", "l0ad", m_base + "/files/DORSA_SAMPLES/1001/1", "", CallOutcomes::HttpFailure, 404, ""},
        {"another server", "l0ad", "http://127.0.0.2:1/dorsa/files/x", "", CallOutcomes::TransportFailure, 0,
         "is not on the server of"},
        {"missing file", "l0ad", m_address, m_directory.File("none.pdf"), CallOutcomes::TransportFailure, 0,
         "none.pdf cannot be read"},
    };
    CallScript script;
    for (const UploadCase& c : cases) {
        script.Open(m_base, LogOn::AsUser("up", c.password));
        if (c.file.empty()) {
            script.PutBytes(c.address, content, "application/pdf");
        } else {
            script.PutFile(c.address, c.file, "application/pdf");
        }
    }
    const std::vector<CallResult> results = RunCalls(script, m_logger);
    ASSERT_EQ(results.size(), std::size(cases));
    for (size_t i = 0; i < results.size(); ++i) {
        const UploadCase& c = cases[i];
        SCOPED_TRACE(c.name);
        EXPECT_EQ(results[i].outcome, c.outcome) << results[i];
        EXPECT_EQ(results[i].code, c.code == 0 ? 500 : c.code);
        EXPECT_NE(results[i].transportError.find(c.because), std::string::npos) << results[i].transportError;
    }
    // The emulator serves back exactly what was stored, as it was typed.
    SmartPtr<HttpMessage> fetched = HttpMessage::CreateOne();
    ASSERT_EQ(Session("l0ad")->HttpClientPtr()->SendRequestToAddress(
                  std::wstring(m_address.begin(), m_address.end()), eHttpVerb_Get, fetched),
              HttpClient::SendRequest_Ok);
    ASSERT_TRUE(fetched->AccessResponseBody());
    EXPECT_EQ(std::string(fetched->AccessResponseBody()->GetData(), fetched->AccessResponseBody()->GetLength()),
              content);
}

TEST_F(ContentUploadTest, ALargeFileIsStreamedNotHeld)
{
    if (!CallsRunInThisProcess()) {
        GTEST_SKIP() << "the peak measured is this process's; the run without DORSA_CALL_CLIENT covers it";
    }
    constexpr long s_megabytes = 200;
    const std::string path = m_directory.File("large.bin");
    {
        std::ofstream file(path, std::ios::binary);
        const std::string block(1 << 20, 'z');
        for (long written = 0; written < s_megabytes; ++written) {
            file << block;
        }
    }
    SmartPtr<DorsaSession> session = Session("l0ad");
    // Writing 5 resets the peak resident size, so the peak read afterwards is the upload's.
    std::ofstream("/proc/self/clear_refs") << "5";
    const long before = StatusKb("VmRSS");
    const SmartPtr<ServiceLayerResponse> outcome =
        ContentUpload::PutFile(*session, m_address, path, "application/octet-stream");
    const long peak = StatusKb("VmHWM");
    EXPECT_TRUE(outcome->IsSuccess()) << outcome->GetTransportError() << " " << outcome->GetResponseCode();
    EXPECT_LT(peak - before, 32 * 1024) << "peak " << peak << " kB, before " << before << " kB";
}

} // namespace
} // namespace dorsatest
