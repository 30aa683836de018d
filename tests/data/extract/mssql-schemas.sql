-- A SQL Server catalogue as a snapshot keeps it: procedures of one name in the login's
-- default schema (dbo) and in sales; one whose parameter is a cursor, which a description
-- names by its type ("cursor") and gives no ADO type of its own; and a table type (143) and
-- a CLR user type (132) without type names, as snapshots written before them keep them.
CREATE TABLE sysobjects (name TEXT, id INTEGER, type CHAR(2), uid SMALLINT);
INSERT INTO sysobjects VALUES ('usp_item', 1, 'P', 1), ('usp_item', 2, 'P', 5), ('usp_report', 3, 'P', 5),
  ('usp_rows', 4, 'P', 1), ('tvp', 5, 'P', 1), ('clr', 6, 'P', 1);
CREATE TABLE schemas (schema_id INTEGER, name TEXT);
INSERT INTO schemas VALUES (1, 'dbo'), (5, 'sales');
CREATE TABLE ProcedureParameters (ProcedureName TEXT, Ordinal INTEGER, Name TEXT, Direction INTEGER,
  Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER, TypeName TEXT);
INSERT INTO ProcedureParameters VALUES ('usp_item', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 80, 'int'),
  ('usp_item', 1, '@Id', 1, 3, 4, 10, 0, 80, 'int'), ('[sales].[usp_item]', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 80, 'int'),
  ('[sales].[usp_item]', 1, '@Region', 1, 200, 20, 0, 0, 64, 'varchar'),
  ('[sales].[usp_report]', 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
  ('usp_rows', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 80, 'int'), ('usp_rows', 1, '@Rows', 3, 12, 0, 0, 0, 64, 'cursor'),
  ('tvp', 0, '@Id', 1, 3, 4, 10, 0, 80, NULL), ('tvp', 1, '@Lines', 1, 143, 0, 0, 0, 64, NULL),
  ('clr', 0, '@Place', 1, 132, 0, 0, 0, 64, NULL);
CREATE TABLE SnapshotInfo (Key TEXT, Value TEXT);
INSERT INTO SnapshotInfo VALUES ('ServerType', '1'), ('DefaultSchema', 'dbo');
