-- The routines of the schema public, one row each: name, kind, whether it returns a set, the result type,
-- the argument modes, names and types (all arguments, results columns included), each list ";"-separated.
SELECT p.proname, p.prokind, p.proretset, format_type(p.prorettype, NULL),
       coalesce(array_to_string(p.proargmodes, ';'), ''), coalesce(array_to_string(p.proargnames, ';'), ''),
       (SELECT string_agg(format_type(t, NULL), ';' ORDER BY o)
        FROM unnest(coalesce(p.proallargtypes, p.proargtypes::oid[])) WITH ORDINALITY u(t, o))
FROM pg_proc p JOIN pg_namespace n ON n.oid = p.pronamespace WHERE n.nspname = 'public'
ORDER BY p.proname, p.pronargs;
