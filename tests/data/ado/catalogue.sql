-- A small SQL Server catalogue.
CREATE TABLE sysobjects (name TEXT, id INTEGER, type CHAR(2), crdate DATETIME);
INSERT INTO sysobjects VALUES ('spGetOrders', 101, 'P ', '2026-01-02 03:04:05');
INSERT INTO sysobjects VALUES ('fnTotal', 102, 'FN', NULL);
INSERT INTO sysobjects VALUES ('spNoParams', 103, 'P ', '');
CREATE TABLE ProcedureParameters (ProcedureName TEXT, Ordinal INTEGER, Name TEXT, Direction INTEGER,
  Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER);
INSERT INTO ProcedureParameters VALUES ('spGetOrders', 2, '@Customer', 1, 202, 40, 0, 0, 64);
INSERT INTO ProcedureParameters VALUES ('spGetOrders', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 80);
INSERT INTO ProcedureParameters VALUES ('spGetOrders', 3, '@Total', 3, 6, 8, 19, 4, 80);
INSERT INTO ProcedureParameters VALUES ('spNoParams', 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
CREATE TABLE SnapshotInfo (Key TEXT, Value TEXT);
INSERT INTO SnapshotInfo VALUES ('ServerType', '1');
