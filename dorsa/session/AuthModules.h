/**
 * @file
 * @brief The authentication modules a session signs its calls with.
 *
 * Holds IDorsaSLAuthModule, DorsaSLAuth_Annonymous, DorsaSLAuth_AutoLoginAuth and
 * DorsaSLAuth_Authenticated.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/HttpClient.h"
#include "dorsa/platform/SmartPtr.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// @brief Configures a session's HTTP client for one way of logging on.
class DORSA_EXPORT IDorsaSLAuthModule : public SmartPtrTarget_ts {
public:
    ~IDorsaSLAuthModule() override = default;
    virtual void ApplyAuthentication(SmartPtr<HttpClient> client) = 0;
};

/// @brief No log-on: requests go out without credentials.
class DORSA_EXPORT DorsaSLAuth_Annonymous final : public IDorsaSLAuthModule {
public:
    DorsaSLAuth_Annonymous() = default;
    static SmartPtr<IDorsaSLAuthModule> CreateOne();
    void ApplyAuthentication(SmartPtr<HttpClient> client) override;
};

/// @brief Log on as the user running the host (Negotiate / Kerberos).
class DORSA_EXPORT DorsaSLAuth_AutoLoginAuth final : public IDorsaSLAuthModule {
public:
    DorsaSLAuth_AutoLoginAuth() = default;
    static SmartPtr<IDorsaSLAuthModule> CreateOne();
    void ApplyAuthentication(SmartPtr<HttpClient> client) override;
};

/// @brief Log on with a user name and password, optionally in a Windows domain (DOMAIN\\user).
class DORSA_EXPORT DorsaSLAuth_Authenticated final : public IDorsaSLAuthModule {
public:
    static SmartPtr<IDorsaSLAuthModule> CreateOne(const std::string& user, const std::string& password);
    static SmartPtr<IDorsaSLAuthModule> CreateOne(const std::string& domain, const std::string& user,
                                                  const std::string& password);
    void ApplyAuthentication(SmartPtr<HttpClient> client) override;

private:
    DorsaSLAuth_Authenticated(const std::string& user, const std::string& password);
    DorsaSLAuth_Authenticated(const std::string& domain, const std::string& user, const std::string& password);
    void InitialiseCredentials(const std::string& domain, const std::string& user, const std::string& password);

    std::string m_userName; ///< "DOMAIN\user" when a domain was given
    std::string m_password;
};

} // namespace zvrtkDorsaServiceLayer
