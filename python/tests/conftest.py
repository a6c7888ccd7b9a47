"""Shared fixtures: where the sources are, and the bundled example page."""

import os
import pathlib

import pytest

SOURCE_DIR = pathlib.Path(os.environ.get("KORU_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
EXAMPLES = SOURCE_DIR / "examples"


@pytest.fixture
def page_text():
    return (EXAMPLES / "page.koru").read_text()


@pytest.fixture
def page(page_text):
    import koru

    return koru.parse(page_text)
