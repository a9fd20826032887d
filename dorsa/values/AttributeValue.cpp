#include "dorsa/values/AttributeValue.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

// Element names of attribute values, in registration order.
const char* const s_valueTypes[][2] = {
    {"IntegerDataValue", AttributeTypes::INTEGER_TYPE_STRING},
    {"RangeDataValue", AttributeTypes::RANGE_TYPE_STRING},
    {"PointDataValue", AttributeTypes::POINT_TYPE_STRING},
    {"TabularDataValue", AttributeTypes::TABULAR_TYPE_STRING},
    {"LogicalDataValue", AttributeTypes::LOGICAL_TYPE_STRING},
    {"ShortTextDataValue", AttributeTypes::SHORT_TEXT_TYPE_STRING},
    {"LongTextDataValue", AttributeTypes::LONG_TEXT_TYPE_STRING},
    {"HyperlinkDataValue", AttributeTypes::HYPERLINK_TYPE_STRING},
    {"DiscreteDataValue", AttributeTypes::DISCRETE_TYPE_STRING},
    {"DateDataValue", AttributeTypes::DATE_TIME_TYPE_STRING},
    {"FileDataValue", AttributeTypes::FILE_TYPE_STRING},
    {"PictureDataValue", AttributeTypes::PICTURE_TYPE_STRING},
    {"FloatFunctionalSeriesDataValue", AttributeTypes::FLOAT_FUNCTIONAL_SERIES_TYPE_STRING},
    {"FloatFunctionalGriddedDataValue", AttributeTypes::FLOAT_FUNCTIONAL_GRIDDED_TYPE_STRING},
};

} // namespace

ContainedDataValueFactory* AttributeValue::s_factory = nullptr;

void AttributeValue::StaticInit()
{
    if (s_factory) {
        return;
    }
    s_factory = new ContainedDataValueFactory;
    RegisterTypes();
}

void AttributeValue::StaticShutdown()
{
    delete s_factory;
    s_factory = nullptr;
}

void AttributeValue::RegisterTypes()
{
    s_factory->RegisterTypes(s_valueTypes);
}

AttributeValue::AttributeValue(const XmlNode<char>* node) : AttributeIdentifier(node)
{
    if (!s_factory) {
        return;
    }
    for (const XmlNode<char>* child = FirstChildElement(node); child && !m_dataValue;
         child = child->next_sibling()) {
        if (child->type() == rapidxml::node_element) {
            m_dataValue = s_factory->CreateOne(child, &m_dataType);
        }
    }
}

} // namespace zvrtkDorsaServiceLayer
