/**
 * @file
 * @brief The domain of a functional attribute's graph: the range each parameter spans.
 *
 * Holds ParameterDomain and GraphDomain.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/values/Parameters.h"
#include "dorsa/xml/XmlReadable.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief The values one parameter takes in a graph.
class DORSA_EXPORT ParameterDomain final : public SmartPtrTarget_ts, public XmlReadable<ParameterDomain> {
public:
    ParameterDomain() = default;

    const std::vector<SmartPtr<ParameterValue>>& GetValues() const { return m_values; }
    bool GetInterpolable() const { return m_interpolable; }
    std::string GetExporterParameterId() const { return m_exporterParameterId; }

private:
    friend XmlReadable<ParameterDomain>;
    explicit ParameterDomain(const XmlNode<char>* node);

    std::vector<SmartPtr<ParameterValue>> m_values;
    bool m_interpolable = false;
    std::string m_exporterParameterId;
};

/// @brief The parameter domains of a functional attribute's graph.
class DORSA_EXPORT GraphDomain final : public SmartPtrTarget_ts, public XmlReadable<GraphDomain> {
public:
    GraphDomain() = default;

    const std::vector<SmartPtr<ParameterDomain>>& GetParameterDomains() const { return m_parameterDomains; }

private:
    friend XmlReadable<GraphDomain>;
    explicit GraphDomain(const XmlNode<char>* node);

    std::vector<SmartPtr<ParameterDomain>> m_parameterDomains;
};

} // namespace zvrtkDorsaServiceLayer
