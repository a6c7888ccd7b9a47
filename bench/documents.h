// Generated inputs for the benchmarks. Documents of the parse shape are valid
// KORU and well-formed XML at once: every value quoted, every start statement
// closed by its end statement, no '&', '<' or '>' inside values.
#ifndef KORU_BENCH_DOCUMENTS_H
#define KORU_BENCH_DOCUMENTS_H

#include <string>

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

// A body holding one control "w" of `children` A statements a0, a1, ...; and a
// fragment restating that control `children` times, the i-th time with a new V
// for the A named ai: <C N="w"><A N="a0" V="2"></A></C><C N="w">...
std::string WideControlDocument(int children);
std::string RestatingWideControl(int children);

// An update text of `batches` batches, one control each, every one closed by </C>:
// <C N="c0" V="2"><A N="a1" V="2"></A></C>...
std::string UpdateText(int batches);

// A source with `macros` definitions in its macro block and `controls` controls
// whose every attribute value is a macro reference.
std::string MacroDocument(int macros, int controls);

// A document of `statements` controls with `attributes` attributes each (besides N).
std::string WideDocument(int statements, int attributes);

}  // namespace koru_bench

#endif
