// Lists the databases of a Dorsa server, then the tables of each.
//
//   list_tables http://localhost:8080/dorsa
#include <dorsa/ServiceLayer.h>

#include <iostream>
#include <string>

using namespace zvrtkDorsaServiceLayer;

namespace {

// Whether a call succeeded. Every operation records its outcome on its response; a host
// checks it before reading anything else from the response.
bool Succeeded(const std::string& call, const SmartPtr<ServiceLayerResponse>& outcome)
{
    if (outcome && outcome->IsSuccess()) {
        return true;
    }
    std::cerr << call << " failed: ";
    if (!outcome) {
        std::cerr << "no outcome recorded\n";
        return false;
    }
    std::cerr << CallOutcomes::eCallOutcome_ToString(outcome->GetOutcome());
    if (outcome->GetOutcome() == CallOutcomes::TransportFailure) {
        std::cerr << ": " << outcome->GetTransportError();
    } else if (outcome->GetOutcome() == CallOutcomes::SoapFault) {
        std::cerr << ": " << outcome->GetErrorMessage();
    } else {
        std::cerr << " (HTTP " << outcome->GetResponseCode() << ")";
    }
    std::cerr << "\n";
    return false;
}

int ListTables(const std::string& url)
{
    SmartPtr<DorsaSession> session = DorsaSession::CreateOne(url, DorsaSLAuth_Annonymous::CreateOne());

    GetDatabaseImpl listDatabases(session.get());
    GetDatabasesResponse databases;
    listDatabases.GetDatabases(&databases);
    if (!Succeeded("GetDatabases", databases.GetServiceLayerResponse())) {
        return 1;
    }

    for (const SmartPtr<DorsaDatabase>& database : databases.AccessDatabases()) {
        std::cout << database->GetDBKey() << " (" << database->GetName() << ")\n";

        SmartPtr<GetTables> request = new GetTables;
        request->SetDBKey(database->GetDBKey());
        GetTablesImpl listTables(session.get());
        GetTablesResponse tables;
        listTables.RequestTables(request, &tables);
        if (!Succeeded("GetTables", tables.GetServiceLayerResponse())) {
            return 1;
        }
        for (const SmartPtr<TableDetail>& table : tables.AccessTableDetails()) {
            std::cout << "  " << table->GetTableReference()->GetTableName() << "\n";
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::cerr << "usage: list_tables <base URL>\n";
        return 2;
    }
    // Once per process, around every use of the library.
    Initialize();
    const int status = ListTables(argv[1]);
    Shutdown();
    return status;
}
