#pragma once

#include "dorsa/ServiceLayer.h"

#include <string>

namespace dorsatest {

// Request and response of the pipeline tests: the request writes a database key, the
// response reads a "value" text and a "count" integer.
class KeyRequest final : public zvrtkDorsaServiceLayer::IRequest {
public:
    explicit KeyRequest(std::string key) : m_key(std::move(key)) {}
    void CreateXMLNode(zvrtkDorsaServiceLayer::XmlNode<char>* element) const override;

private:
    std::string m_key;
};

class ValueResponse final : public zvrtkDorsaServiceLayer::SmartPtrTarget_ts {
public:
    static zvrtkDorsaServiceLayer::SmartPtr<ValueResponse> CreateOne(const zvrtkDorsaServiceLayer::XmlNode<char>* element);

    zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ServiceLayerResponse> GetServiceLayerResponse() const
    {
        return m_outcome;
    }
    void SetServiceLayerResponse(zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ServiceLayerResponse> outcome)
    {
        m_outcome = outcome;
    }

    std::string m_value = "untouched";
    int m_count = 0;

private:
    zvrtkDorsaServiceLayer::SmartPtr<zvrtkDorsaServiceLayer::ServiceLayerResponse> m_outcome;
};

// A browse operation named "GetTables" that sends a KeyRequest.
class KeyOperation final : public zvrtkDorsaServiceLayer::Operation<KeyRequest, ValueResponse> {
public:
    explicit KeyOperation(zvrtkDorsaServiceLayer::DorsaSession* session);
    void Call(zvrtkDorsaServiceLayer::SmartPtr<KeyRequest> request, ValueResponse* response)
    {
        ExecuteRequest(request, response);
    }

protected:
    const std::string& GetOperationName() const override;
    const std::wstring& GetService() const override;
};

// A browse operation named "GetDatabases" that sends no request object.
class NoRequestOperation final : public zvrtkDorsaServiceLayer::Operation<zvrtkDorsaServiceLayer::EmptyRequest, ValueResponse> {
public:
    explicit NoRequestOperation(zvrtkDorsaServiceLayer::DorsaSession* session);
    void Call(ValueResponse* response) { ExecuteRequest(response); }

protected:
    const std::string& GetOperationName() const override;
    const std::wstring& GetService() const override;
};

// The browse namespace URI under the configured root.
std::string BrowseNamespace();

} // namespace dorsatest
