#!/usr/bin/python3
"""Independent check of one generated mail with Python's email package.

Usage: mime_check.py MAIL_FILE EXPECT_JSON
EXPECT_JSON holds: shape (the part tree as "type(child,child)"), subject, and optionally text,
html (the decoded bodies, compared without regard to trailing line ends and CR LF versus LF)
and images (a list of {"path", "name"} in the order of the parts).
Prints every problem found and exits 1 when there is one; prints OK and exits 0 otherwise.
"""
import json
import re
import sys
from email import policy
from email.parser import BytesParser


def shape(part):
    if part.is_multipart():
        return part.get_content_type() + "(" + ",".join(shape(p) for p in part.iter_parts()) + ")"
    return part.get_content_type()


def norm(text):
    return text.replace("\r\n", "\n").rstrip("\n")


def main():
    raw = open(sys.argv[1], "rb").read()
    expect = json.load(open(sys.argv[2], encoding="utf-8"))
    problems = []

    if re.search(rb"(?<!\r)\n|\r(?!\n)", raw):
        problems.append("bare CR or LF in the mail")
    for number, line in enumerate(raw.split(b"\r\n"), 1):
        if len(line) > 998:
            problems.append("line %d has %d bytes" % (number, len(line)))

    msg = BytesParser(policy=policy.default).parsebytes(raw)
    for part in msg.walk():
        for defect in part.defects:
            problems.append("defect in %s: %r" % (part.get_content_type(), defect))
        if part.get_content_type() == "multipart/related" and part.get_param("type") != "text/html":
            problems.append("multipart/related without type=\"text/html\"")
        boundary = part.get_boundary() if part.is_multipart() else None
        if boundary is not None and (len(boundary) > 70 or not re.fullmatch(r"[0-9A-Za-z'()+_,\-./:=? ]*[0-9A-Za-z'()+_,\-./:=?]", boundary)):
            problems.append("boundary not allowed by RFC 2046: %r" % boundary)

    if shape(msg) != expect["shape"]:
        problems.append("shape %s, expected %s" % (shape(msg), expect["shape"]))
    if str(msg["subject"]) != expect["subject"]:
        problems.append("subject %r, expected %r" % (str(msg["subject"]), expect["subject"]))

    texts = [p for p in msg.walk() if p.get_content_type() == "text/plain"]
    htmls = [p for p in msg.walk() if p.get_content_type() == "text/html"]
    images = [p for p in msg.walk() if not p.is_multipart() and p.get_content_maintype() not in ("text",)]
    if "text" in expect:
        if len(texts) != 1 or norm(texts[0].get_content()) != norm(expect["text"]):
            got = texts[0].get_content() if texts else None
            problems.append("text part %r, expected %r" % (got, expect["text"]))
    if "html" in expect:
        if len(htmls) != 1 or norm(htmls[0].get_content()) != norm(expect["html"]):
            got = htmls[0].get_content() if htmls else None
            problems.append("html part %r, expected %r" % (got, expect["html"]))

    ids = {}
    for part in images:
        cid = part.get("content-id", "")
        if not (cid.startswith("<") and cid.endswith(">")):
            problems.append("content-id without angle brackets: %r" % cid)
        ids[cid.strip("<>")] = part
    for html in htmls:
        for cid in re.findall(r"cid:([^\"'\s>]+)", html.get_content()):
            if cid not in ids:
                problems.append("cid:%s has no part" % cid)
    expected_images = expect.get("images", [])
    if len(images) != len(expected_images):
        problems.append("%d image parts, expected %d" % (len(images), len(expected_images)))
    for part, wanted in zip(images, expected_images):
        if part.get_content() != open(wanted["path"], "rb").read():
            problems.append("image %s: bytes differ" % wanted["name"])
        if part.get_filename() != wanted["name"]:
            problems.append("image name %r, expected %r" % (part.get_filename(), wanted["name"]))

    for problem in problems:
        print(problem)
    if problems:
        return 1
    print("OK")
    return 0


if __name__ == "__main__":
    sys.exit(main())
