// Parse throughput: the same bytes parsed by koru's DoParsingProc and by
// pugixml, tinyxml2, expat and libxml2, at 1x, 10x and 100x the base size.
// Each iteration builds and frees a whole document (expat, a stream parser,
// only reports elements). Results are checked: koru's node count and every
// peer's element count must be those the generator promises.
#include "bench_common.h"
#include "documents.h"

#include <expat.h>
#include <libxml/parser.h>
#include <libxml/tree.h>
#include <pugixml.hpp>
#include <tinyxml2.h>

namespace koru_bench {

namespace {

const std::string& Document(int scale) {
    return Cached("parse:" + std::to_string(scale), [scale] { return ParseDocument(kControlsPerScale * scale); });
}

void ParseKoru(benchmark::State& state, int scale) {
    const std::string& text = Document(scale);
    const int expected = ParseDocumentNodes(kControlsPerScale * scale);
    for (auto _ : state) {
        CKORU_Parser parser;
        CString source(text.data(), static_cast<int>(text.size()));
        if (parser.DoParsingProc(source, 0) != 1) return void(Fail(state, "DoParsingProc refused"));
        if (MainCount(parser) != expected) return void(Fail(state, "wrong node count"));
    }
    CountBytes(state, text.size());
}

int CountPugi(const pugi::xml_node& node) {
    int count = 0;
    for (pugi::xml_node child : node.children())
        if (child.type() == pugi::node_element) count += 1 + CountPugi(child);
    return count;
}

void ParsePugixml(benchmark::State& state, int scale) {
    const std::string& text = Document(scale);
    {
        pugi::xml_document doc;
        if (!doc.load_buffer(text.data(), text.size()) || CountPugi(doc) != ParseDocumentElements(kControlsPerScale * scale))
            return void(Fail(state, "pugixml: wrong element count"));
    }
    for (auto _ : state) {
        pugi::xml_document doc;
        if (!doc.load_buffer(text.data(), text.size())) return void(Fail(state, "pugixml refused"));
        benchmark::DoNotOptimize(doc.first_child());
    }
    CountBytes(state, text.size());
}

int CountTiny(const tinyxml2::XMLElement* element) {
    int count = 0;
    for (; element; element = element->NextSiblingElement()) count += 1 + CountTiny(element->FirstChildElement());
    return count;
}

void ParseTinyxml2(benchmark::State& state, int scale) {
    const std::string& text = Document(scale);
    {
        tinyxml2::XMLDocument doc;
        if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS ||
            CountTiny(doc.FirstChildElement()) != ParseDocumentElements(kControlsPerScale * scale))
            return void(Fail(state, "tinyxml2: wrong element count"));
    }
    for (auto _ : state) {
        tinyxml2::XMLDocument doc;
        if (doc.Parse(text.data(), text.size()) != tinyxml2::XML_SUCCESS) return void(Fail(state, "tinyxml2 refused"));
        benchmark::DoNotOptimize(doc.FirstChild());
    }
    CountBytes(state, text.size());
}

void XMLCALL ExpatStart(void* data, const XML_Char*, const XML_Char**) { ++*static_cast<int*>(data); }

void ParseExpat(benchmark::State& state, int scale) {
    const std::string& text = Document(scale);
    const int expected = ParseDocumentElements(kControlsPerScale * scale);
    for (auto _ : state) {
        XML_Parser parser = XML_ParserCreate(nullptr);
        int elements = 0;
        XML_SetUserData(parser, &elements);
        XML_SetStartElementHandler(parser, ExpatStart);
        const XML_Status status = XML_Parse(parser, text.data(), static_cast<int>(text.size()), 1);
        XML_ParserFree(parser);
        if (status != XML_STATUS_OK) return void(Fail(state, "expat refused"));
        if (elements != expected) return void(Fail(state, "expat: wrong element count"));
    }
    CountBytes(state, text.size());
}

int CountXml2(xmlNode* node) {
    int count = 0;
    for (; node; node = node->next)
        if (node->type == XML_ELEMENT_NODE) count += 1 + CountXml2(node->children);
    return count;
}

void ParseLibxml2(benchmark::State& state, int scale) {
    const std::string& text = Document(scale);
    const int options = XML_PARSE_NONET | XML_PARSE_HUGE;
    {
        xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "bench.xml", nullptr, options);
        const bool right = doc && CountXml2(xmlDocGetRootElement(doc)) == ParseDocumentElements(kControlsPerScale * scale);
        if (doc) xmlFreeDoc(doc);
        if (!right) return void(Fail(state, "libxml2: wrong element count"));
    }
    for (auto _ : state) {
        xmlDocPtr doc = xmlReadMemory(text.data(), static_cast<int>(text.size()), "bench.xml", nullptr, options);
        if (!doc) return void(Fail(state, "libxml2 refused"));
        xmlFreeDoc(doc);
    }
    CountBytes(state, text.size());
}

}  // namespace

void RegisterParseBenchmarks() {
    xmlInitParser();
    for (int scale : {1, 10, 100}) {
        const std::string suffix = "/x" + std::to_string(scale);
        auto add = [&](const char* library, void (*run)(benchmark::State&, int)) {
            benchmark::RegisterBenchmark(("parse/" + std::string(library) + suffix).c_str(), run, scale)
                ->Unit(benchmark::kMillisecond);
        };
        add("koru", ParseKoru);
        add("pugixml", ParsePugixml);
        add("tinyxml2", ParseTinyxml2);
        add("expat", ParseExpat);
        add("libxml2", ParseLibxml2);
    }
}

}  // namespace koru_bench
