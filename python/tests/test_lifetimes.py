"""Nodes, views and documents released in any order, and nodes the document
deleted: Python sees an exception, never freed memory. (The CI runs this file
under AddressSanitizer.)"""

import gc
import itertools
import random

import koru
import pytest

DOC = "<U><B N=b HREF=/b><C N=a X=1><A N=l V=1></A><E T=1></E></C><C N=k></C></B><F ID=f></F></U>"


def test_a_node_keeps_its_document_alive():
    node = koru.parse(DOC).find("C", "a")
    gc.collect()
    assert node.tag == "C" and node.children[0]["V"] == "1"
    assert node.document.body["N"] == "b"
    doc = node.document
    assert node.document is doc


DELETIONS = {
    "delete": lambda doc: doc.delete(doc.find("C", "a")),
    "delete its parent": lambda doc: doc.delete(doc.body),
    "delete_children": lambda doc: doc.delete_children(doc.body, "C", ""),
    "a removal instruction in a merge": lambda doc: doc.merge("<U><B><C N=a><IA T=x></IA></C></B></U>")
    or doc.merge("<U><B><C N=zz></C></B></U>") or doc.delete(doc.find("C", "a")),
    "an update whose body removes it": lambda doc: doc.update("<B><IE T=1></IE></B>") and doc.delete(doc.find("C", "a")),
}

USES = [
    lambda n: n.tag, lambda n: n.level, lambda n: n.statement, lambda n: n.word_count,
    lambda n: n.attrs, lambda n: n.new_values, lambda n: n["N"], lambda n: n.get("N"),
    lambda n: "N" in n, lambda n: n.parent, lambda n: n.children, lambda n: n.href,
    lambda n: n.line, lambda n: n.column, lambda n: n.assign("X", "2"),
    lambda n: n.document.delete(n), lambda n: n.document.delete_children(n, "E", "1"),
]


@pytest.mark.parametrize("how", DELETIONS)
def test_a_deleted_node_raises_instead_of_being_read(how):
    doc = koru.parse(DOC)
    node = doc.find("C", "a")
    child = node.children[0]
    attrs, new_values = node.attrs, child.new_values
    DELETIONS[how](doc)
    assert not node.alive and not child.alive
    for use in USES:
        with pytest.raises(koru.DeletedNodeError):
            use(node)
    for view in (attrs, new_values):
        with pytest.raises(koru.DeletedNodeError):
            len(view)
        with pytest.raises(koru.DeletedNodeError):
            view["N"]
    with pytest.raises(ReferenceError):
        child.tag
    # What never reads the node still works.
    assert repr(node) == "<koru.Node (deleted)>" and node == node and node != child and hash(node) == hash(node)
    assert node.document is doc and all(n.alive for n in doc)


def test_an_update_returns_no_node_it_deleted_later():
    doc = koru.parse("<U><B><E T=1><C N=x></C></E><C N=k></C></B></U>")
    held = doc.find("C", "x")
    rebuilt = doc.update("<C N=x Y=1></C><C N=k></C><B><IE T=1></IE></B>")
    assert not held.alive
    assert [n.get("N") for n in rebuilt] == ["k", None] and all(n.alive for n in rebuilt)


def make_objects():
    doc = koru.parse(DOC)
    node = doc.find("C", "a")
    return [doc, node, node.attrs, iter(doc), node.children, doc.body.new_values]


def test_release_in_every_order():
    for order in itertools.permutations(range(6)):
        objects = make_objects()
        objects[1].document.delete(objects[1].children[1])
        for index in order:
            objects[index] = None
            gc.collect(0)
        assert objects == [None] * 6


def test_cycles_through_nodes_are_collected():
    doc = koru.parse(DOC)
    ring = [doc, doc.body]
    ring.append(ring)
    doc.body.document.delete(doc.find("E"))
    del doc, ring
    assert gc.collect() >= 1


def test_random_histories_keep_every_handle_exact():
    rng = random.Random(7)
    doc = koru.parse(DOC)
    held = list(doc)
    for step in range(300):
        choice = rng.randrange(5)
        alive = [n for n in held if n.alive]
        if choice == 0 and alive:
            doc.delete(rng.choice(alive))
        elif choice == 1:
            name = rng.choice("akz")
            doc.merge(f"<U><B><C N={name} X={step}><A N=l V={step}></A><IA T=x></IA><E T={step}></E></C></B></U>",
                      overwrite=rng.random() < 0.5)
        elif choice == 2:
            doc.update(f"<C N={rng.choice('akq')} Y={step}></C><B><IE T={rng.randrange(step + 1)}></IE></B>")
        elif choice == 3 and alive:
            rng.choice(alive).assign("X", str(step))
        elif choice == 4 and doc.body is None:
            doc.merge(f"<U><B N=b><C N=a></C></B></U>")
        held.extend(doc.nodes)
        present = set(doc.nodes)
        for node in held:
            assert node.alive == (node in present)
        held = [n for n in held if n.alive or rng.random() < 0.3]
    assert len(set(held)) <= len(doc) + len(held)


def test_parents_and_children_follow_every_change():
    # parent: the first later node one level up; children: the nodes one level
    # down in the run of deeper nodes just before a node (closing order).
    def expected(nodes, i):
        later = [n for n in nodes[i + 1:] if n.level == nodes[i].level - 1]
        run = []
        for n in reversed(nodes[:i]):
            if n.level <= nodes[i].level:
                break
            run.insert(0, n)
        return (later[0] if later else None), [n for n in run if n.level == nodes[i].level + 1]

    rng = random.Random(11)
    doc = koru.parse("<U><B N=b HREF=/b><C N=a><E T=1><M></M></E></C></B><F ID=f><FD N=x></FD></F></U>")
    for step in range(120):
        nodes = doc.nodes
        for i, node in enumerate(nodes):
            assert (node.parent, node.children) == expected(nodes, i)
            linked = node
            while linked is not None and not linked.get("HREF"):
                linked = linked.parent
            assert node.href == (linked["HREF"] if linked else None)
        choice = rng.randrange(3)
        if choice == 0 and len(nodes) > 3:
            doc.delete(rng.choice([n for n in nodes if n.tag != "B"]))
        elif choice == 1:
            doc.merge(f"<U><B><C N=c{rng.randrange(5)}><E T={step}><M></M></E></C></B><F ID=g><FD></FD></F></U>")
        else:
            doc.update(f"<C N=c{rng.randrange(5)} X={step} HREF=/c{step}><A N=l></A></C>")
