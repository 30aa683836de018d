#!/usr/bin/python3
"""Runs generated database classes in LibreOffice Basic (VBA mode) against the test
PostgreSQL server and checks what the server received and what came back.

For every case (a sample catalogue, a profile and a configuration) the harness generates
the class with procforge-cli, creates the catalogue's procedures as server functions,
loads the class with the shipped modules and the ADO stand-in (adodb.bas), generates a
driver from the class's declarations, runs it and checks its trace against the catalogue.
Prints one line per failed check and a summary; exit status 1 when a check failed.
"""
import argparse
import os
import re
import shutil
import sqlite3
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
ROOT = os.path.dirname(os.path.dirname(HERE))
DATA = os.path.join(ROOT, "tests", "data", "run")

# What LibreOffice Basic rejects or does differently from Visual Basic 6. Each rewrite
# changes the loaded text only where its pattern matches, and the loader reports how often
# each one applied; any other difference from the generated text is a fault of the harness.
def _exit_property_set(text):
    count = 0

    def block(m):
        nonlocal count
        body, n = re.subn(r"\bExit\s+Property\b", "GoTo PfExitProperty", m.group(2))
        count += n
        return m.group(1) + body + ("PfExitProperty:\n" if n else "") + m.group(3)
    text = re.sub(r"(^(?:Public |Private |Friend )?Property Set .*\n)((?:(?!End Property).*\n)*?)(End Property)",
                  block, text, flags=re.M)
    return text, count


def _missing_optional_copies(text):
    count = 0

    def proc(m):
        nonlocal count
        names = re.findall(r"Optional (?:ByVal |ByRef )?(\w+)(?: As Variant)?(?=\s*[,)])", m.group(1))
        body = m.group(2)
        for name in names:
            body, n = re.subn(r"^(\s*)(\w+) = %s\s*$" % name,
                              r"\1If Not IsMissing(%s) Then \2 = %s" % (name, name), body, flags=re.M)
            count += n
        return m.group(1) + body
    text = re.sub(r"(^(?:Public |Private |Friend )?(?:Function|Sub|Property \w+) \w+\((?:.*_\n)*.*\n)"
                  r"((?:(?!End (?:Function|Sub|Property)).*\n)*)", proc, text, flags=re.M)
    return text, count


def _result_resets(text):
    count = 0
    defaults = {"Boolean": "False", "String": '""', "Variant": "Empty", "Object": "Nothing"}

    def proc(m):
        nonlocal count
        name, body = m.group(2), m.group(3)
        kind = re.search(r"\)\s*As (\w+)\s*$", m.group(1))
        kind = kind.group(1) if kind else "Variant"
        reads_itself = re.search(r"^\s*(?:Set )?%s = .*\b%s\b" % (name, name), body, re.M)
        if not (reads_itself or re.search(r"^\s*On Error Resume Next$", body, re.M)):
            return m.group(0)
        count += 1
        value = defaults.get(kind, "0")
        return m.group(1) + "    %s%s = %s\n" % ("Set " if value == "Nothing" else "", name, value) + body
    text = re.sub(r"^((?:Public |Private |Friend )?(?:Function|Property Get) (\w+)\((?:.*_\n)*.*\n)"
                  r"((?:(?!End (?:Function|Property)).*\n)*)", proc, text, flags=re.M)
    return text, count


def _collection_items(text):
    """name(x) of a Collection variable as name.Item(x)."""
    count = 0
    for name in set(re.findall(r"\b(\w+) As (?:New )?Collection\b", text)):
        text, n = re.subn(r"\b%s\(" % name, "%s.Item(" % name, text)
        count += n
    return text, count


def _regex(pattern, replacement, flags=0):
    def apply(text):
        return re.subn(pattern, replacement, text, flags=flags)
    return apply


REWRITES = [
    ("exit-property-set", "LibreOffice rejects Exit Property inside Property Set: a GoTo to its end",
     _exit_property_set),
    ("open-close-type", "a Basic class cannot have members named Open, Close or Type: the stand-in's names",
     _regex(r"(?<=[\w)])\.(Open|Close|Type)\b",
            lambda m: {"Open": ".DoOpen", "Close": ".DoClose", "Type": ".Type_"}[m.group(1)])),
    ("last-dll-error", "Err.LastDllError does not exist in LibreOffice: 0",
     _regex(r"\bErr\.LastDllError\b", "0")),
    ("debug-assert", "Debug.Assert does not exist in LibreOffice: a shim that stops nothing",
     _regex(r"\bDebug\.Assert\b", "PfAssert")),
    ("missing-optional-copy", "LibreOffice fails on copying a missing Optional Variant: guarded by IsMissing",
     _missing_optional_copies),
    ("result-reset", "LibreOffice starts a function with its previous call's result (seen when it reads its own "
     "result, or when its assignment fails under On Error Resume Next): the result is set to its default first",
     _result_resets),
    ("collection-item", "LibreOffice has no default member on a Collection variable: .Item", _collection_items),
    ("format-minutes", "LibreOffice's Format reads nn as a weekday: minutes after hours are mm",
     _regex(r"(hh\\?:)nn", r"\1mm")),
    ("format-week-arguments", "LibreOffice's Format takes no first-day-of-week arguments (its defaults are "
     "Sunday and the week of 1 January, as passed)", _regex(r", vbSunday, vbFirstJan1\)", ")")),
    ("optional-passed-on", "LibreOffice cannot pass a missing Optional argument on to a parameter that is not "
     "Optional, and its IsObject takes a missing argument for an object: the parameter made Optional, the test "
     "guarded by IsMissing", _regex(r"\bByVal TransControlObject As Variant\) As String|\bIsObject\(TransControlObject\)",
                                   lambda m: "Optional " + m.group(0) if m.group(0)[0] == "B"
                                   else "PfIsObject(TransControlObject)")),
    ("com-context", "LibreOffice cannot create COM+'s AppServer object: the harness's object context",
     _regex(r'CreateObject\("MTxAS\.AppServer\.1"\)\.GetObjectContext\(\)', "GetObjectContext()")),
]

# Optional defaults that name a constant of another module fail to compile in LibreOffice:
# the loader gives the module a private copy of each such constant (counted as a rewrite).
FOREIGN_DEFAULT = ("optional-foreign-const",
                   "LibreOffice cannot take an Optional default from another module's constant: a private copy")


def prolog(is_class):
    """The options that put LibreOffice Basic in its VBA mode, for a class or a module."""
    return "Option VBASupport 1\n" + ("Option ClassModule\n" if is_class else "")


def split_standin(path):
    """The modules of adodb.bas: (name, text, is_class) per '#module / '#class marker."""
    modules = []
    for chunk in re.split(r"^'#", open(path).read(), flags=re.M)[1:]:
        head, _, body = chunk.partition("\n")
        kind, name = head.split()
        modules.append((name, prolog(kind == "class") + body, kind == "class"))
    return modules


def read_vb(path):
    """A generated file's module name, whether it is a class, and its text without the
    VERSION block and the Attribute lines (which LibreOffice does not read)."""
    raw = open(path, encoding="cp1252").read().replace("\r\n", "\n")
    name = re.search(r'^Attribute VB_Name = "(\w+)"', raw, re.M).group(1)
    is_class = raw.startswith("VERSION ")
    if is_class:
        raw = raw[raw.index("\nEND\n") + 5:]
    text = "\n".join(line for line in raw.split("\n") if not line.startswith("Attribute "))
    return name, is_class, text


def load_modules(paths, standin, counts):
    """Rewritten texts of the generated files, ready to insert, and the per-rewrite counts
    added to counts."""
    loaded = [read_vb(p) for p in paths]
    consts = {}
    for name, _, text in loaded + [(n, c, t) for n, t, c in standin]:
        for m in re.finditer(r"^Public Const (\w+)( As \w+)? = (.*)$", text, re.M):
            consts.setdefault(m.group(1).lower(), (name, "Private Const %s%s = %s" % m.groups("")))
        for m in re.finditer(r"\b(ad\w+|vb\w+) = (-?\d+)", text):
            if "Public Const" in text[text.rfind("\n", 0, m.start()):m.start()]:
                consts.setdefault(m.group(1).lower(), (name, "Private Const %s = %s" % m.groups()))
    modules = []
    for name, is_class, text in loaded:
        for rule, _, apply in REWRITES:
            text, n = apply(text)
            counts[rule] = counts.get(rule, 0) + n
        own = {m.lower() for m in re.findall(r"^\s*(?:Private |Public )?Const (\w+)", text, re.M)}
        copies = []
        for default in sorted(set(re.findall(r"Optional [^=,)]*= *(\w+)", text))):
            key = default.lower()
            if key in consts and key not in own and consts[key][0] != name:
                copies.append(consts[key][1])
                own.add(key)
        counts[FOREIGN_DEFAULT[0]] = counts.get(FOREIGN_DEFAULT[0], 0) + len(copies)
        lines = text.split("\n")
        at = max((i for i, l in enumerate(lines) if l.startswith("Option ")), default=-1) + 1
        lines[at:at] = copies
        modules.append((name, prolog(is_class) + "\n".join(lines), is_class))
    return modules


class Fail(Exception):
    pass


# ---------------------------------------------------------------------------------------
# LibreOffice session


class Office:
    def __init__(self, workdir):
        import uno
        from com.sun.star.connection import NoConnectException
        self.uno = uno
        self.pipe = "pfrun%d" % os.getpid()
        self.proc = subprocess.Popen(
            ["soffice", "--headless", "--invisible", "--norestore", "--nodefault", "--nologo",
             "-env:UserInstallation=file://" + os.path.join(workdir, "lo-profile"),
             "--accept=pipe,name=%s;urp;" % self.pipe],
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        local = uno.getComponentContext()
        resolver = local.ServiceManager.createInstanceWithContext(
            "com.sun.star.bridge.UnoUrlResolver", local)
        for _ in range(300):
            try:
                self.ctx = resolver.resolve(
                    "uno:pipe,name=%s;urp;StarOffice.ComponentContext" % self.pipe)
                break
            except NoConnectException:
                if self.proc.poll() is not None:
                    raise Fail("soffice exited with status %s" % self.proc.returncode)
                time.sleep(0.2)
        else:
            raise Fail("soffice did not accept a connection")
        smgr = self.ctx.ServiceManager
        self.libs = smgr.createInstanceWithContext(
            "com.sun.star.script.ApplicationScriptLibraryContainer", self.ctx)
        factory = smgr.createInstanceWithContext(
            "com.sun.star.script.provider.MasterScriptProviderFactory", self.ctx)
        self.provider = factory.createScriptProvider("")
        self.count = 0

    def close(self):
        self.proc.terminate()
        try:
            self.proc.wait(20)
        except subprocess.TimeoutExpired:
            self.proc.kill()

    def library(self, modules):
        """A new library holding modules: a list of (name, text, is_class)."""
        from com.sun.star.script import ModuleInfo
        from com.sun.star.script.ModuleType import CLASS, NORMAL
        self.count += 1
        name = "PfRun%d" % self.count
        lib = self.libs.createLibrary(name)
        for mod, text, is_class in modules:
            info = ModuleInfo()
            info.ModuleType = CLASS if is_class else NORMAL
            lib.insertModuleInfo(mod, info)
            lib.insertByName(mod, text)
        return name

    def call(self, lib, module, proc, *args):
        script = self.provider.getScript(
            "vnd.sun.star.script:%s.%s.%s?language=Basic&location=application" % (lib, module, proc))
        return script.invoke(tuple(args), (), ())[0]

    def drop(self, lib):
        if self.libs.hasByName(lib):
            self.libs.removeLibrary(lib)


# ---------------------------------------------------------------------------------------
# The catalogue and the server

NUMERIC = {2, 3, 4, 5, 6, 14, 16, 17, 18, 19, 20, 21, 131, 139}
INTEGER = {2, 3, 16, 17, 18, 19, 20, 21}
DATES = {7, 133, 134, 135}
STRINGS = {8, 129, 130, 200, 201, 202, 203}
LONG_TYPES = {201, 203, 205}
BINARY = {128, 204, 205}
VARIABLE = STRINGS - {8} | BINARY
PG_TYPE = {**{t: "timestamp" for t in DATES}, **{t: "bytea" for t in BINARY},
           2: "smallint", 3: "integer", 4: "real", 5: "double precision", 6: "numeric(19,4)",
           11: "boolean", 14: "numeric", 16: "smallint", 17: "smallint", 18: "integer",
           19: "bigint", 20: "bigint", 21: "numeric", 72: "uuid", 131: "numeric", 139: "numeric"}


# Oracle argument types as the class sends them; the size is not checked (-1): the class
# takes it from the declarations in the package sources.
ORA_TYPE = {"NUMBER": 5, "FLOAT": 5, "DATE": 135, "CHAR": 129, "VARCHAR2": 200, "NVARCHAR2": 202,
            "BINARY_INTEGER": 3, "PLS_INTEGER": 3, "RAW": 128}


def oracle_catalogue(db):
    """The catalogue of an Oracle snapshot's user_arguments: top-level arguments of
    procedures that are not overloaded, "PACKAGE.NAME" for package members, the function
    result as the return value; REF CURSOR arguments are result sets, not parameters."""
    procs = {}
    for pkg, obj, name, pos, typ, inout in db.execute(
            "SELECT PACKAGE_NAME, OBJECT_NAME, ARGUMENT_NAME, POSITION, DATA_TYPE, IN_OUT FROM user_arguments "
            "WHERE DATA_LEVEL = 0 AND OVERLOAD IS NULL ORDER BY PACKAGE_NAME, OBJECT_NAME, SEQUENCE"):
        params = procs.setdefault(pkg + "." + obj if pkg else obj, [])
        if typ is None or typ == "REF CURSOR":
            continue
        direction = 4 if pos == 0 else {"IN": 1, "OUT": 2, "IN/OUT": 3}[inout]
        params.append(("RETURN_VALUE" if pos == 0 else name, direction, ORA_TYPE.get(typ, 0), -1))
    return procs


def catalogue(snapshot, server_type):
    """Procedure name -> [(name, direction, type, size)] in call order, return value first,
    from a snapshot's ProcedureParameters, as the extractors document their reading: SQL
    Server and Sybase numeric (131) as double (5), Access
    names without the characters that are not letters or digits and varbinary of size 16."""
    db = sqlite3.connect(":memory:")
    db.executescript(open(snapshot, encoding="utf-8").read())
    if not db.execute("SELECT 1 FROM sqlite_master WHERE name = 'ProcedureParameters'").fetchone():
        return oracle_catalogue(db)
    # Sybase: a direction the provider leaves unknown (0) is the catalogue's, syscolumns.status2
    # (2 out, 4 in-out; output parameters take a value in too, so both are input-output).
    status2 = {}
    if server_type == "2" and db.execute("SELECT 1 FROM sqlite_master WHERE name = 'syscolumns'").fetchone():
        status2 = {(p.lower(), c.lower()): s for p, c, s in db.execute(
            "SELECT o.name, c.name, c.status2 FROM syscolumns c JOIN sysobjects o ON o.id = c.id")}
    procs = {}
    for proc, name, direction, typ, size in db.execute(
            "SELECT ProcedureName, Name, Direction, Type, Size FROM ProcedureParameters "
            "ORDER BY ProcedureName, Ordinal"):
        procs.setdefault(proc, [])
        if name and direction == 0 and (proc.lower(), name.lower()) in status2:
            direction = 3 if status2[(proc.lower(), name.lower())] & 6 else 1
        if name:
            if server_type == "0":
                name = re.sub(r"[^A-Za-z0-9]", "", name)
                size = 16 if typ == 204 else size
            if server_type in "12" and typ == 131:
                typ = 5
            procs[proc].append((name, direction, typ, size))
    return procs


def pg_name(param):
    return re.sub(r"[^a-z0-9_]", "_", param.lower().lstrip("@:"))


WIDE = {19, 20, 21}


def out_expr(typ, position, size):
    """What a generated server function returns for the parameter at position: computed from
    pf_d, the digest of all its input arguments with their positions, and the position, so
    that a value sent to the wrong argument or read back from the wrong output shows. Never
    a sample; integers wider than Long lie above 2^31."""
    h = "public.pf_h(pf_d, %d)" % position
    if typ in WIDE:
        return "3000000000 + %s %% 1000000000" % h
    if typ == 17:
        return "%s %% 250" % h
    if typ in (2, 16):
        return "%s %% 30000" % h
    if typ in INTEGER:
        return "%s %% 2000000000" % h
    if typ in NUMERIC:
        # Whole numbers: an Oracle NUMBER of scale 0 may be declared Long.
        return "%s %% 1000000" % h
    if typ in DATES:
        return "timestamp '2001-01-01' + (%s %% 9000) * interval '1 day' + (%s %% 86400) * interval '1 second'" % (h, h)
    if typ == 11:
        return "%s %% 2 = 1" % h
    md5 = "md5(pf_d || ':%d')" % position
    if typ == 72:
        return "regexp_replace(%s, '(.{8})(.{4})(.{4})(.{4})(.{12})', '\\1-\\2-\\3-\\4-\\5')::uuid" % md5
    if typ in BINARY:
        return "decode(substr(%s, 1, 8), 'hex')" % md5
    text = "'o%d-' || substr(%s, 1, 8)" % (position, md5)
    return "left(%s, %d)" % (text, size) if 0 < size < 11 else text


def function_sql(proc, params):
    """A server function standing for a catalogue procedure that has none of its own: it
    logs the call in pf_calls and computes its output values and result from its input
    arguments (out_expr); a procedure's status is 0."""
    args, sets, logged, digest = [], [], [], []
    ret = params[0] if params and params[0][1] == 4 else None
    for pos, (name, direction, typ, size) in enumerate(params):
        if direction == 4:
            continue
        mode = {1: "IN", 2: "OUT", 3: "INOUT", 0: "INOUT"}[direction]
        args.append('%s "%s" %s' % (mode, pg_name(name), PG_TYPE.get(typ, "text")))
        if direction != 2:
            logged.append('coalesce("%s"::text, \'NULL\')' % pg_name(name))
            digest.append("'%d=' || coalesce(\"%s\"::text, 'NULL')" % (pos, pg_name(name)))
    for pos, (name, direction, typ, size) in enumerate(params):
        if direction not in (1, 4):
            sets.append('"%s" := %s;' % (pg_name(name), out_expr(typ, pos, size)))
    if sets and ret:
        args.append("OUT return_value integer")
        sets.append("return_value := 0;")
    returns = "" if sets else " RETURNS %s" % (PG_TYPE.get(ret[2], "text") if ret else "void")
    result = "" if sets or not ret else "RETURN %s;" % (
        "0" if ret[2] == 3 else out_expr(ret[2], 0, ret[3]))
    log = "concat_ws('|', %s)" % ", ".join(logged) if logged else "''"
    return ('CREATE FUNCTION %s(%s)%s LANGUAGE plpgsql AS $pf$ DECLARE pf_d text := md5(concat_ws(\'|\', %s)); '
            "BEGIN INSERT INTO public.pf_calls(pf_proc, pf_args) VALUES ('%s', %s); %s %s END $pf$;\n"
            % (qualified(proc), ", ".join(args), returns, ", ".join(digest) or "''", proc.replace("'", "''"), log,
               " ".join(sets), result))


def qualified(proc):
    """A procedure's server function: a package procedure in the schema of its package."""
    return ".".join('"%s"' % part for part in proc.split(".", 1))


class Server:
    def __init__(self, port, password, db):
        self.port, self.password, self.db = port, password, db

    def psql(self, sql, rows=False):
        """What psql prints for sql, or with rows the rows as lists of texts (Null as <NULL>)."""
        env = dict(os.environ, PGPASSWORD=self.password)
        run = subprocess.run(["psql", "-X", "-q", "-A", "-t", "-v", "ON_ERROR_STOP=1", "-h", "127.0.0.1",
                              "-p", str(self.port), "-U", "postgres", "-d", self.db] +
                             ["-F", "\x1f", "-P", "null=<NULL>"] * rows,
                             input=sql, capture_output=True, text=True, env=env)
        if run.returncode != 0:
            raise Fail("psql: %s%s" % (sql + ": " if rows else "", run.stderr.strip()))
        return [l.split("\x1f") for l in run.stdout.split("\n") if l] if rows else run.stdout.strip()

    def install(self, sample_sql, procs):
        """A fresh schema: the sample's own tables and functions (the SQL files of the list
        sample_sql, in order), then a generated function for every catalogue procedure the
        sample files do not define."""
        schemas = ["public"] + sorted({p.split(".")[0] for p in procs if "." in p})
        self.psql("".join('DROP SCHEMA IF EXISTS "%s" CASCADE; CREATE SCHEMA "%s";\n' % (x, x) for x in schemas)
                  + "CREATE TABLE public.pf_calls(pf_id serial PRIMARY KEY, pf_proc text, pf_args text);\n"
                  + "CREATE FUNCTION public.pf_h(d text, pos integer) RETURNS bigint LANGUAGE sql IMMUTABLE AS "
                  "$$ SELECT ('x' || substr(md5(d || ':' || pos), 1, 8))::bit(32)::bigint $$;\n"
                  + "".join(open(os.path.join(ROOT, f)).read() for f in sample_sql or ()))
        have = set(self.psql("SELECT lower(CASE nspname WHEN 'public' THEN '' ELSE nspname || '.' END || proname) "
                             "FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace").split("\n"))
        self.psql("".join(function_sql(p, prm) for p, prm in sorted(procs.items()) if p.lower() not in have))


# ---------------------------------------------------------------------------------------
# The driver: made from the class's declarations and the catalogue

METHOD = re.compile(r"^Public Function (\w+)\(((?:.*_\n)*.*?)\)\s*As (\w+)\n((?:(?!End Function).*\n)*?)End Function",
                    re.M)
ARG = re.compile(r"^(Optional )?(ByVal |ByRef )?(\w+)(?: As (\w+))?")


def method_args(declared):
    """A method's declared arguments: [(byref, name, Basic type)]."""
    args = (ARG.match(piece.strip()) for piece in re.sub(r"_\n", " ", declared).split(","))
    return [(a.group(2) == "ByRef ", a.group(3), a.group(4) or "Variant") for a in args if a]


def sample(typ, size, k, vbtype):
    """A typed sample argument: (Basic expression, the literal the server must receive)."""
    if typ in WIDE:
        return "%d" % (5000000000 + k), "'%d'" % (5000000000 + k)
    if typ in INTEGER or typ in NUMERIC and vbtype in ("Long", "Integer", "Byte"):
        return "%d" % (100 + k), "'%d'" % (100 + k)
    if typ in NUMERIC:
        return "%d.5" % k, "'%d.5'" % k
    if typ == 11:
        return "True", "'true'"
    if typ in DATES:
        return "DateSerial(2024, 3, 15) + TimeSerial(10, 30, %d)" % (k % 60), "'2024-03-15 10:30:%02d'" % (k % 60)
    if typ == 72:
        return '"{6F9619FF-8B86-D011-B42D-00C04FC964FF}"', "'{6F9619FF-8B86-D011-B42D-00C04FC964FF}'"
    if typ in BINARY:
        return "Array(CByte(1), CByte(%d), CByte(255))" % k, "'\\x01%02XFF'" % k
    text = ("s%dxyz" % k)[:max(1, min(size or 6, 6))]
    return '"%s"' % text, "'%s'" % text


def methods(text, procs):
    """The stored-procedure methods of a class text: name, arguments [(byref, name, type)],
    result type, the catalogue procedure it calls and that procedure's parameters."""
    lower = {p.lower(): p for p in procs}
    found = []
    for m in METHOD.finditer(text):
        call = re.search(r'^\s*Execute "Begin \? := ([\w.]+)(?:\(.*\))?; End;", adCmdText\s*$', m.group(4), re.M) or \
            re.search(r'^\s*Execute "((?:[^"]|"")+)"(?:, adCmdStoredProc, True)?\s*$', m.group(4), re.M)
        if not call:
            continue
        called = server_name(call.group(1).replace('""', '"'))
        proc = called if called in procs else lower.get(called.lower())
        if proc is None:
            continue
        args = method_args(m.group(2))
        found.append((m.group(1), args, m.group(3), proc, procs[proc]))
    return found


def server_name(text):
    """The procedure name in an Execute text: without SQL Server's brackets ("]" doubled
    inside) or Access's double quotes."""
    if text.startswith("[") and text.endswith("]"):
        return text[1:-1].replace("]]", "]")
    if len(text) > 1 and text[0] == text[-1] == '"':
        return text[1:-1]
    return text


def read_templates(path):
    """The driver's Basic templates by name, each after its '#template line in path."""
    parts = re.split(r"^'#template (\w+)\n", open(path).read(), flags=re.M)
    return dict(zip(parts[1::2], parts[2::2]))


DRIVER_HEAD, DRIVER_METHOD, SCENARIO, LIVE_HEAD, LIVE_METHOD = map(read_templates(os.path.join(
    DATA, "driver.bas")).get, ("DRIVER_HEAD", "DRIVER_METHOD", "SCENARIO", "LIVE_HEAD", "LIVE_METHOD"))


def driver(cls, meths, returns):
    """The driver module's text and, per method, the literals its arguments must reach the
    server with; returns: the class has ReturnValue, which the driver then reads too."""
    parts = [DRIVER_HEAD % {"cls": cls}]
    expected = {}
    for name, args, rtype, proc, params in meths:
        plist = [p for p in params if p[1] != 4]
        ret = params[0] if params and params[0][1] == 4 else None
        dims, assign, argout, lits = [], [], [], []
        for k, (byref, arg, vbtype) in enumerate(args):
            typ, size = (plist[k][2], plist[k][3]) if k < len(plist) else (200, 10)
            expr, lit = sample(typ, size, k + 1, vbtype)
            dims.append("    Dim A%d As %s" % (k, vbtype))
            assign.append("    A%d = %s" % (k, expr))
            if byref:
                argout.append('& Chr(10) & "ARG" & T & %d & T & PfLiteral(A%d, %d)' % (k, k, typ))
            lits.append(lit)
        rt = 11 if rtype == "Boolean" else (ret[2] if ret else 200)
        parts.append(DRIVER_METHOD % {
            "name": name, "dims": "\n".join(dims), "assign": "\n".join(assign),
            "args": ", ".join("A%d" % k for k in range(len(args))), "rtype": rt,
            "retval": '& Chr(10) & "RETVAL" & T & PfObj.ReturnValue' if ret and ret[2] == 3 and returns else "",
            "argout": " ".join(argout)})
        expected[name] = lits
    return "".join(parts), expected


def check_method(name, args, rtype, proc, params, lits, out, rows_expected, transactions):
    """The faults one method's run shows (a list of texts) and the number of checks made."""
    faults = []
    checks = 4 + 2 * len(params) + (rows_expected is not None)
    lines = [l.split("\t") for l in out.split("\n") if l]
    if not lines or lines[0][0] != "RESULT":
        return ["%s: failed: %s" % (name, out.strip().replace("\n", " | "))], 1
    find = lambda tag: [l[1:] for l in lines if l[0] == tag]
    cmd = find("CMD")
    called = re.fullmatch(r'Begin \? := ([\w.]+)(?:\(.*\))?; End;|(.*)', cmd[0][1]) if len(cmd) == 1 else None
    # SQL Server's brackets name the procedure exactly (its names may differ only in case);
    # Oracle's names are spelt as their source spells them.
    name_sent = called.group(1) or server_name(called.group(2)) if called else ""
    if not called or (name_sent != proc if cmd[0][1].startswith("[") else name_sent.lower() != proc.lower()) or \
            cmd[0][0] != ("1" if called.group(1) else "4"):
        faults.append("%s: command %s, expected stored procedure %s" % (name, cmd, proc))
    sent = find("PRM")
    if [(p[0].lstrip("@").upper(), int(p[1]), int(p[2])) for p in sent] != \
            [(n.lstrip("@").upper(), t, d) for n, d, t, _ in params]:
        faults.append("%s: parameters %s, catalogue %s" % (
            name, [tuple(p[:3]) for p in sent], [(n, t, d) for n, d, t, _ in params]))
        return faults, checks
    values = [p for p in sent if p[2] != "4"]
    for k, ((pname, ptype, pdir, psize, value), (_, _, t, size)) in enumerate(
            zip(values, [p for p in params if p[1] != 4])):
        # String and binary parameters have a size (ADO refuses one without): a short type's
        # listed size, else one no value exceeds. The others have none.
        limit = size if t in VARIABLE - LONG_TYPES and size > 0 else 1073741823 if t in VARIABLE else 0
        if size >= 0 and (int(psize) != limit if limit < 1073741823 else int(psize) < limit):
            faults.append("%s: %s sent with size %s, catalogue %d" % (name, pname, psize, size))
        if k < len(lits) and pdir != "2" and value != lits[k]:
            faults.append("%s: %s sent as %s, argument %s" % (name, pname, value, lits[k]))
    outs = {o[0]: o[1] for o in find("OUT")}
    for k, lit in find("ARG"):
        pname = values[int(k)][0]
        if outs.get(pname) != lit or lit == lits[int(k)]:
            faults.append("%s: argument %s came back as %s, the server returned %s" % (
                name, args[int(k)][1], lit, outs.get(pname)))
    result = find("RESULT")[0][0]
    if rtype == "Boolean":
        if result != "'true'":
            faults.append("%s: returned %s, expected True" % (name, result))
    elif params and params[0][1] == 4 and result != outs.get(sent[0][0]):
        faults.append("%s: returned %s, the server returned %s" % (name, result, outs.get(sent[0][0])))
    for retval in find("RETVAL"):
        if "'%s'" % retval[0] != outs.get(sent[0][0]):
            faults.append("%s: ReturnValue %s, the server returned %s" % (name, retval[0], outs.get(sent[0][0])))
    n0, n1, n2 = (int(x) for x in find("COUNTS")[0])
    if transactions and n1 != n0:
        faults.append("%s: the call stayed in the database after SetAbort (%d -> %d)" % (name, n0, n1))
    if n2 != n1 + 1:
        faults.append("%s: the call is not in the database after it returned%s (%d -> %d)" % (
            name, " and SetComplete" if transactions else "", n1, n2))
    if rows_expected is not None:
        got = (find("RS") or [["none"]])[0]
        if got != [str(len(rows_expected))] + ["".join(r + "," for r in rows_expected)] * 2:
            faults.append("%s: rows %s, the server's rows %s" % (name, got, rows_expected))
    return faults, checks


def canonical(value, typ):
    """A value the server or the class gave, as one comparable text: numbers as numbers,
    Booleans as true or false, dates without ISO's T, binary in lower case; None for Null."""
    if value is None or value == "NULL":
        return None
    if isinstance(value, bool):
        return "true" if value else "false"
    if isinstance(value, str) and len(value) >= 2 and value[0] == value[-1] == "'":
        value = value[1:-1].replace("''", "'")
    if typ in NUMERIC:
        try:
            return "%.6f" % float(value)
        except ValueError:
            return str(value)
    value = str(value)
    if typ == 11:
        return {"t": "true", "f": "false", "1": "true", "0": "false"}.get(value.lower(), value.lower())
    if typ in DATES:
        return value.replace("T", " ")[:19]
    return value.lower() if typ in BINARY | {72} else value


def ground_truth(server, proc, params, lits):
    """What the class's call should have made the server do, found by calling the server
    function itself with the arguments the driver passed, in catalogue order, in a
    transaction that is rolled back: (the arguments it logs, its output columns by name)."""
    plist = [p for p in params if p[1] != 4]
    args = ", ".join(lits[k] if k < len(lits) else "NULL" for k, p in enumerate(plist) if p[1] != 2)
    out = server.psql("BEGIN;\nSELECT '#' || row_to_json(f)::text FROM (SELECT * FROM %s(%s)) f;\n"
                      "SELECT '@' || pf_args FROM pf_calls ORDER BY pf_id DESC LIMIT 1;\nROLLBACK;"
                      % (qualified(proc), args))
    import json
    row = [l[1:] for l in out.split("\n") if l.startswith("#")]
    logged = [l[1:] for l in out.split("\n") if l.startswith("@")]
    return (logged[-1] if logged else None), (json.loads(row[0]) if row else {})


def check_computed(name, proc, params, out, truth, class_args):
    """The faults in what came back, against the server function called with the right
    arguments: the arguments it logged, every output value and a function's result."""
    logged, columns = truth
    faults = []
    if logged is not None and class_args != logged:
        faults.append("%s: the server received %s, expected %s" % (name, class_args, logged))
    lines = [l.split("\t") for l in out.split("\n") if l]
    outs = {l[1]: l[2] for l in lines if l[0] == "OUT" and len(l) > 2}
    sent = [l[1] for l in lines if l[0] == "PRM"]
    checks = 1
    for k, (pname, direction, typ, _) in enumerate(params):
        if direction == 1 or k >= len(sent):
            continue
        key = "return_value" if direction == 4 else pg_name(pname)
        if key not in columns:
            key = "f" if direction == 4 and "f" in columns else None
        if key is None:
            continue
        checks += 1
        want, got = canonical(columns[key], typ), canonical(outs.get(sent[k]), typ)
        if want != got:
            faults.append("%s: %s came back as %s, computed from the arguments: %s" % (name, pname, got, want))
    return faults, checks


# ---------------------------------------------------------------------------------------
# The run-time members: scenarios on the SQL Server sample's methods, read from
# tests/data/run/scenarios.txt (its heading says how).


def read_scenarios(path):
    """(label, needs, Basic body, regular expression of the expected text) per scenario."""
    found = []
    for chunk in re.split(r"^### ", open(path).read(), flags=re.M)[1:]:
        head, _, rest = chunk.partition("\n")
        body, kind, expect = re.match(r"(.*)^(==|=~) (.*)\n", rest, re.M | re.S).groups()
        if kind == "==":
            expect = re.escape(expect.replace("\\r", "\r").replace("\\n", "\n"))
        label, needs = (x.strip() for x in head.split("|"))
        found.append((label, needs, body, expect))
    return found


SCENARIOS = read_scenarios(os.path.join(DATA, "scenarios.txt"))


def load_driver(office, server, work, name, files, standin, text, cls_text):
    """Loads the case's modules, rewritten, with the driver text and the scenarios the class
    can run, and creates the class: (library, driver text, scenarios, public members, rewrite counts)."""
    counts = {}
    modules = load_modules(files, standin, counts)
    public = set(re.findall(r"^Public (?:Function|Sub|Property \w+) (\w+)", cls_text, re.M))
    scens = scenarios(cls_text, public)
    text += "".join(sc[3] for sc in scens)
    lib = office.library(standin + modules + [("PfDriver", text, False)])
    setup = office.call(lib, "PfDriver", "PfSetup", str(server.port), server.db, server.password, work)
    if setup != "ok":
        # No answer at all: LibreOffice could not compile the library.
        raise Fail("%s: %s" % (name, "the class cannot be created: " + setup if setup else "the modules do not compile"))
    return lib, text, scens, public, counts


def call_method(office, lib, proc):
    return office.call(lib, "PfDriver", proc) or "FAILED\tno answer (a run-time error LibreOffice swallowed)"


def finish_case(office, lib, name, scens, faults, ran, public, counts, checks, what, report):
    """Runs the class's scenarios, adding each failure to faults and each member a scenario
    calls to ran, drops the library and reports the case; returns the number of checks made."""
    for n, label, names, _ in scens:
        got = office.call(lib, "PfDriver", "S_%d" % n) or "no answer"
        if not re.fullmatch(SCENARIOS[n][3], got.split("\ntrace:\n")[0], re.S):
            faults.append("%s: %s: got %r" % (name, label, got))
        ran |= names
    checks += len(scens)
    office.drop(lib)
    report.append("%s: %d of %d public members run (%s), %d checks, rewrites %s%s" % (
        name, len(public & ran), len(public), what, checks, ", ".join("%s %d" % kv for kv in sorted(counts.items())),
        "; not run: " + " ".join(sorted(public - ran)) if public - ran else ""))
    return checks


def scenarios(cls_text, public):
    """The scenarios a class can run with its public members, as (index, label, members named, Basic text)."""
    has = {"mssql": "usp_OrderCancel" in cls_text, "postgresql": "order_cancel(" in cls_text, "oracle": "Order_Pkg.Cancel_Order" in cls_text, "faultnet": "ErrorIn " in cls_text, "complus": "InCOMPlusTransaction" in cls_text,
           "logs": bool(re.search(r'ErrLogToDB .*"pf_error_log"', cls_text)) and "ErrLogToFile " in cls_text,
           "samplelog": bool(re.search(r'ErrLogToDB .*"spErrorLogInsert"', cls_text)) and "ErrLogToFile " in cls_text,
           "raise": bool(re.search(r"^\s*mOptions = OPT_INITIALIZED.*PFGO_ERR_RAISE", cls_text, re.M))}
    found = []
    for n, (label, needs, body, _) in enumerate(SCENARIOS):
        names = set(re.findall(r"PfObj\.(\w+)", body))
        wanted = [(w[2:], False) if w.startswith("no") else (w, True) for w in needs.split()]
        if names - public or any(has[w] != on for w, on in wanted):
            continue
        found.append((n, label, names, SCENARIO % {"n": n, "body": body.strip("\n")}))
    return found


# ---------------------------------------------------------------------------------------
# Cases

# (case name, profile, snapshot, the SQL files of the sample's server tables and functions, and
# a predefined configuration (0 COM+, 1 web, 2 desktop) or keys to set)
MSSQL = ("samples/mssql/OrderEntry.PFG", "samples/mssql/OrderEntry.sql",
         ("samples/postgresql/OrderEntry.pgsql", "tests/data/run/mssql.sql"))
CASES = [("mssql" + suffix,) + MSSQL + (config,) for suffix, config in (
    ("", None), ("_complus", 0), ("_web", 1), ("_desktop", 2),
    ("_runtime", ["AddnlFunc.%s=True" % k for k in ("ValFmt", "XMLBasic", "XMLAdvanced", "Batch", "MultipleRS",
                                                     "COMPlus", "COMPObjControl", "COMPObjConstruct")] +
     ["AddnlFunc.Trans=1", "ErrHndl.LogToDB=True", "ErrHndl.ErrLogSPName=pf_error_log"]),
    ("_plain", ["ErrHndl.UseFaultnet=False", "IniOptions.ErrReraise=False"]),
    ("_checkretval", ["IniOptions.AutoCheckRetVal=True"]),
    ("_samplelog", ["ErrHndl.LogToDB=True", "ErrHndl.LogInOtherDB=True"]))] + [
    ("hostile", "samples/mssql/OrderEntry.PFG", "tests/data/run/hostile.sql", None, None),
    ("sybase", "samples/sybase/Orders.PFG", "samples/sybase/Orders.sql", None, None),
    ("oracle", "samples/oracle/Sales.PFG", "samples/oracle/Sales.sql", None, None),
    ("oracle_batch", "samples/oracle/Sales.PFG", "samples/oracle/Sales.sql", None, ["AddnlFunc.Batch=True"]),
    ("access", "samples/access/Orders.PFG", "samples/access/Orders.sql", None, None),
    # No snapshot: the class is generated from the test server's own catalogue (run_live_case).
    ("postgresql", "samples/postgresql/OrderEntry.PFG", None,
     ("samples/postgresql/OrderEntry.pgsql", "tests/data/run/pglog.sql"),
     ["StoredProc.AddExecSPByName=True", "ErrHndl.LogToDB=True", "ErrHndl.ErrLogSPName=pf_error_log"]),
]


def generate(cli, work, case, connection=None):
    """Generates the case's class, from its snapshot or, when given, from the server that
    connection opens; returns the files to load."""
    name, profile, snapshot, _, config = case
    pfg = os.path.join(work, name + ".PFG")
    with open(os.path.join(ROOT, profile)) as src, open(pfg, "w") as dst:
        dst.write(src.read())
    cls = os.path.join(work, "C" + name + ".cls")
    sets = ["Server.ConnPfg=" + (connection or "Provider=Procforge.Snapshot;Data Source=" + os.path.join(ROOT, snapshot)),
            "Code.ClassFile=" + cls, "Code.ParamDefsFile=" + os.path.join(work, name + "Params.bas")]
    if isinstance(config, list):
        sets += config
    command = [cli, "configure", "--profile", pfg] + (["--config", str(config)] if isinstance(config, int) else [])
    for s in sets:
        command += ["--set", s]
    for c in (command, [cli, "generate", "--profile", pfg, "--yes"]):
        run = subprocess.run(c, capture_output=True, text=True, env=dict(os.environ, SOURCE_DATE_EPOCH="0"))
        if run.returncode != 0:
            raise Fail("%s: %s" % (" ".join(c[:2]), run.stderr.strip()))
    generate.warnings = [l for l in run.stderr.split("\n") if l.startswith("warning: ")]
    params = os.path.join(work, name + "Params.bas")
    libs = ["Faultnet31"] + ["pfgXMLUtils"] * ("pfgXMLUtils" in open(cls, encoding="cp1252").read(3000))
    return [cls] + [params] * os.path.exists(params) + [os.path.join(ROOT, "library", l + ".bas") for l in libs]


def case_sensitive_snapshot(rows, sample, work):
    """A snapshot of the catalogue tables of the sample snapshot `sample`, as a server with a
    case-sensitive collation holds them (no NOCASE), with the rows of the script `rows`."""
    with open(os.path.join(ROOT, sample), encoding="utf-8") as src:
        tables = re.findall(r"^CREATE TABLE .*?^\);\n", src.read(), flags=re.M | re.S)
    with open(os.path.join(ROOT, rows), encoding="utf-8") as src:
        text = src.read()
    used = set(re.findall(r"^INSERT INTO (\w+)", text, flags=re.M))
    copy = os.path.join(work, os.path.basename(rows))
    with open(copy, "w", encoding="utf-8") as dst:
        dst.write("".join(t.replace(" COLLATE NOCASE", "") for t in tables
                          if re.match(r"CREATE TABLE (\w+)", t).group(1) in used) + text)
    return copy


def run_case(office, server, cli, work, case, standin, report):
    if case[2] is None:
        return run_live_case(office, server, cli, work, case, standin, report)
    if case[0] == "hostile":
        case = case[:2] + (case_sensitive_snapshot(case[2], MSSQL[1], work),) + case[3:]
    name, _, snapshot, sample_sql, _ = case
    files = generate(cli, work, case)
    server_type = re.search(r'SrvrType="(\d)"', open(os.path.join(ROOT, case[1])).read()).group(1)
    procs = catalogue(os.path.join(ROOT, snapshot), server_type)
    server.install(sample_sql, procs)
    rowsets = set(server.psql("SELECT lower(proname) FROM pg_proc WHERE proretset AND "
                              "prorettype <> 'refcursor'::regtype").split())
    cursors = set(server.psql("SELECT lower(proname) FROM pg_proc WHERE "
                              "prorettype = 'refcursor'::regtype").split())
    cls_name, _, cls_text = read_vb(files[0])
    meths = methods(cls_text, procs)
    text, expected = driver(cls_name, meths, "Public Property Get ReturnValue" in cls_text)
    lib, text, scens, public, counts = load_driver(office, server, work, name, files, standin, text, cls_text)
    transactions = "Public Function BeginTransaction" in cls_text and not re.search(
        r"^\s*mOptions = OPT_INITIALIZED.*PFGO_AUTO_CONN(CLOSE|RELEASE)", cls_text, re.M)
    office.call(lib, "PfDriver", "PfSetTransactions", transactions)
    faults, checks = [], 0
    for meth in meths:
        out = call_method(office, lib, "T_" + meth[0])
        rows = None
        if meth[3].lower() in rowsets:
            sql = [l.split("\t", 1)[1] for l in out.split("\n") if l.startswith("SQL\t")]
            rows = [r.split("|")[0] for r in server.psql("BEGIN;\n%s;\nROLLBACK;" % sql[-1]).split("\n") if r] \
                if sql else []
        f, c = check_method(*meth[:5], expected[meth[0]], out, rows, transactions)
        if not out.startswith("FAILED") and meth[3].lower() not in rowsets and meth[3].lower() not in cursors:
            class_args = server.psql("SELECT pf_args FROM pf_calls ORDER BY pf_id DESC LIMIT 1")
            g, n = check_computed(meth[0], meth[3], meth[4], out,
                                  ground_truth(server, meth[3], meth[4], expected[meth[0]]), class_args)
            f += g
            c += n
        faults += ["%s: %s" % (name, x) for x in f]
        checks += c
    ran = {m[0] for m in meths} | ({"BeginTransaction", "SetAbort", "SetComplete"} if transactions else set()) | \
        ({"ReturnValue"} if "PfObj.ReturnValue" in text else set())
    checks = finish_case(office, lib, name, scens, faults, ran, public, counts, checks, "%d methods" % len(meths),
                         report)
    return faults, len(meths), checks


# ---------------------------------------------------------------------------------------
# A live catalogue: the PostgreSQL sample created on the test server, its class generated
# from the server's own catalogue through psqlODBC, and run against the same server. The
# catalogue the checks use is the server's (pg_proc), and every value the class returns is
# compared with what the same routine returns when psql calls it with the same arguments.

# PostgreSQL types (format_type without modifiers) as ADO type codes, for the literals the
# driver writes.
PG_ADO = {"integer": 3, "smallint": 2, "bigint": 20, "numeric": 131, "double precision": 5, "real": 4,
          "boolean": 11, "date": 133, "timestamp with time zone": 135, "timestamp without time zone": 135,
          "uuid": 72, "bytea": 204, "text": 200, "character varying": 200}


# The sample's routines that have no method: overloads whose arguments a call passes alike.
LIVE_LEFT_OUT = {"order_age_days"}


def pg_sample(typ, k):
    """A sample argument of PostgreSQL type typ: (Basic expression, the SQL literal of the
    same value as the driver writes it)."""
    ado = PG_ADO.get(typ, 200)
    if ado == 200:
        # Short: the size psqlODBC reports for an argument has no modifier to go by.
        return '"s%dx"' % k, "'s%dx'" % k
    return sample(ado, 0, k, "Variant" if ado == 20 else "Long" if ado in (2, 3) else "")


def pg_routines(server):
    """The routines of the schema public: name -> [{kind, retset, rettype, args: [(mode,
    name, type)]}], modes i, o, b (in-out), t (a result column) and v (variadic)."""
    found = {}
    for row in server.psql(open(os.path.join(DATA, "routines.sql")).read(), rows=True):
        name, kind, retset, rettype, modes, names, types = row
        types = types.split(";") if types != "<NULL>" else []
        modes = modes.split(";") if modes else ["i"] * len(types)
        names = names.split(";") if names else [""] * len(types)
        found.setdefault(name, []).append({"name": name, "kind": kind, "retset": retset == "t", "rettype": rettype,
                                           "args": list(zip(modes, names, types))})
    return found


def live_methods(text, routines):
    """The class's methods that call a routine: (method, arguments [(byref, name, type)],
    result type, routine, the text executed), the routine told apart from its overloads by
    the names of the parameters the method adds."""
    found = []
    for m in METHOD.finditer(text):
        call = re.search(r'^\s*Execute\w* "((?:[^"]|"")+)"', m.group(4), re.M)
        if not call:
            continue
        executed = call.group(1).replace('""', '"')
        target = re.sub(r"^\{?\s*(\?\s*=\s*)?(call\s+)?", "", executed, flags=re.I)
        target = re.split(r"[({}\s]", target, 1)[0].split(".")[-1].strip('"')
        args = method_args(m.group(2))
        added = re.findall(r'^\s*(?:If Not IsMissing\(\w+\) Then )?AddParam "([^"]*)"', m.group(4), re.M)
        fits = [r for r in routines.get(target, []) if [a[1] for a in r["args"] if a[0] != "t"] == added]
        if len(fits) == 1:
            found.append((m.group(1), args, m.group(3), fits[0], executed))
    return found


def live_driver(cls, meths, text):
    """The driver of a live class and, per method, the literals of its arguments."""
    parts = [DRIVER_HEAD % {"cls": cls}, LIVE_HEAD]
    expected = {}
    for name, args, rtype, routine, _ in meths:
        params = [a for a in routine["args"] if a[0] != "t"]
        dims, assign, argout, lits = [], [], [], []
        for k, (byref, arg, vbtype) in enumerate(args):
            expr, lit = pg_sample(params[k][2], k + 1)
            dims.append("    Dim A%d As %s" % (k, vbtype))
            if params[k][0] != "o":
                assign.append("    A%d = %s" % (k, expr))
            if byref:
                argout.append('& Chr(10) & "ARG" & T & %d & T & PfLiteral(A%d, %d)' % (k, k, PG_ADO.get(params[k][2], 200)))
            lits.append(lit if params[k][0] != "o" else "NULL")
        # A cursor is read in a transaction: the caller's, when the method does not open one.
        source = re.search(r"^Public Function %s\(.*?^End Function" % name, text, re.M | re.S).group(0)
        own = routine["rettype"] == "refcursor" and not re.search(r"BeginTransaction|InTransaction ", source)
        parts.append(LIVE_METHOD % {
            "name": name, "dims": "\n".join(dims), "assign": "\n".join(assign),
            "args": ", ".join("A%d" % k for k in range(len(args))),
            "rtype": 11 if rtype == "Boolean" else PG_ADO.get(routine["rettype"], 200),
            "argout": " ".join(argout), "begin": "    PfObj.BeginTransaction" if own else "",
            "end": "    PfObj.SetComplete" if own else ""})
        expected[name] = lits
    return "".join(parts), expected


def canonical_text(value):
    """A value psql printed or the driver wrote, as one comparable text whatever its type:
    numbers as numbers, Booleans as true or false, times to the second without a zone,
    identifiers and binary in lower case; None for Null."""
    if value is None or value in ("NULL", "<NULL>"):
        return None
    if len(value) >= 2 and value[0] == value[-1] == "'":
        value = value[1:-1].replace("''", "'")
    if re.fullmatch(r"-?(\d+(\.\d*)?|\.\d+)", value):
        return "%.6f" % float(value)
    if value in ("t", "true", "f", "false"):
        return "true" if value[0] == "t" else "false"
    m = re.fullmatch(r"(\d{4}-\d\d-\d\d)(?:[ T](\d\d:\d\d:\d\d)(?:\.\d+)?)?(?:[+-]\d\d(?::?\d\d)?)?", value)
    if m:
        return m.group(1) + " " + (m.group(2) or "00:00:00")
    if re.fullmatch(r"\{?[0-9A-Fa-f-]{36}\}?|\\x[0-9A-Fa-f]*", value):
        return value.strip("{}").lower()
    return value


def live_truth(server, routine, lits):
    """What the routine returns when psql calls it with the driver's arguments: a list of
    rows of texts (a scalar is one row of one value; a procedure's INOUT values and a
    function's output arguments one row; a cursor its rows)."""
    params = [a for a in routine["args"] if a[0] != "t"]
    name = '"%s"' % routine["name"]
    # Each argument typed as the routine declares it, so that the call reaches this overload.
    lits = ["%s::%s" % (l, p[2]) for l, p in zip(lits, params)]
    if routine["kind"] == "p":
        sql = "CALL %s(%s);" % (name, ", ".join(lits))
    else:
        args = ", ".join(l for l, p in zip(lits, params) if p[0] != "o")
        if routine["rettype"] == "refcursor":
            sql = "BEGIN;\nSELECT %s(%s) AS pf_cursor \\gset\nFETCH ALL FROM :\"pf_cursor\";\nCOMMIT;" % (name, args)
        else:
            sql = "SELECT * FROM %s(%s);" % (name, args)
    return server.psql(sql, rows=True)


def check_live(name, args, rtype, routine, executed, lits, out, truth):
    """The faults one live method's run shows and the number of checks made."""
    lines = [l.split("\t") for l in out.split("\n") if l]
    if not lines or lines[0][0] != "RESULT":
        return ["%s: failed: %s" % (name, out.strip().replace("\n", " | "))], 1
    find = lambda tag: [l[1:] for l in lines if l[0] == tag]
    faults, checks = [], 1
    params = [a for a in routine["args"] if a[0] != "t"]
    is_call = bool(re.match(r"(?i)call\s", executed))
    if is_call != (routine["kind"] == "p"):
        faults.append("%s: executes %s for a %s" % (name, executed, "procedure" if routine["kind"] == "p" else "function"))
    sent = [p for p in find("PRM") if p[2] in ("1", "3")]
    checks += 1
    if len(sent) != len([p for p in params if p[0] in "ib"]):
        faults.append("%s: sent %s for the arguments %s" % (name, sent, params))
    else:
        for p, lit in zip(sent, [l for l, a in zip(lits, params) if a[0] in "ib"]):
            checks += 1
            if canonical_text(p[4]) != canonical_text(lit):
                faults.append("%s: %s sent as %s, argument %s" % (name, p[0], p[4], lit))
    outputs = [k for k, p in enumerate(params) if p[0] in "ob"]
    if routine["retset"] or routine["rettype"] == "refcursor":
        got = [r for r in find("ROW")]
        checks += 1
        if [[canonical_text(v) for v in r] for r in got] != [[canonical_text(v) for v in r] for r in truth]:
            faults.append("%s: rows %s, the server's rows %s" % (name, got, truth))
    elif outputs:
        back = {int(k): v for k, v in find("ARG")}
        row = truth[0] if truth else []
        for j, k in enumerate(outputs):
            checks += 1
            if k not in back or j >= len(row) or canonical_text(back[k]) != canonical_text(row[j]):
                faults.append("%s: argument %s came back as %s, the server returned %s" % (
                    name, params[k][1], back.get(k), row[j] if j < len(row) else None))
    elif routine["rettype"] != "void":
        checks += 1
        result = find("RESULT")[0][0]
        if canonical_text(result) != canonical_text(truth[0][0] if truth else None):
            faults.append("%s: returned %s, the server returned %s" % (name, result, truth))
    if routine["kind"] == "p":
        checks += 1
        if rtype == "Boolean" and find("RESULT")[0][0] != "'true'":
            faults.append("%s: returned %s, expected True" % (name, find("RESULT")[0][0]))
    return faults, checks


def run_live_case(office, server, cli, work, case, standin, report):
    name, profile, _, sample_sql, _ = case
    server.psql("DROP SCHEMA IF EXISTS public CASCADE; CREATE SCHEMA public;\n" +
                "".join(open(os.path.join(ROOT, f)).read() for f in sample_sql))
    routines = pg_routines(server)
    connection = ("Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=127.0.0.1;Port=%s;Database=%s;"
                  "UID=postgres;PWD=%s" % (server.port, server.db, server.password))
    files = generate(cli, work, case, connection)
    warnings = generate.warnings
    # The snapshot of the live catalogue generates the same class, but for the line that says
    # what the catalogue was read through.
    offline = os.path.join(work, "snapshot")
    os.makedirs(offline, exist_ok=True)
    snapshot = os.path.join(offline, "catalogue.sql")
    run = subprocess.run([cli, "snapshot", "--profile", os.path.join(work, name + ".PFG"), "-o", snapshot],
                         capture_output=True, text=True)
    if run.returncode != 0:
        raise Fail("%s: snapshot: %s" % (name, run.stderr.strip()))
    again = generate(cli, offline, case, "Provider=Procforge.Snapshot;Data Source=" + snapshot)[0]
    live_lines, snap_lines = (open(f, encoding="cp1252").read().split("\r\n") for f in (files[0], again))
    differ = [(a, b) for a, b in zip(live_lines, snap_lines) if a != b and "read through" not in a.lower()]
    faults = []
    if differ or len(live_lines) != len(snap_lines):
        faults.append("%s: the class from the snapshot differs: %s" % (name, differ[:3] or "in its length"))
    checks = 1
    listed = subprocess.run([cli, "list", "--profile", os.path.join(work, name + ".PFG")], capture_output=True,
                            text=True)
    listed_names = {l.split("\t")[0].split(".")[-1].split("(")[0] for l in listed.stdout.split("\n") if l}
    cls_name, _, cls_text = read_vb(files[0])
    meths = live_methods(cls_text, routines)
    # Every routine has a method and is listed, but the overloads a call cannot tell apart,
    # which are left out with a warning naming them.
    for routine, overloads in sorted(routines.items()):
        made = len([m for m in meths if m[3]["name"] == routine])
        checks += 2
        if routine in LIVE_LEFT_OUT:
            if made or not any(routine in w for w in warnings):
                faults.append("%s: %s: overloads a call cannot tell apart: %d methods, warnings %s" % (
                    name, routine, made, warnings))
        elif made != len(overloads) or routine not in listed_names:
            faults.append("%s: %s: %d of %d overloads have a method; listed: %s" % (
                name, routine, made, len(overloads), routine in listed_names))
    text, expected = live_driver(cls_name, meths, cls_text)
    lib, text, scens, public, counts = load_driver(office, server, work, name, files, standin, text, cls_text)
    office.call(lib, "PfDriver", "PfSetPsqlOdbc")
    for meth in meths:
        out = call_method(office, lib, "L_" + meth[0])
        f, c = check_live(*meth, expected[meth[0]], out, live_truth(server, meth[3], expected[meth[0]]))
        faults += ["%s: %s" % (name, x) for x in f]
        checks += c
    checks = finish_case(office, lib, name, scens, faults, {m[0] for m in meths}, public, counts, checks,
                         "%d methods, %d routines on the server" % (len(meths), sum(len(r) for r in routines.values())),
                         report)
    return faults, len(meths), checks


def main():
    ap = argparse.ArgumentParser()
    for name in ("--cli", "--port", "--password", "--db"):
        ap.add_argument(name, required=True)
    ap.add_argument("--case", action="append", help="run only these cases")
    opts = ap.parse_args()
    server = Server(opts.port, opts.password, opts.db)
    standin = split_standin(os.path.join(HERE, "adodb.bas"))
    work = tempfile.mkdtemp(prefix="pfrun-")
    office = Office(work)
    faults, report, total, checks = [], [], 0, 0
    try:
        for case in CASES:
            if opts.case and case[0] not in opts.case:
                continue
            try:
                f, n, c = run_case(office, server, opts.cli, work, case, standin, report)
                faults += f
                total += n
                checks += c
            except Fail as e:
                faults.append(str(e))
    finally:
        office.close()
        shutil.rmtree(work, ignore_errors=True)
    print("\n".join(report))
    print("methods run: %d, checks: %d, faults: %d" % (total, checks, len(faults)))
    for f in faults:
        print("FAULT " + f)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
