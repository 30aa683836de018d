-- The procedures of the order-entry sample that return rows, over the tables and rows of
-- samples/postgresql/OrderEntry.pgsql, which the harness loads first. Every other procedure
-- of the catalogue gets a generated function that logs its call.
CREATE FUNCTION pf_log(proc text, args text) RETURNS void LANGUAGE sql AS
  $$ INSERT INTO pf_calls(pf_proc, pf_args) VALUES (proc, args) $$;

CREATE FUNCTION "sp_GetCustomer"(code varchar) RETURNS SETOF customers LANGUAGE plpgsql AS $$ BEGIN
  PERFORM pf_log('sp_GetCustomer', code);
  RETURN QUERY SELECT * FROM customers WHERE customer_code <= code ORDER BY customer_id; END $$;
CREATE FUNCTION "usp_GetCustomer"(id integer) RETURNS SETOF customers LANGUAGE plpgsql AS $$ BEGIN
  PERFORM pf_log('usp_GetCustomer', id::text);
  RETURN QUERY SELECT * FROM customers WHERE customer_id <> id ORDER BY customer_id; END $$;
CREATE FUNCTION "usp_CategoryList"() RETURNS SETOF categories LANGUAGE plpgsql AS $$ BEGIN
  PERFORM pf_log('usp_CategoryList', '');
  RETURN QUERY SELECT * FROM categories ORDER BY category_id; END $$;
CREATE FUNCTION "usp_CustomerSearch"(name varchar, city varchar, maxrows smallint) RETURNS SETOF customers
  LANGUAGE plpgsql AS $$ BEGIN
  PERFORM pf_log('usp_CustomerSearch', concat_ws('|', name, city, maxrows));
  RETURN QUERY SELECT * FROM customers ORDER BY customer_id DESC LIMIT maxrows; END $$;
CREATE FUNCTION "usp_OrderList"(customer integer, from_date timestamp, to_date timestamp) RETURNS SETOF orders
  LANGUAGE plpgsql AS $$ BEGIN
  PERFORM pf_log('usp_OrderList', concat_ws('|', customer, from_date, to_date));
  RETURN QUERY SELECT * FROM orders WHERE order_date <= to_date ORDER BY order_id; END $$;
-- Two result sets: the categories, then the orders.
CREATE FUNCTION "usp_ReportSalesByCategory"(year smallint, kind varchar) RETURNS SETOF refcursor
  LANGUAGE plpgsql AS $$ DECLARE a refcursor := 'pf_categories'; b refcursor := 'pf_orders'; BEGIN
  PERFORM pf_log('usp_ReportSalesByCategory', concat_ws('|', year, kind));
  OPEN a FOR SELECT * FROM categories ORDER BY category_id; RETURN NEXT a;
  OPEN b FOR SELECT * FROM orders ORDER BY order_id; RETURN NEXT b; END $$;
-- Fails on purpose for the reasons that begin with 'FAIL'.
CREATE FUNCTION "usp_OrderCancel"(order_id integer, reason varchar) RETURNS integer LANGUAGE plpgsql AS $$ BEGIN
  IF reason LIKE 'FAIL%' THEN RAISE EXCEPTION 'order % cannot be cancelled', order_id; END IF;
  PERFORM pf_log('usp_OrderCancel', concat_ws('|', order_id, reason));
  RETURN 0; END $$;
-- The error-log procedure of the error library: a code and the report.
CREATE FUNCTION pf_error_log(code integer, report text) RETURNS void LANGUAGE sql AS
  $$ INSERT INTO pf_calls(pf_proc, pf_args) VALUES ('pf_error_log', code || '|' || report) $$;
