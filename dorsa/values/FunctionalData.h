/**
 * @file
 * @brief Functional attribute values: a property as a function of parameters.
 *
 * Holds FloatFunctionalDataType, FloatFunctionalSeriesDataType and FloatFunctionalGriddedDataType.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/UnitDetails.h"
#include "dorsa/values/DataValue.h"
#include "dorsa/values/FunctionalParts.h"
#include "dorsa/values/Parameters.h"

namespace zvrtkDorsaServiceLayer {

/// A property as a function of parameters: its unit and the parameters it depends on.
class DORSA_EXPORT FloatFunctionalDataType : public IDataValue {
public:
    SmartPtr<UnitInformation> GetUnitInformation() const { return m_unit; }
    void SetUnitInformation(const SmartPtr<UnitInformation>& unit) { m_unit = unit; }
    SmartPtr<Parameters> GetParameters() const { return m_parameters; }
    void SetParameters(const SmartPtr<Parameters>& parameters) { m_parameters = parameters; }

    /// "zbt:Parameters" and "zbt:Unit"; the value is always sent as applicable.
    void CreateXMLNode(XmlNode<char>* node) const override;

protected:
    FloatFunctionalDataType() = default;
    explicit FloatFunctionalDataType(const XmlNode<char>* node);

private:
    SmartPtr<UnitInformation> m_unit = new UnitInformation;
    SmartPtr<Parameters> m_parameters = new Parameters;
};

/// The function as a graph of x-y series.
class DORSA_EXPORT FloatFunctionalSeriesDataType final
    : public RegisteredDataType<FloatFunctionalSeriesDataType, FloatFunctionalDataType> {
public:
    static constexpr const char* s_nodeName = "FloatFunctionalSeriesDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::FLOAT_FUNCTIONAL_SERIES_TYPE_STRING;

    FloatFunctionalSeriesDataType() = default;

    SmartPtr<FloatFunctionalSeriesGraph> GetGraph() const { return m_graph; }
    void SetGraph(const SmartPtr<FloatFunctionalSeriesGraph>& graph) { m_graph = graph; }

    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    friend class RegisteredDataType<FloatFunctionalSeriesDataType, FloatFunctionalDataType>;
    explicit FloatFunctionalSeriesDataType(const XmlNode<char>* node);

    SmartPtr<FloatFunctionalSeriesGraph> m_graph = new FloatFunctionalSeriesGraph;
};

/// The function as a flat list of values, each with its constraints.
class DORSA_EXPORT FloatFunctionalGriddedDataType final
    : public RegisteredDataType<FloatFunctionalGriddedDataType, FloatFunctionalDataType> {
public:
    static constexpr const char* s_nodeName = "FloatFunctionalGriddedDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::FLOAT_FUNCTIONAL_GRIDDED_TYPE_STRING;

    FloatFunctionalGriddedDataType() = default;

    SmartPtr<FloatFunctionalValues> GetValues() const { return m_values; }
    void SetValues(const SmartPtr<FloatFunctionalValues>& values) { m_values = values; }
    SmartPtr<ParameterInformation> GetDefaultXAxisParameter() const { return m_defaultXAxisParameter; }
    void SetDefaultXAxisParameter(const SmartPtr<ParameterInformation>& parameter) { m_defaultXAxisParameter = parameter; }
    GraphDecoration::eOptions GetDecoration() const { return m_decoration; }
    void SetDecoration(GraphDecoration::eOptions decoration) { m_decoration = decoration; }

    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    friend class RegisteredDataType<FloatFunctionalGriddedDataType, FloatFunctionalDataType>;
    explicit FloatFunctionalGriddedDataType(const XmlNode<char>* node);

    SmartPtr<FloatFunctionalValues> m_values;
    SmartPtr<ParameterInformation> m_defaultXAxisParameter;
    GraphDecoration::eOptions m_decoration = GraphDecoration::Unspecified;
};

} // namespace zvrtkDorsaServiceLayer
