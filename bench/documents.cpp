// Generators of the benchmark inputs.
#include "documents.h"

#include <functional>
#include <string_view>

namespace koru_bench {

namespace {

void AppendControl(std::string& out, int i) {
    const std::string n = std::to_string(i);
    out += "<C N=\"c";
    out += n;
    out += "\" X=\"button\" Y=\"";
    out += std::to_string(i % 480);
    out += "\" W=\"120\" H=\"24\" CAPTION=\"Control number ";
    out += n;
    out += "\"><A N=\"a1\" V=\"value ";
    out += n;
    out += " one\"></A><A N=\"a2\" V=\"";
    out += std::to_string(i * 7);
    out += "\"></A><E T=\"click\" HREF=\"go";
    out += n;
    out += ".html\"><M N=\"m\" V=\"run\"></M></E></C>\n";
}

}  // namespace

std::string ParseDocument(int controls) {
    std::string out;
    out.reserve(static_cast<size_t>(controls) * 240 + 64);
    out += "<U><B N=\"body\" HREF=\"index.html\">\n";
    for (int i = 0; i < controls; ++i) AppendControl(out, i);
    out += "</B></U>";
    return out;
}

int ParseDocumentNodes(int controls) { return 1 + 5 * controls; }

std::string RestatingFragment(int restated) {
    std::string out = "<U><B>";
    out.reserve(static_cast<size_t>(restated) * 90 + 16);
    for (int i = 0; i < restated; ++i) {
        const std::string n = std::to_string(i);
        out += "<C N=\"c" + n + "\" X=\"label\"><A N=\"a1\" V=\"new " + n + "\"></A><A N=\"a3\" V=\"added\"></A></C>";
    }
    out += "</B></U>";
    return out;
}

std::vector<std::string> PlainNames(int count, char prefix) {
    std::vector<std::string> names;
    for (int i = 0; i < count; ++i) names.push_back(prefix + std::to_string(i));
    return names;
}

std::vector<std::string> ChosenNames(int count, char prefix) {
    std::vector<std::string> names;
    for (long i = 0; static_cast<int>(names.size()) < count; ++i) {
        std::string name = prefix + std::to_string(i);
        if ((std::hash<std::string_view>{}(name) & 0xFFF) == 0) names.push_back(std::move(name));
    }
    return names;
}

std::string WideControlDocument(const std::vector<std::string>& names) {
    std::string out = "<U><B N=\"body\"><C N=\"w\">";
    out.reserve(names.size() * 28 + 48);
    for (const std::string& name : names) out += "<A N=\"" + name + "\" V=\"1\"></A>";
    out += "</C></B></U>";
    return out;
}

std::string RestatingWideControl(const std::vector<std::string>& names) {
    std::string out = "<U><B>";
    out.reserve(names.size() * 44 + 16);
    for (const std::string& name : names) out += "<C N=\"w\"><A N=\"" + name + "\" V=\"2\"></A></C>";
    out += "</B></U>";
    return out;
}

std::string UpdateText(int batches) {
    std::string out;
    out.reserve(static_cast<size_t>(batches) * 48);
    for (int i = 0; i < batches; ++i)
        out += "<C N=\"c" + std::to_string(i) + "\" V=\"2\"><A N=\"a1\" V=\"2\"></A></C>";
    return out;
}

std::string MacroDocument(int macros, int controls) {
    std::string out = "<U><MACRO>";
    for (int m = 0; m < macros; ++m) out += "M" + std::to_string(m) + ":macro value " + std::to_string(m) + "??\n";
    out += "</MACRO><B N=\"body\">";
    for (int i = 0; i < controls; ++i) {
        const std::string a = std::to_string(i % macros), b = std::to_string((i * 7 + 3) % macros);
        out += "<C N=\"c" + std::to_string(i) + "\" X=\"&M" + a + ";\" CAPTION=\"&M" + b + "; and &M" + a +
               ";\"><A N=\"a1\" V=\"&M" + b + ";\"></A></C>\n";
    }
    out += "</B></U>";
    return out;
}

std::string WideDocument(int statements, int attributes) { return WideDocument(statements, PlainNames(attributes, 'P')); }

std::string WideDocument(int statements, const std::vector<std::string>& attributes) {
    std::string out = "<U><B N=\"body\">";
    for (int i = 0; i < statements; ++i) {
        out += "<C N=\"c" + std::to_string(i) + "\"";
        for (size_t a = 0; a < attributes.size(); ++a)
            out += " " + attributes[a] + "=\"v" + std::to_string(static_cast<int>(a) + i) + "\"";
        out += "></C>\n";
    }
    out += "</B></U>";
    return out;
}

}  // namespace koru_bench
