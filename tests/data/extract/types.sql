-- A procedure p with a decimal output and a numeric input parameter, and a procedure q the
-- refresh describes without any parameter.
CREATE TABLE sysobjects (name TEXT, id INTEGER, type CHAR(2));
INSERT INTO sysobjects VALUES ('p', 1, 'P');
CREATE TABLE ProcedureParameters (ProcedureName TEXT, Ordinal INTEGER, Name TEXT, Direction INTEGER, Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER);
INSERT INTO ProcedureParameters VALUES ('p', 0, '@a', 2, 14, 19, 9, 2, 208);
INSERT INTO ProcedureParameters VALUES ('p', 1, '@b', 0, 131, 19, 9, 2, 0);
INSERT INTO ProcedureParameters VALUES ('q', 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
