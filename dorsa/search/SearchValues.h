/**
 * @file
 * @brief The conditions a search criterion sets on an attribute's values.
 *
 * Holds SearchValue, UnittedRealCriterionValue, MultiValuedDiscreteCriterion, TextCriterionValue,
 * PresenceCriterionValue, LowEndSearchValue, HighEndSearchValue, GreaterThanSearchValue,
 * LessThanSearchValue, BetweenSearchValue, BetweenDateTimesSearchValue, ContainsSearchValue,
 * DoesNotContainSearchValue, TabularColumnContainsSearchValue, ContainsAnySearchValue,
 * ContainsAllSearchValue, ExactlySearchValue, ExistsSearchValue and DoesNotExistSearchValue.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/XmlDom.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief A condition on an attribute's value. It names its own element ("sear:" + the
/// node name) and writes its content into it.
class DORSA_EXPORT SearchValue : public SmartPtrTarget_ts {
public:
    ~SearchValue() override = default;
    virtual void CreateXMLNode(XmlNode<char>* element) const = 0;
    virtual std::string GetNodeName() const = 0;
};

/// @brief A number in a unit: the unit as the attribute "sear:unit" (when set), the value
/// as the element's text in the form "%.17e".
class DORSA_EXPORT UnittedRealCriterionValue : public SearchValue {
public:
    double GetValue() const { return m_value; }
    void SetValue(double value) { m_value = value; }
    std::string GetUnit() const { return m_unit; }
    void SetUnit(const std::string& unit) { m_unit = unit; }

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    double m_value = 0.0;
    std::string m_unit;
};

/// @brief Discrete values, written as one "sear:discrete" child each, in list order.
class DORSA_EXPORT MultiValuedDiscreteCriterion : public SearchValue {
public:
    std::vector<std::string>& AccessValues() { return m_values; }
    void SetValues(const std::vector<std::string>& values) { m_values = values; }
    void AddValue(const std::string& value) { m_values.push_back(value); }

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::vector<std::string> m_values;
};

/// @brief A text condition: the text is the element's own text.
class DORSA_EXPORT TextCriterionValue : public SearchValue {
public:
    std::string GetValue() const { return m_value; }
    void SetValue(const std::string& value) { m_value = value; }

    void CreateXMLNode(XmlNode<char>* element) const override;

private:
    std::string m_value;
};

/// @brief A condition on whether a value is there at all; its element name says which,
/// its text is always "true".
class DORSA_EXPORT PresenceCriterionValue : public SearchValue {
public:
    void CreateXMLNode(XmlNode<char>* element) const override;
};

/// @brief The lower bound of a between.
class DORSA_EXPORT LowEndSearchValue final : public UnittedRealCriterionValue {
public:
    std::string GetNodeName() const override { return "lowEnd"; }
};

/// @brief The upper bound of a between.
class DORSA_EXPORT HighEndSearchValue final : public UnittedRealCriterionValue {
public:
    std::string GetNodeName() const override { return "highEnd"; }
};

/// @brief Values above a number.
class DORSA_EXPORT GreaterThanSearchValue final : public UnittedRealCriterionValue {
public:
    std::string GetNodeName() const override { return "greaterThan"; }
};

/// @brief Values below a number.
class DORSA_EXPORT LessThanSearchValue final : public UnittedRealCriterionValue {
public:
    std::string GetNodeName() const override { return "lessThan"; }
};

/// @brief Values between two numbers; an end that is not set is left open.
class DORSA_EXPORT BetweenSearchValue final : public SearchValue {
public:
    SmartPtr<LowEndSearchValue> GetLowEnd() const { return m_lowEnd; }
    void SetLowEnd(const SmartPtr<LowEndSearchValue>& low) { m_lowEnd = low; }
    SmartPtr<HighEndSearchValue> GetHighEnd() const { return m_highEnd; }
    void SetHighEnd(const SmartPtr<HighEndSearchValue>& high) { m_highEnd = high; }

    void CreateXMLNode(XmlNode<char>* element) const override;
    std::string GetNodeName() const override { return "between"; }

private:
    SmartPtr<LowEndSearchValue> m_lowEnd;
    SmartPtr<HighEndSearchValue> m_highEnd;
};

/// @brief Dates between two date-times, given as the server's text; both ends are always sent.
class DORSA_EXPORT BetweenDateTimesSearchValue final : public SearchValue {
public:
    std::string GetLowEnd() const { return m_lowEnd; }
    void SetLowEnd(const std::string& low) { m_lowEnd = low; }
    std::string GetHighEnd() const { return m_highEnd; }
    void SetHighEnd(const std::string& high) { m_highEnd = high; }

    void CreateXMLNode(XmlNode<char>* element) const override;
    std::string GetNodeName() const override { return "betweenDateTimes"; }

private:
    std::string m_lowEnd;
    std::string m_highEnd;
};

/// @brief Texts that contain the value.
class DORSA_EXPORT ContainsSearchValue final : public TextCriterionValue {
public:
    std::string GetNodeName() const override { return "contains"; }
};

/// @brief Texts that do not contain the value.
class DORSA_EXPORT DoesNotContainSearchValue final : public TextCriterionValue {
public:
    std::string GetNodeName() const override { return "doesNotContain"; }
};

/// @brief Tables whose column @p colName contains the value; the column is always sent.
class DORSA_EXPORT TabularColumnContainsSearchValue final : public TextCriterionValue {
public:
    std::string GetColName() const { return m_colName; }
    void SetColName(const std::string& colName) { m_colName = colName; }

    void CreateXMLNode(XmlNode<char>* element) const override;
    std::string GetNodeName() const override { return "tabularColumnContains"; }

private:
    std::string m_colName;
};

/// @brief Discrete values holding any of the values.
class DORSA_EXPORT ContainsAnySearchValue final : public MultiValuedDiscreteCriterion {
public:
    std::string GetNodeName() const override { return "containsAny"; }
};

/// @brief Discrete values holding all of the values.
class DORSA_EXPORT ContainsAllSearchValue final : public MultiValuedDiscreteCriterion {
public:
    std::string GetNodeName() const override { return "containsAll"; }
};

/// @brief Integers equal to the value.
class DORSA_EXPORT ExactlySearchValue final : public SearchValue {
public:
    int GetValue() const { return m_value; }
    void SetValue(int value) { m_value = value; }

    void CreateXMLNode(XmlNode<char>* element) const override;
    std::string GetNodeName() const override { return "exactly"; }

private:
    int m_value = 0;
};

/// @brief Records that hold a value of the attribute.
class DORSA_EXPORT ExistsSearchValue final : public PresenceCriterionValue {
public:
    std::string GetNodeName() const override { return "exists"; }
};

/// @brief Records that hold no value of the attribute.
class DORSA_EXPORT DoesNotExistSearchValue final : public PresenceCriterionValue {
public:
    std::string GetNodeName() const override { return "doesNotExist"; }
};

} // namespace zvrtkDorsaServiceLayer
