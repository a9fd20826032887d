/**
 * @file
 * @brief Single-valued attribute values: numbers, yes/no, texts, dates, links and discrete choices.
 *
 * Holds TextValuedDataType, IntegerDataType, LogicalDataType, ShortTextDataType, LongTextDataType,
 * DateTimeDataType, HyperlinkDataType, DiscreteValue, DiscreteDataType and EmptyDataType.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/values/DataValue.h"
#include "dorsa/xml/TextForms.h"
#include "dorsa/xml/XmlBinding.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

namespace detail {
/// How a value travels as an element's own text.
template <class V>
struct TextCodec;
template <>
struct TextCodec<int> {
    static int Read(const std::string& text) { return StringToInt(text); }
    static std::string Write(int value) { return IntToString(value); }
};
template <>
struct TextCodec<bool> {
    static bool Read(const std::string& text) { return StringToBool(text); }
    static std::string Write(bool value) { return BoolToString(value); }
};
template <>
struct TextCodec<std::string> {
    static const std::string& Read(const std::string& text) { return text; }
    static const std::string& Write(const std::string& value) { return value; }
};
} // namespace detail

/// A value carried as its element's own text.
template <class T, class V>
class TextValuedDataType : public RegisteredDataType<T> {
public:
    const V& GetValue() const { return m_value; }
    void SetValue(const V& value) { m_value = value; }

    void CreateXMLNode(XmlNode<char>* node) const override
    {
        WriteOwnText(node, GetOwnerDocument(node), detail::TextCodec<V>::Write(m_value));
    }

protected:
    TextValuedDataType() = default;
    explicit TextValuedDataType(const XmlNode<char>* node)
    {
        this->LoadCommonAttributes(node);
        m_value = detail::TextCodec<V>::Read(GetText(node));
    }

private:
    V m_value{};
};

/// A whole number ("IntegerDataValue").
class DORSA_EXPORT IntegerDataType final : public TextValuedDataType<IntegerDataType, int> {
public:
    static constexpr const char* s_nodeName = "IntegerDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::INTEGER_TYPE_STRING;
    IntegerDataType() = default;

private:
    friend class RegisteredDataType<IntegerDataType>;
    explicit IntegerDataType(const XmlNode<char>* node) : TextValuedDataType(node) {}
};

/// A yes/no value ("LogicalDataValue"), written "true" or "false".
class DORSA_EXPORT LogicalDataType final : public TextValuedDataType<LogicalDataType, bool> {
public:
    static constexpr const char* s_nodeName = "LogicalDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::LOGICAL_TYPE_STRING;
    LogicalDataType() = default;

private:
    friend class RegisteredDataType<LogicalDataType>;
    explicit LogicalDataType(const XmlNode<char>* node) : TextValuedDataType(node) {}
};

/// A short text ("ShortTextDataValue").
class DORSA_EXPORT ShortTextDataType final : public TextValuedDataType<ShortTextDataType, std::string> {
public:
    static constexpr const char* s_nodeName = "ShortTextDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::SHORT_TEXT_TYPE_STRING;
    ShortTextDataType() = default;

private:
    friend class RegisteredDataType<ShortTextDataType>;
    explicit ShortTextDataType(const XmlNode<char>* node) : TextValuedDataType(node) {}
};

/// A long text ("LongTextDataValue"), carried like a short one.
class DORSA_EXPORT LongTextDataType final : public TextValuedDataType<LongTextDataType, std::string> {
public:
    static constexpr const char* s_nodeName = "LongTextDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::LONG_TEXT_TYPE_STRING;
    LongTextDataType() = default;

private:
    friend class RegisteredDataType<LongTextDataType>;
    explicit LongTextDataType(const XmlNode<char>* node) : TextValuedDataType(node) {}
};

/// A date, kept as the text the server wrote; never parsed.
class DORSA_EXPORT DateTimeDataType final : public TextValuedDataType<DateTimeDataType, std::string> {
public:
    static constexpr const char* s_nodeName = "DateDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::DATE_TIME_TYPE_STRING;
    DateTimeDataType() = default;

private:
    friend class RegisteredDataType<DateTimeDataType>;
    explicit DateTimeDataType(const XmlNode<char>* node) : TextValuedDataType(node) {}
};

/// A link: its address and a description to show for it.
class DORSA_EXPORT HyperlinkDataType final : public RegisteredDataType<HyperlinkDataType> {
public:
    static constexpr const char* s_nodeName = "HyperlinkDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::HYPERLINK_TYPE_STRING;
    HyperlinkDataType() = default;

    std::string GetValue() const { return m_value; }
    void SetValue(const std::string& link) { m_value = link; }
    std::string GetDescription() const { return m_description; }
    void SetDescription(const std::string& description) { m_description = description; }

    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    friend class RegisteredDataType<HyperlinkDataType>;
    explicit HyperlinkDataType(const XmlNode<char>* node);

    std::string m_value;
    std::string m_description;
};

/// One choice of a discrete value.
class DORSA_EXPORT DiscreteValue final : public SmartPtrTarget_ts, public XmlReadable<DiscreteValue> {
public:
    DiscreteValue() = default;

    std::string GetValue() const { return m_value; }
    void SetValue(const std::string& value) { m_value = value; }
    int GetOrder() const { return m_order; }
    void SetOrder(int order) { m_order = order; }

    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<DiscreteValue>;
    explicit DiscreteValue(const XmlNode<char>* node);

    std::string m_value;
    int m_order = 0;
};

/// One or more choices of a discrete attribute, each with its position in the attribute's order.
class DORSA_EXPORT DiscreteDataType final : public RegisteredDataType<DiscreteDataType> {
public:
    static constexpr const char* s_nodeName = "DiscreteDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::DISCRETE_TYPE_STRING;
    DiscreteDataType() = default;

    std::vector<SmartPtr<DiscreteValue>>& AccessDiscreteValues() { return m_values; }
    /// A null value is ignored.
    void AddDiscreteValue(const SmartPtr<DiscreteValue>& value);

    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    friend class RegisteredDataType<DiscreteDataType>;
    explicit DiscreteDataType(const XmlNode<char>* node);

    std::vector<SmartPtr<DiscreteValue>> m_values;
};

/// The empty value of a tabular cell: no content at all.
class DORSA_EXPORT EmptyDataType final : public RegisteredDataType<EmptyDataType> {
public:
    static constexpr const char* s_nodeName = "Empty";
    static constexpr const char* s_typeCode = AttributeTypes::EMPTY_TYPE_STRING;
    EmptyDataType() = default;

    /// Always a new empty value, whatever the element.
    static SmartPtr<EmptyDataType> CreateOne(const XmlNode<char>* node);

    void CreateXMLNode(XmlNode<char>* node) const override;
};

} // namespace zvrtkDorsaServiceLayer
