/**
 * @file
 * @brief Real numbers with a unit: ranges and points.
 *
 * Holds UnittedRealDataType, RangeDataType and PointDataType.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/values/DataValue.h"
#include "dorsa/values/Parameters.h"

#include <limits>
#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// A real number value with a unit: what ranges and points share.
class DORSA_EXPORT UnittedRealDataType : public IDataValue {
public:
    std::string GetUnitSymbol() const { return m_unitSymbol; }
    void SetUnitSymbol(const std::string& symbol) { m_unitSymbol = symbol; }
    bool IsEstimated() const { return m_isEstimated; }
    void SetIsEstimated(bool estimated) { m_isEstimated = estimated; }

    /// "zbt:Estimated" and "zbt:UnitSymbol"; the value is always sent as applicable.
    void CreateXMLNode(XmlNode<char>* node) const override;

protected:
    UnittedRealDataType() = default;
    explicit UnittedRealDataType(const XmlNode<char>* node);

private:
    std::string m_unitSymbol;
    bool m_isEstimated = false;
};

/// A range with an optional low and high bound.
class DORSA_EXPORT RangeDataType final : public RegisteredDataType<RangeDataType, UnittedRealDataType> {
public:
    static constexpr const char* s_nodeName = "RangeDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::RANGE_TYPE_STRING;
    /// Bits of GetRangeType().
    static constexpr unsigned s_lowBound = 1;
    static constexpr unsigned s_highBound = 2;

    RangeDataType() = default;

    double GetLow() const { return m_low; }
    double GetHigh() const { return m_high; }
    void SetLow(double low);
    void SetHigh(double high);
    void ClearLow();
    void ClearHigh();
    bool HasLowBound() const { return (m_rangeType & s_lowBound) != 0; }
    bool HasHighBound() const { return (m_rangeType & s_highBound) != 0; }
    unsigned GetRangeType() const { return m_rangeType; }
    bool IsEmptyRange() const { return m_rangeType == 0; }
    bool IsOpenEndedLow() const { return m_rangeType == s_lowBound; }
    bool IsOpenEndedHigh() const { return m_rangeType == s_highBound; }
    bool IsCompleteRange() const { return m_rangeType == (s_lowBound | s_highBound); }

    /// An absent bound is written as "NaN".
    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    friend class RegisteredDataType<RangeDataType, UnittedRealDataType>;
    explicit RangeDataType(const XmlNode<char>* node);

    unsigned m_rangeType = 0;
    double m_low = std::numeric_limits<double>::signaling_NaN();
    double m_high = std::numeric_limits<double>::signaling_NaN();
};

/**
 * @brief A point value: one or more numbers in one unit, each holding under given
 * parameter values ("PointDataValue").
 *
 * A plain property (a density, say) has one point and no parameters. A property measured
 * under conditions has one point per condition: AccessPoints() gives each number
 * (PointValueWithParameters::GetValue) with the parameter values it holds under, and
 * GetParameters() the parameters themselves. The unit is GetUnitSymbol(), shared by every
 * point; IsEstimated() tells an estimate. Reached from a reply through
 * AttributeValue::GetDataValue():
 *
 *     if (auto* point = dynamic_cast<PointDataType*>(value->GetDataValue().get())) {
 *         for (const SmartPtr<PointValueWithParameters>& number : point->AccessPoints()) ...
 *     }
 */
class DORSA_EXPORT PointDataType final : public RegisteredDataType<PointDataType, UnittedRealDataType> {
public:
    static constexpr const char* s_nodeName = "PointDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::POINT_TYPE_STRING;

    PointDataType() = default;

    SmartPtr<Parameters> GetParameters() const { return m_parameters; }
    void SetParameters(const SmartPtr<Parameters>& parameters) { m_parameters = parameters; }
    std::vector<SmartPtr<PointValueWithParameters>>& AccessPoints() { return m_points; }
    /// The point must not be null.
    void AddPoint(const SmartPtr<PointValueWithParameters>& point) { m_points.push_back(point); }

    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    friend class RegisteredDataType<PointDataType, UnittedRealDataType>;
    explicit PointDataType(const XmlNode<char>* node);

    SmartPtr<Parameters> m_parameters = new Parameters;
    std::vector<SmartPtr<PointValueWithParameters>> m_points;
};

} // namespace zvrtkDorsaServiceLayer
