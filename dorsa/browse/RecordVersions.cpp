#include "dorsa/browse/RecordVersions.h"
#include "dorsa/xml/EnumTable.h"
#include "dorsa/xml/XmlBinding.h"

namespace zvrtkDorsaServiceLayer {

namespace {

using State = RecordVersionState;
const EnumName<State::eVersionState> s_states[] = {
    {State::Released, "Released"},     {State::Superseded, "Superseded"},   {State::Withdrawn, "Withdrawn"},
    {State::Unreleased, "Unreleased"}, {State::Unversioned, "Unversioned"},
};

using Selector = GetRecordVersionsRequest;
const EnumName<Selector::eVersionSelector> s_selectors[] = {
    {Selector::LatestRead, "LatestRead"},
    {Selector::Latest, "Latest"},
    {Selector::AllReleased, "AllReleased"},
    {Selector::All, "All"},
};

} // namespace

std::string RecordVersionState::VersionState_ToString(eVersionState state)
{
    return EnumToString(s_states, state);
}

RecordVersionState::eVersionState RecordVersionState::VersionState_FromString(const std::string& text)
{
    return EnumFromString(s_states, text, Unrecognised);
}

RecordVersionState::RecordVersionState(const XmlNode<char>* node)
{
    ReadObject(node, "record", m_record);
    if (const XmlNode<char>* state = FindChildElement("versionState", node)) {
        m_version = VersionState_FromString(GetText(state));
    }
}

std::string GetRecordVersionsRequest::VersionSelector_ToString(eVersionSelector selector)
{
    return EnumToString(s_selectors, selector);
}

void GetRecordVersionsRequest::CreateXMLNode(XmlNode<char>* element) const
{
    XmlDocument<char>* document = GetOwnerDocument(element);
    WriteText(element, document, "brow:versions", VersionSelector_ToString(m_versions));
    WriteReferenceList(element, document, "zbt:recordReferences", "zbt:record", m_records);
}

GetRecordVersionsResponse::GetRecordVersionsResponse(const XmlNode<char>* node)
{
    ReadObjectList(node, "recordVersionStates", "recordVersionState", m_recordStates);
}

} // namespace zvrtkDorsaServiceLayer
