/**
 * @file
 * @brief The parts functional values are made of: series, x-y data, constraints and gridded values.
 *
 * Holds GraphDecoration, Constraint, Constraints, XYDatum, XYPoint, XYRange, XYData, Series,
 * FloatFunctionalGraph, FloatFunctionalSeriesGraph, FloatFunctionalValue,
 * FloatFunctionalPointValue, FloatFunctionalRangeValue and FloatFunctionalValues.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/values/Parameters.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// How a series or a gridded value is drawn.
struct DORSA_EXPORT GraphDecoration {
    enum eOptions : int {
        Lines = 0,
        Markers = 1,
        LinesAndMarkers = 2,
        Unspecified = 3,
    };
    /// Exact texts; anything else is Unspecified.
    static eOptions FromString(const std::string& text);
    /// "Lines", "LinesAndMarkers", or "Markers" for every other option.
    static std::string ToString(eOptions option);
};

/// A fixed value of another parameter that a series or value holds under.
class DORSA_EXPORT Constraint final : public ParameterReferenceAndValue, public XmlReadable<Constraint> {
public:
    Constraint() = default;
    using XmlReadable<Constraint>::CreateOne;

    std::string GetLabel() const { return m_label; }
    void SetLabel(const std::string& label) { m_label = label; }

    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<Constraint>;
    explicit Constraint(const XmlNode<char>* node);

    std::string m_label;
};

/// The constraints a series or a gridded value holds under, in reply order.
class DORSA_EXPORT Constraints final : public SmartPtrTarget_ts, public XmlReadable<Constraints> {
public:
    Constraints() = default;

    std::vector<SmartPtr<Constraint>>& AccessConstraints() { return m_constraints; }
    void AddConstraint(const SmartPtr<Constraint>& constraint) { m_constraints.push_back(constraint); }

    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<Constraints>;
    explicit Constraints(const XmlNode<char>* node);

    std::vector<SmartPtr<Constraint>> m_constraints;
};

/// One x value of a series with its y: a number (XYPoint) or a range (XYRange).
class DORSA_EXPORT XYDatum : public SmartPtrTarget_ts {
public:
    enum eDataType : int {
        XYPoint = 0,
        XYRange = 1,
    };

    virtual void CreateXMLNode(XmlNode<char>* node) const;
    virtual eDataType GetType() const = 0;

    /// The x value.
    SmartPtr<ParameterValue> GetParameterValue() const { return m_parameterValue; }
    void SetParameterValue(const SmartPtr<ParameterValue>& value) { m_parameterValue = value; }
    bool GetIsEstimated() const { return m_isEstimated; }
    void SetIsEstimated(bool estimated) { m_isEstimated = estimated; }

protected:
    XYDatum() = default;
    explicit XYDatum(const XmlNode<char>* node);

private:
    SmartPtr<ParameterValue> m_parameterValue = new ParameterValue;
    bool m_isEstimated = false;
};

/// An x value with one y value.
class DORSA_EXPORT XYPoint final : public XYDatum, public XmlReadable<XYPoint> {
public:
    XYPoint() = default;

    double GetY() const { return m_y; }
    void SetY(double y) { m_y = y; }

    void CreateXMLNode(XmlNode<char>* node) const override;
    eDataType GetType() const override { return XYDatum::XYPoint; }

private:
    friend XmlReadable<XYPoint>;
    explicit XYPoint(const XmlNode<char>* node);

    double m_y = 0.0;
};

/// An x value with a range of y, lower to upper.
class DORSA_EXPORT XYRange final : public XYDatum, public XmlReadable<XYRange> {
public:
    XYRange() = default;

    double GetLowerY() const { return m_lowerY; }
    void SetLowerY(double y) { m_lowerY = y; }
    double GetUpperY() const { return m_upperY; }
    void SetUpperY(double y) { m_upperY = y; }

    void CreateXMLNode(XmlNode<char>* node) const override;
    eDataType GetType() const override { return XYDatum::XYRange; }

private:
    friend XmlReadable<XYRange>;
    explicit XYRange(const XmlNode<char>* node);

    double m_lowerY = 0.0;
    double m_upperY = 0.0;
};

/// The x-y data of one series.
class DORSA_EXPORT XYData final : public SmartPtrTarget_ts, public XmlReadable<XYData> {
public:
    /// GetType() of an empty list.
    static constexpr int s_noData = 2;

    XYData() = default;

    std::vector<SmartPtr<XYDatum>>& AccessXYPoints() { return m_points; }
    void AddXYPoint(const SmartPtr<XYDatum>& point) { m_points.push_back(point); }
    /// The type of the first datum, or s_noData.
    int GetType() const;
    static std::string GetTypeAsString(int type);

    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<XYData>;
    explicit XYData(const XmlNode<char>* node);

    std::vector<SmartPtr<XYDatum>> m_points;
};

/// One series of a graph: its data and the constraints it holds under.
class DORSA_EXPORT Series final : public SmartPtrTarget_ts, public XmlReadable<Series> {
public:
    Series() = default;

    SmartPtr<Constraints> GetConstraints() const { return m_constraints; }
    void SetConstraints(const SmartPtr<Constraints>& constraints) { m_constraints = constraints; }
    SmartPtr<XYData> GetXYPoints() const { return m_xyPoints; }
    void SetXYPoints(const SmartPtr<XYData>& points) { m_xyPoints = points; }
    GraphDecoration::eOptions GetDecoration() const { return m_decoration; }
    void SetDecoration(GraphDecoration::eOptions decoration) { m_decoration = decoration; }

    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<Series>;
    explicit Series(const XmlNode<char>* node);

    SmartPtr<Constraints> m_constraints = new Constraints;
    SmartPtr<XYData> m_xyPoints = new XYData;
    GraphDecoration::eOptions m_decoration = GraphDecoration::Markers;
};

/// The series of a functional value's graph, with how the graph is shown.
class DORSA_EXPORT FloatFunctionalGraph : public SmartPtrTarget_ts, public XmlReadable<FloatFunctionalGraph> {
public:
    FloatFunctionalGraph() = default;

    std::vector<SmartPtr<Series>>& AccessSeries() { return m_series; }
    void AddSeries(const SmartPtr<Series>& series) { m_series.push_back(series); }
    bool GetHideGraph() const { return m_hideGraph; }
    void SetHideGraph(bool hide) { m_hideGraph = hide; }
    bool GetLogarithmicYAxis() const { return m_logarithmicYAxis; }
    void SetLogarithmicYAxis(bool logarithmic) { m_logarithmicYAxis = logarithmic; }

    virtual void CreateXMLNode(XmlNode<char>* node) const;

protected:
    friend XmlReadable<FloatFunctionalGraph>;
    explicit FloatFunctionalGraph(const XmlNode<char>* node);

private:
    std::vector<SmartPtr<Series>> m_series;
    bool m_hideGraph = false;
    bool m_logarithmicYAxis = false;
};

/// A graph of series, with the parameter its x axis shows.
class DORSA_EXPORT FloatFunctionalSeriesGraph final : public FloatFunctionalGraph,
                                                      public XmlReadable<FloatFunctionalSeriesGraph> {
public:
    FloatFunctionalSeriesGraph() = default;
    using XmlReadable<FloatFunctionalSeriesGraph>::CreateOne;

    SmartPtr<ParameterInformation> GetXAxisParameter() const { return m_xAxisParameter; }
    void SetXAxisParameter(const SmartPtr<ParameterInformation>& parameter) { m_xAxisParameter = parameter; }

    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    friend XmlReadable<FloatFunctionalSeriesGraph>;
    explicit FloatFunctionalSeriesGraph(const XmlNode<char>* node);

    SmartPtr<ParameterInformation> m_xAxisParameter = new ParameterInformation;
};

/// One value of a gridded function: a number or a range, with its constraints.
class DORSA_EXPORT FloatFunctionalValue : public SmartPtrTarget_ts {
public:
    enum eType : int {
        None = 0,
        Point = 1,
        Range = 2,
    };

    virtual eType GetType() const = 0;
    virtual void CreateXMLNode(XmlNode<char>* node) const;
    /// The type name carried in "xsi:type".
    virtual std::string GetNodeType() const = 0;

    SmartPtr<Constraints> GetConstraints() const { return m_constraints; }
    void SetConstraints(const SmartPtr<Constraints>& constraints) { m_constraints = constraints; }
    bool GetEstimated() const { return m_estimated; }
    void SetEstimated(bool estimated) { m_estimated = estimated; }

protected:
    FloatFunctionalValue() = default;
    explicit FloatFunctionalValue(const XmlNode<char>* node);

private:
    SmartPtr<Constraints> m_constraints = new Constraints;
    bool m_estimated = false;
};

/// A gridded value that is one number ("xsi:type" FloatFunctionalPointValue).
class DORSA_EXPORT FloatFunctionalPointValue final : public FloatFunctionalValue,
                                                     public XmlReadable<FloatFunctionalPointValue> {
public:
    FloatFunctionalPointValue() = default;

    double GetValue() const { return m_value; }
    void SetValue(double value) { m_value = value; }

    eType GetType() const override { return Point; }
    void CreateXMLNode(XmlNode<char>* node) const override;
    std::string GetNodeType() const override { return "FloatFunctionalPointValue"; }

private:
    friend XmlReadable<FloatFunctionalPointValue>;
    explicit FloatFunctionalPointValue(const XmlNode<char>* node);

    double m_value = 0.0;
};

/// A gridded value that is a range, low to high ("xsi:type" FloatFunctionalRangedValue).
class DORSA_EXPORT FloatFunctionalRangeValue final : public FloatFunctionalValue,
                                                     public XmlReadable<FloatFunctionalRangeValue> {
public:
    FloatFunctionalRangeValue() = default;

    double GetLowValue() const { return m_low; }
    void SetLowValue(double low) { m_low = low; }
    double GetHighValue() const { return m_high; }
    void SetHighValue(double high) { m_high = high; }

    eType GetType() const override { return Range; }
    void CreateXMLNode(XmlNode<char>* node) const override;
    std::string GetNodeType() const override { return "FloatFunctionalRangedValue"; }

private:
    friend XmlReadable<FloatFunctionalRangeValue>;
    explicit FloatFunctionalRangeValue(const XmlNode<char>* node);

    double m_low = 0.0;
    double m_high = 0.0;
};

/// The values of a gridded function, points and ranges mixed, in reply order.
class DORSA_EXPORT FloatFunctionalValues final : public SmartPtrTarget_ts, public XmlReadable<FloatFunctionalValues> {
public:
    FloatFunctionalValues() = default;

    std::vector<SmartPtr<FloatFunctionalValue>>& AccessValues() { return m_values; }
    void AddValue(const SmartPtr<FloatFunctionalValue>& value) { m_values.push_back(value); }
    /// The type of the first value, or None.
    FloatFunctionalValue::eType GetType() const;

    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<FloatFunctionalValues>;
    explicit FloatFunctionalValues(const XmlNode<char>* node);

    std::vector<SmartPtr<FloatFunctionalValue>> m_values;
};

} // namespace zvrtkDorsaServiceLayer
