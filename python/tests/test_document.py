"""Parsing and querying a document from Python."""

import koru
import pytest

SHOP = """<U>
  <B N=order HREF="/order" T="Spring sale">
    <C N=search W=200>
      <A N=label V="Search"></A>
      <E T=click ACTION=submit></E>
    </C>
    <C N=basket HREF=/basket>
      <A N=label V=Basket></A>
    </C>
  </B>
  <F ID=pay></F>
</U>"""


def shape(doc):
    return [(n.tag, n.level, n.get("N")) for n in doc]


def test_nodes_come_in_closing_order():
    doc = koru.parse(SHOP)
    assert shape(doc) == [
        ("A", 4, "label"), ("E", 4, None), ("C", 3, "search"),
        ("A", 4, "label"), ("C", 3, "basket"), ("B", 2, "order"), ("F", 2, None),
    ]
    assert len(doc) == 7 and doc.nodes == list(doc)
    assert repr(doc) == "<koru.Document 7 nodes>"


def test_a_node_reads_as_its_statement_wrote_it():
    doc = koru.parse(SHOP)
    body = doc.body
    assert body.tag == "B" and body.level == 2
    assert body.statement == '<B N=order HREF="/order" T="Spring sale"'
    assert list(body.attrs.items()) == [("B", ""), ("N", "order"), ("HREF", '"/order"'), ("T", '"Spring sale"')]
    assert body.attrs == {"B": "", "N": "order", "HREF": '"/order"', "T": '"Spring sale"'}
    assert body["t"] == "Spring sale" and body["HREF"] == "/order"
    assert body.get("missing") is None and body.get("missing", "x") == "x"
    assert "n" in body and "missing" not in body
    assert "N" in body.attrs and "n" not in body.attrs and len(body.attrs) == 4
    with pytest.raises(KeyError):
        body["missing"]
    with pytest.raises(KeyError):
        body.attrs["n"]
    with pytest.raises(TypeError):
        body.attrs["N"] = "x"
    assert repr(body) == "<koru.Node B N=order level=2>"


def test_parents_children_and_links():
    doc = koru.parse(SHOP)
    search = doc.find("c", "search")
    assert [c.get("N") for c in search.children] == ["label", None]
    assert search.parent == doc.body and doc.body.parent is None
    assert search.href == "/order", "inherited from the body"
    assert doc.find("C", "basket").href == "/basket"
    assert doc.find("F").href is None
    assert doc.find("A", "label").children == []


@pytest.mark.parametrize("args, found", [
    (dict(tag="C"), [("C", 3, "search"), ("C", 3, "basket")]),
    (dict(name="label"), [("A", 4, "label"), ("A", 4, "label")]),
    (dict(tag="a", name="label", level=4), [("A", 4, "label"), ("A", 4, "label")]),
    (dict(level=2), [("B", 2, "order"), ("F", 2, None)]),
    (dict(tag="C", name="Search"), []),
    (dict(tag="X"), []),
    (dict(), None),
])
def test_find_and_find_all(args, found):
    doc = koru.parse(SHOP)
    every = doc.find_all(**args)
    assert [(n.tag, n.level, n.get("N")) for n in every] == (found if found is not None else shape(doc))
    first = doc.find(**args)
    assert first == (every[0] if every else None)


def test_body_is_the_single_b_node():
    assert koru.parse("<U><F></F></U>").body is None
    assert koru.parse("<U><B N=1></B><B N=2></B></U>").body is None


def test_an_empty_document_takes_its_first_merge_as_the_document():
    doc = koru.Document()
    assert len(doc) == 0 and doc.body is None and doc.find("B") is None and doc.write() == "<U></U>"
    doc.merge(SHOP)
    assert shape(doc) == shape(koru.parse(SHOP))


def test_writing_gives_a_source_that_parses_to_the_same_nodes():
    doc = koru.parse(SHOP)
    again = koru.parse(doc.write())
    assert str(doc) == doc.write()

    def values(d):
        return [(n.tag, n.level, [(k, n[k]) for k in n.attrs]) for n in d]

    assert values(again) == values(doc)


def test_texts_in_bytes_and_any_encoding_come_back_unchanged():
    raw = b'<U><B N=caf\xe9 T="\xff\x00x"></B></U>'
    doc = koru.parse(raw)
    name = doc.body["N"]
    assert name == "caf\udce9", "a byte that is not UTF-8 travels as a lone surrogate"
    assert doc.body["T"] == "\udcff\x00x"
    again = koru.parse(doc.write().encode("utf-8", "surrogateescape"))
    assert [again.body[k] for k in "NT"] == [doc.body[k] for k in "NT"]
    assert doc.find(name=name) == doc.body
    assert koru.parse("<U><B N=größe></B></U>").body["N"] == "größe"


def test_nodes_know_where_their_statement_stood():
    doc = koru.parse("<U>\n  <B N=é>\n    <C N=ü></C></B></U>")
    assert (doc.body.line, doc.body.column) == (2, 3)
    assert (doc.find("C").line, doc.find("C").column) == (3, 5)
    # Columns count characters in a str and bytes in bytes.
    doc = koru.parse("<U><B N=é><C N=x></C></B></U>")
    assert doc.find("C").column == 11
    assert koru.parse("<U><B N=é><C N=x></C></B></U>".encode()).find("C").column == 12


def test_merged_nodes_are_placed_in_their_fragment_and_updated_ones_nowhere():
    doc = koru.parse("<U>\n<B N=b>\n<C N=a></C>\n</B>\n</U>")
    doc.merge("<U><B N=b>\n\n  <C N=new></C></B></U>")
    new = doc.find("C", "new")
    assert (new.line, new.column) == (3, 3)
    assert (doc.find("C", "a").line, doc.find("C", "a").column) == (3, 1)
    [made] = doc.update("<C N=other></C>")
    assert made.line is None and made.column is None
