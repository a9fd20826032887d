#include "dorsa/xml/XmlTextPrivate.h"
#include "support/RequestTableTest.h"
#include "support/SampleReferences.h"

#include <gtest/gtest.h>

#include <pthread.h>

#include <functional>
#include <string>

namespace dorsatest {
namespace {

using namespace zvrtkDorsaServiceLayer;

using TreeTest = RequestTableTest<>;

const std::string s_record1001 = "<zbt:dbKey>DORSA_SAMPLES</zbt:dbKey><zbt:identity><zbt:recordHistoryIdentity>1001"
                                 "</zbt:recordHistoryIdentity></zbt:identity>";

SmartPtr<GetChildNodes> ChildNodesOf(int identity)
{
    SmartPtr<GetChildNodes> request = new GetChildNodes;
    request->SetParent(SampleRecord(identity));
    return request;
}

TEST_F(TreeTest, WritesEachRequestWithItsDefaultsAndEveryOptionalPart)
{
    ExpectBodies(&GetRootNodeImpl::RequestRootNode, "brow:GetRootNode", {
        {"root node without a table", [](auto&) {}, "<brow:table/>"},
        {"root node of a table by name",
         [](auto& r) {
             SmartPtr<TableReference> table = new TableReference;
             table->SetDBKey("DORSA_SAMPLES");
             table->SetTableName("Alloys and Polymers");
             r.SetTable(table);
         },
         "<brow:table><zbt:tableName>Alloys and Polymers</zbt:tableName><zbt:dbKey>DORSA_SAMPLES</zbt:dbKey>"
         "</brow:table>"},
    });
    const std::string parent = "<brow:parent>" + s_record1001 + "</brow:parent>";
    const std::string flagsByDefault = "<brow:recurse>false</brow:recurse><brow:recurseMaxDepth>0"
                                       "</brow:recurseMaxDepth><brow:populateGUIDs>false</brow:populateGUIDs>";
    ExpectBodies(&GetChildNodesImpl::RequestChildNodes, "brow:GetChildNodes", {
        {"child nodes with only a parent", [](auto& r) { r.SetParent(SampleRecord(1001)); }, parent + flagsByDefault},
        {"child nodes without a parent", [](auto&) {}, flagsByDefault},
        {"child nodes recursively to a depth, with GUIDs",
         [](auto& r) {
             r.SetParent(SampleRecord(1001));
             r.SetRecurse(true);
             r.SetRecurseMaxDepth(3);
             r.SetPopulateGUIDs(true);
         },
         parent + "<brow:recurse>true</brow:recurse><brow:recurseMaxDepth>3</brow:recurseMaxDepth>"
                  "<brow:populateGUIDs>true</brow:populateGUIDs>"},
        {"child nodes through a profile",
         [](auto& r) {
             SmartPtr<RecordFilter> filter = RecordFilter::CreateOne();
             filter->SetProfile("METALS_VIEW");
             r.SetParent(SampleRecord(1001));
             r.SetRecordFilter(filter);
             r.SetRecurseMaxDepth(-1);
         },
         parent + "<brow:recordFilter><zbt:Profile><zbt:Key>METALS_VIEW</zbt:Key></zbt:Profile></brow:recordFilter>"
                  "<brow:recurse>false</brow:recurse><brow:recurseMaxDepth>-1</brow:recurseMaxDepth>"
                  "<brow:populateGUIDs>false</brow:populateGUIDs>"},
        {"child nodes through a filter that names nothing",
         [](auto& r) {
             r.SetParent(SampleRecord(1001));
             r.SetRecordFilter(RecordFilter::CreateOne());
         },
         parent + "<brow:recordFilter/>" + flagsByDefault},
    });
    ExpectBodies(&GetTreeRecordsImpl::RequestTreeNodes, "brow:GetTreeRecords", {
        {"tree records of none", [](auto&) {}, "<zbt:recordReferences/>"},
        {"tree records of two",
         [](auto& r) {
             r.AddRecord(SampleRecord(1001));
             r.AddRecord(SampleRecord(1002));
         },
         "<zbt:recordReferences><zbt:record>" + s_record1001 + "</zbt:record><zbt:record><zbt:dbKey>DORSA_SAMPLES"
         "</zbt:dbKey><zbt:identity><zbt:recordHistoryIdentity>1002</zbt:recordHistoryIdentity></zbt:identity>"
         "</zbt:record></zbt:recordReferences>"},
    });
}

// A tree record element: its attributes, its names and identity, then what follows.
std::string Node(const std::string& attributes, const std::string& name, int identity, const std::string& rest = "")
{
    return "<t:treeRecord" + attributes + "><t:shortName>" + name + "</t:shortName><t:fullName>" + name +
           " (full)</t:fullName><t:recordReference><z:dbKey>DORSA_SAMPLES</z:dbKey><z:identity>"
           "<z:recordHistoryIdentity>" + std::to_string(identity) + "</z:recordHistoryIdentity></z:identity>"
           "</t:recordReference>" + rest + "</t:treeRecord>";
}

std::string Children(const std::string& nodes)
{
    return "<t:children>" + nodes + "</t:children>";
}

std::string ChildNodesReply(const std::string& nodes)
{
    return "<t:GetChildNodesResponse xmlns:t=\"urn:t\" xmlns:z=\"urn:z\" "
           "xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><t:treeRecords>" + nodes +
           "</t:treeRecords></t:GetChildNodesResponse>";
}

TEST_F(TreeTest, ReadsChildrenAtEveryDepthWithColourAndType)
{
    const std::string parent = "<t:parentRecordHistoryIdentity>1100</t:parentRecordHistoryIdentity>";
    Reply(Envelope(ChildNodesReply(
        Node(" color=\"Blue\" type=\"Folder\"", "Ferrous", 1110,
             parent + Children(Node("", "DS-18", 1001) +
                               Node(" type=\"Record\"", "DS-22", 1004,
                                    Children(Node(" color=\"Red\"", "DS-22 bar", 1007,
                                                  Children(Node("", "DS-22 bar, 10 mm", 1008))))) +
                               Node(" xsi:type=\"z:TreeRecord\" type=\"Generic\"", "DS-18 weld", 1006))) +
        Node("", "Non-ferrous", 1120, "<t:children/>"))));
    GetChildNodesResponse response;
    GetChildNodesImpl(m_session.get()).RequestChildNodes(ChildNodesOf(1100), &response);

    ASSERT_EQ(response.AccessTreeRecords().size(), 2u);
    TreeRecord& ferrous = *response.AccessTreeRecords()[0];
    EXPECT_EQ(ferrous.GetShortName(), "Ferrous");
    EXPECT_EQ(ferrous.GetLongName(), "Ferrous (full)");
    EXPECT_EQ(ferrous.GetRecordReference()->GetIdentity(), 1110);
    EXPECT_EQ(ferrous.GetParentRecordHistoryIdentity(), 1100);
    EXPECT_EQ(ferrous.GetColor(), "Blue");
    EXPECT_EQ(ferrous.GetType(), "Folder");
    EXPECT_FALSE(ferrous.GetHasChildren());
    ASSERT_EQ(ferrous.AccessChildren().size(), 3u);

    TreeRecord& plain = *ferrous.AccessChildren()[0];
    EXPECT_EQ(plain.GetShortName(), "DS-18");
    EXPECT_EQ(plain.GetColor(), "Black");
    EXPECT_FALSE(plain.IsTypeAvailable());
    EXPECT_EQ(plain.GetParentRecordHistoryIdentity(), 0);
    EXPECT_TRUE(plain.AccessChildren().empty());

    TreeRecord& nested = *ferrous.AccessChildren()[1];
    ASSERT_EQ(nested.AccessChildren().size(), 1u);
    TreeRecord& bar = *nested.AccessChildren()[0];
    EXPECT_EQ(bar.GetColor(), "Red");
    ASSERT_EQ(bar.AccessChildren().size(), 1u);
    EXPECT_EQ(bar.AccessChildren()[0]->GetRecordReference()->GetIdentity(), 1008);

    // The first attribute whose local name is "type" wins.
    EXPECT_EQ(ferrous.AccessChildren()[2]->GetType(), "z:TreeRecord");
    EXPECT_TRUE(response.AccessTreeRecords()[1]->AccessChildren().empty());
}

TEST_F(TreeTest, NonNumericParentIdentityThrowsAfterTheOutcomeIsRecorded)
{
    const std::string badParent = "<t:parentRecordHistoryIdentity>one</t:parentRecordHistoryIdentity>";
    Reply(Envelope(ChildNodesReply(Node("", "top", 1, Children(Node("", "below", 2, badParent))))));
    GetChildNodesResponse response;
    EXPECT_THROW(GetChildNodesImpl(m_session.get()).RequestChildNodes(ChildNodesOf(1), &response),
                 std::invalid_argument);
    EXPECT_TRUE(response.GetServiceLayerResponse());
    EXPECT_TRUE(response.AccessTreeRecords().empty());
}

// Runs `work` on a thread with a 1 MB stack, as some hosts give their worker threads.
void OnSmallStack(std::function<void()> work)
{
    pthread_attr_t attributes;
    ASSERT_EQ(pthread_attr_init(&attributes), 0);
    ASSERT_EQ(pthread_attr_setstacksize(&attributes, 1 << 20), 0);
    pthread_t thread;
    auto run = [](void* argument) -> void* {
        (*static_cast<std::function<void()>*>(argument))();
        return nullptr;
    };
    ASSERT_EQ(pthread_create(&thread, &attributes, run, &work), 0);
    pthread_join(thread, nullptr);
    pthread_attr_destroy(&attributes);
}

// A chain of `depth` tree records, each the only child of the one above.
std::string Chain(int depth)
{
    std::string open, close;
    for (int level = 0; level < depth; ++level) {
        open += "<treeRecord><children>";
        close = "</children></treeRecord>" + close;
    }
    return "<GetChildNodesResponse><treeRecords>" + open + "<treeRecord><shortName>deepest</shortName></treeRecord>" +
           close + "</treeRecords></GetChildNodesResponse>";
}

TEST_F(TreeTest, TreeJustInsideTheNestingLimitIsReadOnASmallStack)
{
    // Envelope, Body, response and "treeRecords" take four levels, each tree level two,
    // and the deepest record's "shortName" one more.
    const int depth = static_cast<int>(detail::s_maxNestingDepth - 5) / 2;
    ASSERT_EQ(4 + 2 * depth + 1 + 1, static_cast<int>(detail::s_maxNestingDepth));
    for (const int extra : {0, 1}) {
        Reply(Envelope(Chain(depth + extra)));
        int levels = -1;
        std::string deepest;
        SmartPtr<ServiceLayerResponse> outcome;
        OnSmallStack([&] {
            GetChildNodesResponse response;
            GetChildNodesImpl(m_session.get()).RequestChildNodes(ChildNodesOf(1), &response);
            outcome = response.GetServiceLayerResponse();
            if (response.AccessTreeRecords().size() == 1) {
                TreeRecord* record = response.AccessTreeRecords()[0].get();
                for (levels = 0; !record->AccessChildren().empty(); ++levels) {
                    record = record->AccessChildren()[0].get();
                }
                deepest = record->GetShortName();
            }
        });
        ASSERT_TRUE(outcome);
        if (extra == 0) {
            EXPECT_TRUE(outcome->IsSuccess());
            EXPECT_EQ(levels, depth);
            EXPECT_EQ(deepest, "deepest");
        } else {
            EXPECT_EQ(outcome->GetOutcome(), CallOutcomes::UnreadableReply);
            EXPECT_EQ(levels, -1);
        }
    }
}

TEST(TreeRecordTest, DeepTreeBuiltByAHostIsReleasedOnASmallStack)
{
    bool released = false;
    OnSmallStack([&] {
        SmartPtr<TreeRecord> top = new TreeRecord;
        SmartPtr<TreeRecord> shared;
        TreeRecord* bottom = top.get();
        for (int level = 0; level < 200000; ++level) {
            SmartPtr<TreeRecord> child = new TreeRecord;
            bottom->AddChild(child);
            bottom = child.get();
            if (level == 100000) {
                shared = child;
            }
        }
        top = nullptr;
        // A record that someone else still holds keeps its own subtree.
        released = shared->GetReferenceCount() == 1 && shared->AccessChildren().size() == 1;
        shared = nullptr;
    });
    EXPECT_TRUE(released);
}

} // namespace
} // namespace dorsatest
