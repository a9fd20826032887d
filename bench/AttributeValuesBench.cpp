// Reading attribute values: the library's reader against a bare RapidXML parse of the
// same bytes, on a document of tens of megabytes that mixes every value type.

#include "dorsa/ServiceLayer.h"
#include "dorsa/xml/XmlTextPrivate.h"

#include <benchmark/benchmark.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

using namespace zvrtkDorsaServiceLayer;

constexpr std::size_t s_documentBytes = 32 * 1024 * 1024;

// The sample attributes, repeated until the document reaches s_documentBytes.
const std::string& LargeDocument()
{
    static const std::string s_document = [] {
        std::ifstream file(DORSA_FIXTURES_DIR "/sample_attribute_values.xml", std::ios::binary);
        std::ostringstream content;
        content << file.rdbuf();
        const std::string sample = content.str();
        const std::size_t first = sample.find("<attribute>");
        const std::size_t last = sample.rfind("</attribute>") + std::string("</attribute>").size();
        std::string attributes;
        for (std::size_t at = first; at < last;) {
            const std::size_t end = sample.find("</attribute>", at) + std::string("</attribute>").size();
            attributes += sample.substr(at, end - at);
            at = sample.find("<attribute>", end);
            if (at == std::string::npos) {
                break;
            }
        }
        std::string document = "<records xmlns:xsi=\"http://www.w3.org/2001/XMLSchema-instance\"><record>";
        while (document.size() < s_documentBytes) {
            document += attributes;
        }
        return document + "</record></records>";
    }();
    return s_document;
}

void BareRapidXmlParse(benchmark::State& state)
{
    const std::string& document = LargeDocument();
    std::vector<char> text;
    for (auto _ : state) {
        text.assign(document.begin(), document.end());
        text.push_back('\0');
        rapidxml::xml_document<char> parsed;
        parsed.parse<rapidxml::parse_validate_closing_tags>(text.data());
        benchmark::DoNotOptimize(parsed.first_node());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document.size()));
}
BENCHMARK(BareRapidXmlParse)->Unit(benchmark::kMillisecond);

// The parse the pipeline runs on a reply: the same, after the NUL and nesting checks.
void CheckedParse(benchmark::State& state)
{
    const std::string& document = LargeDocument();
    for (auto _ : state) {
        detail::ParsedXml parsed;
        benchmark::DoNotOptimize(parsed.Parse(document.data(), document.size(), detail::ParseMode::Translated));
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document.size()));
}
BENCHMARK(CheckedParse)->Unit(benchmark::kMillisecond);

// The checked parse, then every attribute read into its typed value.
void ReadAttributeValues(benchmark::State& state)
{
    Initialize();
    const std::string& document = LargeDocument();
    std::size_t attributes = 0;
    for (auto _ : state) {
        detail::ParsedXml parsed;
        parsed.Parse(document.data(), document.size(), detail::ParseMode::Translated);
        const XmlNode<char>* record = FindChildElement("record", parsed.Document().first_node());
        attributes = 0;
        for (const XmlNode<char>* attribute = record->first_node(); attribute; attribute = attribute->next_sibling()) {
            benchmark::DoNotOptimize(AttributeValue::CreateOne(attribute));
            ++attributes;
        }
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * document.size()));
    state.counters["attributes"] = static_cast<double>(attributes);
    Shutdown();
}
BENCHMARK(ReadAttributeValues)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
