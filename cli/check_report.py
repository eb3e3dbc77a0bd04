#!/usr/bin/env python3
"""Checks the reports of mokuroku-check for the end-to-end test.

  check_report.py validate SCHEMA DOCUMENT   the document against a JSON Schema
  check_report.py junit DOCUMENT             well-formed; prints "tests failures cases"
"""
import json
import sys
import xml.etree.ElementTree as ET

import jsonschema


def validate(schema_path, doc_path):
    with open(schema_path, encoding="utf-8") as f:
        schema = json.load(f)
    with open(doc_path, encoding="utf-8") as f:
        doc = json.load(f)
    cls = jsonschema.validators.validator_for(schema)
    cls.check_schema(schema)
    errors = sorted(cls(schema).iter_errors(doc), key=lambda e: list(e.path))
    for e in errors[:5]:
        print(f"{doc_path}: {'/'.join(map(str, e.path))}: {e.message}")
    return 1 if errors else 0


def junit(doc_path):
    root = ET.parse(doc_path).getroot()
    cases = root.findall("./testsuite/testcase")
    failed = [c for c in cases if c.find("failure") is not None]
    print(root.get("tests"), root.get("failures"), len(cases), len(failed))
    return 0


if __name__ == "__main__":
    if sys.argv[1] == "validate":
        sys.exit(validate(sys.argv[2], sys.argv[3]))
    sys.exit(junit(sys.argv[2]))
