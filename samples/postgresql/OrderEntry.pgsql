-- The order-entry database on PostgreSQL 15: its tables, a few rows, and its routines in
-- PL/pgSQL. Run it with psql in an empty database (psql -v ON_ERROR_STOP=1 -f OrderEntry.pgsql);
-- everything goes into the schema public. OrderEntry.sql is the catalogue snapshot taken from it.
--
-- Every routine computes what it returns from its arguments, so a caller can check each
-- value: the routines that read tables say which rows they return.

-- Tables and rows ---------------------------------------------------------------------------

CREATE TABLE customers (customer_id integer PRIMARY KEY, customer_code varchar(10), company_name varchar(80),
  city varchar(40), credit_limit numeric(19,4), is_active boolean, created timestamp);
INSERT INTO customers VALUES
  (1, 'ALFKI', 'Alfreds Futterkiste', 'Berlin', 5000, true, '2020-01-02 03:04:05'),
  (2, 'BONAP', 'Bon app''', 'Marseille', NULL, false, '2021-06-07 08:09:10'),
  (3, 'CHOPS', 'Chop-suey Chinese', 'Bern', 250.5, true, NULL);
CREATE TABLE categories (category_id integer PRIMARY KEY, category_name varchar(40));
INSERT INTO categories VALUES (10, 'Beverages'), (20, 'Condiments');
CREATE TABLE orders (order_id integer PRIMARY KEY, customer_id integer, order_date timestamp, freight numeric(19,4));
INSERT INTO orders VALUES (100, 1, '2024-03-01', 12.5), (101, 1, '2024-03-20', 3), (102, 3, '2024-04-01', 0);
CREATE TABLE order_notes (note_id bigserial PRIMARY KEY, order_id integer NOT NULL, note text NOT NULL,
  written timestamptz NOT NULL DEFAULT now());

-- Scalar functions: one result --------------------------------------------------------------

-- The order number as printed: prefix and eight digits.
CREATE FUNCTION format_order_no(p_order_id bigint, p_prefix varchar(4)) RETURNS varchar
  LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN coalesce(p_prefix, '') || lpad(p_order_id::text, 8, '0');
END $$;

-- Shipping cost: 1.25 per kilogram per zone, doubled for express delivery.
CREATE FUNCTION shipping_cost(p_weight_kg numeric, p_zone integer, p_express boolean) RETURNS numeric
  LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN round(p_weight_kg * 1.25 * p_zone * CASE WHEN p_express THEN 2 ELSE 1 END, 2);
END $$;

CREATE FUNCTION is_valid_email(p_email text) RETURNS boolean LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN p_email ~ '^[^@ ]+@[^@ ]+\.[^@ ]+$';
END $$;

-- The day an invoice falls due.
CREATE FUNCTION invoice_due_date(p_invoice_date date, p_due_days integer) RETURNS date
  LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN p_invoice_date + p_due_days;
END $$;

-- When an order ships: so many hours after it was taken.
CREATE FUNCTION ship_time(p_ordered timestamptz, p_hours integer) RETURNS timestamptz
  LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN p_ordered + p_hours * interval '1 hour';
END $$;

-- The order's public identifier, derived from its number and the customer's code.
CREATE FUNCTION order_guid(p_order_id integer, p_customer_code varchar(10)) RETURNS uuid
  LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN md5(p_order_id || ':' || p_customer_code)::uuid;
END $$;

-- A picture's thumbnail key: the first eight bytes of its MD5 digest.
CREATE FUNCTION thumbnail_key(p_picture bytea) RETURNS bytea LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN substr(decode(md5(p_picture), 'hex'), 1, 8);
END $$;

-- Stock after a movement, as a whole number of pieces (bigint).
CREATE FUNCTION stock_after(p_on_hand bigint, p_delta integer) RETURNS bigint LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN p_on_hand + p_delta;
END $$;

-- Overloads that differ in their number of arguments: a call with one argument and a call
-- with two reach different functions.
CREATE FUNCTION price_with_tax(p_price numeric) RETURNS numeric LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN round(p_price * 1.19, 2);
END $$;
CREATE FUNCTION price_with_tax(p_price numeric, p_rate numeric) RETURNS numeric LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN round(p_price * (1 + p_rate / 100), 2);
END $$;

-- Overloads that differ in the type of their argument: a call passes an integer or a text,
-- and the server picks the function by it.
CREATE FUNCTION customer_label(p_customer_id integer) RETURNS text LANGUAGE plpgsql STABLE AS $$
BEGIN
  RETURN 'customer #' || p_customer_id;
END $$;
CREATE FUNCTION customer_label(p_customer_code text) RETURNS text LANGUAGE plpgsql STABLE AS $$
BEGIN
  RETURN 'customer ' || upper(p_customer_code);
END $$;

-- Overloads that differ only in a time stamp with or without its time zone: a call passes
-- both as the same kind of value, so it cannot choose between them.
CREATE FUNCTION order_age_days(p_ordered timestamp, p_on date) RETURNS integer LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN p_on - p_ordered::date;
END $$;
CREATE FUNCTION order_age_days(p_ordered timestamptz, p_on date) RETURNS integer LANGUAGE plpgsql STABLE AS $$
BEGIN
  RETURN p_on - p_ordered::date;
END $$;

-- Trailing arguments with defaults, which a call may leave out: a price less a discount of
-- 10 percent unless told otherwise, rounded to cents unless told otherwise.
CREATE FUNCTION discounted_price(p_price numeric, p_percent numeric DEFAULT 10, p_places integer DEFAULT 2)
  RETURNS numeric LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN round(p_price * (1 - p_percent / 100), p_places);
END $$;

-- Functions with output arguments: one row of results -----------------------------------

-- An order's totals for a quantity and a unit price; item_count comes in as the items
-- counted so far and goes out with this line's quantity added.
CREATE FUNCTION order_totals(p_order_id integer, p_unit_price numeric, p_quantity smallint,
                             OUT p_subtotal numeric, OUT p_tax numeric, OUT p_total numeric,
                             INOUT p_item_count integer)
  LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  p_subtotal := round(p_unit_price * p_quantity, 2);
  p_tax := round(p_subtotal * 0.19, 2);
  p_total := p_subtotal + p_tax;
  p_item_count := coalesce(p_item_count, 0) + p_quantity;
END $$;

-- A customer's login: the session is derived from the login name and the time given;
-- active says whether the code is one of an active customer.
CREATE FUNCTION customer_login(p_customer_code varchar(10), p_at timestamptz,
                               OUT p_session uuid, OUT p_active boolean, OUT p_valid_until timestamptz)
  LANGUAGE plpgsql STABLE AS $$
BEGIN
  p_session := md5(upper(p_customer_code) || '@' || p_at::text)::uuid;
  p_active := EXISTS (SELECT 1 FROM customers WHERE customer_code = upper(p_customer_code) AND is_active);
  p_valid_until := p_at + interval '8 hours';
END $$;

-- Procedures: CALL, with their INOUT arguments ---------------------------------------------

-- Adds a note to an order. p_note_count comes in as the caller's count and goes out one
-- higher; p_stamp goes out as the note's text as stored.
CREATE PROCEDURE order_add_note(p_order_id integer, p_note text, INOUT p_note_count integer,
                                INOUT p_stamp varchar(200))
  LANGUAGE plpgsql AS $$
BEGIN
  INSERT INTO order_notes(order_id, note) VALUES (p_order_id, p_note);
  p_note_count := coalesce(p_note_count, 0) + 1;
  p_stamp := 'order ' || p_order_id || ': ' || p_note;
END $$;

-- Moves a customer's credit limit by a percentage: p_limit goes in as the limit to start
-- from and comes out moved (the table keeps its own value).
CREATE PROCEDURE credit_limit_adjust(p_customer_id integer, p_percent numeric, INOUT p_limit numeric)
  LANGUAGE plpgsql AS $$
BEGIN
  p_limit := round(p_limit * (1 + p_percent / 100), 4);
END $$;

-- An order's freight with a surcharge, and whether it ships free: output arguments of a
-- procedure (PostgreSQL 14 and later), passed as NULL by the call and read back.
CREATE PROCEDURE order_freight(p_order_id integer, p_surcharge numeric, OUT p_freight numeric, OUT p_free boolean)
  LANGUAGE plpgsql AS $$
BEGIN
  SELECT freight + p_surcharge INTO p_freight FROM orders WHERE order_id = p_order_id;
  p_free := coalesce(p_freight, 0) = 0;
END $$;

-- Set-returning functions: rows ------------------------------------------------------------

-- The instalments of an amount paid in p_count parts, one a month from p_first.
CREATE FUNCTION payment_schedule(p_first date, p_count integer, p_amount numeric)
  RETURNS TABLE (instalment integer, due date, amount numeric)
  LANGUAGE plpgsql IMMUTABLE AS $$
BEGIN
  RETURN QUERY SELECT n, (p_first + (n - 1) * interval '1 month')::date, round(p_amount / p_count, 2)
    FROM generate_series(1, p_count) AS n;
END $$;

-- The customers whose city begins with the given text, by number.
CREATE FUNCTION customers_in_city(p_city_prefix varchar(40)) RETURNS SETOF customers
  LANGUAGE plpgsql STABLE AS $$
BEGIN
  RETURN QUERY SELECT * FROM customers WHERE city LIKE p_city_prefix || '%' ORDER BY customer_id;
END $$;

-- A cursor: read it inside the transaction that called the function -----------------------

-- The orders of a customer with their freight raised by a surcharge, by number.
CREATE FUNCTION customer_orders_cursor(p_customer_id integer, p_surcharge numeric) RETURNS refcursor
  LANGUAGE plpgsql AS $$
DECLARE
  c refcursor;
BEGIN
  OPEN c FOR SELECT order_id, order_date, freight + p_surcharge AS freight
    FROM orders WHERE customer_id = p_customer_id ORDER BY order_id;
  RETURN c;
END $$;

-- An error raised on purpose ----------------------------------------------------------------

-- Cancels an order; a reason is required, and the answer is the cancelled order's number.
CREATE FUNCTION order_cancel(p_order_id integer, p_reason text) RETURNS integer LANGUAGE plpgsql AS $$
BEGIN
  IF coalesce(p_reason, '') = '' THEN
    RAISE EXCEPTION 'order % cannot be cancelled without a reason', p_order_id USING ERRCODE = 'P0001';
  END IF;
  RETURN p_order_id;
END $$;
