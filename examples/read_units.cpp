// Lists the unit symbols of a database, marking those that carry a currency.
//
//   read_units http://localhost:8080/dorsa DORSA_SAMPLES
#include "CheckOutcome.h"

#include <dorsa/ServiceLayer.h>

#include <iostream>
#include <string>

using namespace zvrtkDorsaServiceLayer;

namespace {

int ReadUnits(const std::string& url, const std::string& dbKey)
{
    SmartPtr<DorsaSession> session = DorsaSession::CreateOne(url, DorsaSLAuth_Annonymous::CreateOne());

    SmartPtr<GetUnits> request = new GetUnits;
    request->SetDBKey(dbKey);
    GetUnitsImpl listUnits(session.get());
    GetUnitsResponse units;
    listUnits.GetUnits(request, &units);
    if (!Succeeded("GetUnits", units.GetServiceLayerResponse())) {
        return 1;
    }

    for (const auto& database : units.GetUnitsByDatabase()) {
        std::cout << database.first << ": " << database.second.size() << " units\n";
        for (const GetUnitsResponse::Unit& unit : database.second) {
            std::cout << "  " << unit.first << (unit.second ? " (currency)" : "") << "\n";
        }
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::cerr << "usage: read_units <base URL> [database key, default DORSA_SAMPLES]\n";
        return 2;
    }
    // Once per process, around every use of the library.
    Initialize();
    const int status = ReadUnits(argv[1], argc == 3 ? argv[2] : "DORSA_SAMPLES");
    Shutdown();
    return status;
}
