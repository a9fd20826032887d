// Lists the unit symbols of a database, marking those that carry a currency.
//
//   read_units http://localhost:8080/dorsa DORSA_SAMPLES
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
