#include "dorsa/ServiceLayer.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

SmartPtr<RecordReference> Record(int identity, const std::string& guid, const std::string& historyGuid)
{
    SmartPtr<RecordReference> record = new RecordReference;
    record->SetDBKey(identity == 0 ? "" : "DORSA_SAMPLES");
    record->SetIdentity(identity);
    record->SetRecordGUID(guid);
    record->SetHistoryGUID(historyGuid);
    return record;
}

SmartPtr<AttributeReference> Attribute(int id, const std::string& name, bool standard, const char* table)
{
    SmartPtr<AttributeReference> attribute = new AttributeReference;
    attribute->SetDBKey("DB");
    attribute->SetAttributeID(id);
    attribute->SetName(name);
    attribute->SetIsStandardName(standard);
    if (table) {
        attribute->SetPartialTableReference(PartialTableReference::CreateOneFromTableName(table));
    }
    return attribute;
}

SmartPtr<AttributeReference> Pseudo(int value)
{
    SmartPtr<AttributeReference> attribute = Attribute(9, "Density", false, "Metals");
    attribute->MakePseudoAttribute(value);
    return attribute;
}

SmartPtr<SubsetReference> Subset(int identity, const std::string& name, bool keepTable)
{
    SmartPtr<SubsetReference> subset = new SubsetReference;
    subset->SetSubsetIdentity(identity);
    subset->SetName(name);
    if (!keepTable) {
        subset->SetPartialTableReference(nullptr);
    }
    return subset;
}

SmartPtr<RecordLinkGroupReference> LinkGroup(int identity, const std::string& type, bool standard)
{
    SmartPtr<RecordLinkGroupReference> group = new RecordLinkGroupReference;
    group->SetRecordLinkGroupIdentity(identity);
    group->SetRecordLinkGroupType(type);
    group->SetName("Welds");
    group->SetStandard(standard);
    return group;
}

SmartPtr<ParameterReference> Parameter(int id, const std::string& name)
{
    SmartPtr<ParameterReference> parameter = new ParameterReference;
    parameter->SetID(id);
    parameter->SetName(name);
    return parameter;
}

SmartPtr<TableReference> Table()
{
    SmartPtr<TableReference> table = new TableReference;
    table->SetTableID(3);
    table->SetTableGUID("g-3");
    table->SetTableName("Metals");
    table->SetDBKey("DORSA_SAMPLES");
    return table;
}

struct WriteCase {
    const char* name;
    std::function<std::string()> write;
    std::string expected;
};

TEST(References, WriteTheirExactForms)
{
    const WriteCase cases[] = {
        {"record by identity", [] { return Written(*Record(5, "", "")); },
         "<zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity><zbt:recordHistoryIdentity>5</zbt:recordHistoryIdentity>"
         "</zbt:identity>"},
        {"record with everything", [] { return Written(*Record(5, "r-1", "h-1")); },
         "<zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity><zbt:recordHistoryIdentity>5</zbt:recordHistoryIdentity>"
         "</zbt:identity><zbt:recordGUID>r-1</zbt:recordGUID><zbt:recordHistoryGUID>h-1</zbt:recordHistoryGUID>"},
        {"empty record", [] { return Written(*Record(0, "", "")); }, "<zbt:dbKey/>"},
        {"attribute by identity and name", [] { return Written(*Attribute(12, "Density", false, "Metals")); },
         "<zbt:dbKey>DB</zbt:dbKey><zbt:attributeIdentity>12</zbt:attributeIdentity>"},
        {"attribute by name in a table", [] { return Written(*Attribute(0, "Density", false, "Metals")); },
         "<zbt:dbKey>DB</zbt:dbKey><zbt:name zbt:isStandard=\"false\"><zbt:table><zbt:tableName>Metals</zbt:tableName>"
         "</zbt:table><zbt:attributeName>Density</zbt:attributeName></zbt:name>"},
        {"attribute by standard name", [] { return Written(*Attribute(0, "Density", true, "Metals")); },
         "<zbt:dbKey>DB</zbt:dbKey><zbt:name zbt:isStandard=\"true\"><zbt:attributeName>Density</zbt:attributeName>"
         "</zbt:name>"},
        {"attribute without identity or name", [] { return Written(*Attribute(0, "", false, "Metals")); },
         "<zbt:dbKey>DB</zbt:dbKey>"},
        {"pseudo attribute", [] { return Written(*Pseudo(AttributeReference::PseudoAttrs::recordType)); },
         "<zbt:name zbt:isStandard=\"true\"><zbt:pseudo>recordType</zbt:pseudo></zbt:name>"},
        {"past the last pseudo attribute", [] { return Written(*Pseudo(21)); },
         "<zbt:dbKey>DB</zbt:dbKey><zbt:attributeIdentity>9</zbt:attributeIdentity>"},
        {"new subset by name", [] { return Written(*Subset(0, "Steels", true)); },
         "<zbt:dbKey/><zbt:name><zbt:table/><zbt:subsetName>Steels</zbt:subsetName></zbt:name>"},
        {"subset without table", [] { return Written(*Subset(0, "", false)); },
         "<zbt:dbKey/><zbt:name><zbt:subsetName/></zbt:name>"},
        {"subset by identity", [] { return Written(*Subset(3, "Steels", true)); },
         "<zbt:dbKey/><zbt:subsetIdentity>3</zbt:subsetIdentity>"},
        {"link group by identity", [] { return Written(*LinkGroup(7, "dynamic", false)); },
         "<zbt:dbKey/><zbt:recordLinkGroupIdentity zbt:recordLinkGroupType=\"dynamic\">7</zbt:recordLinkGroupIdentity>"},
        {"link group of unknown type", [] { return Written(*LinkGroup(7, "Dynamic", false)); },
         "<zbt:dbKey/><zbt:recordLinkGroupIdentity zbt:recordLinkGroupType=\"Unknown\">7</zbt:recordLinkGroupIdentity>"},
        {"link group by name", [] { return Written(*LinkGroup(0, "static", false)); },
         "<zbt:dbKey/><zbt:name><zbt:table/><zbt:recordLinkGroupName zbt:isStandard=\"false\">Welds"
         "</zbt:recordLinkGroupName></zbt:name>"},
        {"link group by standard name", [] { return Written(*LinkGroup(0, "static", true)); },
         "<zbt:dbKey/><zbt:name><zbt:recordLinkGroupName zbt:isStandard=\"true\">Welds</zbt:recordLinkGroupName>"
         "</zbt:name>"},
        {"parameter by identity", [] { return Written(*Parameter(4, "Temperature")); },
         "<zbt:dbKey/><zbt:parameterIdentity>4</zbt:parameterIdentity>"},
        {"parameter by name", [] { return Written(*Parameter(0, "Temperature")); },
         "<zbt:dbKey/><zbt:name>Temperature</zbt:name>"},
        {"parameter without either", [] { return Written(*Parameter(0, "")); }, "<zbt:dbKey/>"},
        {"partial table by name", [] { return Written(*PartialTableReference::CreateOneFromTableName("Metals")); },
         "<zbt:tableName>Metals</zbt:tableName>"},
        {"empty partial table", [] { return Written(PartialTableReference()); }, ""},
        {"table with everything", [] { return Written(*Table()); },
         "<zbt:tableIdentity>3</zbt:tableIdentity><zbt:tableGUID>g-3</zbt:tableGUID><zbt:tableName>Metals"
         "</zbt:tableName><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey>"},
        {"named attribute without reference", [] {
             NamedAttribute named;
             named.SetName("Density");
             return Written(named);
         },
         "<zbt:attribute/><zbt:name>Density</zbt:name>"},
        {"named subset, default", [] {
             NamedSubset named;
             named.SetName("Steels");
             return Written(named);
         },
         "<zbt:name><zbt:table/><zbt:subsetName>Steels</zbt:subsetName></zbt:name>"},
        {"named subset of a subset", [] {
             NamedSubset named;
             SmartPtr<SubsetReference> subset = Subset(8, "Other name", true);
             subset->SetDBKey("DORSA_SAMPLES");
             subset->GetPartialTableReference()->SetTableID(2);
             named.SetSubset(subset);
             named.SetName("Steels");
             return Written(named);
         },
         "<zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:name><zbt:table><zbt:tableIdentity>2</zbt:tableIdentity></zbt:table>"
         "<zbt:subsetName>Steels</zbt:subsetName></zbt:name>"},
    };
    for (const WriteCase& c : cases) {
        EXPECT_EQ(c.write(), c.expected) << c.name;
    }
}

TEST(References, WriteNothingOutsideADocument)
{
    XmlDocument<char> document;
    XmlNode<char>* loose = CreateTextElement("loose", "", &document);
    Record(5, "g", "h")->CreateXMLNode(loose);
    Table()->CreateXMLNode(loose);
    EXPECT_EQ(loose->first_node(), nullptr);
}

TEST(References, ReadAttributeReferencesUnderAnyPrefix)
{
    Fragment fragment("<a:attribute><x:dbKey>DB</x:dbKey><y:attributeIdentity>4</y:attributeIdentity>"
                      "<name isStandard=\"TRUE\"><table><tableName>Metals</tableName><tableIdentity>2</tableIdentity>"
                      "</table><attributeName>Density</attributeName></name></a:attribute>");
    const SmartPtr<AttributeReference> attribute = AttributeReference::CreateOne(fragment.Root());
    EXPECT_EQ(attribute->GetDBKey(), "DB");
    EXPECT_EQ(attribute->GetAttributeID(), 4);
    EXPECT_TRUE(attribute->GetIsStandardName());
    EXPECT_EQ(attribute->GetName(), "Density");
    ASSERT_TRUE(attribute->GetPartialTableReference());
    EXPECT_EQ(attribute->GetPartialTableReference()->GetTableName(), "Metals");
    EXPECT_EQ(attribute->GetPartialTableReference()->GetTableID(), 2);
    EXPECT_FALSE(AttributeReference::CreateOne(nullptr));
}

TEST(References, ReadWhatTheyCanOfIncompleteReplies)
{
    Fragment pseudo("<attribute><name isStandard=\"true\"><pseudo>recordType</pseudo></name></attribute>");
    EXPECT_EQ(AttributeReference::CreateOne(pseudo.Root())->GetName(), "");

    Fragment record("<record><dbKey>DB</dbKey><identity/></record>");
    EXPECT_EQ(RecordReference::CreateOne(record.Root())->GetIdentity(), 0);

    Fragment subset("<subset><subsetIdentity>6</subsetIdentity></subset>");
    const SmartPtr<SubsetReference> readSubset = SubsetReference::CreateOne(subset.Root());
    EXPECT_EQ(readSubset->GetSubsetIdentity(), 6);
    ASSERT_TRUE(readSubset->GetPartialTableReference());
    EXPECT_EQ(readSubset->GetPartialTableReference()->GetTableName(), "");

    Fragment group("<group><recordLinkGroupIdentity recordLinkGroupType=\"crossDatabase\">7</recordLinkGroupIdentity>"
                   "<name><recordLinkGroupName isStandard=\"yes\">Welds</recordLinkGroupName></name></group>");
    const SmartPtr<RecordLinkGroupReference> readGroup = RecordLinkGroupReference::CreateOne(group.Root());
    EXPECT_EQ(readGroup->GetRecordLinkGroupIdentity(), 7);
    EXPECT_EQ(readGroup->GetRecordLinkGroupType(), "crossDatabase");
    EXPECT_EQ(readGroup->GetName(), "Welds");
    EXPECT_TRUE(readGroup->GetStandard());

    Fragment database("<database><dbKey>DORSA_SAMPLES</dbKey><volumeName>Materials</volumeName></database>");
    EXPECT_EQ(DorsaDatabase::CreateOne(database.Root())->GetDBKey(), "DORSA_SAMPLES");
    EXPECT_EQ(DorsaDatabase::CreateOne(database.Root())->GetName(), "Materials");

    // Its name and URL: AttributeImportTest's upload addresses.
    Fragment address("<a><AttributeIdentity>31</AttributeIdentity></a>");
    EXPECT_EQ(AttributeAddress::CreateOne(address.Root())->GetAttributeID(), 31);
}

TEST(References, BadNumbersAndFlagsThrow)
{
    const struct {
        std::string xml;
        const char* message;
    } cases[] = {
        {"<a><attributeIdentity>x</attributeIdentity></a>", "invalid stoi argument"},
        {"<a><attributeIdentity>99999999999</attributeIdentity></a>", "stoi argument out of range"},
        {"<a><name isStandard=\"maybe\"/></a>", "boolean value not parseable"},
    };
    for (const auto& c : cases) {
        Fragment fragment(c.xml);
        try {
            AttributeReference::CreateOne(fragment.Root());
            ADD_FAILURE() << c.xml;
        } catch (const std::exception& error) {
            EXPECT_STREQ(error.what(), c.message);
        }
    }
}

TEST(References, RecognisePseudoAttributeNamesInBrackets)
{
    const struct {
        const char* text;
        bool recognised;
        int index;
    } cases[] = {
        {"[name]", true, 0},
        {"[recordType]", true, 5},
        {"[parentRecordHistoryIdentity]", true, 19},
        {"[parentRecordHistoryGUID]", false, -1},
        {"name", false, -1},
        {"[Name]", false, -1},
    };
    for (const auto& c : cases) {
        int index = -1;
        EXPECT_EQ(AttributeReference::IsPseudoAttributeName(c.text, &index), c.recognised) << c.text;
        EXPECT_EQ(index, c.index) << c.text;
    }
}

TEST(NamedEntities, ReadMetaAttributesOnlyWhenFlagged)
{
    Fragment plain("<a><attribute><attributeIdentity>3</attributeIdentity></attribute><name>Notes</name>"
                   "<about><name>Density</name></about></a>");
    const SmartPtr<NamedAttribute> notMeta = NamedAttribute::CreateOne(plain.Root());
    EXPECT_FALSE(notMeta->IsMeta());
    EXPECT_FALSE(notMeta->GetMetaAboutAttribute());
    EXPECT_EQ(notMeta->GetAttribute()->GetAttributeID(), 3);

    Fragment meta("<a><name>Notes</name><isMeta>true</isMeta><about><name>Density</name></about></a>");
    const SmartPtr<NamedAttribute> isMeta = NamedAttribute::CreateOne(meta.Root());
    EXPECT_TRUE(isMeta->IsMeta());
    ASSERT_TRUE(isMeta->GetMetaAboutAttribute());
    EXPECT_EQ(isMeta->GetMetaAboutAttribute()->GetName(), "Density");

    Fragment bad("<a><isMeta>sometimes</isMeta></a>");
    EXPECT_THROW(NamedAttribute::CreateOne(bad.Root()), std::invalid_argument);
}

TEST(NamedEntities, ReadRecordsSubsetsAndRevisions)
{
    Fragment bare("<r><shortName>304</shortName><fullName>Stainless 304</fullName></r>");
    const SmartPtr<NamedRecord> record = NamedRecord::CreateOne(bare.Root());
    EXPECT_EQ(record->GetLongName(), "Stainless 304");
    ASSERT_TRUE(record->GetRecordReference());
    EXPECT_EQ(record->GetRecordReference()->GetIdentity(), 0);

    Fragment subset("<s><name>Steels</name></s>");
    ASSERT_TRUE(NamedSubset::CreateOne(subset.Root())->GetSubset());

    Fragment revision("<rev><modified>2016-01-02T10:00:00</modified><modifiedUser>jo</modifiedUser>"
                      "<created>2015-12-01</created><createdUser>al</createdUser><updateCount>3</updateCount></rev>");
    const SmartPtr<RevisionInfo> info = RevisionInfo::CreateOne(revision.Root());
    EXPECT_EQ(info->GetModified(), "2016-01-02T10:00:00");
    EXPECT_EQ(info->GetModifiedUser(), "jo");
    EXPECT_EQ(info->GetCreated(), "2015-12-01");
    EXPECT_EQ(info->GetCreatedUser(), "al");
    EXPECT_EQ(info->GetUpdateCount(), 3);
}

} // namespace
} // namespace dorsatest
