/**
 * @file
 * @brief What every attribute value is, and the registry that reads values by their element name.
 *
 * Holds AttributeTypes, IDataValue, StringAHashI, StringACompareI, DataValueFactoryNew,
 * TypedDataValueFactory, ContainedDataValueFactory and RegisteredDataType.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/platform/SmartPtr.h"
#include "dorsa/xml/XmlDom.h"

#include <cstddef>
#include <functional>
#include <map>
#include <string>
#include <unordered_map>

namespace zvrtkDorsaServiceLayer {

/// The type codes by which the server names attribute data types. Constants only, in every
/// module of its own: not exported, since a Windows DLL does not export inline members and a
/// host would look for them in its import table.
struct AttributeTypes {
    static constexpr const char* POINT_TYPE_STRING = "POIN";
    static constexpr const char* RANGE_TYPE_STRING = "RNGE";
    static constexpr const char* FLOAT_FUNCTIONAL_TYPE_STRING = "FUNC";
    static constexpr const char* INTEGER_TYPE_STRING = "INPT";
    static constexpr const char* LOGICAL_TYPE_STRING = "LOGI";
    static constexpr const char* DISCRETE_TYPE_STRING = "DISC";
    static constexpr const char* SHORT_TEXT_TYPE_STRING = "STXT";
    static constexpr const char* LONG_TEXT_TYPE_STRING = "LTXT";
    static constexpr const char* DATE_TIME_TYPE_STRING = "DTTM";
    static constexpr const char* HYPERLINK_TYPE_STRING = "HLNK";
    static constexpr const char* PICTURE_TYPE_STRING = "PICT";
    static constexpr const char* FILE_TYPE_STRING = "FILE";
    static constexpr const char* DISCRETE_FUNCTIONAL_TYPE_STRING = "DSFN";
    static constexpr const char* MATHS_FUNCTIONAL_TYPE_STRING = "MAFN";
    static constexpr const char* TABULAR_TYPE_STRING = "TABL";
    static constexpr const char* LIST_TYPE_STRING = "LIST";
    static constexpr const char* EMPTY_TYPE_STRING = "EMPT";
    static constexpr const char* LINK_TYPE_STRING = "LINK";
    static constexpr const char* FLOAT_FUNCTIONAL_SERIES_TYPE_STRING = "FLOAT_FUNCTIONAL_SERIES";
    static constexpr const char* FLOAT_FUNCTIONAL_GRIDDED_TYPE_STRING = "FLOAT_FUNCTIONAL_GRIDDED";
};

/// @brief An attribute value of any data type, as read from a reply or built for import.
class DORSA_EXPORT IDataValue : public SmartPtrTarget_ts {
public:
    ~IDataValue() override = default;

    /// Fills `node`, an element the caller made and named, with the value's import form.
    virtual void CreateXMLNode(XmlNode<char>* node) const = 0;
    /// Local name of the element this type arrives in.
    virtual std::string GetNodeName() const = 0;
    virtual std::string GetTypeString() const = 0;
    /// Local name of the element this type is imported in.
    virtual std::string GetImportNodeName() const { return GetNodeName(); }

    bool IsApplicable() const { return !m_notApplicable; }
    bool IsFallback() const { return m_fallback; }
    bool IsDataVersionAvailable() const { return m_versionAvailable; }
    int GetDataVersionNo() const { return m_dataVersionNumber; }

protected:
    IDataValue() = default;
    IDataValue(const IDataValue&) = default;
    IDataValue& operator=(const IDataValue&) = default;

    /// Reads the XML attributes "isNotApplicable", "dataVersionNumber" and "isFallback" of `node`.
    void LoadCommonAttributes(const XmlNode<char>* node);

private:
    int m_dataVersionNumber = -1;
    bool m_notApplicable = false;
    bool m_fallback = false;
    bool m_versionAvailable = false;
};

/// Type codes compare without regard to letter case: the registry's hash and equality.
struct DORSA_EXPORT StringAHashI {
    std::size_t operator()(const std::string& text) const;
};
/// Equality of type codes without regard to letter case (the registry's key comparison).
struct DORSA_EXPORT StringACompareI {
    bool operator()(const std::string& a, const std::string& b) const;
};

/// @brief Makes data values of one type code; the registry finds it by that code.
class DORSA_EXPORT DataValueFactoryNew {
public:
    using Registry = std::unordered_map<std::string, DataValueFactoryNew*, StringAHashI, StringACompareI>;

    virtual ~DataValueFactoryNew() = default;

    /// A value of the type registered under `typeCode` (any letter case), or null.
    static SmartPtr<IDataValue> CreateOne(const std::string& typeCode, const XmlNode<char>* node);

    const std::string& GetName() const { return m_name; }

    /// Factories by type code; filled at start-up, emptied at shutdown. Does not own them.
    static Registry s_factories;

protected:
    explicit DataValueFactoryNew(const char* name) : m_name(name) {}
    DataValueFactoryNew(const DataValueFactoryNew& other) = default;

    virtual SmartPtr<IDataValue> CreateInstance(const XmlNode<char>* node) const = 0;
    /// The first factory registered under a code wins.
    void Register();
    /// Removes whatever is registered under this factory's code.
    void Unregister();

private:
    std::string m_name;
};

template <class T>
/// The factory of one registered data type T: registers itself under T's type code when made.
class TypedDataValueFactory final : public DataValueFactoryNew {
public:
    explicit TypedDataValueFactory(const char* name) : DataValueFactoryNew(name) { Register(); }
    /// A copy takes the name only; it is not registered.
    TypedDataValueFactory(const TypedDataValueFactory& other) : DataValueFactoryNew(other) {}
    TypedDataValueFactory& operator=(const TypedDataValueFactory&) = delete;
    ~TypedDataValueFactory() override { Unregister(); }

protected:
    SmartPtr<IDataValue> CreateInstance(const XmlNode<char>* node) const override { return T::CreateOne(node); }
};

/// @brief Maps the element names a value may arrive under to type codes (exact match).
class DORSA_EXPORT ContainedDataValueFactory final {
public:
    void RegisterType(const std::string& elementName, const std::string& typeCode);
    /// Registers each {element name, type code} pair of `table`, in order.
    template <std::size_t N>
    void RegisterTypes(const char* const (&table)[N][2])
    {
        for (const auto& row : table) {
            RegisterType(row[0], row[1]);
        }
    }
    /// The value `node` holds, by its local name; stores the type code found in
    /// `typeCodeOut` (may be null). Null for a name not in the table.
    SmartPtr<IDataValue> CreateOne(const XmlNode<char>* node, std::string* typeCodeOut) const;

private:
    // Ordered with a transparent comparison, so that a name is looked up where it lies.
    std::map<std::string, std::string, std::less<>> m_typeCodes;
};

/**
 * @brief What every registered data type shares: its factory in the registry, its
 * start-up and shutdown, and its CreateOne. T names its element and type code in
 * `s_nodeName` and `s_typeCode` and befriends this base for its constructor from XML.
 */
template <class T, class Base = IDataValue>
class DORSA_EXPORT RegisteredDataType : public Base {
public:
    inline static TypedDataValueFactory<T>* s_factory = nullptr;

    /// Makes and registers the factory; a second call before StaticShutdown does nothing.
    static void StaticInit()
    {
        if (!s_factory) {
            s_factory = new TypedDataValueFactory<T>(T::s_typeCode);
        }
    }
    static void StaticShutdown()
    {
        delete s_factory;
        s_factory = nullptr;
    }
    static SmartPtr<T> CreateOne(const XmlNode<char>* node) { return node ? new T(node) : nullptr; }

    std::string GetNodeName() const override { return T::s_nodeName; }
    std::string GetTypeString() const override { return T::s_typeCode; }

protected:
    using Base::Base;
};

} // namespace zvrtkDorsaServiceLayer
