// koru.check, koru.format, koru.uri_encode and koru.uri_decode.
#include "handles.h"

#include <pybind11/stl.h>

#include <memory>
#include <string>
#include <vector>

namespace koru_python {

namespace {

// A finding of koru.check, its places in the text's own units.
struct Diagnostic {
    KoruDiagnostic finding;

    std::string Where() const {
        return std::to_string(finding.line) + ":" + std::to_string(finding.column);
    }
};

py::object OrNone(int value) { return value > 0 ? py::object(py::int_(value)) : py::object(py::none()); }

py::object OrNone(const std::string& text) { return text.empty() ? py::object(py::none()) : py::object(StrOf(text)); }

std::vector<std::string> Strings(const std::vector<py::object>& items) {
    std::vector<std::string> out;
    for (const py::object& item : items) out.push_back(TextOf(item).bytes);
    return out;
}

// Turns the byte columns of a finding into character columns of a str.
void CountCharacters(const CharIndex& index, KoruDiagnostic& d) {
    d.column = index.CharColumn(d.line, d.column);
    d.endColumn = index.CharColumn(d.endLine, d.endColumn);
    d.noteColumn = index.CharColumn(d.noteLine, d.noteColumn);
}

// One piece of koru.read_source, its places in the text's own units.
struct SourcePiece {
    const char* kind;
    py::object text;
    size_t offset;
    size_t length;
    int line;
    int column;
};

const char* KindName(KoruSourcePiece::Kind kind) {
    switch (kind) {
        case KoruSourcePiece::StartStatement: return "start";
        case KoruSourcePiece::EndStatement: return "end";
        case KoruSourcePiece::Comment: return "comment";
        case KoruSourcePiece::MacroBlock: return "macro-block";
        case KoruSourcePiece::Text: return "text";
    }
    return "text";
}

// The pieces of a source; for a str, offsets and columns count characters.
py::list ReadPieces(const py::object& text) {
    const InputText source = TextOf(text);
    const std::vector<KoruSourcePiece> pieces = KoruReadSource(CString(source.bytes));
    std::unique_ptr<CharIndex> index;
    if (source.isStr) index = std::make_unique<CharIndex>(source.bytes);
    py::list out;
    for (const KoruSourcePiece& piece : pieces) {
        const std::string_view bytes = std::string_view(source.bytes).substr(piece.offset, piece.length);
        if (!index) {
            out.append(SourcePiece{KindName(piece.kind), py::bytes(bytes.data(), bytes.size()), piece.offset,
                                   piece.length, piece.line, piece.column});
            continue;
        }
        const size_t offset = index->CharOffset(piece.offset);
        out.append(SourcePiece{KindName(piece.kind), StrOf(bytes), offset,
                               index->CharOffset(piece.offset + piece.length) - offset, piece.line,
                               index->CharColumn(piece.line, piece.column)});
    }
    return out;
}

}  // namespace

void BindTools(py::module_& module) {
    py::class_<SourcePiece>(module, "SourcePiece",
                            "A piece of a source as its author wrote it: 'start' or 'end' statement, "
                            "'comment', 'macro-block', or 'text' (between statements, after </U>, or what "
                            "a reading cut short left). The pieces of a source together are the source.")
        .def_readonly("kind", &SourcePiece::kind)
        .def_readonly("text", &SourcePiece::text)
        .def_readonly("offset", &SourcePiece::offset)
        .def_readonly("length", &SourcePiece::length)
        .def_readonly("line", &SourcePiece::line)
        .def_readonly("column", &SourcePiece::column)
        .def("__repr__", [](const SourcePiece& self) {
            return py::str("<koru.SourcePiece {} {}:{} {!r}>").format(self.kind, self.line, self.column, self.text);
        });
    module.def("read_source", &ReadPieces, py::arg("text"),
               "Reads a source the way a parse reads it, but before macro expansion, into "
               "SourcePiece objects that together are the whole text, for tools that point "
               "at or rewrite what the author wrote.");

    py::class_<Diagnostic>(module, "Diagnostic",
                           "A finding of koru.check: an error (the source is refused) or a warning (it "
                           "parses, but is almost surely a mistake). Lines and columns are 1-based; "
                           "None where unknown.")
        .def_property_readonly("severity", [](const Diagnostic& self) {
            return self.finding.severity == KoruSeverity::Error ? "error" : "warning";
        }, "'error' or 'warning'.")
        .def_property_readonly("code", [](const Diagnostic& self) { return self.finding.code; },
                               "A short, stable name, such as 'unclosed-start'.")
        .def_property_readonly("message", [](const Diagnostic& self) { return StrOf(self.finding.message); })
        .def_property_readonly("refusal", [](const Diagnostic& self) { return OrNone(self.finding.refusal); },
                               "Errors: the reason the parse refuses the source, such as 'unbalanced'.")
        .def_property_readonly("line", [](const Diagnostic& self) { return OrNone(self.finding.line); })
        .def_property_readonly("column", [](const Diagnostic& self) { return OrNone(self.finding.column); })
        .def_property_readonly("end_line", [](const Diagnostic& self) { return OrNone(self.finding.endLine); })
        .def_property_readonly("end_column", [](const Diagnostic& self) { return OrNone(self.finding.endColumn); })
        .def_property_readonly("note", [](const Diagnostic& self) { return OrNone(self.finding.note); },
                               "A second place the finding names, such as where a quoted value ran to.")
        .def_property_readonly("note_line", [](const Diagnostic& self) { return OrNone(self.finding.noteLine); })
        .def_property_readonly("note_column", [](const Diagnostic& self) { return OrNone(self.finding.noteColumn); })
        .def("__str__", [](const Diagnostic& self) {
            const char* severity = self.finding.severity == KoruSeverity::Error ? "error" : "warning";
            return StrOf(self.Where() + ": " + severity + ": " + self.finding.message + " [" + self.finding.code + "]");
        })
        .def("__repr__", [](const Diagnostic& self) {
            return "<koru.Diagnostic " + self.finding.code + " at " + self.Where() + ">";
        });

    module.def(
        "check",
        [](const py::object& text, const std::vector<py::object>& tags, const std::vector<py::object>& disable) {
            const InputText source = TextOf(text);
            KoruCheckOptions options;
            options.extraTags = Strings(tags);
            options.disabled = Strings(disable);
            std::vector<KoruDiagnostic> findings;
            {
                py::gil_scoped_release release;
                findings = KoruCheckSource(CString(source.bytes), options);
            }
            py::list out;
            std::unique_ptr<CharIndex> index;
            if (source.isStr && !findings.empty()) index = std::make_unique<CharIndex>(source.bytes);
            for (KoruDiagnostic& finding : findings) {
                if (index) CountCharacters(*index, finding);
                out.append(Diagnostic{std::move(finding)});
            }
            return out;
        },
        py::arg("text"), py::arg("tags") = std::vector<py::object>(), py::arg("disable") = std::vector<py::object>(),
        "Checks a source as koru.parse would take it: errors say where the mistake that makes "
        "it refused most likely is, warnings what parses but is almost surely wrong. TAGS are "
        "tag names to accept beside the language's own; DISABLE, codes of warnings not to report.");

    module.def(
        "format",
        [](const py::object& text, int indent) {
            if (indent < 0 || indent > 16) throw py::value_error("indent must be 0 to 16");
            const InputText source = TextOf(text);
            const CString input(source.bytes);
            CString out;
            int laid;
            {
                py::gil_scoped_release release;
                laid = KoruFormatSource(input, out, indent);
            }
            if (!laid) {
                // A refused text raises; one that cannot be laid out safely stays as it is.
                CKORU_Parser parser;
                CString probe(input);
                if (!parser.DoParsingProc(probe, 0)) {
                    const KoruRefusal& refusal = parser.GetLastRefusal();
                    int column = refusal.column;
                    if (source.isStr) column = CharIndex(source.bytes).CharColumn(refusal.line, column);
                    RaiseRefused(refusal, refusal.line, column);
                }
            }
            if (!source.isStr) return py::object(py::bytes(out.GetString(), static_cast<size_t>(out.GetLength())));
            return py::object(StrOf(out));
        },
        py::arg("text"), py::arg("indent") = 2,
        "Lays a source out one statement per line, indented by nesting, keeping every "
        "statement, comment, macro and reference byte for byte; the result parses exactly as "
        "TEXT does. A text that cannot be laid out without risk comes back unchanged. Raises "
        "RefusedError for a refused text. Gives bytes for bytes.");

    module.def(
        "uri_encode", [](const py::object& text) { return StrOf(std::string_view(URIEncode(ZeroFreeBytes(text).c_str()))); },
        py::arg("text"),
        "Form-encodes TEXT (UTF-8): a blank becomes '+', every byte but letters, digits and "
        "bytes above 127 becomes %xx.");
    module.def(
        "uri_decode", [](const py::object& text) { return StrOf(std::string_view(URIDecode(ZeroFreeBytes(text).c_str()))); },
        py::arg("text"), "Decodes a form-encoded text; a '%' without two bytes after it stays as it is.");
}

}  // namespace koru_python
