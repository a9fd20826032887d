// Reads an attribute value out of every element of a document, as the record readers
// do, and writes each value found back in its import form.
//
// Input: any text; what the library's checked parser refuses is skipped. Every element
// is tried as an attribute (its first child element that names a value type is read),
// so a seed may hold one attribute, a record of several, or a whole export.
//
// Besides crashes, two promises of the library count as failures: a document the parser
// accepts nests no deeper than detail::s_maxNestingDepth (its pre-scan must see every
// level RapidXML recurses into), and a value's import form reads as XML again.
#include "ExpectedFailures.h"

#include "dorsa/ServiceLayer.h"
#include "dorsa/xml/XmlTextPrivate.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

namespace dorsafuzz {
namespace {

using namespace zvrtkDorsaServiceLayer;

// The value's import element, as the import writer makes and fills it, printed.
std::string WrittenValue(const IDataValue& value)
{
    // Heap-allocated: a document carries a sizeable pool of its own.
    auto document = std::make_unique<XmlDocument<char>>();
    XmlNode<char>* element =
        WriteContainer(document.get(), document.get(), WithBaseTypesPrefix(value.GetImportNodeName()));
    TolerateConversionFailures([&] { value.CreateXMLNode(element); });
    return detail::PrintXml(*element);
}

void ReadAndWriteBack(const XmlNode<char>* element)
{
    SmartPtr<AttributeValue> attribute;
    TolerateConversionFailures([&] { attribute = AttributeValue::CreateOne(element); });
    const SmartPtr<IDataValue> value = attribute ? attribute->GetDataValue() : SmartPtr<IDataValue>();
    if (!value) {
        return;
    }
    const std::string written = WrittenValue(*value);
    // What the library writes goes to the server: it must read as XML again.
    detail::ParsedXml reread;
    if (!reread.Parse(written.data(), written.size(), detail::ParseMode::Translated)) {
        std::fprintf(stderr, "dorsafuzz: the import form of a %s value is not well-formed (%s):\n%s\n",
                     value->GetTypeString().c_str(), reread.Error().c_str(), written.c_str());
        std::abort();
    }
}

// The node after `node` in document order, without recursion (the document may nest
// as deep as the parser allows), keeping `depth` as the number of elements above it.
const XmlNode<char>* NextInDocumentOrder(const XmlNode<char>* node, const XmlNode<char>* root, std::size_t& depth)
{
    if (const XmlNode<char>* child = node->first_node()) {
        ++depth;
        return child;
    }
    for (; node != root; node = node->parent(), --depth) {
        if (const XmlNode<char>* sibling = node->next_sibling()) {
            return sibling;
        }
    }
    return nullptr;
}

void CheckNestingDepth(std::size_t depth)
{
    if (depth > detail::s_maxNestingDepth) {
        std::fprintf(stderr, "dorsafuzz: the parser accepted elements nested %zu levels deep, past the limit of %zu\n",
                     depth, detail::s_maxNestingDepth);
        std::abort();
    }
}

} // namespace
} // namespace dorsafuzz

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    zvrtkDorsaServiceLayer::Initialize();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace zvrtkDorsaServiceLayer;
    detail::ParsedXml parsed;
    if (!parsed.Parse(reinterpret_cast<const char*>(data), size, detail::ParseMode::Translated)) {
        return 0;
    }
    // A reply the scan finds in printed form is kept as it came instead of its print.
    if (parsed.InPrintedForm() && !detail::PrintsAs(parsed.Document(), reinterpret_cast<const char*>(data), size)) {
        std::fprintf(stderr, "dorsafuzz: a text found in printed form does not print as itself\n");
        std::abort();
    }
    const XmlNode<char>* root = &parsed.Document();
    std::size_t depth = 1;
    for (const XmlNode<char>* node = root->first_node(); node;
         node = dorsafuzz::NextInDocumentOrder(node, root, depth)) {
        if (node->type() == rapidxml::node_element) {
            dorsafuzz::CheckNestingDepth(depth);
            dorsafuzz::ReadAndWriteBack(node);
        }
    }
    return 0;
}
