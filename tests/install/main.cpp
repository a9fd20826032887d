// The smallest host of the installed library: start it, make a session, stop it. Given a
// server's URL, it also lists the server's databases (the Windows package's host does,
// under Wine against the emulator).
#include <dorsa/ServiceLayer.h>

#include <iostream>
#include <string>

using namespace zvrtkDorsaServiceLayer;

int main(int argc, char** argv)
{
    const std::string url = argc > 1 ? argv[1] : "http://localhost:8080/dorsa";
    int status = 0;
    Initialize();
    {
        SmartPtr<DorsaSession> session = DorsaSession::CreateOne(url, DorsaSLAuth_Annonymous::CreateOne());
        std::cout << "Dorsa Service Layer " << DORSA_VERSION_STRING << ", a session for "
                  << WideToUtf8(session->GetUrl()) << "\n";
        if (argc > 1) {
            GetDatabasesResponse databases;
            GetDatabaseImpl(session.get()).GetDatabases(&databases);
            const SmartPtr<ServiceLayerResponse> outcome = databases.GetServiceLayerResponse();
            if (outcome && outcome->IsSuccess()) {
                for (const SmartPtr<DorsaDatabase>& database : databases.AccessDatabases()) {
                    std::cout << database->GetDBKey() << "\n";
                }
            } else {
                std::cerr << "GetDatabases failed\n";
                status = 1;
            }
        }
    }
    Shutdown();
    return status;
}
