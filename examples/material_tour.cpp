// A tour through the service facades: the tables of a database, a free-text search in one
// table, the densities of the hits, and the hits exported as CSV.
//
//   material_tour http://localhost:8080/dorsa steel
#include "CheckOutcome.h"

#include <dorsa/ServiceLayer.h>

#include <iostream>
#include <string>
#include <vector>

using namespace zvrtkDorsaServiceLayer;

namespace {

const char* const s_database = "DORSA_SAMPLES";
const char* const s_table = "Alloys and Polymers";
const char* const s_attribute = "Density";
const char* const s_exporter = "sheetwise.csv.v2";

bool ListTables(BrowseService& browse)
{
    SmartPtr<GetTables> request = new GetTables;
    request->SetDBKey(s_database);
    GetTablesResponse tables;
    browse.GetGetTablesImpl()->RequestTables(request, &tables);
    if (!Succeeded("GetTables", tables.GetServiceLayerResponse())) {
        return false;
    }
    std::cout << "Tables of " << s_database << ":\n";
    for (const SmartPtr<TableDetail>& table : tables.AccessTableDetails()) {
        std::cout << "  " << table->GetTableReference()->GetTableName() << "\n";
    }
    return true;
}

// The records of the table whose names or texts hold every word of `text`, best first.
bool Search(SearchService& search, const std::string& text, std::vector<SmartPtr<RecordReference>>& hits)
{
    SmartPtr<SimpleTextSearch> request = new SimpleTextSearch;
    request->SetDBKey(s_database);
    request->SetSearchValue(text);
    request->AddRestrictToTables(PartialTableReference::CreateOneFromTableName(s_table));
    SimpleTextSearchResponse response;
    search.GetSimpleTextSearchImpl()->Search(request, &response);
    if (!Succeeded("SimpleTextSearch", response.GetServiceLayerResponse())) {
        return false;
    }
    std::cout << "Records holding '" << text << "':\n";
    for (const SmartPtr<SearchResult>& hit : response.AccessSearchResults()) {
        std::cout << "  " << hit->GetLongName() << " [" << hit->GetRecordReference()->GetIdentity() << "]\n";
        hits.push_back(hit->GetRecordReference());
    }
    return true;
}

SmartPtr<AttributeReference> DensityAttribute()
{
    SmartPtr<AttributeReference> attribute = new AttributeReference;
    attribute->SetDBKey(s_database);
    attribute->SetName(s_attribute);
    attribute->SetPartialTableReference(PartialTableReference::CreateOneFromTableName(s_table));
    return attribute;
}

// Every value comes as an IDataValue; a host casts to the type it expects.
void PrintDensities(RecordData& record)
{
    for (const SmartPtr<AttributeValue>& value : record.AccessAttributeValues()) {
        auto* point = dynamic_cast<PointDataType*>(value->GetDataValue().get());
        if (!point) {
            continue;
        }
        for (const SmartPtr<PointValueWithParameters>& number : point->AccessPoints()) {
            std::cout << "  " << record.GetRecordReference()->GetIdentity() << ": " << number->GetValue() << " "
                      << point->GetUnitSymbol() << "\n";
        }
    }
}

bool ReadDensities(DataExportService& dataExport, const std::vector<SmartPtr<RecordReference>>& hits)
{
    SmartPtr<GetRecordAttributesByRefRequest> request = new GetRecordAttributesByRefRequest;
    request->SetRecordReferences(hits);
    request->AddAttributeReference(DensityAttribute());
    GetRecordAttributesByRefResponse response;
    dataExport.GetRecordAttributesByRefImplPtr()->RequestRecordAttributesByRef(request, &response);
    if (!Succeeded("GetRecordAttributesByRef", response.GetServiceLayerResponse())) {
        return false;
    }
    std::cout << s_attribute << " of each:\n";
    for (const SmartPtr<RecordData>& record : response.AccessRecordData()) {
        PrintDensities(*record);
    }
    return true;
}

bool Export(EngineeringDataService& engineeringData, const std::vector<SmartPtr<RecordReference>>& hits)
{
    SmartPtr<ExportRecordDataRequest> request = new ExportRecordDataRequest;
    request->SetExporterKey(s_exporter);
    request->SetRecords(hits);
    request->AddAttribute(DensityAttribute());
    ExportRecordDataResponse response;
    engineeringData.GetExportRecordDataImpl()->ExportRecordData(request, &response);
    if (!Succeeded("ExportRecordData", response.GetServiceLayerResponse())) {
        return false;
    }
    std::cout << "Exported by " << s_exporter << ":\n" << response.GetText();
    return true;
}

int Tour(const std::string& url, const std::string& text)
{
    SmartPtr<DorsaServiceLayerServices> services =
        DorsaServiceLayerServices::CreateOne(url, DorsaSLAuth_Annonymous::CreateOne());
    std::vector<SmartPtr<RecordReference>> hits;
    const bool done = ListTables(*services->GetBrowseService()) && Search(*services->GetSearchService(), text, hits) &&
                      ReadDensities(*services->GetDataExportService(), hits) &&
                      Export(*services->GetEngineeringDataService(), hits);
    return done ? 0 : 1;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::cerr << "usage: material_tour <base URL> <words to search for>\n";
        return 2;
    }
    // Once per process, around every use of the library.
    Initialize();
    const int status = Tour(argv[1], argv[2]);
    Shutdown();
    return status;
}
