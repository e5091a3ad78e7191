"""The examples of docs/python.md, run as written: each `>>>` line's output must be what the
document shows."""
import doctest
import os

from conftest import SOURCE


def test_python_document_examples_run_as_written(tmp_path, monkeypatch):
    monkeypatch.chdir(tmp_path)  # "missing.svg" is looked for where nothing is
    failures, tried = doctest.testfile(os.path.join(SOURCE, "docs", "python.md"),
                                       module_relative=False, optionflags=doctest.ELLIPSIS)
    assert tried > 20
    assert failures == 0
