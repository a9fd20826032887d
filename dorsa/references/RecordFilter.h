#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/references/SubsetReference.h"

#include <string>
#include <vector>

namespace zvrtkDorsaServiceLayer {

/// @brief Narrows a set of records to a named profile or to a list of subsets, never both.
class DORSA_EXPORT RecordFilter final : public SmartPtrTarget_ts {
public:
    RecordFilter() = default;
    static SmartPtr<RecordFilter> CreateOne() { return new RecordFilter; }

    std::vector<SmartPtr<SubsetReference>>& AccessSubsets() { return m_subsets; }
    void SetSubsets(const std::vector<SmartPtr<SubsetReference>>& subsets) { m_subsets = subsets; }
    void AddSubset(const SmartPtr<SubsetReference>& subset) { m_subsets.push_back(subset); }
    std::string GetProfile() const { return m_profile; }
    void SetProfile(const std::string& profile) { m_profile = profile; }

    /// @brief Into the element the caller made: "zbt:Profile" with its "zbt:Key", or
    /// "zbt:subsetReferences"; nothing when neither or both are set.
    void CreateXMLNode(XmlNode<char>* element) const;

private:
    std::vector<SmartPtr<SubsetReference>> m_subsets;
    std::string m_profile;
};

} // namespace zvrtkDorsaServiceLayer
