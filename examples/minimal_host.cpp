// The smallest host: open a session, log what the library says, ask whether the server answers.
#include <dorsa/ServiceLayer.h>

#include <iostream>

using namespace zvrtkDorsaServiceLayer;

class StderrLogger final : public ILogger {
public:
    void Flush() override { std::cerr.flush(); }
    void Log(int level, const std::string& message) override { std::cerr << "[" << level << "] " << message << "\n"; }
};

int main(int argc, char** argv)
{
    const std::string url = argc > 1 ? argv[1] : "http://localhost:8080/dorsa";
    StderrLogger logger;
    SmartPtr<DorsaSession> session = DorsaSession::CreateOneWithLogger(url, DorsaSLAuth_AutoLoginAuth::CreateOne(), &logger);
    session->SetApplicationName("MinimalHost");
    session->SetTimeouts(5000, 5000, 30000, 30000);
    eHttpStatusCode status = eHttpStatus_NotSent;
    const bool answers = session->ConnectionIsValid(&status);
    std::cout << url << (answers ? " answers" : " does not answer") << " (status " << status << ")\n";
    return answers ? 0 : 1;
}
