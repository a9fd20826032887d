// A first host, through the service facades: the databases of the server, the records of one
// table that hold a word, the density of each and the records exported as CSV.
//
//   first_host http://127.0.0.1:8080/dorsa
#include <dorsa/ServiceLayer.h> // every public header

#include <iostream>
#include <string>
#include <vector>

using namespace zvrtkDorsaServiceLayer;

// Each response records how its call ended: check it before reading anything else.
bool Succeeded(const std::string& call, const SmartPtr<ServiceLayerResponse>& outcome)
{
    if (outcome->IsSuccess()) {
        return true;
    }
    // GetOutcome(): TransportFailure (GetTransportError() says why), HttpFailure
    // (GetResponseCode()), SoapFault (GetErrorMessage()) or UnreadableReply.
    std::cerr << call << " failed: " << CallOutcomes::eCallOutcome_ToString(outcome->GetOutcome()) << " "
              << outcome->GetTransportError() << outcome->GetErrorMessage() << "\n";
    return false;
}

int Tour(const std::string& url)
{
    SmartPtr<DorsaServiceLayerServices> services =
        DorsaServiceLayerServices::CreateOne(url, DorsaSLAuth_Annonymous::CreateOne());

    // Browse: the databases of the server.
    GetDatabasesResponse databases;
    services->GetBrowseService()->GetGetDatabaseImpl()->GetDatabases(&databases);
    if (!Succeeded("GetDatabases", databases.GetServiceLayerResponse())) {
        return 1;
    }
    for (const SmartPtr<DorsaDatabase>& database : databases.AccessDatabases()) {
        std::cout << database->GetDBKey() << " (" << database->GetName() << ")\n";
    }

    // Search: the records of one table that hold a word.
    SmartPtr<SimpleTextSearch> search = new SimpleTextSearch;
    search->SetDBKey("DORSA_SAMPLES");
    search->SetSearchValue("steel");
    search->AddRestrictToTables(PartialTableReference::CreateOneFromTableName("Alloys and Polymers"));
    SimpleTextSearchResponse found;
    services->GetSearchService()->GetSimpleTextSearchImpl()->Search(search, &found);
    if (!Succeeded("SimpleTextSearch", found.GetServiceLayerResponse())) {
        return 1;
    }
    std::vector<SmartPtr<RecordReference>> hits;
    for (const SmartPtr<SearchResult>& hit : found.AccessSearchResults()) {
        std::cout << hit->GetLongName() << "\n";
        hits.push_back(hit->GetRecordReference());
    }

    // Data export: the values of one attribute of the hits.
    SmartPtr<AttributeReference> density = new AttributeReference;
    density->SetDBKey("DORSA_SAMPLES");
    density->SetName("Density");
    density->SetPartialTableReference(PartialTableReference::CreateOneFromTableName("Alloys and Polymers"));
    SmartPtr<GetRecordAttributesByRefRequest> read = new GetRecordAttributesByRefRequest;
    read->SetRecordReferences(hits);
    read->AddAttributeReference(density);
    GetRecordAttributesByRefResponse values;
    services->GetDataExportService()->GetRecordAttributesByRefImplPtr()->RequestRecordAttributesByRef(read, &values);
    if (!Succeeded("GetRecordAttributesByRef", values.GetServiceLayerResponse())) {
        return 1;
    }
    for (const SmartPtr<RecordData>& record : values.AccessRecordData()) {
        for (const SmartPtr<AttributeValue>& value : record->AccessAttributeValues()) {
            // Every value comes as an IDataValue: cast to the type the attribute holds.
            auto* point = dynamic_cast<PointDataType*>(value->GetDataValue().get());
            if (!point) {
                continue;
            }
            for (const SmartPtr<PointValueWithParameters>& number : point->AccessPoints()) {
                std::cout << record->GetRecordReference()->GetIdentity() << ": " << number->GetValue() << " "
                          << point->GetUnitSymbol() << "\n";
            }
        }
    }

    // Engineering data: the hits through one of the server's exporters.
    SmartPtr<ExportRecordDataRequest> exportRequest = new ExportRecordDataRequest;
    exportRequest->SetExporterKey("sheetwise.csv.v2");
    exportRequest->SetRecords(hits);
    exportRequest->AddAttribute(density);
    ExportRecordDataResponse exported;
    services->GetEngineeringDataService()->GetExportRecordDataImpl()->ExportRecordData(exportRequest, &exported);
    if (!Succeeded("ExportRecordData", exported.GetServiceLayerResponse())) {
        return 1;
    }
    std::cout << exported.GetText();
    return 0;
} // the facades go first, the session they share last

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: first_host <base URL>\n";
        return 2;
    }
    Initialize(); // once per process, before any session
    const int status = Tour(argv[1]);
    Shutdown(); // after the last library object is released
    return status;
}
