#include "dorsa/values/ListData.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

// Element names of list item values, in registration order.
const char* const s_itemTypes[][2] = {
    {"Logical", AttributeTypes::LOGICAL_TYPE_STRING},     {"ShortText", AttributeTypes::SHORT_TEXT_TYPE_STRING},
    {"Integer", AttributeTypes::INTEGER_TYPE_STRING},     {"Range", AttributeTypes::RANGE_TYPE_STRING},
    {"Point", AttributeTypes::POINT_TYPE_STRING},         {"LongText", AttributeTypes::LONG_TEXT_TYPE_STRING},
    {"Hyperlink", AttributeTypes::HYPERLINK_TYPE_STRING}, {"Discrete", AttributeTypes::DISCRETE_TYPE_STRING},
    {"Date", AttributeTypes::DATE_TIME_TYPE_STRING},      {"File", AttributeTypes::FILE_TYPE_STRING},
    {"Picture", AttributeTypes::PICTURE_TYPE_STRING},
};

} // namespace

ContainedDataValueFactory* ListItem::s_factory = nullptr;

void ListItem::StaticInit()
{
    if (s_factory) {
        return;
    }
    s_factory = new ContainedDataValueFactory;
    s_factory->RegisterTypes(s_itemTypes);
}

void ListItem::StaticShutdown()
{
    delete s_factory;
    s_factory = nullptr;
}

ListDataType::ListDataType(const XmlNode<char>* node)
{
    for (const XmlNode<char>* element : FindChildElements("listItem", node)) {
        ListItem item;
        if (ListItem::s_factory) {
            item.value = ListItem::s_factory->CreateOne(FirstChildElement(element), nullptr);
        }
        ReadIntAttribute(element, item.sourceRecordHistoryId, "sourceRecordHistoryId");
        m_items.push_back(item);
    }
}

void ListDataType::CreateXMLNode(XmlNode<char>* /*node*/) const {}

} // namespace zvrtkDorsaServiceLayer
