#pragma once

#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/XmlBinding.h"
#include "dorsa/xml/XmlDom.h"

namespace zvrtkDorsaServiceLayer {

/**
 * @brief Gives a class read from a reply its `CreateOne`: null for a null element, else
 * the object read from it. The class reads itself in a constructor taking the element and
 * befriends this base:
 *
 *     class SubsetDetail final : public SmartPtrTarget_ts, public XmlReadable<SubsetDetail> {
 *         friend XmlReadable<SubsetDetail>;
 *         explicit SubsetDetail(const XmlNode<char>* node);
 *
 * A class whose base has a CreateOne of its own names this one with a using-declaration.
 */
template <class T>
class XmlReadable {
public:
    static SmartPtr<T> CreateOne(const XmlNode<char>* node) { return node ? SmartPtr<T>(new T(node)) : SmartPtr<T>(); }
};

} // namespace zvrtkDorsaServiceLayer
