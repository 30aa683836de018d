-- A table type (143), a CLR user type (132) and a plain parameter, as a snapshot keeps them.
CREATE TABLE sysobjects (name TEXT, id INTEGER, type CHAR(2));
CREATE TABLE ProcedureParameters (ProcedureName TEXT, Ordinal INTEGER, Name TEXT, Direction INTEGER,
  Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER);
INSERT INTO ProcedureParameters VALUES ('tvp', 0, '@Id', 1, 3, 4, 10, 0, 80), ('tvp', 1, '@Lines', 1, 143, 0, 0, 0, 64),
  ('clr', 0, '@Place', 1, 132, 0, 0, 0, 64), ('plain', 0, '@Id', 1, 3, 4, 10, 0, 80);
