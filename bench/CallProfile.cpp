// A fixed run of small calls for an instruction-count profile, which stays repeatable on
// a loaded machine where wall-clock figures do not:
//
//   valgrind --tool=callgrind --toggle-collect='*ProfiledCalls*' bench/call_profile 200
//
// then instructions per call = the collected total / (2 × the count). One round before
// the count, not collected, opens the connections. Each round makes a
// GetDatabases call (no request object, the two-database reply) and a GetTables call
// (a request object, a one-table reply) on one session against the bench server.

#include "BenchServer.h"

#include "dorsa/ServiceLayer.h"

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

using namespace zvrtkDorsaServiceLayer;

std::string Envelope(const std::string& content)
{
    return "<s:Envelope xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"><s:Body>" + content +
           "</s:Body></s:Envelope>";
}

std::string DatabasesReply()
{
    return Envelope("<GetDatabasesResponse xmlns=\"" + BrowseService::GetBrowseDefinition("16/01") +
                    "\"><databaseDetails>"
                    "<database><dbKey>DORSA_SAMPLES</dbKey><volumeName>Sample Materials</volumeName></database>"
                    "<database><dbKey>DORSA_POLYMERS</dbKey><volumeName>Polymer Grades</volumeName></database>"
                    "</databaseDetails></GetDatabasesResponse>");
}

std::string TablesReply()
{
    const std::string base = std::string(VendorNamespaceRoot) + "/16/01/ZelvraBaseTypes";
    return Envelope("<a:GetTablesResponse xmlns:a=\"" + BrowseService::GetBrowseDefinition("16/01") +
                    "\" xmlns:z=\"" + base +
                    "\"><a:tableDetails><a:table><a:table><z:tableIdentity>1</z:tableIdentity>"
                    "<z:tableGUID>0001-aa</z:tableGUID><z:tableName>Foam Grades</z:tableName>"
                    "<z:dbKey>DORSA_SAMPLES</z:dbKey></a:table><a:attributeReferences/><a:tableFilters>"
                    "<a:tableFilter>MaterialsTablesOnly</a:tableFilter></a:tableFilters></a:table>"
                    "</a:tableDetails></a:GetTablesResponse>");
}

bool Calls(GetDatabaseImpl& databases, GetTablesImpl& tables, const SmartPtr<GetTables>& request, int count)
{
    bool complete = true;
    for (int round = 0; round < count; ++round) {
        GetDatabasesResponse databasesResponse;
        databases.GetDatabases(&databasesResponse);
        GetTablesResponse tablesResponse;
        tables.RequestTables(request, &tablesResponse);
        complete = complete && databasesResponse.AccessDatabases().size() == 2 &&
                   tablesResponse.AccessTableDetails().size() == 1;
    }
    return complete;
}

// Kept out of line under its own name, so the profiler counts these calls alone.
__attribute__((noinline)) bool ProfiledCalls(GetDatabaseImpl& databases, GetTablesImpl& tables,
                                             const SmartPtr<GetTables>& request, int count)
{
    return Calls(databases, tables, request, count);
}

} // namespace

int main(int argc, char** argv)
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 100;
    Initialize();
    bool complete;
    {
        dorsabench::BenchServer databasesServer(DatabasesReply());
        dorsabench::BenchServer tablesServer(TablesReply());
        SmartPtr<DorsaSession> databasesSession =
            DorsaSession::CreateOne(databasesServer.Url(), DorsaSLAuth_Annonymous::CreateOne());
        SmartPtr<DorsaSession> tablesSession =
            DorsaSession::CreateOne(tablesServer.Url(), DorsaSLAuth_Annonymous::CreateOne());
        GetDatabaseImpl databases(databasesSession.get());
        GetTablesImpl tables(tablesSession.get());
        SmartPtr<GetTables> request = new GetTables;
        request->SetDBKey("DORSA_SAMPLES");
        request->AddAttributeSelector(GetTables::NonMetaAttributes);
        complete = Calls(databases, tables, request, 1) && ProfiledCalls(databases, tables, request, count);
    }
    Shutdown();
    if (!complete) {
        std::cerr << "call_profile: a call did not read its whole reply\n";
        return 1;
    }
    return 0;
}
