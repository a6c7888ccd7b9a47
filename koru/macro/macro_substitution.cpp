// Macro substitution: every "&NAME;" replaced by its value.
//
// The result is that of one left-to-right pass per macro in table order, each
// pass resuming after the value it inserted: a value that names its own macro
// leaves that reference once, and a value naming a macro later in the table
// is expanded by that macro's pass, while one naming an earlier macro is not.
// For A:(&B;)?? B:b?? the text &A; becomes (b); for B:b?? A:(&B;)?? it stays (&B;).
//
// Passes over the whole text per macro would cost macros x length, so the
// text is expanded in one stream instead. Every character carries the pass
// that brought it (0 for the source, i + 1 for the macro at table index i), and
// every place where a reference was taken out carries that macro's pass too.
// A reference to macro i is replaced exactly when it was complete before pass
// i + 1 ran: when each of its characters, and each place inside it where text
// was taken out, belongs to an earlier pass. A name holds ordinary characters
// only, so a reference is an '&', a run of ordinary characters and a ';', and
// it can be recognised the moment its ';' is read.
//
// A value written while no reference is open around it comes out the same
// every time, so its result is kept and copied when the value comes again: a
// chain of macros that each double the one before costs what its text costs.
//
// Two limits hold. The text written may never grow past the expansion bound.
// And the source with every value inserted, counted together, may not pass
// kExpansionWorkFactor times the bound: that stops a source that keeps writing
// long text and taking it out again, which the first limit alone would let run.
#include "refusal/limits.h"
#include "scan/word_cursor.h"

#include <algorithm>
#include <unordered_map>
#include <vector>

using namespace koru::detail;

namespace {

class MacroExpander {
public:
    MacroExpander(const CMapStringToString& table, size_t bound)
        : m_Table(table), m_Bound(bound), m_Budget(ExpansionWork(bound)), m_KeepBudget(bound) {
        m_Pass.reserve(static_cast<size_t>(table.GetCount()));
        for (int i = 0; i < table.GetCount(); ++i) m_Pass.emplace(table.KeyAt(i).View(), i + 1);
    }

    // Expands `text` into `out`; false when a limit would be passed.
    bool Expand(std::string_view text, std::string& out) {
        out.clear();
        out.reserve(text.size());
        if (!Charge(text.size())) return false;
        m_Frames.push_back({text, 0, 0, 0, false, 0, 0});
        while (!m_Frames.empty()) {
            Frame& frame = m_Frames.back();
            if (out.size() > frame.peak) {
                if (out.size() > m_Bound) return false;
                frame.peak = out.size();
            }
            if (frame.at == frame.text.size()) {
                EndFrame(out);
                continue;
            }
            const char c = frame.text[frame.at++];
            const int pass = frame.pass;
            if (c == ';' && m_OpenAmp >= 0 && out.size() > static_cast<size_t>(m_OpenAmp) + 1) {
                if (!Close(c, pass, out)) return false;
            } else if (c == '&') {
                m_Chain.push_back({m_OpenAmp, m_OpenPass, m_Junction});
                m_OpenAmp = static_cast<long>(out.size());
                m_OpenPass = pass;
                m_Junction = 0;
                out += c;
            } else if (ClassOf(c) == kOrdinary) {
                if (m_OpenAmp >= 0) m_OpenPass = std::max({m_OpenPass, pass, m_Junction});
                m_Junction = 0;
                out += c;
            } else {
                EndRun();
                out += c;
            }
        }
        return true;
    }

private:
    struct Frame {
        std::string_view text;
        size_t at;
        int pass;
        size_t start;    // output length when the value began
        bool clean;      // no reference was open around it
        size_t charged;  // m_Charged when the value began, its own length included
        size_t peak;     // longest the output was while the value was written
    };
    // The run state before an '&' was written, restored when its reference goes.
    struct Amp {
        long openAmp;
        int openPass;
        int junction;
    };
    // What writing a value from a clean state produced. Nothing outside the
    // value can reach into it then, so it comes out the same every time.
    struct Kept {
        std::string text;
        std::vector<Amp> chain;  // openAmp relative to the value's start, or -1
        long openAmp = -1;
        int openPass = 0;
        int junction = 0;
        size_t charged = 0;      // source and value characters it took, its own included
        size_t peak = 0;         // longest its output was, from the value's start
    };

    bool Charge(size_t count) {
        if (count > m_Budget) return false;
        m_Budget -= count;
        m_Charged += count;
        return true;
    }

    // A ';' ends the run after the last '&': replace the reference when its
    // macro's pass comes after every part of it, else keep the ';'.
    bool Close(char c, int pass, std::string& out) {
        const size_t amp = static_cast<size_t>(m_OpenAmp);
        const int formed = std::max({m_OpenPass, pass, m_Junction});
        auto found = m_Pass.find(std::string_view(out).substr(amp + 1));
        if (found == m_Pass.end() || found->second <= formed) {
            EndRun();
            out += c;
            return true;
        }
        const int macroPass = found->second;
        const Amp before = m_Chain.back();
        m_Chain.pop_back();
        out.resize(amp);
        m_OpenAmp = before.openAmp;
        m_OpenPass = before.openPass;
        m_Junction = std::max(before.junction, macroPass);

        const bool clean = m_OpenAmp < 0;
        auto keptAt = clean ? m_Kept.find(macroPass) : m_Kept.end();
        if (keptAt != m_Kept.end()) {
            const Kept& kept = keptAt->second;
            if (amp + kept.peak > m_Bound || !Charge(kept.charged)) return false;
            m_Frames.back().peak = std::max(m_Frames.back().peak, amp + kept.peak);
            out += kept.text;
            const long start = static_cast<long>(amp);
            for (const Amp& a : kept.chain)
                m_Chain.push_back({a.openAmp < 0 ? -1 : a.openAmp + start, a.openPass, a.junction});
            m_OpenAmp = kept.openAmp < 0 ? -1 : kept.openAmp + start;
            m_OpenPass = kept.openPass;
            m_Junction = kept.junction;
            return true;
        }
        const std::string_view value = m_Table.ValueAt(macroPass - 1).View();
        const size_t charged = m_Charged;
        if (!Charge(value.size())) return false;
        m_Frames.push_back({value, 0, macroPass, amp, clean, charged, amp});
        return true;
    }

    // A value is written out; keep the result of a clean one while the kept
    // texts stay within the bound.
    void EndFrame(const std::string& out) {
        const Frame frame = m_Frames.back();
        m_Frames.pop_back();
        if (!m_Frames.empty()) m_Frames.back().peak = std::max(m_Frames.back().peak, frame.peak);
        const size_t length = out.size() - frame.start;
        if (!frame.clean || length > m_KeepBudget || m_Kept.count(frame.pass)) return;
        m_KeepBudget -= length;
        Kept& kept = m_Kept[frame.pass];
        kept.text.assign(out, frame.start, length);
        const long start = static_cast<long>(frame.start);
        for (const Amp& a : m_Chain)
            kept.chain.push_back({a.openAmp < 0 ? -1 : a.openAmp - start, a.openPass, a.junction});
        kept.openAmp = m_OpenAmp < 0 ? -1 : m_OpenAmp - start;
        kept.openPass = m_OpenPass;
        kept.junction = m_Junction;
        kept.charged = m_Charged - frame.charged;
        kept.peak = frame.peak - frame.start;
    }

    // A character that can be part of no name: no reference is open any more.
    void EndRun() {
        m_OpenAmp = -1;
        m_OpenPass = 0;
        m_Junction = 0;
        m_Chain.clear();
    }

    const CMapStringToString& m_Table;
    const size_t m_Bound;                              // longest the output may grow
    size_t m_Budget;                                   // characters the source and values may still bring
    size_t m_Charged = 0;                              // characters they brought so far
    size_t m_KeepBudget;                               // characters the kept results may still hold
    std::unordered_map<std::string_view, int> m_Pass;  // name -> its pass (table index + 1)
    std::unordered_map<int, Kept> m_Kept;              // by pass
    std::vector<Frame> m_Frames;                       // source, then values being written
    long m_OpenAmp = -1;                               // the '&' of the open run in the output, or -1
    int m_OpenPass = 0;                                // latest pass among the open run's parts
    int m_Junction = 0;                                // pass that took text out right before the next character
    std::vector<Amp> m_Chain;                          // one entry per '&' of the open run's chain
};

}  // namespace

// One left-to-right pass for one macro; the search resumes after each value.
void CKORU_Parser::ReplaceMacroValue(CString& source, CString name, CString value) {
    const std::string reference = "&" + std::string(name.View()) + ";";
    const std::string_view text = source.View();
    size_t at = text.find(reference);
    if (at == std::string_view::npos) return;
    std::string out;
    size_t from = 0;
    while (at != std::string_view::npos) {
        out.append(text.substr(from, at - from));
        out.append(value.View());
        from = at + reference.size();
        at = text.find(reference, from);
    }
    out.append(text.substr(from));
    source = CString(out);
}

// Applies the macro table to `source`. Refuses, leaving `source` unchanged, a
// source that would grow past the expansion bound or take more work than allowed.
int CKORU_Parser::SubstituteMacros(CString& source) {
    const CMapStringToString* table = m_pStagedMacroTable ? m_pStagedMacroTable : m_pMacroTable;
    if (!table || table->IsEmpty() || source.Find('&') < 0) return 1;
    MacroExpander expander(*table, ExpansionBound(source.View().size()));
    std::string out;
    if (!expander.Expand(source.View(), out)) {
        Refuse(KoruRefusalCode::ExpansionLimit, -1, std::string_view());
        return 0;
    }
    source = CString(out);
    return 1;
}
