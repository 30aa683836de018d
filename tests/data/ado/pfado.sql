CREATE FUNCTION f_add(a integer, b integer) RETURNS integer AS $$ SELECT a + b $$ LANGUAGE sql;
CREATE FUNCTION f_types(p_text varchar(40), p_num numeric(10,2), p_money money, p_ts timestamp, p_bool boolean,
  p_big bigint, p_dbl double precision, p_small smallint, p_real real, p_date date, p_char char(3), p_long text,
  OUT o_int integer, INOUT io_text varchar(20)) AS $$ BEGIN o_int := 1; END $$ LANGUAGE plpgsql;
CREATE PROCEDURE p_inout(IN a integer, INOUT b varchar(20), OUT c numeric(8,3))
  LANGUAGE plpgsql AS $$ BEGIN b := b || 'x'; c := 1.5; END $$;
CREATE PROCEDURE p_none() LANGUAGE plpgsql AS $$ BEGIN END $$;
CREATE FUNCTION f_case(a integer) RETURNS integer AS $$ SELECT a $$ LANGUAGE sql;
CREATE FUNCTION "F_Case"(b integer, c integer) RETURNS integer AS $$ SELECT b $$ LANGUAGE sql;
CREATE TABLE t (id integer PRIMARY KEY, name varchar(30), amount numeric(10,2), note text, flag boolean,
  stamp timestamp, price money);
INSERT INTO t VALUES (1, 'one', 12.5, NULL, true, '2026-12-06 14:03:05', 3.25),
                     (2, '', NULL, 'café', false, NULL, NULL);
