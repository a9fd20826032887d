#include "dorsa/ServiceLayer.h"
#include "support/Fixtures.h"
#include "support/XmlFragments.h"

#include <gtest/gtest.h>

#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

const char* const s_registeredCodes[] = {"POIN", "RNGE", "LOGI", "DISC", "STXT", "LTXT", "INPT", "DTTM",
                                         "HLNK", "PICT", "FILE", "TABL", "FLOAT_FUNCTIONAL_SERIES",
                                         "FLOAT_FUNCTIONAL_GRIDDED", "LIST", "EMPT"};

using DataValueRegistry = StartedLibrary;

TEST_F(DataValueRegistry, ResolvesEveryStartedTypeInAnyLetterCase)
{
    Fragment fragment("<v>1<columns/><summaryRow/></v>");
    for (const char* code : s_registeredCodes) {
        std::string lower = code;
        for (char& c : lower) {
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        }
        const SmartPtr<IDataValue> value = DataValueFactoryNew::CreateOne(lower, fragment.Root());
        ASSERT_TRUE(value) << code;
        EXPECT_EQ(value->GetTypeString(), code);
        EXPECT_EQ(value->GetImportNodeName(), std::string(code) == "TABL" ? "TabularDataImportValue" : value->GetNodeName());
    }
    for (const char* unbuilt : {"LINK", "FUNC", "DSFN", "MAFN", "NOPE"}) {
        EXPECT_FALSE(DataValueFactoryNew::CreateOne(unbuilt, fragment.Root())) << unbuilt;
    }
    LinkedRecordsDataType::StaticInit();
    EXPECT_TRUE(DataValueFactoryNew::CreateOne("link", fragment.Root()));
    LinkedRecordsDataType::StaticShutdown();
}

TEST_F(DataValueRegistry, TheFirstRegistrationWins)
{
    PointDataType::StaticShutdown();
    PointDataType::StaticInit();
    {
        TypedDataValueFactory<RangeDataType> impostor("poin");
        Fragment fragment("<v/>");
        EXPECT_EQ(DataValueFactoryNew::CreateOne("POIN", fragment.Root())->GetTypeString(), "POIN");
    }
    // Destroying the impostor removed whatever was registered under its code.
    EXPECT_FALSE(DataValueFactoryNew::CreateOne("POIN", nullptr));
}

TEST(DataValueLifecycle, ValuesReadAfterShutdownAreUnsupported)
{
    Initialize();
    Shutdown();
    Fragment attribute("<attribute><RangeDataValue><LowValue>1</LowValue></RangeDataValue></attribute>");
    EXPECT_EQ(AttributeValue::CreateOne(attribute.Root())->GetDataType(), "UNSUPPORTED DATA TYPE");
}

struct AttributeCase {
    const char* name;
    std::string children;
    const char* dataType;
    const char* valueType; // null when no value results
};

TEST_F(DataValueRegistry, AttributesFindTheirValueByElementName)
{
    const AttributeCase cases[] = {
        {"range", "<x:RangeDataValue/>", "RNGE", "RNGE"},
        {"wrong letter case", "<rangedatavalue/>", "UNSUPPORTED DATA TYPE", nullptr},
        {"list is not an attribute value", "<ListDataValue/>", "UNSUPPORTED DATA TYPE", nullptr},
        {"first value wins", "<Other/><IntegerDataValue>4</IntegerDataValue><LogicalDataValue>true</LogicalDataValue>",
         "INPT", "INPT"},
        {"tabular without summary row gives no value", "<TabularDataValue><columns/></TabularDataValue>", "TABL",
         nullptr},
        {"no value", "", "UNSUPPORTED DATA TYPE", nullptr},
    };
    for (const AttributeCase& c : cases) {
        Fragment fragment("<attribute><AttributeName>A</AttributeName><AttributeIdentity>5</AttributeIdentity>" +
                          c.children + "</attribute>");
        const SmartPtr<AttributeValue> attribute = AttributeValue::CreateOne(fragment.Root());
        EXPECT_EQ(attribute->GetAttributeName(), "A") << c.name;
        EXPECT_EQ(attribute->GetAttributeID(), 5) << c.name;
        EXPECT_EQ(attribute->GetDataType(), c.dataType) << c.name;
        if (c.valueType) {
            ASSERT_TRUE(attribute->GetDataValue()) << c.name;
            EXPECT_EQ(attribute->GetDataValue()->GetTypeString(), c.valueType) << c.name;
        } else {
            EXPECT_FALSE(attribute->GetDataValue()) << c.name;
        }
    }
}

TEST_F(DataValueRegistry, CommonAttributesAreReadByTheScalarTypes)
{
    Fragment versioned("<IntegerDataValue dataVersionNumber=\"7\" isFallback=\"1\" isNotApplicable=\"true\">3"
                       "</IntegerDataValue>");
    const SmartPtr<IntegerDataType> value = IntegerDataType::CreateOne(versioned.Root());
    EXPECT_EQ(value->GetDataVersionNo(), 7);
    EXPECT_TRUE(value->IsDataVersionAvailable());
    EXPECT_TRUE(value->IsFallback());
    EXPECT_FALSE(value->IsApplicable());

    Fragment plain("<IntegerDataValue>3</IntegerDataValue>");
    EXPECT_EQ(IntegerDataType::CreateOne(plain.Root())->GetDataVersionNo(), -1);
    EXPECT_FALSE(IntegerDataType::CreateOne(plain.Root())->IsDataVersionAvailable());

    Fragment file("<FileDataValue dataVersionNumber=\"7\"/>");
    EXPECT_FALSE(FileDataType::CreateOne(file.Root())->IsDataVersionAvailable());
}

} // namespace
} // namespace dorsatest
