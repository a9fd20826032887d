/**
 * @file
 * @brief Binary attribute values: pictures and files.
 *
 * Holds BinaryDataType, PictureDataType and FileDataType.
 */
#pragma once

#include "dorsa/DorsaExport.h"
#include "dorsa/values/DataValue.h"

#include <string>

namespace zvrtkDorsaServiceLayer {

/// Binary content, carried as Base64 text, with its MIME type and where it can be fetched.
class DORSA_EXPORT BinaryDataType : public IDataValue {
public:
    std::string GetContentType() const { return m_contentType; }
    void SetContentType(const std::string& contentType) { m_contentType = contentType; }
    std::string GetURL() const { return m_url; }
    void SetURL(const std::string& url) { m_url = url; }
    /// The content's bytes; empty when there is none.
    std::string GetData() const;
    void SetData(const std::string& bytes);

    /// "zbt:data" and "zbt:contentType"; the URL is not sent.
    void CreateXMLNode(XmlNode<char>* node) const override;

protected:
    BinaryDataType() = default;
    explicit BinaryDataType(const XmlNode<char>* node);

private:
    std::string m_contentType;
    std::string m_base64Data;
    std::string m_url;
};

/// A picture ("PictureDataValue"): binary content with its MIME type.
class DORSA_EXPORT PictureDataType final : public RegisteredDataType<PictureDataType, BinaryDataType> {
public:
    static constexpr const char* s_nodeName = "PictureDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::PICTURE_TYPE_STRING;
    PictureDataType() = default;

private:
    friend class RegisteredDataType<PictureDataType, BinaryDataType>;
    explicit PictureDataType(const XmlNode<char>* node) : RegisteredDataType(node) {}
};

/// A file ("FileDataValue"): binary content with its MIME type, file name and description.
class DORSA_EXPORT FileDataType final : public RegisteredDataType<FileDataType, BinaryDataType> {
public:
    static constexpr const char* s_nodeName = "FileDataValue";
    static constexpr const char* s_typeCode = AttributeTypes::FILE_TYPE_STRING;
    FileDataType() = default;

    std::string GetFileName() const { return m_fileName; }
    void SetFileName(const std::string& name) { m_fileName = name; }
    std::string GetDescription() const { return m_description; }
    void SetDescription(const std::string& description) { m_description = description; }

    void CreateXMLNode(XmlNode<char>* node) const override;

private:
    friend class RegisteredDataType<FileDataType, BinaryDataType>;
    explicit FileDataType(const XmlNode<char>* node);

    std::string m_fileName;
    std::string m_description;
};

} // namespace zvrtkDorsaServiceLayer
