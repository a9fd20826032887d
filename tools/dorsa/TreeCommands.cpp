#include "Commands.h"
#include "Listing.h"
#include "Console.h"
#include "TableLookup.h"

#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using nlohmann::json;

namespace {

CLI::Validator RecordArgument()
{
    return CLI::Validator([](std::string& record) { return RecordProblem(record); }, "IDENTITY|GUID");
}

void PrintText(ToolContext& context, const std::string& text, const json& list)
{
    std::cout << (context.Options().json ? list.dump(2) + "\n" : text);
}

// The branches of the drawing: box-drawing lines where the output may hold UTF-8.
struct Branches {
    const char* middle; // before an entry that has siblings after it
    const char* last;   // before the last entry
    const char* through; // below an entry that has siblings after it
};

Branches BranchesForOutput()
{
    static const Branches s_utf8{"\u251c\u2500 ", "\u2514\u2500 ", "\u2502  "};
    static const Branches s_ascii{"|- ", "`- ", "|  "};
    return OutputIsUtf8() ? s_utf8 : s_ascii;
}

bool IsFolder(const TreeRecord& record)
{
    return record.GetType() == "Folder";
}

int Identity(const NamedRecord& record)
{
    return record.GetRecordReference() ? record.GetRecordReference()->GetIdentity() : 0;
}

// "Metals/ [1100]": folders end in a slash.
std::string Entry(const TreeRecord& record)
{
    return record.GetLongName() + (IsFolder(record) ? "/" : "") + " [" + std::to_string(Identity(record)) + "]";
}

void Draw(TreeRecord& record, const std::string& indent, const Branches& branches, std::string& text)
{
    std::vector<SmartPtr<TreeRecord>>& children = record.AccessChildren();
    for (size_t i = 0; i < children.size(); ++i) {
        const bool last = i + 1 == children.size();
        text += indent + (last ? branches.last : branches.middle) + Entry(*children[i]) + "\n";
        Draw(*children[i], indent + (last ? "   " : branches.through), branches, text);
    }
}

json TreeJson(TreeRecord& record)
{
    json children = json::array();
    for (const SmartPtr<TreeRecord>& child : record.AccessChildren()) {
        children.push_back(TreeJson(*child));
    }
    return {{"identity", Identity(record)}, {"name", record.GetLongName()}, {"shortName", record.GetShortName()},
            {"type", record.GetType()}, {"color", record.GetColor()}, {"children", children}};
}

struct TreeArguments {
    std::string dbKey;
    std::string table;
    int depth = 0; // 0: all the way down
    std::string from;
};

// The entry the drawing starts at: the table's root, or the record of --from.
int FindStart(ToolContext& context, const TreeArguments& arguments, SmartPtr<TreeRecord>& start)
{
    if (arguments.from.empty()) {
        SmartPtr<GetRootNode> request = new GetRootNode;
        request->SetTable(MakeTableReference(arguments.dbKey, arguments.table));
        GetRootNodeResponse response;
        const int code = context.Call<GetRootNodeImpl>(response, request);
        start = response.GetRootNode();
        return code;
    }
    SmartPtr<GetTreeRecordsRequest> request = new GetTreeRecordsRequest;
    request->AddRecord(MakeRecordReference(arguments.dbKey, arguments.from));
    GetTreeRecordsResponse response;
    const int code = context.Call<GetTreeRecordsImpl>(response, request);
    if (!response.AccessTreeRecords().empty()) {
        start = response.AccessTreeRecords().front();
    }
    return code;
}

int RunTree(ToolContext& context, const TreeArguments& arguments)
{
    SmartPtr<TreeRecord> start;
    if (const int failed = FindStart(context, arguments, start)) {
        return failed;
    }
    if (!start) {
        return context.Fail(Exit_HttpFailure, "the reply names no tree entry to start from");
    }
    SmartPtr<GetChildNodes> request = new GetChildNodes;
    request->SetParent(start->GetRecordReference());
    request->SetRecurse(true);
    request->SetRecurseMaxDepth(arguments.depth);
    GetChildNodesResponse response;
    if (const int failed = context.Call<GetChildNodesImpl>(response, request)) {
        return failed;
    }
    start->AccessChildren() = response.AccessTreeRecords();
    std::string text = Entry(*start) + "\n";
    Draw(*start, "", BranchesForOutput(), text);
    PrintText(context, text, TreeJson(*start));
    return Exit_Ok;
}

Runner DefineTree(CLI::App& app)
{
    auto arguments = std::make_shared<TreeArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("TABLE", arguments->table, "table name")->required();
    app.add_option("--depth", arguments->depth, "levels to show below the start (default: all)")
        ->check(CLI::Range(1, 1000));
    app.add_option("--from", arguments->from, "start at this record of the table, by identity or GUID")
        ->check(RecordArgument());
    return [arguments](ToolContext& context) { return RunTree(context, *arguments); };
}

struct LinksArguments {
    std::string dbKey;
    std::vector<std::string> records;
    std::string group;
};

SmartPtr<RecordLinkGroupReference> GroupByName(const std::string& dbKey, const std::string& name)
{
    SmartPtr<RecordLinkGroupReference> group = new RecordLinkGroupReference;
    group->SetDBKey(dbKey);
    group->SetName(name);
    group->SetPartialTableReference(nullptr);
    return group;
}

std::string TableName(const SmartPtr<TableReference>& table)
{
    return table ? table->GetTableName() : "";
}

int GroupIdentity(const SmartPtr<RecordLinkGroupReference>& group)
{
    return group ? group->GetRecordLinkGroupIdentity() : 0;
}

int ListGroups(ToolContext& context, const LinksArguments& arguments)
{
    SmartPtr<GetRecordLinkGroups> request = new GetRecordLinkGroups;
    if (arguments.group.empty()) {
        request->SetDBKey(arguments.dbKey);
    } else {
        request->AddRecordLinkGroup(GroupByName(arguments.dbKey, arguments.group));
    }
    GetRecordLinkGroupsResponse response;
    if (const int failed = context.Call<GetRecordLinkGroupsImpl>(response, request)) {
        return failed;
    }
    using Group = SmartPtr<RecordLinkGroupDetail>;
    PrintListing<Group>(
        context,
        {{"ID", "identity", [](const Group& group) { return GroupIdentity(group->GetReference()); }},
         {"NAME", "name", [](const Group& group) { return group->GetName(); }},
         {"TYPE", "type", [](const Group& group) { return group->GetLinkGroupType(); }},
         {"FROM", "from", [](const Group& group) { return TableName(group->GetFromTable()); }},
         {"TO", "to", [](const Group& group) { return TableName(group->GetToTable()); }},
         {nullptr, "reverseIdentity", [](const Group& group) { return GroupIdentity(group->GetReverseReference()); }},
         {"REVERSE", "reverseName", [](const Group& group) { return group->GetReverseName(); }},
         {"STANDARD NAMES", "standardNames", [](const Group& group) { return group->AccessStandardNames(); }}},
        response.AccessRecordLinkGroups());
    return Exit_Ok;
}

int ShowLinkedRecords(ToolContext& context, const LinksArguments& arguments)
{
    SmartPtr<GetLinkedRecordsRequest> request = new GetLinkedRecordsRequest;
    for (const std::string& record : arguments.records) {
        request->AddRecordReference(MakeRecordReference(arguments.dbKey, record));
    }
    if (!arguments.group.empty()) {
        request->AddRecordLinkGroup(GroupByName(arguments.dbKey, arguments.group));
    }
    GetLinkedRecordsResponse response;
    if (const int failed = context.Call<GetLinkedRecordsImpl>(response, request)) {
        return failed;
    }
    TextTable table{{"RECORD", "GROUP", "LINKED RECORDS"}, {}};
    json list = json::array();
    for (const SmartPtr<SourceRecord>& source : response.GetSourceRecords()) {
        const int record = source->GetRecord() ? source->GetRecord()->GetIdentity() : 0;
        json groups = json::array();
        const SmartPtr<LinkedRecordsDataType> linkGroups = source->GetRecordLinkGroups();
        for (const SmartPtr<RecordLinkGroup>& group : linkGroups ? linkGroups->AccessRecordLinkGroups()
                                                                 : std::vector<SmartPtr<RecordLinkGroup>>{}) {
            std::vector<std::string> lines;
            json linked = json::array();
            for (const SmartPtr<NamedRecord>& target : group->GetLinkedRecords()) {
                lines.push_back(std::to_string(Identity(*target)) + "  " + target->GetLongName());
                linked.push_back({{"identity", Identity(*target)}, {"name", target->GetLongName()},
                                  {"shortName", target->GetShortName()}});
            }
            table.rows.push_back({std::to_string(record), group->GetName(), lines.empty() ? "-" : Join(lines, "\n")});
            groups.push_back({{"name", group->GetName()}, {"standardNames", group->GetStandardNames()},
                              {"linkedRecords", linked}});
        }
        list.push_back({{"record", record}, {"groups", groups}});
    }
    context.Print(table, list);
    return Exit_Ok;
}

Runner DefineLinks(CLI::App& app)
{
    auto arguments = std::make_shared<LinksArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("RECORD", arguments->records,
                   "show the records linked to these records, each by identity or GUID (default: list the groups)")
        ->check(RecordArgument());
    app.add_option("--group", arguments->group, "only the link group of this name");
    return [arguments](ToolContext& context) {
        return arguments->records.empty() ? ListGroups(context, *arguments) : ShowLinkedRecords(context, *arguments);
    };
}

struct VersionsArguments {
    std::string dbKey;
    std::vector<std::string> records;
    std::string select = "All";
};

const std::vector<std::pair<std::string, GetRecordVersionsRequest::eVersionSelector>> s_selectors = {
    {"Latest", GetRecordVersionsRequest::Latest},
    {"LatestRead", GetRecordVersionsRequest::LatestRead},
    {"AllReleased", GetRecordVersionsRequest::AllReleased},
    {"All", GetRecordVersionsRequest::All},
};

int RunVersions(ToolContext& context, const VersionsArguments& arguments)
{
    SmartPtr<GetRecordVersionsRequest> request = GetRecordVersionsRequest::CreateOne();
    for (const auto& [text, selector] : s_selectors) {
        if (text == arguments.select) {
            request->SetVersions(selector);
        }
    }
    for (const std::string& record : arguments.records) {
        request->AddRecord(MakeRecordReference(arguments.dbKey, record));
    }
    GetRecordVersionsResponse response;
    if (const int failed = context.Call<GetRecordVersionsImpl>(response, request)) {
        return failed;
    }
    using State = SmartPtr<RecordVersionState>;
    PrintListing<State>(
        context,
        {{"RECORD", "record",
          [](const State& state) { return state->GetRecord() ? state->GetRecord()->GetIdentity() : 0; }},
         {"VERSION GUID", "guid",
          [](const State& state) { return state->GetRecord() ? state->GetRecord()->GetRecordGUID() : ""; }},
         {"STATE", "state",
          [](const State& state) { return RecordVersionState::VersionState_ToString(state->GetVersion()); }}},
        response.AccessRecordStates());
    return Exit_Ok;
}

Runner DefineVersions(CLI::App& app)
{
    auto arguments = std::make_shared<VersionsArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("RECORD", arguments->records, "records, each by identity or GUID")
        ->required()
        ->check(RecordArgument());
    std::vector<std::string> names;
    for (const auto& selector : s_selectors) {
        names.push_back(selector.first);
    }
    app.add_option("--select", arguments->select, "which versions (default: All)")->check(CLI::IsMember(names));
    return [arguments](ToolContext& context) { return RunVersions(context, *arguments); };
}

} // namespace

std::vector<Command> TreeCommands()
{
    return {
        {"tree", "draw the record tree of a table", DefineTree},
        {"links", "list record link groups, or the records linked to records", DefineLinks},
        {"versions", "show the version states of records", DefineVersions},
    };
}

} // namespace dorsatool
