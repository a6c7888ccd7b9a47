"""The worked example of docs/python.md runs and prints what the page shows."""

import contextlib
import io
import os
import re

from conftest import SOURCE_DIR

BLOCK = re.compile(r"```python\n(.*?)```\n\n```text\n(.*?)```", re.S)


def test_the_worked_example_prints_what_the_page_shows(monkeypatch):
    page = (SOURCE_DIR / "docs" / "python.md").read_text()
    blocks = BLOCK.findall(page)
    assert len(blocks) >= 8
    monkeypatch.chdir(SOURCE_DIR)
    scope = {}
    for code, shown in blocks:
        out = io.StringIO()
        with contextlib.redirect_stdout(out):
            exec(compile(code, "docs/python.md", "exec"), scope)
        assert out.getvalue() == shown, code
