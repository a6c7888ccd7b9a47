// Macro table: reading a MACRO block's definitions and merging them into the table.
#include "koru.h"
#include "scan/word_cursor.h"

#include <cstdlib>

using namespace koru::detail;

CMacroDef::CMacroDef(const CMacroDef* other)
    : m_Name(other ? other->m_Name : CString()), m_Value(other ? other->m_Value : CString()) {}
CMacroDef::CMacroDef(CString name, CString value) : m_Name(std::move(name)), m_Value(std::move(value)) {}
CMacroDef::CMacroDef(const CMacroDef& other) = default;
CMacroDef::~CMacroDef() = default;
CMacroDef& CMacroDef::operator=(const CMacroDef& other) = default;

void CKORU_Parser::MakeMacroList() {
    CMapStringToString definitions(10);
    TokenMacroString(&definitions);
    if (!definitions.IsEmpty()) UpdateMacroList(&definitions);
    definitions.RemoveAll();
}

// Reads "NAME:value??" definitions. Bytes of classes 1 to 5 between definitions
// are passed over; a value runs to the next "??", or is length-prefixed with
// "<l=N>", or runs to the end of the block text when it has no terminator.
void CKORU_Parser::TokenMacroString(CMapStringToString* newDefinitions) {
    // In <MACRO A:one??></MACRO> the start tag's closing '>' ends the block
    // text; it is cut only when nothing but blanks follows it, so that a '>'
    // inside a value (<l=4>, <b>) never cuts the definitions after it.
    const int lastClose = m_MacroBlockText.ReverseFind('>');
    if (lastClose >= 0 && m_MacroBlockText.View().find_first_not_of(" \t\r\n", static_cast<size_t>(lastClose) + 1) ==
                              std::string_view::npos)
        RemoveTailChar(m_MacroBlockText, '>');
    const std::string_view text = m_MacroBlockText.View();
    CString name;
    size_t i = 0;
    while (i < text.size()) {
        char c = text[i];
        short k = ClassOf(c);
        if (k == kOrdinary) {
            name += c;
            ++i;
            continue;
        }
        if (k != kColon) {
            ++i;
            continue;
        }
        size_t rest = i + 1;
        long valueLength = -1;
        if (text.compare(rest, 3, "<l=") == 0) {
            size_t gt = text.substr(rest, 10).find('>');
            if (gt != std::string_view::npos) {
                valueLength = gt > 3 ? std::atol(std::string(text.substr(rest + 3, gt - 3)).c_str()) : 0;
                rest += gt + 1;
            }
        } else {
            size_t end = text.find("??", rest);
            if (end != std::string_view::npos) valueLength = static_cast<long>(end - rest);
        }
        if (valueLength < 0) {
            CString value(text.substr(rest));
            MakeNewMacroList(name, value, *newDefinitions);
            return;
        }
        CString value(text.substr(rest, static_cast<size_t>(valueLength)));
        MakeNewMacroList(name, value, *newDefinitions);
        name.Empty();
        i = rest + static_cast<size_t>(valueLength) + 2;
    }
}

void CKORU_Parser::MakeNewMacroList(CString& name, CString& value, CMapStringToString& newDefinitions) {
    if (ConfirmationMacroValue(name, value)) newDefinitions.SetAt(name, value);
}

int CKORU_Parser::ConfirmationMacroValue(CString& name, CString& /*value*/) {
    for (char c : name.View())
        if (ClassOf(c) == kOrdinary) return 1;
    return 0;
}

// Merges new definitions into the staged copy of the macro table. The first
// block that brings definitions fixes their names as written; later blocks
// store upper-cased names, replace values only under the overwrite flag and
// add no empty value.
void CKORU_Parser::UpdateMacroList(CMapStringToString* newDefinitions) {
    if (!m_pStagedMacroTable)
        m_pStagedMacroTable = m_pMacroTable ? new CMapStringToString(*m_pMacroTable) : new CMapStringToString(10);
    CMapStringToString& table = *m_pStagedMacroTable;
    if (table.IsEmpty()) {
        for (int i = 0; i < newDefinitions->GetCount(); ++i)
            table.SetAt(newDefinitions->KeyAt(i), newDefinitions->ValueAt(i));
        return;
    }
    for (int i = 0; i < newDefinitions->GetCount(); ++i) {
        CString name = newDefinitions->KeyAt(i);
        const CString& value = newDefinitions->ValueAt(i);
        CString stored;
        if (IsInSameMacroKey(name, stored, &table)) {
            if (m_nOverwrite) table.SetAt(name, value);
        } else if (!value.IsEmpty()) {
            table.SetAt(name, value);
        }
    }
}

int CKORU_Parser::IsInSameMacroKey(CString& name, CString& value, CMapStringToString* table) {
    name.MakeUpper();
    if (table && table->Lookup(name, value)) return 1;
    value.Empty();
    return 0;
}

void CKORU_Parser::ReleaseMacroList() {
    if (!m_pMacroTable) return;
    m_pMacroTable->RemoveAll();
    delete m_pMacroTable;
    m_pMacroTable = nullptr;
}

// A parse builds its definitions in a staged copy of the table: accepted, the
// copy becomes the table; refused, it is dropped and the table never changed.
void CKORU_Parser::DiscardStagedMacros() {
    delete m_pStagedMacroTable;
    m_pStagedMacroTable = nullptr;
}

void CKORU_Parser::CommitStagedMacros() {
    if (!m_pStagedMacroTable) return;
    delete m_pMacroTable;
    m_pMacroTable = m_pStagedMacroTable;
    m_pStagedMacroTable = nullptr;
}
