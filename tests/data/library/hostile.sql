-- A SQL Server catalogue of unusual but legal names: quotes, backslashes, blanks, line breaks,
-- non-ASCII letters, "XX" pairs, keywords, names listed twice or missing, a name of 300
-- characters. The test adds a procedure of 2,000 parameters.
CREATE TABLE sysobjects (name TEXT NOT NULL COLLATE NOCASE, id INTEGER NOT NULL PRIMARY KEY, xtype CHAR(2) NOT NULL, uid SMALLINT NOT NULL, info SMALLINT NOT NULL, status INTEGER NOT NULL, base_schema_ver INTEGER NOT NULL, replinfo INTEGER NOT NULL, parent_obj INTEGER NOT NULL, crdate DATETIME NOT NULL, ftcatid SMALLINT NOT NULL, schema_ver INTEGER NOT NULL, stats_schema_ver INTEGER NOT NULL, type CHAR(2), userstat SMALLINT, sysstat SMALLINT, indexdel SMALLINT, refdate DATETIME NOT NULL, version INTEGER, deltrig INTEGER, instrig INTEGER, updtrig INTEGER, seltrig INTEGER, category INTEGER, cache SMALLINT);
CREATE TABLE ProcedureParameters (ProcedureName TEXT NOT NULL COLLATE NOCASE, Ordinal INTEGER NOT NULL, Name TEXT, Direction INTEGER, Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER, PRIMARY KEY (ProcedureName, Ordinal));
CREATE TABLE SnapshotInfo (Key TEXT PRIMARY KEY, Value TEXT);
INSERT INTO SnapshotInfo VALUES ('ServerType', '1');
INSERT INTO sysobjects VALUES ('Say"Hi"', 1001, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('Say"Hi"', 0, '@Back\', 1, 200, 10, 10, 0, 0);
INSERT INTO sysobjects VALUES ('O''BRIEN', 1002, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('O''BRIEN', 0, '@first name', 1, 3, 4, 10, 0, 0);
INSERT INTO ProcedureParameters VALUES ('O''BRIEN', 1, '@first_name', 3, 3, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('Gr' || char(246) || char(223) || 'e', 1003, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('Gr' || char(246) || char(223) || 'e', 0, '@Ma' || char(223), 2, 202, 20, 10, 0, 0);
INSERT INTO sysobjects VALUES ('usp_XXtest_XX', 1004, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('usp_XXtest_XX', 0, '@XXcode', 1, 3, 4, 10, 0, 0);
INSERT INTO ProcedureParameters VALUES ('usp_XXtest_XX', 1, '@bXX', 1, 3, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('usp_MaxXXL', 1005, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('usp_MaxXXL', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 0);
INSERT INTO ProcedureParameters VALUES ('usp_MaxXXL', 1, '@XXa_XX', 1, 3, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('two' || char(13) || char(10) || 'lines', 1006, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('two' || char(13) || char(10) || 'lines', 0, '@x', 1, 3, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('twice', 1007, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('twice', 0, '@x', 1, 3, 4, 10, 0, 0);
INSERT INTO ProcedureParameters VALUES ('twice', 1, '@x', 1, 3, 4, 10, 0, 0);
INSERT INTO ProcedureParameters VALUES ('twice', 2, NULL, 1, 3, 4, 10, 0, 0);
INSERT INTO ProcedureParameters VALUES ('twice', 3, NULL, 1, 3, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('1st', 1008, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('1st', 0, '@Proc1st', 1, 3, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('Print', 1009, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('Print', 0, '@Execute', 1, 3, 4, 10, 0, 0);
INSERT INTO ProcedureParameters VALUES ('Print', 1, '@AddParam', 1, 3, 4, 10, 0, 0);
INSERT INTO ProcedureParameters VALUES ('Print', 2, '@Select', 1, 3, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL', 1010, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('LLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLLL', 0, '@a', 1, 3, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('odd type', 1011, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('odd type', 0, '@t', 1, 9999, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('Execute', 1012, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('Execute', 0, '@a', 1, 3, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('OpenConnection', 1013, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('OpenConnection', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 0);
INSERT INTO sysobjects VALUES ('q''#z', 1014, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
INSERT INTO ProcedureParameters VALUES ('q''#z', 0, '@w''#v', 1, 200, 10, 10, 0, 0);
-- the same procedure listed twice
INSERT INTO sysobjects VALUES ('twice', 1015, 'P', 1, 0, 0, 0, 0, 0, '2026-01-01', 0, 0, 0, 'P', 0, 4, 0, '2026-01-01', 0, 0, 0, 0, 0, 0, 0);
