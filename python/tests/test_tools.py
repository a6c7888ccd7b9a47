"""check, format and URI coding from Python."""

import koru
import pytest


def test_check_finds_errors_and_warnings_with_places():
    text = "<U>\n  <B>\n    <Q N=x></Q>\n    <C N=é>\n  </B>\n</U>"
    found = koru.check(text)
    assert [(d.severity, d.code, d.line, d.column) for d in found] == [
        ("warning", "unknown-tag", 3, 6),
        ("error", "unclosed-start", 4, 5),
    ]
    unclosed = found[1]
    assert unclosed.refusal == "unbalanced" and (unclosed.note_line, unclosed.note_column) == (5, 3)
    assert unclosed.end_line == 4 and unclosed.end_column == 11, "columns count characters of a str"
    assert str(unclosed).startswith("4:5: error: ") and str(unclosed).endswith("[unclosed-start]")
    assert found[0].refusal is None
    assert koru.check(text, tags=["q"])[0].code == "unclosed-start"
    assert [d.code for d in koru.check("<U><Q></Q></U>", disable=["unknown-tag"])] == []
    assert koru.check(b"<U><B></B></U>") == []


def test_format_keeps_everything_but_the_layout():
    text = "<MACRO>X:1??</MACRO><U><!-- c --><B N=&X;><C N=a></C></B></U>\ntail"
    laid = koru.format(text)
    assert laid == "<MACRO>X:1??</MACRO>\n<U>\n  <!-- c -->\n  <B N=&X;>\n    <C N=a></C>\n  </B>\n</U>\ntail"
    assert koru.format(laid) == laid
    assert koru.format(text, indent=0).splitlines()[4] == "<C N=a></C>"
    assert koru.format(text.encode()) == laid.encode()
    with pytest.raises(koru.RefusedError):
        koru.format("<U><B></U>")


@pytest.mark.parametrize("plain, coded", [
    ("a b", "a+b"),
    ("x/y?z=1&w", "x%2fy%3fz%3d1%26w"),
    ("größe", "größe"),
    ("", ""),
])
def test_uri_coding(plain, coded):
    assert koru.uri_encode(plain) == coded
    assert koru.uri_decode(coded) == plain


def test_uri_decode_keeps_a_short_escape():
    assert koru.uri_decode("100%") == "100%" and koru.uri_decode("%4") == "%4"


@pytest.mark.parametrize("text", [
    "<MACRO>A:1??</MACRO>\n<U> <!-- é -->\n  <B N=&A;>é\udcff</B>\n</U>x",
    "no statement at all",
    "<U><B N='unclosed></U>",
])
def test_read_source_gives_pieces_that_are_the_whole_text(text):
    pieces = koru.read_source(text)
    assert "".join(p.text for p in pieces) == text
    for piece in pieces:
        assert text[piece.offset:piece.offset + piece.length] == piece.text
        line_start = text.rfind("\n", 0, piece.offset) + 1
        assert (piece.line, piece.column) == (text.count("\n", 0, piece.offset) + 1, piece.offset - line_start + 1)
    raw = text.encode("utf-8", "surrogateescape")
    assert b"".join(p.text for p in koru.read_source(raw)) == raw


def test_read_source_kinds():
    kinds = [p.kind for p in koru.read_source("<MACRO>A:1??</MACRO><U><!-- c --><B></B></U>")]
    assert kinds == ["macro-block", "start", "comment", "start", "end", "end"]


def test_places_in_a_long_line_count_characters():
    # One line, many nodes, characters of one to four bytes: every node's
    # column must name its '<' (and take linear time).
    body = "".join(f"<C N=ü{i}><A V=€𝄞></A></C>" for i in range(3000))
    text = f"<U><B N=é>{body}</B></U>"
    doc = koru.parse(text)
    assert all(text[node.column - 1] == "<" and node.line == 1 for node in doc)
    assert [p.column for p in koru.read_source(text) if p.kind == "start"] == [
        i + 1 for i, c in enumerate(text) if c == "<" and text[i + 1] != "/"]
