// Lists the databases of a Dorsa server, then the tables of each.
//
//   list_tables http://localhost:8080/dorsa
#include "CheckOutcome.h"

#include <dorsa/ServiceLayer.h>

#include <iostream>
#include <string>

using namespace zvrtkDorsaServiceLayer;

namespace {

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
