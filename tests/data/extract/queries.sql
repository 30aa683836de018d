-- qryBroken has no parameter description; qryO'Brien has one, its name in brackets.
CREATE TABLE MSysObjects (Id INTEGER, Name TEXT, Type SMALLINT, Flags INTEGER);
INSERT INTO MSysObjects VALUES (1, 'qryBroken', 5, 0);
INSERT INTO MSysObjects VALUES (2, 'qryO''Brien', 5, 0);
INSERT INTO MSysObjects VALUES (3, 'Customers', 1, 0);
CREATE TABLE ProcedureParameters (ProcedureName TEXT, Ordinal INTEGER, Name TEXT, Direction INTEGER, Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER);
INSERT INTO ProcedureParameters VALUES ('qryO''Brien', 0, '[Last Name]', 1, 202, 255, 0, 0, 64);
