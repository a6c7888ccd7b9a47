"""Merging, updating, deleting and assigning from Python."""

import koru
import pytest

DOC = "<U><B N=b T=old><C N=a X=1><E T=1></E></C><C N=k></C></B><F ID=f></F></U>"


def written(doc):
    return doc.write().replace("\n", "").replace("  ", "")


@pytest.mark.parametrize("fragment, overwrite, new_values, result, new_table", [
    ("<U><B N=b T=new Y=2></B></U>", False, False,
     "<U><B N=b T=old Y=2><C N=a X=1><E T=1></E></C><C N=k></C></B><F ID=f></F></U>", {}),
    ("<U><B N=b T=new></B></U>", True, True,
     "<U><B N=b T=new><C N=a X=1><E T=1></E></C><C N=k></C></B><F ID=f></F></U>", {"N": "b", "T": "new"}),
    ("<U><B><C N=a><IE T=1></IE></C><C N=z></C></B></U>", False, False,
     "<U><B N=b T=old><C N=a X=1></C><C N=k></C><C N=z></C></B><F ID=f></F></U>", {}),
])
def test_merge(fragment, overwrite, new_values, result, new_table):
    doc = koru.parse(DOC)
    doc.merge(fragment, overwrite=overwrite, new_values=new_values)
    assert written(doc) == result
    assert dict(doc.body.new_values) == new_table


def test_update_returns_the_nodes_it_rebuilt():
    doc = koru.parse(DOC)
    rebuilt = doc.update('<C N=a X=2 LABEL="two"></C><C N=w></C><B STATUS=open></B>', new_values=True)
    assert [(n.tag, n.get("N")) for n in rebuilt] == [("C", "a"), ("C", "w"), ("B", "b")]
    assert doc.find("C", "a")["X"] == "2" and dict(doc.find("C", "a").new_values) == {"N": "a", "X": "2", "LABEL": "two"}
    assert doc.body["STATUS"] == "open"
    assert doc.update("<C N=a></C> loose words") != []
    assert doc.update("<C N=q></c>") == [], "a batch ended by </c> is ignored"


def test_delete_and_delete_children():
    doc = koru.parse(DOC)
    doc.delete_children(doc.find("C", "a"), "e", "1")
    assert written(doc) == "<U><B N=b T=old><C N=a X=1></C><C N=k></C></B><F ID=f></F></U>"
    doc.delete(doc.find("C", "a"))
    assert written(doc) == "<U><B N=b T=old><C N=k></C></B><F ID=f></F></U>"
    doc.delete(doc.body)
    assert written(doc) == "<U><F ID=f></F></U>"


def test_assign_sets_only_what_the_node_has():
    doc = koru.parse(DOC)
    control = doc.find("C", "a")
    assert control.assign("x", '"two words"') is True
    assert control.attrs["X"] == '"two words"' and control["X"] == "two words"
    assert dict(control.new_values) == {}
    assert control.assign("X", '"3"', new_value=True) and dict(control.new_values) == {"X": "3"}
    assert control.assign("missing", "1") is False and "MISSING" not in control.attrs
    # An assignment does not change how later merges treat restated values.
    doc.merge("<U><B T=merged></B></U>")
    assert doc.body["T"] == "old"


def test_a_node_of_another_document_is_refused():
    one, other = koru.parse(DOC), koru.parse(DOC)
    with pytest.raises(ValueError, match="another document"):
        one.delete(other.body)
    with pytest.raises(ValueError):
        one.delete_children(other.body, "C", "1")
    assert len(one) == len(other) == 5
