#!/usr/bin/env python3
"""Writes a synthetic SQL Server catalogue snapshot for benchmarks.

    make_synthetic_snapshot.py N OUTPUT [--seed S] [--keyless]

N stored procedures (about one in twenty a scalar function), with 0 to 12 parameters
each (6 on average) besides the return value, over the common SQL Server types, some of
them output parameters. Every fiftieth procedure has a twin with another prefix (usp_X and
sp_X) that gives the same method name, so that name uniqueness is exercised. The same N and
seed always give the same catalogue.

OUTPUT ending in .sql is written as a snapshot script; anything else as a SQLite database.
With --keyless the tables are declared as a snapshot written by hand usually declares them:
without keys and without collations.
"""

import argparse
import os
import random
import sqlite3
import sys

# (ADO type, size, precision, scale, attributes, name stem)
TYPES = [
    (3, 4, 10, 0, 80, "ID"),            # int
    (3, 4, 10, 0, 80, "Count"),
    (200, 50, 255, 255, 64, "Name"),    # varchar
    (200, 255, 255, 255, 64, "Note"),
    (202, 40, 255, 255, 64, "Title"),   # nvarchar
    (135, 16, 23, 3, 64, "Date"),       # datetime
    (6, 8, 19, 4, 80, "Amount"),        # money
    (131, 19, 18, 2, 80, "Rate"),       # decimal
    (11, 2, 1, 0, 64, "Flag"),          # bit
    (5, 8, 15, 0, 80, "Factor"),        # float
    (2, 2, 5, 0, 80, "Status"),         # smallint
    (72, 16, 0, 0, 64, "Guid"),         # uniqueidentifier
]
ENTITIES = ["Order", "Customer", "Product", "Invoice", "Payment", "Shipment", "Supplier", "Employee",
            "Region", "Category", "Stock", "Price", "Discount", "Return", "Account", "Contact"]
ACTIONS = ["Get", "List", "Insert", "Update", "Delete", "Find", "Count", "Archive", "Check", "Merge"]
PREFIXES = ["usp_", "sp_", "usp", "p_", ""]

CREATE = """
CREATE TABLE sysobjects (name TEXT NOT NULL COLLATE NOCASE, id INTEGER NOT NULL PRIMARY KEY, type CHAR(2));
CREATE TABLE ProcedureParameters (
  ProcedureName TEXT NOT NULL COLLATE NOCASE, Ordinal INTEGER NOT NULL, Name TEXT, Direction INTEGER,
  Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER,
  PRIMARY KEY (ProcedureName, Ordinal));
CREATE TABLE SnapshotInfo (Key TEXT, Value TEXT);
"""

CREATE_KEYLESS = """
CREATE TABLE sysobjects (name TEXT, id INTEGER, type CHAR(2));
CREATE TABLE ProcedureParameters (ProcedureName TEXT, Ordinal INTEGER, Name TEXT, Direction INTEGER,
  Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER);
CREATE TABLE SnapshotInfo (Key TEXT, Value TEXT);
"""


def catalogue(n, seed):
    """Yields (name, id, type, parameter rows) for n procedures."""
    rnd = random.Random(seed)
    made = 0
    i = 0
    while made < n:
        entity = ENTITIES[i % len(ENTITIES)]
        action = ACTIONS[(i // len(ENTITIES)) % len(ACTIONS)]
        stem = "%s%s%05d" % (action, entity, i)
        names = [PREFIXES[i % len(PREFIXES)] + stem]
        if i % 50 == 0:
            names.append(("sp_" if names[0].startswith("usp_") else "usp_") + stem)
        for name in names:
            if made == n:
                break
            is_function = rnd.random() < 0.05
            kind = "FN" if is_function else "P"
            if is_function:
                name = "fn_" + stem + ("" if name == names[0] else "B")
            count = rnd.randint(0, 12)
            rows = [(name, 0, "@RETURN_VALUE", 4, 3, 4, 10, 0, 16)]
            used = set()
            for k in range(1, count + 1):
                t = TYPES[rnd.randrange(len(TYPES))]
                pname = "@%s%s" % (entity if k == 1 else ENTITIES[rnd.randrange(len(ENTITIES))], t[5])
                if rnd.random() < 0.15:
                    pname = "@p_" + pname[1:].lower() + "_id"
                while pname.lower() in used:
                    pname += "2"
                used.add(pname.lower())
                direction = 3 if (not is_function and rnd.random() < 0.12) else 1
                rows.append((name, k, pname, direction) + t[:5])
            yield name, 100000 + made, kind, rows
            made += 1
        i += 1


def sql_text(value):
    if value is None:
        return "NULL"
    if isinstance(value, int):
        return str(value)
    return "'" + value.replace("'", "''") + "'"


def write(n, out, seed, keyless=False):
    create = CREATE_KEYLESS if keyless else CREATE
    tmp = out + ".tmp"
    if os.path.exists(tmp):
        os.remove(tmp)
    info = [("ServerType", "1"), ("Source", "synthetic/%d procedures, seed %d" % (n, seed)),
            ("TakenAt", "2026-12-06T14:03:05Z")]
    if out.lower().endswith(".sql"):
        with open(tmp, "w", encoding="ascii", newline="\n") as f:
            f.write("-- Synthetic SQL Server catalogue: %d procedures.\nBEGIN TRANSACTION;\n" % n)
            f.write(create.strip() + "\n")
            for name, oid, kind, rows in catalogue(n, seed):
                f.write("INSERT INTO sysobjects VALUES (%s, %d, '%s');\n" % (sql_text(name), oid, kind))
                for r in rows:
                    f.write("INSERT INTO ProcedureParameters VALUES (%s);\n" % ", ".join(sql_text(v) for v in r))
            for k, v in info:
                f.write("INSERT INTO SnapshotInfo VALUES (%s, %s);\n" % (sql_text(k), sql_text(v)))
            f.write("COMMIT;\n")
    else:
        db = sqlite3.connect(tmp)
        db.executescript(create)
        for name, oid, kind, rows in catalogue(n, seed):
            db.execute("INSERT INTO sysobjects VALUES (?, ?, ?)", (name, oid, kind))
            db.executemany("INSERT INTO ProcedureParameters VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)", rows)
        db.executemany("INSERT INTO SnapshotInfo VALUES (?, ?)", info)
        db.commit()
        db.close()
    os.replace(tmp, out)


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("count", type=int, help="number of procedures")
    p.add_argument("output", help="snapshot file (.sql script, else SQLite database)")
    p.add_argument("--seed", type=int, default=1)
    p.add_argument("--keyless", action="store_true", help="tables without keys and collations")
    a = p.parse_args()
    if a.count < 1:
        p.error("count must be at least 1")
    write(a.count, a.output, a.seed, a.keyless)
    return 0


if __name__ == "__main__":
    sys.exit(main())
