// Parse driver: frame check, splitting, stacking, then a new main list on the
// first parse or a fragment merge on every later one.
#include "driver/parse_transaction.h"
#include "parser/node_store.h"
#include "parser/statement_list.h"
#include "parser/statement_splitter.h"
#include "refusal/refusal.h"
#include "scan/word_cursor.h"

using namespace koru::detail;

int CKORU_Parser::DoParsingProc(CString& source, int overwrite) {
    m_nOverwrite = overwrite;
    ParseTransaction transaction(*this, overwrite);
    SourceStatements statements;
    statements.cutWords = true;
    // The usual source is checked and split in one walk and in place: the
    // macro stage leaves a source without a block and, while macros are
    // defined, without references as it is, and only the text after the
    // frame is cut off the host's text, once it is accepted.
    size_t frameEnd = std::string_view::npos;
    const bool macros = MayHoldMacroBlock(source.View()) ||
                        (m_pMacroTable && !m_pMacroTable->IsEmpty() && source.Find('&') >= 0);
    const bool framed = !macros && SplitFramed(source.View(), statements, frameEnd);
    // Every other stage works on a copy, so a refused source leaves the host's
    // text, the macro table and every list exactly as they were.
    CString work;
    if (framed) {
        DiscardStagedMacros();
        m_MacroBlockText.Empty();
    } else {
        statements = SourceStatements();
        statements.cutWords = true;
        work = source;
        if (!DoYouHaveReDefineSource(work)) return 0;
        if (!PrepareSource(work) || !SplitStatements(work, statements)) {
            RelocateRefusal(m_LastRefusal, source.View(), work.View());
            return 0;
        }
    }
    const long long tooDeep = CheckParseNesting(statements);
    if (tooDeep >= 0) {
        if (framed) {
            work = source;
            KeepRedefinition(work, frameEnd);
        }
        Refuse(KoruRefusalCode::NestingLimit, StatementOffset(work, tooDeep), work.View());
        RelocateRefusal(m_LastRefusal, source.View(), work.View());
        return 0;
    }
    transaction.Commit();
    if (framed) KeepRedefinition(source, frameEnd);
    else source.swap(work);

    // A merge outlines its fragment from what the stack records as nodes close.
    statements.markClosed = m_pMainList != nullptr;
    StackStatements(source, statements);
    if (!m_pMainList) {
        MakeMainNode();
    } else {
        MakeSubNode();
        ConcateNode(statements);
    }
    if (!m_ReDefineSource.IsEmpty()) {
        CString text = m_ReDefineSource;
        ReleaseNodeList(UpdateParser(nullptr, text, 0));
    }
    m_LastRefusal = KoruRefusal();
    return 1;
}

// Closed nodes are fresh (their tables were built from their text and never
// touched), so handing them over is the same as copying them. The stack
// freed the frame and H nodes as they closed.
void CKORU_Parser::MakeMainNode() {
    m_pMainList = new NodeList(10);
    m_pMainList->Swap(m_ClosedList);
}

void CKORU_Parser::MakeSubNode() {
    ReleaseSubList();
    m_SubList.Swap(m_ClosedList);
}
