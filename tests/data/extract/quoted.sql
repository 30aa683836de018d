-- Package PKG'X and a stand-alone procedure with the same name as one of its procedures.
CREATE TABLE user_arguments (OBJECT_NAME TEXT, PACKAGE_NAME TEXT, OVERLOAD TEXT, ARGUMENT_NAME TEXT, POSITION INTEGER, SEQUENCE INTEGER, DATA_LEVEL INTEGER, DATA_TYPE TEXT, TYPE_NAME TEXT, IN_OUT TEXT, DATA_LENGTH INTEGER, DATA_PRECISION INTEGER, DATA_SCALE INTEGER);
INSERT INTO user_arguments VALUES ('SAME_NAME', 'PKG''X', NULL, 'ALPHA', 1, 1, 0, 'NUMBER', NULL, 'IN', NULL, NULL, NULL);
INSERT INTO user_arguments VALUES ('SAME_NAME', NULL, NULL, 'ALPHA', 1, 1, 0, 'NUMBER', NULL, 'IN', NULL, NULL, NULL);
CREATE TABLE user_source (NAME TEXT, TYPE TEXT, LINE INTEGER, TEXT TEXT);
INSERT INTO user_source VALUES ('PKG''X', 'PACKAGE', 1, 'package "PKG''X" is' || char(13) || char(10));
INSERT INTO user_source VALUES ('PKG''X', 'PACKAGE', 2, '  procedure Same_Name(Alpha in number);' || char(10));
INSERT INTO user_source VALUES ('PKG''X', 'PACKAGE', 3, 'end;');
INSERT INTO user_source VALUES ('SAME_NAME', 'PROCEDURE', 1, 'procedure SAME_name (alpha in number) is' || char(10));
INSERT INTO user_source VALUES ('SAME_NAME', 'PROCEDURE', 2, 'begin null; end;');
