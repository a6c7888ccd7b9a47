// Generated inputs for the benchmarks. Documents of the parse shape are valid
// KORU and well-formed XML at once: every value quoted, every start statement
// closed by its end statement, no '&', '<' or '>' inside values.
#ifndef KORU_BENCH_DOCUMENTS_H
#define KORU_BENCH_DOCUMENTS_H

#include <string>
#include <vector>

namespace koru_bench {

// Controls in the 1x parse document (about 300 KB); 10x and 100x scale it.
constexpr int kControlsPerScale = 1300;

// A document of `controls` controls in one body. Each control holds two A
// statements and an event statement with a nested M statement:
//   <U><B N="body" HREF="index.html"><C N="c0" X="button" ...><A N="a1" V="..."></A>
//   <A N="a2" V="..."></A><E T="click" HREF="go0.html"><M N="m" V="run"></M></E></C>...</B></U>
std::string ParseDocument(int controls);
// Nodes koru keeps for ParseDocument(controls): the body and five per control.
int ParseDocumentNodes(int controls);
// Elements an XML parser finds in it: koru's nodes and the frame.
inline int ParseDocumentElements(int controls) { return ParseDocumentNodes(controls) + 1; }

// A fragment restating the first `restated` controls of ParseDocument: each
// changes X, updates a1 and adds an A named a3.
std::string RestatingFragment(int restated);

// Names `prefix`0, `prefix`1, ... `count` of them; or the first `count` of
// those whose standard hash has its 12 low bits clear, which a table probing
// from those bits would pile into one stretch.
std::vector<std::string> PlainNames(int count, char prefix);
std::vector<std::string> ChosenNames(int count, char prefix);

// A body holding one control "w" with an A statement for each name; and a
// fragment restating that control once per name, each time with a new V for
// that name's A: <C N="w"><A N="a0" V="2"></A></C><C N="w">...
std::string WideControlDocument(const std::vector<std::string>& names);
std::string RestatingWideControl(const std::vector<std::string>& names);

// An update text of `batches` batches, one control each, every one closed by </C>:
// <C N="c0" V="2"><A N="a1" V="2"></A></C>...
std::string UpdateText(int batches);

// A source with `macros` definitions in its macro block and `controls` controls
// whose every attribute value is a macro reference.
std::string MacroDocument(int macros, int controls);

// A document of `statements` controls with the attributes `attributes` each
// (besides N), or `attributes` of them named P0, P1, ...
std::string WideDocument(int statements, const std::vector<std::string>& attributes);
std::string WideDocument(int statements, int attributes);

}  // namespace koru_bench

#endif
