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
echo "tool_test passed"
