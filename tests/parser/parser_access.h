// Test-only access to the parser's private steps and fields, so that the
// splitter, the tag stack, the frame check and the macro table can be driven
// one step at a time. The parser names this struct as its friend.
#ifndef KORU_TESTS_PARSER_PARSER_ACCESS_H
#define KORU_TESTS_PARSER_PARSER_ACCESS_H

#include <koru/koru.h>

namespace koru { namespace detail {

struct ParserAccess {
    using NodeList = CKORU_Parser::NodeList;
    using StatementList = CKORU_Parser::StatementList;

    // statement splitter
    static StatementList* PreProcess(CKORU_Parser& p, CString& source) { return p.PreProcess(source); }
    static CString* GetOneStatementItem(CKORU_Parser& p, int& pos, const CString& source) {
        return p.GetOneStatementItem(pos, source);
    }
    // Keeps the macros a PreProcess call staged, as an accepted parse does.
    static void CommitStagedMacros(CKORU_Parser& p) { p.CommitStagedMacros(); }

    // tag nesting stack
    static void StackOperation(CKORU_Parser& p, StatementList* statements) { p.StackOperation(statements); }
    static void Push(CKORU_Parser& p, CKORU_ItemNode* node) { p.Push(node); }
    static CKORU_ItemNode* Pop(CKORU_Parser& p) { return p.Pop(); }
    static int AreYouEndTag(CKORU_Parser& p, CString word) { return p.AreYouEndTag(word); }

    // redefinition check
    static int DoYouHaveReDefineSource(CKORU_Parser& p, CString& source) { return p.DoYouHaveReDefineSource(source); }

    // macro table: the block text is set first, as the splitter does
    static void TokenMacroString(CKORU_Parser& p, const CString& blockText, CMapStringToString& out) {
        p.m_MacroBlockText = blockText;
        p.TokenMacroString(&out);
    }
    // Reads one block into the macro table and keeps it.
    static void MakeMacroList(CKORU_Parser& p, const CString& blockText) {
        p.m_MacroBlockText = blockText;
        p.MakeMacroList();
        p.CommitStagedMacros();
    }
    // Applies the whole macro table to `source`, as the splitter does.
    static int SubstituteMacros(CKORU_Parser& p, CString& source) { return p.SubstituteMacros(source); }
    static void ReplaceMacroValue(CKORU_Parser& p, CString& source, CString name, CString value) {
        p.ReplaceMacroValue(source, name, value);
    }
    static int IsInSameMacroKey(CKORU_Parser& p, CString& name, CString& value, CMapStringToString* table) {
        return p.IsInSameMacroKey(name, value, table);
    }
    static int ConfirmationMacroValue(CKORU_Parser& p, CString& name, CString& value) {
        return p.ConfirmationMacroValue(name, value);
    }

    // parser object and driver steps
    static void ReleaseSubList(CKORU_Parser& p) { p.ReleaseSubList(); }
    static void ClearStringInMainNodeList(CKORU_Parser& p) { p.ClearStringInMainNodeList(); }

    // fields
    static int Depth(const CKORU_Parser& p) { return p.m_nDepth; }
    static NodeList& TagStack(CKORU_Parser& p) { return p.m_TagStack; }
    static NodeList& ClosedList(CKORU_Parser& p) { return p.m_ClosedList; }
    static NodeList& SubList(CKORU_Parser& p) { return p.m_SubList; }
    static const CMapStringToString* MacroTable(const CKORU_Parser& p) { return p.m_pMacroTable; }
    static CMapStringToString* MutableMacroTable(CKORU_Parser& p) { return p.m_pMacroTable; }
    static const CString& ReDefineSource(const CKORU_Parser& p) { return p.m_ReDefineSource; }
    static int Overwrite(const CKORU_Parser& p) { return p.m_nOverwrite; }
    static void SetOverwrite(CKORU_Parser& p, int value) { p.m_nOverwrite = value; }
    static int NewValue(const CKORU_Parser& p) { return p.m_nNewValue; }
    static const CString& MacroBlockText(const CKORU_Parser& p) { return p.m_MacroBlockText; }
};

}}  // namespace koru::detail

#endif
