#!/usr/bin/python3
"""damage_table_page.py TABLEFILE [--hot-journal]: fills the recipients' table and garbles one of
its leaf pages. With --hot-journal it then leaves beside the file the journal of a write another
program did not finish, which leaves the garbled page alone. Exits 1 when the garbled page lies
in that journal after all, 2 when a rollback of a copy leaves a file that passes the engine's
check."""
import os
import shutil
import sqlite3
import struct
import sys
import tempfile

path = sys.argv[1]
hot_journal = "--hot-journal" in sys.argv[2:]


def connect(file):
    c = sqlite3.connect(file, isolation_level=None)
    c.create_collation("DE", lambda a, b: (a > b) - (a < b))
    return c


def rows(first, count):
    return ("INSERT INTO Adressen (AbsenderID, ID, Name) WITH RECURSIVE n(i) AS (SELECT %d UNION ALL "
            "SELECT i + 1 FROM n WHERE i < %d) SELECT 1, i, 'Name ' || i FROM n" % (first, first + count - 1))


def garble(page, page_size):
    with open(path, "r+b") as f:
        f.seek((page - 1) * page_size + 8)
        f.write(b"\xa5" * (page_size - 8))


c = connect(path)
c.execute(rows(5000, 20000))
leaves = [r[0] for r in c.execute("SELECT pageno FROM dbstat WHERE name = 'Adressen' AND pagetype = 'leaf' "
                                  "ORDER BY pageno")]
page_size = c.execute("PRAGMA page_size").fetchone()[0]
c.close()
victim = leaves[len(leaves) // 3]
if not hot_journal:
    garble(victim, page_size)
    sys.exit(0)

pid = os.fork()
if pid == 0:
    w = connect(path)
    w.execute("PRAGMA cache_size = 1")
    w.execute("BEGIN IMMEDIATE")
    w.execute(rows(90000, 3000))
    os._exit(0)
os.waitpid(pid, 0)

# https://www.sqlite.org/fileformat2.html#the_rollback_journal
journal = open(path + "-journal", "rb").read()
sector = struct.unpack(">I", journal[20:24])[0] or 512
journaled, at = set(), sector
while at + 8 + page_size <= len(journal):
    journaled.add(struct.unpack(">I", journal[at:at + 4])[0])
    at += 8 + page_size
if victim in journaled:
    sys.exit(1)
garble(victim, page_size)

# The rollback of a copy must leave the damage in place, or the fixture shows nothing.
with tempfile.TemporaryDirectory() as scratch:
    copy = os.path.join(scratch, "Adressen.ADT")
    shutil.copyfile(path, copy)
    shutil.copyfile(path + "-journal", copy + "-journal")
    c = connect(copy)
    try:
        intact = c.execute("PRAGMA quick_check").fetchone()[0] == "ok"
    except sqlite3.DatabaseError:
        intact = False
    c.close()
    if intact:
        sys.exit(2)
