-- Catalogue snapshot of the PostgreSQL 15 order-entry database that OrderEntry.pgsql creates
-- (orderentry on pgsrv01), taken with procforge-cli snapshot: the search path and the rows of
-- pg_namespace, pg_proc, pg_depend and pg_type that the extractor reads.
BEGIN TRANSACTION;

CREATE TABLE "pg_settings" ("name" NVARCHAR, "setting" NVARCHAR);
INSERT INTO "pg_settings" VALUES
  ('search_path', '"$user", "public"');

CREATE TABLE "pg_namespace" ("oid" NVARCHAR, "nspname" NVARCHAR);
INSERT INTO "pg_namespace" VALUES
  ('11', 'pg_catalog'),
  ('2200', 'public');

CREATE TABLE "pg_proc" ("oid" NVARCHAR, "proname" NVARCHAR, "pronamespace" NVARCHAR, "prokind" NVARCHAR, "proretset" NVARCHAR, "prorettype" NVARCHAR, "proargtypes" NVARCHAR, "proallargtypes" NVARCHAR, "proargmodes" NVARCHAR, "proargnames" NVARCHAR, "pronargdefaults" NVARCHAR);
INSERT INTO "pg_proc" VALUES
  ('16410', 'format_order_no', '2200', 'f', 'false', '1043', '20 1043', NULL, NULL, '{p_order_id,p_prefix}', '0'),
  ('16411', 'shipping_cost', '2200', 'f', 'false', '1700', '1700 23 16', NULL, NULL, '{p_weight_kg,p_zone,p_express}', '0'),
  ('16412', 'is_valid_email', '2200', 'f', 'false', '16', '25', NULL, NULL, '{p_email}', '0'),
  ('16413', 'invoice_due_date', '2200', 'f', 'false', '1082', '1082 23', NULL, NULL, '{p_invoice_date,p_due_days}', '0'),
  ('16414', 'ship_time', '2200', 'f', 'false', '1184', '1184 23', NULL, NULL, '{p_ordered,p_hours}', '0'),
  ('16415', 'order_guid', '2200', 'f', 'false', '2950', '23 1043', NULL, NULL, '{p_order_id,p_customer_code}', '0'),
  ('16416', 'thumbnail_key', '2200', 'f', 'false', '17', '17', NULL, NULL, '{p_picture}', '0'),
  ('16417', 'stock_after', '2200', 'f', 'false', '20', '20 23', NULL, NULL, '{p_on_hand,p_delta}', '0'),
  ('16418', 'price_with_tax', '2200', 'f', 'false', '1700', '1700', NULL, NULL, '{p_price}', '0'),
  ('16419', 'price_with_tax', '2200', 'f', 'false', '1700', '1700 1700', NULL, NULL, '{p_price,p_rate}', '0'),
  ('16420', 'customer_label', '2200', 'f', 'false', '25', '23', NULL, NULL, '{p_customer_id}', '0'),
  ('16421', 'customer_label', '2200', 'f', 'false', '25', '25', NULL, NULL, '{p_customer_code}', '0'),
  ('16422', 'order_age_days', '2200', 'f', 'false', '23', '1114 1082', NULL, NULL, '{p_ordered,p_on}', '0'),
  ('16423', 'order_age_days', '2200', 'f', 'false', '23', '1184 1082', NULL, NULL, '{p_ordered,p_on}', '0'),
  ('16424', 'discounted_price', '2200', 'f', 'false', '1700', '1700 1700 23', NULL, NULL, '{p_price,p_percent,p_places}', '2'),
  ('16425', 'order_totals', '2200', 'f', 'false', '2249', '23 1700 21 23', '{23,1700,21,1700,1700,1700,23}', '{i,i,i,o,o,o,b}', '{p_order_id,p_unit_price,p_quantity,p_subtotal,p_tax,p_total,p_item_count}', '0'),
  ('16426', 'customer_login', '2200', 'f', 'false', '2249', '1043 1184', '{1043,1184,2950,16,1184}', '{i,i,o,o,o}', '{p_customer_code,p_at,p_session,p_active,p_valid_until}', '0'),
  ('16427', 'order_add_note', '2200', 'p', 'false', '2249', '23 25 23 1043', '{23,25,23,1043}', '{i,i,b,b}', '{p_order_id,p_note,p_note_count,p_stamp}', '0'),
  ('16428', 'credit_limit_adjust', '2200', 'p', 'false', '2249', '23 1700 1700', '{23,1700,1700}', '{i,i,b}', '{p_customer_id,p_percent,p_limit}', '0'),
  ('16429', 'order_freight', '2200', 'p', 'false', '2249', '23 1700', '{23,1700,1700,16}', '{i,i,o,o}', '{p_order_id,p_surcharge,p_freight,p_free}', '0'),
  ('16430', 'payment_schedule', '2200', 'f', 'true', '2249', '1082 23 1700', '{1082,23,1700,23,1082,1700}', '{i,i,i,t,t,t}', '{p_first,p_count,p_amount,instalment,due,amount}', '0'),
  ('16431', 'customers_in_city', '2200', 'f', 'true', '16387', '1043', NULL, NULL, '{p_city_prefix}', '0'),
  ('16432', 'customer_orders_cursor', '2200', 'f', 'false', '1790', '23 1700', NULL, NULL, '{p_customer_id,p_surcharge}', '0'),
  ('16433', 'order_cancel', '2200', 'f', 'false', '23', '23 25', NULL, NULL, '{p_order_id,p_reason}', '0');

CREATE TABLE "pg_depend" ("classid" NVARCHAR, "objid" NVARCHAR, "deptype" NVARCHAR);

CREATE TABLE "pg_type" ("oid" NVARCHAR, "typname" NVARCHAR, "typnamespace" NVARCHAR, "typtype" NVARCHAR, "typcategory" NVARCHAR, "typbasetype" NVARCHAR, "typelem" NVARCHAR);
INSERT INTO "pg_type" VALUES
  ('1043', 'varchar', '11', 'b', 'S', '0', '0'),
  ('1082', 'date', '11', 'b', 'D', '0', '0'),
  ('1114', 'timestamp', '11', 'b', 'D', '0', '0'),
  ('1184', 'timestamptz', '11', 'b', 'D', '0', '0'),
  ('16', 'bool', '11', 'b', 'B', '0', '0'),
  ('16387', 'customers', '2200', 'c', 'C', '0', '0'),
  ('17', 'bytea', '11', 'b', 'U', '0', '0'),
  ('1700', 'numeric', '11', 'b', 'N', '0', '0'),
  ('1790', 'refcursor', '11', 'b', 'U', '0', '0'),
  ('20', 'int8', '11', 'b', 'N', '0', '0'),
  ('21', 'int2', '11', 'b', 'N', '0', '0'),
  ('2249', 'record', '11', 'p', 'P', '0', '0'),
  ('23', 'int4', '11', 'b', 'N', '0', '0'),
  ('25', 'text', '11', 'b', 'S', '0', '0'),
  ('2950', 'uuid', '11', 'b', 'U', '0', '0');

CREATE TABLE SnapshotInfo (Key TEXT, Value TEXT);
INSERT INTO SnapshotInfo VALUES
  ('ServerType', '4'),
  ('Source', 'Provider=MSDASQL;Driver={PostgreSQL Unicode};Server=pgsrv01;Port=5432;Database=orderentry;UID=orders_app;PWD=***'),
  ('TakenAt', '2026-12-08T11:00:00Z');
COMMIT;
