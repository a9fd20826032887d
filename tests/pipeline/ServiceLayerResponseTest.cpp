#include "dorsa/pipeline/ServiceLayerResponse.h"

#include <gtest/gtest.h>

#include <string>

namespace {

using zvrtkDorsaServiceLayer::ServiceLayerResponse;

struct FaultCase {
    const char* name;
    std::string reply;
    int code;
    std::string errorMessage;
    std::string faultCode = "";
    std::string detail = "";
};

TEST(ServiceLayerResponse, ReadsTheFaultOfFailedReplies)
{
    const std::string ns = " xmlns:s=\"http://schemas.xmlsoap.org/soap/envelope/\"";
    const FaultCase cases[] = {
        {"fault", "<s:Envelope><s:Body><s:Fault><faultcode>s:Client</faultcode><faultstring>Bad table</faultstring>"
                  "</s:Fault></s:Body></s:Envelope>", 500, "Bad table", "s:Client"},
        {"detail", "<s:Envelope" + ns + "><s:Body><s:Fault><faultcode>s:Server</faultcode><faultstring>F</faultstring>"
                   "<detail><e:why xmlns:e=\"urn:e\">Table &amp; key<e:at>line 3</e:at></e:why> done</detail>"
                   "</s:Fault></s:Body></s:Envelope>", 500, "F", "s:Server", "Table & keyline 3 done"},
        {"empty detail", "<s:Envelope><s:Body><s:Fault><faultstring>F</faultstring><detail/></s:Fault></s:Body>"
                         "</s:Envelope>", 500, "F"},
        {"references kept as written", "<s:Envelope" + ns + "><s:Body><s:Fault><faultstring>a &lt; b</faultstring>"
                                        "</s:Fault></s:Body></s:Envelope>", 500, "a &lt; b"},
        {"status 200", "<s:Envelope><s:Body><s:Fault><faultstring>x</faultstring></s:Fault></s:Body></s:Envelope>",
         200, ""},
        {"other envelope prefix", "<soap:Envelope><soap:Body><soap:Fault><faultstring>x</faultstring></soap:Fault>"
                                  "</soap:Body></soap:Envelope>", 500, ""},
        {"no fault string", "<s:Envelope><s:Body><s:Fault/></s:Body></s:Envelope>", 500, ""},
        {"empty fault string", "<s:Envelope><s:Body><s:Fault><faultstring/></s:Fault></s:Body></s:Envelope>", 500, ""},
        {"not XML", "GetTables FAILED", 500, ""},
        {"HTML page", "<html><body>Bad gateway</body>", 502, ""},
        {"empty", "", 500, ""},
    };
    for (const FaultCase& c : cases) {
        ServiceLayerResponse outcome(c.reply, c.code);
        EXPECT_EQ(outcome.GetErrorMessage(), c.errorMessage) << c.name;
        EXPECT_EQ(outcome.GetErrorMessage(), c.errorMessage) << c.name << " (cached)";
        EXPECT_EQ(outcome.GetFaultCode(), c.faultCode) << c.name;
        EXPECT_EQ(outcome.GetFaultDetail(), c.detail) << c.name;
        EXPECT_EQ(outcome.GetResponseMessage(), c.reply) << c.name;
    }
}

} // namespace
