#include "Commands.h"
#include "Listing.h"
#include "ImportJson.h"
#include "RecordArguments.h"
#include "TableLookup.h"

#include "dorsa/xml/XmlDom.h"

#include <rapidxml/rapidxml_print.hpp>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace dorsatool {

using namespace zvrtkDorsaServiceLayer;
using nlohmann::json;

namespace {

// An XML text one element a line, indented by depth, for people to read; as it is when it
// does not parse. Only the print changes: a request is sent unindented.
std::string Indented(const std::string& xml)
{
    std::vector<char> text(xml.begin(), xml.end());
    text.push_back('\0');
    XmlDocument<char> document;
    try {
        document.parse<0>(text.data());
    } catch (const std::exception&) {
        return xml;
    }
    std::string printed;
    rapidxml::print(std::back_inserter(printed), document);
    while (!printed.empty() && printed.back() == '\n') {
        printed.pop_back();
    }
    return printed;
}

// Prints the SOAP request `operation` would send with `request`; nothing is sent.
void PrintRequest(const OperationBase& operation, const SmartPtr<IRequest>& request)
{
    const SmartPtr<HttpMessageBuffer> body = operation.BuildRequestHandle(request)->AccessRequestBody();
    std::cout << Indented(std::string(body->GetData(), body->GetLength())) << "\n";
}

std::string NamedRecordLabel(const SmartPtr<NamedRecord>& record)
{
    if (!record || !record->GetRecordReference()) {
        return "";
    }
    const std::string name = record->GetShortName();
    const std::string id = RecordLabel(record->GetRecordReference());
    return name.empty() ? id : id + " " + name;
}

// import

struct ImportArguments {
    std::string file;
    std::string errorMode = "continue";
    int commitEvery = 0;
    bool dryRun = false;
};

std::string DirectoryOf(const std::string& path)
{
    const size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash == 0 ? 1 : slash);
}

// The request the file describes; Exit_Ok, or Exit_BadArguments after saying where the file is wrong.
int ReadRequest(ToolContext& context, const ImportArguments& arguments, SmartPtr<SetRecordAttributesRequest>& request,
                std::vector<FileToUpload>& uploads)
{
    std::ifstream input(arguments.file, std::ios::binary);
    if (!input) {
        return context.Fail(Exit_BadArguments, "cannot read " + arguments.file + ": " + std::strerror(errno));
    }
    nlohmann::ordered_json file;
    try {
        file = nlohmann::ordered_json::parse(input);
        request = new SetRecordAttributesRequest;
        const std::string directory = DirectoryOf(arguments.file);
        // A dry run shows the content in the request; a real one uploads it afterwards.
        for (const SmartPtr<ImportRecord>& record :
             ReadImportRecords(file, directory, arguments.dryRun ? nullptr : &uploads)) {
            request->AddImportRecord(record);
        }
    } catch (const nlohmann::json::parse_error& error) {
        return context.Fail(Exit_BadArguments, arguments.file + ": not JSON: " + error.what());
    } catch (const JsonShapeError& error) {
        return context.Fail(Exit_BadArguments, arguments.file + ": " + error.what());
    }
    request->SetImportErrorMode(arguments.errorMode == "fault" ? ImportErrorModes::FaultAndRollbackOnAnyError
                                                                : ImportErrorModes::LogAndContinueWherePossible);
    request->SetCommitThreshold(arguments.commitEvery);
    return Exit_Ok;
}

// The upload address of one attribute of one record; empty after reporting a failure in `code`.
std::string UploadAddress(ToolContext& context, const SmartPtr<RecordReference>& record,
                          const SmartPtr<AttributeReference>& attribute, int& code)
{
    SmartPtr<GetUploadAddressesRequest> request = new GetUploadAddressesRequest;
    request->AddRecord(record);
    request->AddAttributeReference(attribute);
    GetUploadAddressesResponse response;
    code = context.Call<GetUploadAddressesImpl>(response, request);
    if (code != Exit_Ok) {
        return std::string();
    }
    for (const SmartPtr<RecordWithAttributeAddresses>& entry : response.AccessRecordsWithAttributeAddresses()) {
        for (const SmartPtr<AttributeAddress>& address : entry->AccessAttributeAddresses()) {
            return address->GetURL();
        }
    }
    code = context.Fail(Exit_HttpFailure, "the server gave no upload address for " + RecordLabel(record));
    return std::string();
}

// PUTs the file and picture content of the written records, each file streamed from disk.
int UploadFiles(ToolContext& context, const std::vector<FileToUpload>& uploads,
                const std::vector<SmartPtr<NamedRecord>>& written, std::size_t sent)
{
    if (uploads.empty()) {
        return Exit_Ok;
    }
    // The server lists the records it wrote in the order sent; with some left out, which
    // record is which cannot be told, and no content goes to a wrong one.
    if (written.size() != sent) {
        return context.Fail(Exit_HttpFailure, std::to_string(uploads.size()) +
                                                  " files were not uploaded: not every record was imported");
    }
    for (const FileToUpload& upload : uploads) {
        const SmartPtr<RecordReference> record = written[upload.record]->GetRecordReference();
        int code = Exit_Ok;
        const std::string url =
            UploadAddress(context, record, MakeAttributeReference(upload.dbKey, upload.table, upload.attribute), code);
        if (code != Exit_Ok) {
            return code;
        }
        if (const int failed = context.Outcome(
                "upload of " + upload.path, ContentUpload::PutFile(*context.Session(), url, upload.path,
                                                                   upload.contentType))) {
            return failed;
        }
    }
    return Exit_Ok;
}

int RunImport(ToolContext& context, const ImportArguments& arguments)
{
    SmartPtr<SetRecordAttributesRequest> request;
    std::vector<FileToUpload> uploads;
    if (const int failed = ReadRequest(context, arguments, request, uploads)) {
        return failed;
    }
    if (arguments.dryRun) {
        PrintRequest(SetRecordAttributesImpl(context.Session()), request);
        return Exit_Ok;
    }
    SetRecordAttributesResponse response;
    if (const int failed = context.Call<SetRecordAttributesImpl>(response, request)) {
        return failed;
    }
    using Record = SmartPtr<NamedRecord>;
    const std::vector<Record>& imported = response.AccessRecordsImported();
    PrintListing<Record>(
        context,
        {{"RECORD", "record", [](const Record& record) { return RecordJson(record->GetRecordReference()); },
          [](const Record& record) { return std::to_string(record->GetRecordReference()->GetIdentity()); }},
         {"GUID", nullptr, [](const Record& record) { return record->GetRecordReference()->GetRecordGUID(); }},
         {"NAME", "fullName", [](const Record& record) { return record->GetLongName(); }},
         {nullptr, "shortName", [](const Record& record) { return record->GetShortName(); }}},
        imported);
    const size_t sent = request->AccessImportRecords().size();
    if (imported.size() < sent) {
        std::cerr << "dorsa: " << sent - imported.size() << " of " << sent << " import records were not imported\n";
    }
    return UploadFiles(context, uploads, imported, sent);
}

struct UploadAddressesArguments {
    std::string dbKey;
    std::vector<std::string> records;
    std::vector<std::string> attributes;
};

int RunUploadAddresses(ToolContext& context, const UploadAddressesArguments& arguments)
{
    SmartPtr<GetUploadAddressesRequest> request = new GetUploadAddressesRequest;
    for (const std::string& record : arguments.records) {
        request->AddRecord(MakeRecordReference(arguments.dbKey, record));
    }
    for (const std::string& attribute : arguments.attributes) {
        request->AddAttributeReference(MakeAttributeReference(arguments.dbKey, attribute));
    }
    GetUploadAddressesResponse response;
    if (const int failed = context.Call<GetUploadAddressesImpl>(response, request)) {
        return failed;
    }
    using Address = SmartPtr<AttributeAddress>;
    std::vector<RecordParts<Address>> records;
    for (const SmartPtr<RecordWithAttributeAddresses>& entry : response.AccessRecordsWithAttributeAddresses()) {
        records.push_back({entry->GetRecordReference() ? entry->GetRecordReference() : new RecordReference,
                           entry->AccessAttributeAddresses()});
    }
    PrintRecordParts<Address>(context, "addresses",
                              {{"ATTRIBUTE", "attribute", [](const Address& address) { return address->GetAttributeName(); }},
                               {nullptr, "id", [](const Address& address) { return address->GetAttributeID(); }},
                               {"URL", "url", [](const Address& address) { return address->GetURL(); }}},
                              records);
    return Exit_Ok;
}

Runner DefineImport(CLI::App& app)
{
    auto arguments = std::make_shared<ImportArguments>();
    app.add_option("FILE", arguments->file, "JSON file of import records (see README)")->required();
    app.add_option("--error-mode", arguments->errorMode,
                   "on a bad record: fault (undo everything since the last commit) or continue (import the rest)")
        ->check(CLI::IsMember({"fault", "continue"}));
    app.add_option("--commit-every", arguments->commitEvery, "commit after this many records (default: the server's)")
        ->check(CLI::Range(1, 1000000));
    app.add_flag("--dry-run", arguments->dryRun, "print the SOAP request instead of sending it");
    return [arguments](ToolContext& context) { return RunImport(context, *arguments); };
}

// link

struct LinkArguments {
    std::string dbKey;
    std::string group;
    std::string table;
    std::string groupType = "static";
    std::vector<std::string> add;
    std::vector<std::string> remove;
    std::vector<std::string> unlinkAll;
    bool dryRun = false;
};

// "A:B" or "A:B:notes" split into its parts; notes may hold colons.
std::vector<std::string> LinkParts(const std::string& text)
{
    const size_t first = text.find(':');
    if (first == std::string::npos) {
        return {text};
    }
    const size_t second = text.find(':', first + 1);
    std::vector<std::string> parts{text.substr(0, first), text.substr(first + 1, second - first - 1)};
    if (second != std::string::npos) {
        parts.push_back(text.substr(second + 1));
    }
    return parts;
}

CLI::Validator LinkValidator(bool notes)
{
    return CLI::Validator(
        [notes](std::string& text) {
            const std::vector<std::string> parts = LinkParts(text);
            if (parts.size() < 2 || (!notes && parts.size() > 2)) {
                return "'" + text + "' is not " + (notes ? "SOURCE:TARGET[:NOTES]" : "SOURCE:TARGET");
            }
            const std::string problem = RecordProblem(parts[0]);
            return problem.empty() ? RecordProblem(parts[1]) : problem;
        },
        notes ? "SOURCE:TARGET[:NOTES]" : "SOURCE:TARGET");
}

SmartPtr<RecordLinkGroupReference> GroupReference(const LinkArguments& arguments)
{
    SmartPtr<RecordLinkGroupReference> group = new RecordLinkGroupReference;
    group->SetDBKey(arguments.dbKey);
    const bool identity = arguments.group.find_first_not_of("0123456789") == std::string::npos;
    if (identity) {
        group->SetRecordLinkGroupIdentity(std::stoi(arguments.group));
        group->SetRecordLinkGroupType(arguments.groupType);
    } else {
        group->SetName(arguments.group);
        group->GetPartialTableReference()->SetTableName(arguments.table);
    }
    return group;
}

// The sources in the order first named, each with the link point that gathers its targets.
template <class Point>
std::vector<SmartPtr<Point>> BySource(const LinkArguments& arguments, const std::vector<std::string>& links,
                                      std::map<std::string, SmartPtr<Point>>& found)
{
    std::vector<SmartPtr<Point>> points;
    for (const std::string& link : links) {
        const std::string source = LinkParts(link)[0];
        if (!found.count(source)) {
            found[source] = new Point;
            found[source]->SetRecord(MakeRecordReference(arguments.dbKey, source));
            points.push_back(found[source]);
        }
    }
    return points;
}

SmartPtr<RecordLinkModifications> Modifications(const LinkArguments& arguments)
{
    SmartPtr<RecordLinkModifications> modifications = new RecordLinkModifications;
    if (!arguments.unlinkAll.empty()) {
        SmartPtr<UnlinkAllRecords> unlinkAll = new UnlinkAllRecords;
        for (const std::string& source : arguments.unlinkAll) {
            unlinkAll->AddSourceRecord(MakeRecordReference(arguments.dbKey, source));
        }
        modifications->AddUnlinkAllRecords(unlinkAll);
    }
    if (!arguments.remove.empty()) {
        std::map<std::string, SmartPtr<TargettedSourceRecord>> sources;
        SmartPtr<UnlinkRecords> unlink = new UnlinkRecords;
        for (const SmartPtr<TargettedSourceRecord>& source : BySource(arguments, arguments.remove, sources)) {
            unlink->AddSourceRecord(source);
        }
        for (const std::string& link : arguments.remove) {
            const std::vector<std::string> parts = LinkParts(link);
            sources[parts[0]]->AddRecord(MakeRecordReference(arguments.dbKey, parts[1]));
        }
        modifications->AddUnlinkRecords(unlink);
    }
    if (!arguments.add.empty()) {
        std::map<std::string, SmartPtr<NotatedTargettedSourceRecord>> sources;
        SmartPtr<LinkRecords> link = new LinkRecords;
        for (const SmartPtr<NotatedTargettedSourceRecord>& source : BySource(arguments, arguments.add, sources)) {
            link->AddSourceRecord(source);
        }
        for (const std::string& added : arguments.add) {
            const std::vector<std::string> parts = LinkParts(added);
            SmartPtr<NotatedTargetRecord> target = new NotatedTargetRecord;
            target->SetRecord(MakeRecordReference(arguments.dbKey, parts[1]));
            target->SetNotes(parts.size() > 2 ? parts[2] : "");
            sources[parts[0]]->AddRecord(target);
        }
        modifications->AddLinkRecords(link);
    }
    return modifications;
}

void AddChanges(const char* change, std::vector<SmartPtr<NamedTargettedSourceRecord>>& sources, TextTable& table,
                json& list)
{
    for (const SmartPtr<NamedTargettedSourceRecord>& source : sources) {
        json targets = json::array();
        for (const SmartPtr<NamedRecord>& target : source->AccessTargetRecords()) {
            table.rows.push_back({change, NamedRecordLabel(source->GetRecord()), NamedRecordLabel(target)});
            targets.push_back(RecordJson(target->GetRecordReference()));
        }
        list.push_back({{"change", change},
                        {"source", source->GetRecord() ? RecordJson(source->GetRecord()->GetRecordReference()) : json()},
                        {"targets", targets}});
    }
}

int RunLink(ToolContext& context, const LinkArguments& arguments)
{
    if (arguments.add.empty() && arguments.remove.empty() && arguments.unlinkAll.empty()) {
        return context.Fail(Exit_BadArguments, "link needs at least one --add, --remove or --unlink-all");
    }
    SmartPtr<ModifyRecordLinksRequest> request = new ModifyRecordLinksRequest;
    request->SetRecordLinkGroupReference(GroupReference(arguments));
    request->SetRecordLinkModifications(Modifications(arguments));
    if (arguments.dryRun) {
        PrintRequest(ModifyRecordLinksImpl(context.Session()), request);
        return Exit_Ok;
    }
    ModifyRecordLinksResponse response;
    if (const int failed = context.Call<ModifyRecordLinksImpl>(response, request)) {
        return failed;
    }
    TextTable table{{"CHANGE", "SOURCE", "TARGET"}, {}};
    json list = json::array();
    if (const SmartPtr<RecordLinkChanges> changes = response.GetRecordLinkChanges()) {
        AddChanges("unlinked", changes->AccessUnlinked(), table, list);
        AddChanges("linked", changes->AccessLinked(), table, list);
    }
    context.Print(table, list);
    return Exit_Ok;
}

Runner DefineLink(CLI::App& app)
{
    auto arguments = std::make_shared<LinkArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("GROUP", arguments->group, "record link group, by identity or by name")->required();
    app.add_option("--table", arguments->table, "table of a link group named by name");
    app.add_option("--group-type", arguments->groupType, "type of a link group named by identity")
        ->check(CLI::IsMember({"static", "dynamic", "crossDatabase"}));
    app.add_option("--add", arguments->add, "link SOURCE to TARGET (records by identity or GUID), with notes")
        ->check(LinkValidator(true))
        ->allow_extra_args(false);
    app.add_option("--remove", arguments->remove, "remove the link from SOURCE to TARGET")
        ->check(LinkValidator(false))
        ->allow_extra_args(false);
    app.add_option("--unlink-all", arguments->unlinkAll, "remove every link of this source record in the group")
        ->check(CLI::Validator([](std::string& record) { return RecordProblem(record); }, "RECORD"))
        ->allow_extra_args(false);
    app.add_flag("--dry-run", arguments->dryRun, "print the SOAP request instead of sending it");
    return [arguments](ToolContext& context) { return RunLink(context, *arguments); };
}

// upload

struct UploadArguments {
    std::string dbKey;
    std::string record;
    std::string attribute;
    std::string file;
    std::string contentType = "application/octet-stream";
};

// Asks where the content goes, then PUTs the file there, streamed from disk.
int RunUpload(ToolContext& context, const UploadArguments& arguments)
{
    SmartPtr<GetUploadAddressesRequest> request = new GetUploadAddressesRequest;
    request->AddRecord(MakeRecordReference(arguments.dbKey, arguments.record));
    request->AddAttributeReference(MakeAttributeReference(arguments.dbKey, arguments.attribute));
    GetUploadAddressesResponse response;
    if (const int failed = context.Call<GetUploadAddressesImpl>(response, request)) {
        return failed;
    }
    std::string url;
    for (const SmartPtr<RecordWithAttributeAddresses>& entry : response.AccessRecordsWithAttributeAddresses()) {
        for (const SmartPtr<AttributeAddress>& address : entry->AccessAttributeAddresses()) {
            url = url.empty() ? address->GetURL() : url;
        }
    }
    if (url.empty()) {
        return context.Fail(Exit_HttpFailure, "the server gave no upload address for " + arguments.attribute +
                                                  " of record " + arguments.record);
    }
    const SmartPtr<ServiceLayerResponse> outcome =
        ContentUpload::PutFile(*context.Session(), url, arguments.file, arguments.contentType);
    if (const int failed = context.Outcome("upload", outcome)) {
        return failed;
    }
    context.Print(TextTable{{"RECORD", "ATTRIBUTE", "URL", "FILE"}, {{arguments.record, arguments.attribute, url,
                                                                     arguments.file}}},
                  json{{"record", arguments.record}, {"attribute", arguments.attribute}, {"url", url},
                       {"file", arguments.file}, {"code", outcome->GetResponseCode()}});
    return Exit_Ok;
}

Runner DefineUpload(CLI::App& app)
{
    auto arguments = std::make_shared<UploadArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("RECORD", arguments->record, "the record, by identity or GUID")->required()->check(RecordValidator());
    app.add_option("--attribute", arguments->attribute, "the file or picture attribute, by name")->required();
    app.add_option("FILE", arguments->file, "the file whose content is uploaded (read as it is sent)")
        ->required()
        ->check(CLI::ExistingFile);
    app.add_option("--content-type", arguments->contentType, "the content's type (default application/octet-stream)");
    return [arguments](ToolContext& context) { return RunUpload(context, *arguments); };
}

Runner DefineUploadAddresses(CLI::App& app)
{
    auto arguments = std::make_shared<UploadAddressesArguments>();
    app.add_option("DB", arguments->dbKey, "database key")->required();
    app.add_option("RECORD", arguments->records, "records, each by identity or GUID")
        ->required()
        ->check(RecordValidator());
    app.add_option("--attribute", arguments->attributes,
                   "a file or picture attribute, by name, found in the table of each record; repeat for more")
        ->required()
        ->allow_extra_args(false);
    return [arguments](ToolContext& context) { return RunUploadAddresses(context, *arguments); };
}

} // namespace

std::vector<Command> ImportCommands()
{
    return {
        {"import", "create, update and copy records with their values, from a JSON file", DefineImport},
        {"link", "add and remove links between records of a link group", DefineLink},
        {"upload-addresses", "tell where to PUT the file and picture content of records", DefineUploadAddresses},
        {"upload", "upload a file as the content of a file or picture attribute of a record", DefineUpload},
    };
}

} // namespace dorsatool
