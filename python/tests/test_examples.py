"""Every bundled example goes through Python and back."""

import koru
import pytest
from conftest import EXAMPLES

DOCUMENTS = sorted(p.name for p in EXAMPLES.glob("*.koru") if p.name != "update.koru")


def nodes(doc):
    return [(n.tag, n.level, [(k, n[k]) for k in n.attrs]) for n in doc]


@pytest.mark.parametrize("name", DOCUMENTS)
def test_round_trip(name):
    text = (EXAMPLES / name).read_text()
    doc = koru.parse(text)
    assert len(doc) > 0
    assert nodes(koru.parse(doc.write())) == nodes(doc)
    assert koru.format(text) == text, "examples are laid out as format lays them out"
    assert [d for d in koru.check(text) if d.severity == "error"] == []
    for node in doc:
        assert text.splitlines()[node.line - 1][node.column - 1] == "<"


def test_the_example_page_with_its_fragment_and_update(page):
    page.merge((EXAMPLES / "fragment.koru").read_text())
    assert page.find("C", "help").href == "https://shop.example/spring/help"
    rebuilt = page.update((EXAMPLES / "update.koru").read_text(), new_values=True)
    assert [n.get("N") for n in rebuilt] == ["basket", "wishlist", "order"]
    assert page.find("C", "basket").new_values["LABEL"] == "3 items"
