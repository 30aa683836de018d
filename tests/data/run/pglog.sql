-- The error-log procedure of the error library as a PostgreSQL user writes it: a code and the report.
CREATE TABLE error_log(app_id integer, report text);
CREATE PROCEDURE pf_error_log(p_app_id integer, p_report text) LANGUAGE sql AS
  $$ INSERT INTO error_log(app_id, report) VALUES (p_app_id, p_report) $$;
