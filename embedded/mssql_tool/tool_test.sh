#!/bin/sh
# The tool end to end: create a server, load the sample, query it, add a
# login and use it, and fail a bad query with the server's message.
set -eu
tool=$1
sample=$2
dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
fail() { echo "tool_test: $*" >&2; exit 1; }

"$tool" --dir "$dir/srv" init > /dev/null
"$tool" --dir "$dir/srv" init > /dev/null 2>&1 && fail "a second init must fail"
"$tool" --dir "$dir/srv" run "$sample" > /dev/null
out=$("$tool" --dir "$dir/srv" -d sample_shop query "SELECT count(*) AS n FROM customers")
[ "$out" = "$(printf 'n\n8\n(1 row affected)')" ] || fail "unexpected count output: $out"
echo 's3cret' | "$tool" --dir "$dir/srv" -d sample_shop add-login bob
[ "$(stat -c %a "$dir/srv/logins")" = 600 ] || fail "logins file must be private"
grep -q s3cret "$dir/srv/logins" && fail "password stored in clear"
out=$(TSL_MSSQL_PASSWORD=s3cret "$tool" --dir "$dir/srv" -U bob query "SELECT TOP 1 code FROM customers ORDER BY code")
echo "$out" | grep -q C0000001 || fail "login bob cannot read: $out"
if TSL_MSSQL_PASSWORD=wrong "$tool" --dir "$dir/srv" -U bob query "SELECT 1" 2> "$dir/err"; then
  fail "a wrong password must fail"
fi
grep -q "Login failed for user 'bob'." "$dir/err" || fail "no login message"
if "$tool" --dir "$dir/srv" -d sample_shop query "SELECT * FROM nowhere" 2> "$dir/err"; then
  fail "a bad query must fail"
fi
grep -q "Msg 208, Level 16, State 1" "$dir/err" || fail "no server message"
# A number out of range is the server's overflow message, not a library's.
"$tool" --dir "$dir/srv" -d sample_shop query "CREATE TABLE big (id decimal(38,0) IDENTITY(1,1), v int)" > /dev/null
if "$tool" --dir "$dir/srv" -d sample_shop query "SET IDENTITY_INSERT big ON
INSERT INTO big (id, v) VALUES (99999999999999999999, 1)" 2> "$dir/err"; then
  fail "an identity value out of range must fail"
fi
grep -q "Msg 8115, Level 16" "$dir/err" || fail "no overflow message: $(cat "$dir/err")"

# A script with errors goes on as sqlcmd does; -b stops at the first.
cat > "$dir/bad.sql" <<'SQL'
CREATE DATABASE errs
GO
USE errs
CREATE TABLE t (a int PRIMARY KEY)
GO
INSERT INTO t VALUES (1)
INSERT INTO t VALUES (1)
INSERT INTO t VALUES (2)
GO
SELECT * FROM missing
INSERT INTO t VALUES (3)
GO
INSERT INTO t VALUES (4)
SQL
if "$tool" --dir "$dir/srv" run "$dir/bad.sql" > /dev/null 2> "$dir/err"; then
  fail "a script with errors must fail"
fi
grep -q "^$dir/bad.sql:7: Msg 2627, Level 14, State 1, Batch at line 6$" "$dir/err" ||
  fail "duplicate key not placed: $(cat "$dir/err")"
grep -q "^$dir/bad.sql:10: Msg 208, Level 16, State 1, Batch at line 10$" "$dir/err" ||
  fail "missing table not placed: $(cat "$dir/err")"
out=$("$tool" --dir "$dir/srv" -d errs query "SELECT a FROM t ORDER BY a" | tr '\n' ' ')
[ "$out" = "a 1 2 4 (3 rows affected)  " ] || fail "statements after the errors: $out"
"$tool" --dir "$dir/srv" -d errs query "DROP TABLE t" > /dev/null
if "$tool" --dir "$dir/srv" -b run "$dir/bad.sql" > /dev/null 2> "$dir/err"; then
  fail "-b must fail"
fi
grep -q "Msg 1801" "$dir/err" || fail "-b: $(cat "$dir/err")"
[ "$(grep -c '^.*: Msg' "$dir/err")" = 1 ] || fail "-b must stop at the first error"

echo "tool_test passed"
