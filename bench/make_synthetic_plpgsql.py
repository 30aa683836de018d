#!/usr/bin/env python3
"""Writes the SQL that creates a synthetic catalogue of PL/pgSQL routines for benchmarks.

    make_synthetic_plpgsql.py N OUTPUT [--seed S]

N routines in the schema public, run with psql in an empty database: scalar functions (most),
functions with OUT and INOUT arguments, procedures with INOUT arguments, set-returning
functions (RETURNS TABLE) and functions returning a refcursor, with 0 to 12 arguments each
(6 on average) over the types a PostgreSQL order-entry database uses. Every fiftieth routine
has an overload with one input argument more, so that overloads are exercised. The same N and seed
always give the same catalogue. OUTPUT "-" writes to standard output.
"""

import argparse
import os
import random
import sys

# (type, name stem)
TYPES = [
    ("integer", "id"), ("integer", "count"), ("bigint", "total"), ("smallint", "status"),
    ("numeric", "amount"), ("numeric(10,2)", "rate"), ("text", "note"), ("varchar(50)", "name"),
    ("boolean", "flag"), ("date", "day"), ("timestamptz", "at"), ("uuid", "guid"),
    ("bytea", "data"), ("double precision", "factor"),
]
ENTITIES = ["order", "customer", "product", "invoice", "payment", "shipment", "supplier", "employee",
            "region", "category", "stock", "price", "discount", "return", "account", "contact"]
ACTIONS = ["get", "list", "insert", "update", "delete", "find", "count", "archive", "check", "merge"]


def arguments(rnd, entity, count, modes, extra):
    """count arguments (mode, name, type), their mode drawn from modes, and with extra an
    input argument more at the end."""
    args, used = [], set()
    for k in range(count):
        typ, stem = TYPES[rnd.randrange(len(TYPES))]
        name = "p_%s_%s" % (entity if k == 0 else ENTITIES[rnd.randrange(len(ENTITIES))], stem)
        while name in used:
            name += "2"
        used.add(name)
        args.append((rnd.choice(modes), name, typ))
    return args + [("IN", "p_variant", "integer")] * extra


def routine(i, rnd, extra):
    """The CREATE statement of routine i (extra: arguments added for an overload)."""
    entity = ENTITIES[i % len(ENTITIES)]
    name = "%s_%s_%05d" % (ACTIONS[(i // len(ENTITIES)) % len(ACTIONS)], entity, i)
    kind = rnd.random()
    count = rnd.randint(0, 12)
    if kind < 0.08:
        # A procedure, some of its arguments INOUT.
        args = arguments(rnd, entity, count, ["IN"] * 7 + ["INOUT"], extra)
        return "CREATE PROCEDURE %s(%s) LANGUAGE plpgsql AS $$ BEGIN NULL; END $$;\n" % (
            name, ", ".join("%s %s %s" % a for a in args))
    if kind < 0.16 and count:
        # Output arguments: one row of results.
        args = arguments(rnd, entity, count, ["IN"] * 5 + ["OUT", "INOUT"], extra)
        if all(a[0] == "IN" for a in args):
            args[0] = ("OUT",) + args[0][1:]
        return "CREATE FUNCTION %s(%s) LANGUAGE plpgsql AS $$ BEGIN NULL; END $$;\n" % (
            name, ", ".join("%s %s %s" % a for a in args))
    args = ", ".join("%s %s" % a[1:] for a in arguments(rnd, entity, count, ["IN"], extra))
    if kind < 0.22:
        return ("CREATE FUNCTION %s(%s) RETURNS TABLE (line integer, amount numeric, note text) LANGUAGE plpgsql "
                "AS $$ BEGIN RETURN; END $$;\n" % (name, args))
    if kind < 0.25:
        return ("CREATE FUNCTION %s(%s) RETURNS refcursor LANGUAGE plpgsql AS $$ DECLARE c refcursor; "
                "BEGIN OPEN c FOR SELECT 1 AS n; RETURN c; END $$;\n" % (name, args))
    typ = TYPES[rnd.randrange(len(TYPES))][0]
    return "CREATE FUNCTION %s(%s) RETURNS %s LANGUAGE plpgsql AS $$ BEGIN RETURN NULL; END $$;\n" % (
        name, args, typ)


def catalogue(n, seed):
    """Yields the CREATE statements of n routines."""
    rnd = random.Random(seed)
    made = i = 0
    while made < n:
        seed_i = rnd.random()
        yield routine(i, random.Random(seed_i), 0)
        made += 1
        if i % 50 == 0 and made < n:
            # The same routine with an input argument more.
            yield routine(i, random.Random(seed_i), 1)
            made += 1
        i += 1


def main():
    p = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    p.add_argument("count", type=int, help="number of routines")
    p.add_argument("output", help="SQL file, or - for standard output")
    p.add_argument("--seed", type=int, default=1)
    a = p.parse_args()
    if a.count < 1:
        p.error("count must be at least 1")
    text = "-- Synthetic PL/pgSQL catalogue: %d routines.\nBEGIN;\n%sCOMMIT;\n" % (
        a.count, "".join(catalogue(a.count, a.seed)))
    if a.output == "-":
        sys.stdout.write(text)
    else:
        with open(a.output + ".tmp", "w", encoding="ascii", newline="\n") as f:
            f.write(text)
        os.replace(a.output + ".tmp", a.output)
    return 0


if __name__ == "__main__":
    sys.exit(main())
