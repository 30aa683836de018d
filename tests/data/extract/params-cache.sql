-- spB's rows out of order, spNone without parameters, and one name in three spellings.
CREATE TABLE ProcedureParameters (ProcedureName TEXT, Ordinal INTEGER, Name TEXT, Direction INTEGER, Type INTEGER,
  Size INTEGER, Precision INTEGER, NumericScale INTEGER, Attributes INTEGER);
INSERT INTO ProcedureParameters VALUES ('spB', 1, '@b', 1, 3, 4, 10, 0, 80),
  ('spB', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 80), ('spNone', 0, NULL, NULL, NULL, NULL, NULL, NULL, NULL),
  ('Twice', 0, '@RETURN_VALUE', 4, 3, 4, 10, 0, 80), ('TWICE', 0, '@x', 1, 3, 4, 10, 0, 80),
  ('twice', 0, '@y', 1, 3, 4, 10, 0, 80);
