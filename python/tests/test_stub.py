"""The type stub names exactly what the module has, so editors complete the real API."""

import ast
import inspect

import koru
from conftest import SOURCE_DIR


def public(names):
    return {n for n in names if not n.startswith("_")}


def stub_names():
    tree = ast.parse((SOURCE_DIR / "python" / "koru.pyi").read_text())
    top, members = set(), {}
    for node in tree.body:
        if isinstance(node, (ast.FunctionDef, ast.ClassDef)):
            top.add(node.name)
        elif isinstance(node, ast.AnnAssign):
            top.add(node.target.id)
        if isinstance(node, ast.ClassDef):
            members[node.name] = {
                item.name if isinstance(item, ast.FunctionDef) else item.target.id
                for item in node.body if isinstance(item, (ast.FunctionDef, ast.AnnAssign))
            }
    return top, members


def test_the_stub_names_what_the_module_has():
    top, members = stub_names()
    assert public(top) - {"Text"} == public(dir(koru)) - {"Text"}
    for name, names in members.items():
        cls = getattr(koru, name)
        if issubclass(cls, BaseException):
            assert names == {"code", "message", "line", "column", "offset"} or not names
            continue
        mapping_mixins = {"get", "keys", "values", "items"} if name == "Attributes" else set()
        own = {n for n, _ in inspect.getmembers(cls)} - set(dir(object))
        own |= {n for n in getattr(cls, "__dict__", {}) if not n.startswith("_")}
        assert public(names) | mapping_mixins == public(own), name
