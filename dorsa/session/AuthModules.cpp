#include "dorsa/session/AuthModules.h"
#include "dorsa/platform/WideText.h"

namespace zvrtkDorsaServiceLayer {

SmartPtr<IDorsaSLAuthModule> DorsaSLAuth_Annonymous::CreateOne()
{
    return new DorsaSLAuth_Annonymous;
}

void DorsaSLAuth_Annonymous::ApplyAuthentication(SmartPtr<HttpClient> client)
{
    // No credentials from now on, and no connection that an earlier identity authenticated.
    if (client) {
        client->SetAutologonPolicy(false, false);
    }
}

SmartPtr<IDorsaSLAuthModule> DorsaSLAuth_AutoLoginAuth::CreateOne()
{
    return new DorsaSLAuth_AutoLoginAuth;
}

void DorsaSLAuth_AutoLoginAuth::ApplyAuthentication(SmartPtr<HttpClient> client)
{
    if (client) {
        client->SetAutologonPolicy(true, false);
    }
}

SmartPtr<IDorsaSLAuthModule> DorsaSLAuth_Authenticated::CreateOne(const std::string& user, const std::string& password)
{
    return new DorsaSLAuth_Authenticated(user, password);
}

SmartPtr<IDorsaSLAuthModule> DorsaSLAuth_Authenticated::CreateOne(const std::string& domain, const std::string& user,
                                                                  const std::string& password)
{
    return new DorsaSLAuth_Authenticated(domain, user, password);
}

DorsaSLAuth_Authenticated::DorsaSLAuth_Authenticated(const std::string& user, const std::string& password)
{
    InitialiseCredentials(std::string(), user, password);
}

DorsaSLAuth_Authenticated::DorsaSLAuth_Authenticated(const std::string& domain, const std::string& user,
                                                     const std::string& password)
{
    InitialiseCredentials(domain, user, password);
}

void DorsaSLAuth_Authenticated::InitialiseCredentials(const std::string& domain, const std::string& user,
                                                      const std::string& password)
{
    m_userName = domain.empty() ? user : domain + "\\" + user;
    m_password = password;
}

void DorsaSLAuth_Authenticated::ApplyAuthentication(SmartPtr<HttpClient> client)
{
    if (client) {
        client->ApplyCredentials(Utf8ToWide(m_userName), Utf8ToWide(m_password));
    }
}

} // namespace zvrtkDorsaServiceLayer
