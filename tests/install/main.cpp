// The smallest host of the installed library: start it, make a session, stop it.
#include <dorsa/ServiceLayer.h>

#include <iostream>

using namespace zvrtkDorsaServiceLayer;

int main()
{
    Initialize();
    {
        SmartPtr<DorsaSession> session =
            DorsaSession::CreateOne("http://localhost:8080/dorsa", DorsaSLAuth_Annonymous::CreateOne());
        std::cout << "Dorsa Service Layer " << DORSA_VERSION_STRING << ", a session for "
                  << WideToUtf8(session->GetUrl()) << "\n";
    }
    Shutdown();
    return 0;
}
