#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/TextForms.h"
#include "dorsa/xml/XmlDom.h"

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace zvrtkDorsaServiceLayer {

// Finding. Names match by local name (after the first ':'), byte for byte; prefixes
// are never resolved. A null node finds nothing.
DORSA_EXPORT std::string GetLocalName(const XmlNode<char>* node);
DORSA_EXPORT std::string GetLocalName(const XmlAttribute<char>* attribute);
/// The local name where it lies in the document, for lookups that need no copy.
DORSA_EXPORT std::string_view LocalNameView(const XmlNode<char>* node);
DORSA_EXPORT XmlNode<char>* FindChildElement(std::string_view localName, const XmlNode<char>* parent);
DORSA_EXPORT std::vector<XmlNode<char>*> FindChildElements(std::string_view localName, const XmlNode<char>* parent);
/// The next sibling element after `element` with this local name, or null.
DORSA_EXPORT XmlNode<char>* FindNextSiblingElement(std::string_view localName, const XmlNode<char>* element);
/// The first child that is an element, whatever its name.
DORSA_EXPORT XmlNode<char>* FirstChildElement(const XmlNode<char>* parent);
DORSA_EXPORT XmlAttribute<char>* FindAttribute(std::string_view localName, const XmlNode<char>* element);
/// Text of the element, "" for a null element or one without text.
DORSA_EXPORT std::string GetText(const XmlNode<char>* element);
DORSA_EXPORT std::string GetText(const XmlAttribute<char>* attribute);
/// The same text where it lies in the document, valid while the document is.
DORSA_EXPORT std::string_view TextView(const XmlNode<char>* element);
DORSA_EXPORT std::string_view TextView(const XmlAttribute<char>* attribute);

// Making and linking. Names and texts are copied into the document's pool.
DORSA_EXPORT XmlDocument<char>* GetOwnerDocument(const XmlNode<char>* node);
DORSA_EXPORT XmlNode<char>* CreateTextElement(const std::string& name, const std::string& text, XmlDocument<char>* document);
DORSA_EXPORT XmlAttribute<char>* CreateTextAttribute(const std::string& name, const std::string& text,
                                                     XmlDocument<char>* document);
DORSA_EXPORT XmlAttribute<char>* CreateTextAttribute(const std::string& name, int value, XmlDocument<char>* document);
DORSA_EXPORT void AppendChild(XmlNode<char>* parent, XmlNode<char>* child);
DORSA_EXPORT void AppendAttribute(XmlNode<char>* element, XmlAttribute<char>* attribute);
DORSA_EXPORT std::string WithBaseTypesPrefix(const std::string& localName);

// Field writing: each appends one element `name` to `parent`. They write nothing
// when the parent or the document is missing.
DORSA_EXPORT XmlNode<char>* WriteText(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& name,
                                      const std::string& text);
DORSA_EXPORT XmlNode<char>* WriteInt(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& name,
                                     int value);
/// Sets the element's own text.
DORSA_EXPORT void WriteOwnText(XmlNode<char>* element, XmlDocument<char>* document, const std::string& text);
/// Appends the attribute `name` with `text` to `element`.
DORSA_EXPORT void WriteAttribute(XmlNode<char>* element, XmlDocument<char>* document, const std::string& name,
                                 const std::string& text);
/// An element with empty text, appended and ready to be filled.
DORSA_EXPORT XmlNode<char>* WriteContainer(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& name);

template <class T>
void WriteObject(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& name, const SmartPtr<T>& field)
{
    if (field) {
        if (XmlNode<char>* container = WriteContainer(parent, document, name)) {
            field->CreateXMLNode(container);
        }
    }
}

/// Like WriteObject, but the container is written also for a null field, left empty.
template <class T>
void WriteObjectOrEmpty(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& name,
                        const SmartPtr<T>& field)
{
    XmlNode<char>* container = WriteContainer(parent, document, name);
    if (container && field) {
        field->CreateXMLNode(container);
    }
}

/// One element `entryName` per item, each filled by the item.
template <class T>
void WriteEachObject(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& entryName,
                     const std::vector<SmartPtr<T>>& list)
{
    for (const SmartPtr<T>& entry : list) {
        WriteObject(parent, document, entryName, entry);
    }
}

/// One element `entryName` per plain value of the list, each filled by the value.
template <class T>
void WriteEachValue(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& entryName,
                    const std::vector<T>& list)
{
    for (const T& entry : list) {
        if (XmlNode<char>* container = WriteContainer(parent, document, entryName)) {
            entry.CreateXMLNode(container);
        }
    }
}

/// The container is written also for an empty list; a null entry is written empty, so
/// the server refuses it by position instead of the host crashing here.
template <class T>
void WriteReferenceList(XmlNode<char>* parent, XmlDocument<char>* document, const std::string& listName,
                        const std::string& entryName, const std::vector<SmartPtr<T>>& list)
{
    XmlNode<char>* container = WriteContainer(parent, document, listName);
    if (!container) {
        return;
    }
    for (const SmartPtr<T>& entry : list) {
        WriteObjectOrEmpty(container, document, entryName, entry);
    }
}

// Field reading: each leaves the field as it is when the parent or the element is missing.
DORSA_EXPORT void ReadText(const XmlNode<char>* parent, std::string& field, std::string_view localName);
DORSA_EXPORT void ReadInt(const XmlNode<char>* parent, int& field, std::string_view localName);
DORSA_EXPORT void ReadDouble(const XmlNode<char>* parent, double& field, std::string_view localName);
DORSA_EXPORT void ReadBool(const XmlNode<char>* parent, bool& field, std::string_view localName);
/// The same for an attribute of `element`.
DORSA_EXPORT void ReadAttribute(const XmlNode<char>* element, std::string& field, std::string_view localName);
DORSA_EXPORT void ReadIntAttribute(const XmlNode<char>* element, int& field, std::string_view localName);
DORSA_EXPORT void ReadBoolAttribute(const XmlNode<char>* element, bool& field, std::string_view localName);

template <class T>
void ReadObject(const XmlNode<char>* parent, std::string_view localName, SmartPtr<T>& field)
{
    if (const XmlNode<char>* element = FindChildElement(localName, parent)) {
        field = T::CreateOne(element);
    }
}

template <class T>
void ReadObjectList(const XmlNode<char>* parent, std::string_view localName, std::vector<SmartPtr<T>>& out)
{
    for (const XmlNode<char>* element = FindChildElement(localName, parent); element;
         element = FindNextSiblingElement(localName, element)) {
        if (SmartPtr<T> item = T::CreateOne(element)) {
            out.push_back(std::move(item));
        }
    }
}

/// Every child `localName` of the container `containerName` inside `parent`.
template <class T>
void ReadObjectList(const XmlNode<char>* parent, std::string_view containerName, std::string_view localName,
                    std::vector<SmartPtr<T>>& out)
{
    ReadObjectList(FindChildElement(containerName, parent), localName, out);
}

/// Every child `localName` of the container `containerName` inside `parent`, read into
/// plain values by their constructor from the element.
template <class T>
void ReadValueList(const XmlNode<char>* parent, std::string_view containerName, std::string_view localName,
                   std::vector<T>& out)
{
    const XmlNode<char>* container = FindChildElement(containerName, parent);
    for (const XmlNode<char>* element = FindChildElement(localName, container); element;
         element = FindNextSiblingElement(localName, element)) {
        out.emplace_back(element);
    }
}

DORSA_EXPORT void ReadTextList(const XmlNode<char>* parent, std::string_view localName, std::vector<std::string>& out);
DORSA_EXPORT void ReadTextList(const XmlNode<char>* parent, std::string_view containerName,
                               std::string_view itemName, std::vector<std::string>& out);

} // namespace zvrtkDorsaServiceLayer
