#include "support/SoapValidation.h"

#include <libxml/parser.h>
#include <libxml/xmlschemas.h>

#include <memory>
#include <mutex>

namespace dorsatest {

namespace {

void CollectError(void* userData, xmlErrorPtr error)
{
    auto* errors = static_cast<std::string*>(userData);
    *errors += error->message ? error->message : "unknown libxml2 error";
}

struct SchemaDeleter {
    void operator()(xmlSchema* schema) const { xmlSchemaFree(schema); }
};

xmlSchema* EnvelopeSchema()
{
    static std::unique_ptr<xmlSchema, SchemaDeleter> s_schema;
    static std::once_flag s_loaded;
    std::call_once(s_loaded, [] {
        xmlInitParser();
        std::unique_ptr<xmlSchemaParserCtxt, decltype(&xmlSchemaFreeParserCtxt)> parser(
            xmlSchemaNewParserCtxt(SOAP_ENVELOPE_XSD), &xmlSchemaFreeParserCtxt);
        s_schema.reset(parser ? xmlSchemaParse(parser.get()) : nullptr);
    });
    return s_schema.get();
}

// The envelope schema knows no service types, so an "xsi:type" naming one (requests
// name the type of polymorphic entries) cannot resolve; that is not an envelope fault.
void CollectEnvelopeError(void* userData, xmlErrorPtr error)
{
    const std::string message = error->message ? error->message : "";
    if (message.find("of the xsi:type attribute does not resolve to a type definition") == std::string::npos) {
        CollectError(userData, error);
    }
}

} // namespace

std::string SoapEnvelopeErrors(const std::string& body)
{
    xmlSchema* schema = EnvelopeSchema();
    if (!schema) {
        return "the SOAP envelope schema could not be loaded from " SOAP_ENVELOPE_XSD;
    }
    std::string errors;
    // libxml2 keeps the handler per thread; namespace errors (an undeclared prefix) come through it too.
    xmlSetStructuredErrorFunc(&errors, CollectError);
    std::unique_ptr<xmlDoc, decltype(&xmlFreeDoc)> document(
        xmlReadMemory(body.data(), static_cast<int>(body.size()), "request.xml", nullptr, XML_PARSE_NONET), &xmlFreeDoc);
    xmlSetStructuredErrorFunc(nullptr, nullptr);
    if (!document) {
        return errors.empty() ? "not XML" : errors;
    }
    std::unique_ptr<xmlSchemaValidCtxt, decltype(&xmlSchemaFreeValidCtxt)> validator(xmlSchemaNewValidCtxt(schema),
                                                                                      &xmlSchemaFreeValidCtxt);
    xmlSchemaSetValidStructuredErrors(validator.get(), CollectEnvelopeError, &errors);
    xmlSchemaValidateDoc(validator.get(), document.get());
    return errors;
}

} // namespace dorsatest
