/**
 * @file
 * @brief Parameters and the values they take, as functional and point values carry them.
 *
 * Holds ParameterValue, ParameterReferenceAndValue, ParameterReferencesAndValues,
 * PointValueWithParameters, ParameterInformation, Parameters and DorsaParameterValue.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/browse/UnitDetails.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/references/ParameterReference.h"
#include "dorsa/references/RevisionInfo.h"
#include "dorsa/xml/XmlDom.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// The value of a parameter: a number, or a named discrete choice.
class DORSA_EXPORT ParameterValue final : public SmartPtrTarget_ts, public XmlReadable<ParameterValue> {
public:
    enum eParameterValueType : int {
        Numeric = 0,
        Discrete = 1,
    };

    ParameterValue() = default;

    eParameterValueType eGetType() const { return m_type; }
    std::string GetType() const { return TypeAsString(); }
    /// "Numeric", "Discrete", or "Unknown".
    std::string TypeAsString() const;
    /// Accepts exactly "Numeric" or "Discrete"; throws std::invalid_argument otherwise.
    void SetType(const std::string& type) { m_type = TypeFromString(type); }
    static eParameterValueType TypeFromString(const std::string& type);

    double GetValue_Numeric() const { return m_numeric; }
    std::string GetValue_Discrete() const { return m_discrete; }
    void SetValue_Numeric(double value);
    void SetValue_Discrete(const std::string& value);

    /// "xsi:type" naming the kind, and "zbt:Value".
    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<ParameterValue>;
    explicit ParameterValue(const XmlNode<char>* node);

    eParameterValueType m_type = Discrete;
    std::string m_discrete;
    double m_numeric = 0.0;
};

/// A parameter together with the value it takes.
class DORSA_EXPORT ParameterReferenceAndValue : public SmartPtrTarget_ts,
                                                public XmlReadable<ParameterReferenceAndValue> {
public:
    ParameterReferenceAndValue() = default;

    SmartPtr<ParameterReference> GetParameter() const { return m_parameter; }
    void SetParameter(const SmartPtr<ParameterReference>& parameter) { m_parameter = parameter; }
    SmartPtr<ParameterValue> GetValue() const { return m_value; }
    void SetValue(const SmartPtr<ParameterValue>& value) { m_value = value; }

    void CreateXMLNode(XmlNode<char>* node) const;

protected:
    friend XmlReadable<ParameterReferenceAndValue>;
    explicit ParameterReferenceAndValue(const XmlNode<char>* node);

private:
    SmartPtr<ParameterReference> m_parameter = new ParameterReference;
    SmartPtr<ParameterValue> m_value = new ParameterValue;
};

/// The parameter values one point holds under.
class DORSA_EXPORT ParameterReferencesAndValues final : public SmartPtrTarget_ts,
                                                        public XmlReadable<ParameterReferencesAndValues> {
public:
    ParameterReferencesAndValues() = default;

    std::vector<SmartPtr<ParameterReferenceAndValue>>& AccessParameterValues() { return m_items; }
    void AddParameterValue(const SmartPtr<ParameterReferenceAndValue>& item) { m_items.push_back(item); }

    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<ParameterReferencesAndValues>;
    explicit ParameterReferencesAndValues(const XmlNode<char>* node);

    std::vector<SmartPtr<ParameterReferenceAndValue>> m_items;
};

/// One number of a point value with the parameter values it holds under.
class DORSA_EXPORT PointValueWithParameters final : public SmartPtrTarget_ts,
                                                    public XmlReadable<PointValueWithParameters> {
public:
    PointValueWithParameters() = default;

    double GetValue() const { return m_value; }
    void SetValue(double value) { m_value = value; }
    SmartPtr<ParameterReferencesAndValues> GetParameters() const { return m_parameters; }
    void SetParameters(const SmartPtr<ParameterReferencesAndValues>& parameters) { m_parameters = parameters; }

    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<PointValueWithParameters>;
    explicit PointValueWithParameters(const XmlNode<char>* node);

    double m_value = 0.0;
    SmartPtr<ParameterReferencesAndValues> m_parameters = new ParameterReferencesAndValues;
};

/// A parameter: its reference, its name and its unit.
class DORSA_EXPORT ParameterInformation : public SmartPtrTarget_ts, public XmlReadable<ParameterInformation> {
public:
    ParameterInformation() = default;

    SmartPtr<ParameterReference> GetParameterReference() const { return m_parameterReference; }
    void SetParameterReference(const SmartPtr<ParameterReference>& reference) { m_parameterReference = reference; }
    std::string GetName() const { return m_name; }
    void SetName(const std::string& name) { m_name = name; }
    SmartPtr<UnitInformation> GetUnit() const { return m_unit; }
    void SetUnit(const SmartPtr<UnitInformation>& unit) { m_unit = unit; }

    void CreateXMLNode(XmlNode<char>* node) const;

protected:
    friend XmlReadable<ParameterInformation>;
    explicit ParameterInformation(const XmlNode<char>* node);

private:
    SmartPtr<ParameterReference> m_parameterReference = new ParameterReference;
    std::string m_name;
    SmartPtr<UnitInformation> m_unit = new UnitInformation;
};

/// The parameters a value depends on.
class DORSA_EXPORT Parameters final : public SmartPtrTarget_ts, public XmlReadable<Parameters> {
public:
    Parameters() = default;

    std::vector<SmartPtr<ParameterInformation>>& AccessParameters() { return m_parameters; }
    void AddParameter(const SmartPtr<ParameterInformation>& parameter) { m_parameters.push_back(parameter); }

    void CreateXMLNode(XmlNode<char>* node) const;

private:
    friend XmlReadable<Parameters>;
    explicit Parameters(const XmlNode<char>* node);

    std::vector<SmartPtr<ParameterInformation>> m_parameters;
};

/// One value a parameter may take, as parameter details list them. Read only.
class DORSA_EXPORT DorsaParameterValue final : public SmartPtrTarget_ts, public XmlReadable<DorsaParameterValue> {
public:
    DorsaParameterValue() = default;

    double GetValue() const { return m_value; }
    void SetValue(double value) { m_value = value; }
    std::string GetValueName() const { return m_valueName; }
    void SetValueName(const std::string& name) { m_valueName = name; }
    SmartPtr<RevisionInfo> GetRevisionInfo() const { return m_revisionInfo; }
    void SetRevisionInfo(const SmartPtr<RevisionInfo>& info) { m_revisionInfo = info; }

private:
    friend XmlReadable<DorsaParameterValue>;
    explicit DorsaParameterValue(const XmlNode<char>* node);

    double m_value = 0.0;
    std::string m_valueName;
    SmartPtr<RevisionInfo> m_revisionInfo;
};

} // namespace zvrtkDorsaServiceLayer
