-- A small PostgreSQL catalogue of functions and procedures for the extractor tests: one of
-- each kind of routine a class calls, overloads, and argument types a method cannot pass.
CREATE SCHEMA IF NOT EXISTS app;
CREATE SCHEMA IF NOT EXISTS hidden;
SET search_path = app, public;

CREATE TABLE app.orders (order_id integer PRIMARY KEY, customer text NOT NULL, total numeric(12, 2));
CREATE TYPE app.money_pair AS (amount numeric, currency text);

CREATE FUNCTION app.order_total(p_order_id integer) RETURNS numeric
  LANGUAGE sql AS $$ SELECT total FROM app.orders WHERE order_id = p_order_id $$;

CREATE FUNCTION app.all_types(p_text text, p_varchar varchar, p_char char(3), p_bool boolean, p_int2 smallint,
                              p_int4 integer, p_int8 bigint, p_numeric numeric, p_float4 real,
                              p_float8 double precision, p_money money, p_date date, p_time time,
                              p_timestamp timestamp, p_timestamptz timestamptz, p_uuid uuid, p_bytea bytea)
  RETURNS text LANGUAGE sql AS $$ SELECT 'x' $$;

CREATE FUNCTION app.split_name(IN p_full text, OUT first_name text, INOUT p_count integer, OUT last_name text)
  LANGUAGE plpgsql AS $$ BEGIN first_name := split_part(p_full, ' ', 1); last_name := split_part(p_full, ' ', 2);
  p_count := p_count + 1; END $$;

CREATE PROCEDURE app.order_cancel(p_order_id integer, INOUT p_status text DEFAULT NULL)
  LANGUAGE plpgsql AS $$ BEGIN p_status := 'cancelled ' || p_order_id; END $$;

CREATE FUNCTION app.orders_of(p_customer text) RETURNS SETOF app.orders
  LANGUAGE sql AS $$ SELECT * FROM app.orders WHERE customer = p_customer $$;

CREATE FUNCTION app.order_lines(p_order_id integer) RETURNS TABLE (line_no integer, item text)
  LANGUAGE sql AS $$ SELECT 1, 'item ' || p_order_id $$;

CREATE FUNCTION app.order_cursor(p_order_id integer) RETURNS refcursor
  LANGUAGE plpgsql AS $$ DECLARE c refcursor; BEGIN OPEN c FOR SELECT * FROM app.orders WHERE order_id = p_order_id;
  RETURN c; END $$;

-- Defaults: trailing inputs a call may leave out (an INOUT one comes back, so it is passed).
CREATE FUNCTION app.order_page(p_customer text, p_offset integer DEFAULT 0, p_limit integer DEFAULT 10)
  RETURNS SETOF app.orders LANGUAGE sql AS $$ SELECT * FROM app.orders WHERE customer = p_customer
  ORDER BY order_id OFFSET p_offset LIMIT p_limit $$;
CREATE FUNCTION app.next_number(p_step integer DEFAULT 1) RETURNS integer LANGUAGE sql AS $$ SELECT p_step $$;
CREATE PROCEDURE app.order_status(p_order_id integer, OUT p_status text, OUT p_changed timestamptz)
  LANGUAGE plpgsql AS $$ BEGIN p_status := 'open ' || p_order_id; p_changed := now(); END $$;

CREATE FUNCTION app.log_event(p_text text) RETURNS void LANGUAGE sql AS $$ SELECT 1 $$;
CREATE FUNCTION app.unnamed_args(integer, text) RETURNS integer LANGUAGE sql AS $$ SELECT $1 $$;
CREATE FUNCTION app.more_types(p_json json, p_jsonb jsonb, p_interval interval, p_xml xml, p_inet inet,
                               p_timetz timetz, p_name name, p_oid oid, p_char "char") RETURNS void
  LANGUAGE sql AS $$ SELECT 1 $$;
CREATE FUNCTION app.range_of(p_range int4range) RETURNS void LANGUAGE sql AS $$ SELECT 1 $$;

-- Overloads: two the call tells apart by their argument types, two it cannot.
CREATE FUNCTION app.find_order(p_order_id integer) RETURNS text LANGUAGE sql AS $$ SELECT 'by id' $$;
CREATE FUNCTION app.find_order(p_customer text, p_limit integer) RETURNS text LANGUAGE sql AS $$ SELECT 'by customer' $$;
CREATE FUNCTION app.same_call(p_value text) RETURNS integer LANGUAGE sql AS $$ SELECT 1 $$;
CREATE FUNCTION app.same_call(p_value varchar) RETURNS integer LANGUAGE sql AS $$ SELECT 2 $$;

-- Arguments a method cannot pass.
CREATE FUNCTION app.sum_array(p_values integer[]) RETURNS integer LANGUAGE sql AS $$ SELECT 0 $$;
CREATE FUNCTION app.pair_amount(p_pair app.money_pair) RETURNS numeric LANGUAGE sql AS $$ SELECT 0 $$;

CREATE FUNCTION app.any_rows() RETURNS SETOF record LANGUAGE sql AS $$ SELECT 1, 'x' $$;

-- Not routines a class calls: a trigger function, an aggregate, an extension's functions, and a
-- schema outside the search path.
CREATE FUNCTION app.orders_touch() RETURNS trigger LANGUAGE plpgsql AS $$ BEGIN RETURN NEW; END $$;
CREATE AGGREGATE app.text_concat(text) (SFUNC = textcat, STYPE = text);
CREATE EXTENSION IF NOT EXISTS fuzzystrmatch SCHEMA public;
CREATE FUNCTION hidden.secret() RETURNS integer LANGUAGE sql AS $$ SELECT 42 $$;

CREATE FUNCTION public.public_echo(p_value integer) RETURNS integer LANGUAGE sql AS $$ SELECT p_value $$;
-- Hidden by app.order_total, which a call without a schema finds first.
CREATE FUNCTION public.order_total(p_order_id integer) RETURNS numeric LANGUAGE sql AS $$ SELECT 0 $$;

-- Calls without a schema find the routines of app first, then public.
DO $$ BEGIN EXECUTE format('ALTER DATABASE %I SET search_path = app, public', current_database()); END $$;
