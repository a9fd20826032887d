#include "dorsa/search/CriteriaSearch.h"
#include "dorsa/search/SearchWritingPrivate.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

void RecordSearchCriterion::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteObject(element, document, "sear:searchAttribute", m_searchAttribute);
    if (m_searchValue) {
        detail::WriteSearchValue(WriteContainer(element, document, "sear:searchValue"), m_searchValue.get());
    }
}

void CriteriaSearch::AddSearchCriterion(const SmartPtr<RecordSearchCriterion>& criterion)
{
    if (criterion) {
        m_criteria.push_back(criterion);
    }
}

void CriteriaSearch::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteText(element, document, "sear:dbKey", m_dbKey);
    WriteEachObject(element, document, "sear:recordSearchCriterion", m_criteria);
    detail::WriteSearchScope(element, m_searchFilter, m_searchMode, m_populateGUIDs, m_recordFilter);
}

} // namespace zvrtkDorsaServiceLayer
