"""What Python sees of refused texts and wrong arguments."""

import koru
import pytest


@pytest.mark.parametrize("text, code, line, column", [
    ("<B></B>", "no-frame", None, None),
    ("<U>\n  <B>\n</U>", "unbalanced", 1, 1),
    ("<U>\n<B N=\"é\n</B></U>", "unbalanced", None, None),
    ("<U><U></U>", "second-frame-start", 1, 4),
    ("<U><!-- x</U>", "unclosed-frame-comment", 1, 4),
])
def test_a_refused_source_raises_with_its_reason_and_place(text, code, line, column):
    with pytest.raises(koru.RefusedError) as raised:
        koru.parse(text)
    error = raised.value
    assert error.code == code
    assert error.message and str(error) == error.message
    if line is not None:
        assert (error.line, error.column) == (line, column)
    assert isinstance(error, koru.Error)


def test_refusal_names_match_check():
    text = "<U>\n  <B>\n    <C N=a>\n  </B>\n</U>"
    with pytest.raises(koru.RefusedError) as raised:
        koru.parse(text)
    errors = [d for d in koru.check(text) if d.severity == "error"]
    assert errors and all(d.refusal == raised.value.code for d in errors)


def test_a_refused_merge_or_update_changes_nothing():
    doc = koru.parse("<U><B N=b><C N=a></C></B></U>")
    before = doc.write()
    with pytest.raises(koru.RefusedError):
        doc.merge("<U><B><C N=z></B></U>")
    with pytest.raises(koru.RefusedError) as raised:
        doc.update("no statement here")
    assert raised.value.code == "no-statement"
    assert doc.write() == before
    with pytest.raises(koru.RefusedError) as raised:
        koru.Document().update("<C N=a></C>")
    assert raised.value.code == "no-main-list"


def test_arguments_of_the_wrong_kind():
    with pytest.raises(TypeError):
        koru.parse(42)
    with pytest.raises(TypeError):
        koru.parse(None)
    with pytest.raises(ValueError):
        koru.uri_encode("a\0b")
    with pytest.raises(ValueError):
        koru.format("<U></U>", indent=17)
    with pytest.raises(TypeError):
        koru.Document().delete("not a node")
    with pytest.raises(TypeError):
        koru.parse("<U><B></B></U>").find(level="2")
    with pytest.raises(KeyError) as raised:
        koru.parse("<U><B></B></U>").body["Nope"]
    assert raised.value.args == ("Nope",)


def test_texts_that_are_not_utf8_in_messages_and_reprs():
    doc = koru.parse(bytearray(b"<U><B\xff N=\xfe></B\xff></U>"))
    assert repr(doc.nodes[0]) == "<koru.Node B\udcff N=\udcfe level=2>"
    found = koru.check(b"<U><C\xff N=a></U>")
    assert "C\udcff" in str(found[0])
    with pytest.raises(koru.RefusedError):
        koru.parse(b"<U><C\xff N=a></U>")
    assert (doc.nodes[0].attrs == 5) is False and doc.nodes[0].attrs != {"B": ""}
