// Test helpers for the parse pipeline: build and read statement lists, render
// node lists and tables as strings, and photograph a parser's whole state so
// that "nothing changed" is one comparison.
#ifndef KORU_TESTS_PARSER_PIPELINE_HELPERS_H
#define KORU_TESTS_PARSER_PIPELINE_HELPERS_H

#include "parser/parser_access.h"

#include <cstdio>
#include <initializer_list>
#include <string>
#include <vector>

namespace koru_test {

using Access = koru::detail::ParserAccess;
using NodeList = CKORU_Parser::NodeList;
using StatementList = CKORU_Parser::StatementList;
using Lines = std::vector<std::string>;

inline std::string Str(const CString& s) { return std::string(s.View()); }

// `text` repeated `count` times.
inline std::string Repeat(const std::string& text, int count) {
    std::string out;
    out.reserve(text.size() * static_cast<size_t>(count > 0 ? count : 0));
    for (int i = 0; i < count; ++i) out += text;
    return out;
}

// A heap statement list, as the splitter hands it to the tag stack.
inline StatementList* MakeStatements(std::initializer_list<const char*> statements) {
    auto* list = new StatementList(10);
    for (const char* s : statements) list->AddTail(new CString(s));
    return list;
}

// The statements of a list in order, freeing the list; {"(null)"} for null.
inline Lines TakeStatements(StatementList* list) {
    if (!list) return {"(null)"};
    Lines lines;
    while (!list->IsEmpty()) {
        CString* s = list->RemoveHead();
        lines.push_back(Str(*s));
        delete s;
    }
    delete list;
    return lines;
}

// Splits `text` with a fresh parser; {"(null)"} when refused.
inline Lines Split(const std::string& text) {
    CKORU_Parser parser;
    CString source{std::string_view(text)};
    return TakeStatements(Access::PreProcess(parser, source));
}

// Nodes as "TAG LEVEL", head to tail.
inline Lines Shape(const NodeList* list) {
    Lines lines;
    if (!list) return {"(no list)"};
    for (CKORU_ItemNode* n : *list) lines.push_back(Str(n->m_TagName) + " " + std::to_string(n->m_Level));
    return lines;
}

// A map as "KEY=value" entries in iteration order; {"(no table)"} for null.
inline Lines Table(const CMapStringToString* map) {
    if (!map) return {"(no table)"};
    Lines lines;
    for (int i = 0; i < map->GetCount(); ++i) lines.push_back(Str(map->KeyAt(i)) + "=" + Str(map->ValueAt(i)));
    return lines;
}

// Everything of a node list: node identity, level, tag, statement and attributes.
inline std::string DescribeList(const NodeList* list) {
    if (!list) return "(none)";
    std::string out;
    char address[32];
    for (CKORU_ItemNode* n : *list) {
        std::snprintf(address, sizeof address, "%p", static_cast<void*>(n));
        out += std::string(address) + " " + std::to_string(n->m_Level) + " " + Str(n->m_TagName) + " [" +
               Str(n->m_Statement) + "]";
        for (const std::string& pair : Table(&n->m_AttrTable)) out += " " + pair;
        out += "\n";
    }
    return out;
}

// The parser's state that a refused parse must leave alone.
inline std::string Snapshot(CKORU_Parser& parser) {
    std::string out = "main:\n" + DescribeList(parser.GetMainList());
    out += "sub:\n" + DescribeList(&Access::SubList(parser));
    out += "closed:\n" + DescribeList(&Access::ClosedList(parser));
    out += "stack:\n" + DescribeList(&Access::TagStack(parser));
    out += "depth " + std::to_string(Access::Depth(parser)) + "\nmacros:\n";
    for (const std::string& pair : Table(Access::MacroTable(parser))) out += pair + "\n";
    return out;
}

// Parses `text`; the DoParsingProc result.
inline int Parse(CKORU_Parser& parser, const std::string& text, int overwrite = 0) {
    CString source{std::string_view(text)};
    return parser.DoParsingProc(source, overwrite);
}

}  // namespace koru_test

#endif
