-- A Sybase ASE 15.7 catalogue as the ODBC description meets it. ASE's sp_sproc_columns gives
-- every parameter column_type 0 (direction unknown) and no return value row, so the
-- parameter rows below have Direction 0 and no RETURN_VALUE; the directions are in
-- syscolumns.status2 (1 IN, 2 OUT, 4 INOUT; Adaptive Server Enterprise Reference Manual:
-- Tables, "syscolumns", whose columns up to status2 are given in its order).
-- order_total's description misses a parameter, as when the driver's name pattern finds no row.
CREATE TABLE sysobjects (name VARCHAR(255), id INTEGER, uid INTEGER, type CHAR(2));
INSERT INTO sysobjects VALUES ('order_get', 1001, 1, 'P'), ('order_total', 1002, 1, 'P'), ('order_ping', 1003, 1, 'P');
CREATE TABLE syscolumns (id INTEGER, number SMALLINT, colid SMALLINT, status TINYINT, type TINYINT, length INTEGER,
  offset SMALLINT, usertype SMALLINT, cdefault INTEGER, domain INTEGER, name VARCHAR(255), printfmt VARCHAR(255),
  prec TINYINT, scale TINYINT, remote_type INTEGER, remote_name VARCHAR(255), xstatus INTEGER, xtype INTEGER,
  xdbid INTEGER, accessrule INTEGER, status2 INTEGER);
INSERT INTO syscolumns VALUES
  (1001, 1, 1, 0, 56, 4, 0, 7, 0, 0, '@order_id', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 1),
  (1001, 1, 2, 0, 110, 8, 0, 11, 0, 0, '@total', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 2),
  (1001, 1, 3, 0, 39, 30, 0, 2, 0, 0, '@note', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 4),
  (1002, 1, 1, 0, 56, 4, 0, 7, 0, 0, '@order_id', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 1),
  (1002, 1, 2, 0, 110, 8, 0, 11, 0, 0, '@total', NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, NULL, 2);
CREATE TABLE ProcedureParameters (ProcedureName TEXT, Ordinal INTEGER, Name TEXT, Direction INTEGER,
  Type INTEGER, Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER);
INSERT INTO ProcedureParameters VALUES
  ('order_get', 0, '@order_id', 0, 3, 4, 10, 0, 80),
  ('order_get', 1, '@total', 0, 6, 8, 19, 4, 80),
  ('order_get', 2, '@note', 0, 200, 30, 0, 0, 64),
  ('order_total', 0, '@order_id', 0, 3, 4, 10, 0, 80),
  ('order_ping', 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL);
CREATE TABLE SnapshotInfo (Key TEXT, Value TEXT);
INSERT INTO SnapshotInfo VALUES ('ServerType', '2');
