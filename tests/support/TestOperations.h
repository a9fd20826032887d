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

class ValueResponse final : public zvrtkDorsaServiceLayer::ResponseBase {
public:
    static zvrtkDorsaServiceLayer::SmartPtr<ValueResponse> CreateOne(const zvrtkDorsaServiceLayer::XmlNode<char>* element);

    std::string m_value = "untouched";
    int m_count = 0;
};

// A browse operation named "GetTables" that sends a KeyRequest.
class KeyOperation final
    : public zvrtkDorsaServiceLayer::OperationImpl<zvrtkDorsaServiceLayer::Catalogue::GetTables, KeyRequest,
                                                   ValueResponse> {
public:
    using OperationImpl::OperationImpl;

    void Call(zvrtkDorsaServiceLayer::SmartPtr<KeyRequest> request, ValueResponse* response)
    {
        ExecuteRequest(request, response);
    }
};

// A browse operation named "GetDatabases" that sends no request object.
class NoRequestOperation final
    : public zvrtkDorsaServiceLayer::OperationImpl<zvrtkDorsaServiceLayer::Catalogue::GetDatabases,
                                                   zvrtkDorsaServiceLayer::EmptyRequest, ValueResponse> {
public:
    using OperationImpl::OperationImpl;

    void Call(ValueResponse* response) { ExecuteRequest(response); }
};

// The browse namespace URI under the configured root.
std::string BrowseNamespace();

} // namespace dorsatest
