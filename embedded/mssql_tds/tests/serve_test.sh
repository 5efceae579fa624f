#!/bin/sh
# Starts `tsl-mssql serve` on a free loopback port over a copy of the sample
# database and drives it with a client this project did not write:
#   serve_test.sh TSL_MSSQL SAMPLE_SQL tsql
#   serve_test.sh TSL_MSSQL SAMPLE_SQL tedious TEDIOUS_DIR
# Then stops the server with SIGTERM and checks that it stopped cleanly.
set -eu
tool=$1 sample=$2 client=$3
work=$(mktemp -d)
pid=
cleanup() {
  [ -n "$pid" ] && kill "$pid" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; [ -f "$work/server.err" ] && cat "$work/server.err" >&2; exit 1; }

"$tool" --dir "$work/srv" init >/dev/null
"$tool" --dir "$work/srv" run "$sample" >/dev/null
echo 'Tds-Secret-1' | "$tool" --dir "$work/srv" -d sample_shop add-login tester
"$tool" --dir "$work/srv" serve --port 0 --ready-file "$work/port" >"$work/server.out" 2>"$work/server.err" &
pid=$!
i=0
while [ ! -s "$work/port" ]; do
  i=$((i + 1))
  [ $i -gt 100 ] && fail "the server did not start"
  sleep 0.1
done
port=$(cat "$work/port")
grep -q "Listening on 127.0.0.1 port $port" "$work/server.out" || fail "no port line"

q() {  # q DATABASE PASSWORD: runs standard input through tsql
  timeout 30 tsql -H 127.0.0.1 -p "$port" -U tester -P "$2" -D "$1" -o q 2>&1 || true
}
expect() {  # expect TEXT FILE
  grep -qF -- "$1" "$2" || { cat "$2" >&2; fail "missing: $1"; }
}

case "$client" in
  tsql)
    cat >"$work/q.sql" <<'SQL'
SELECT 1 AS one
go
SELECT * FROM products ORDER BY product_id
go
SELECT * FROM customers ORDER BY customer_id
go
SELECT order_id, DATALENGTH(comment) AS c, DATALENGTH(attachment) AS a FROM orders ORDER BY order_id
go
SELECT 10 AS before_error; SELECT * FROM no_such_table; SELECT 20
go
exec sp_databases
go
DECLARE @i int = 0 WHILE @i < 2 BEGIN SET @i = @i + 1 SELECT 'pass ' + CAST(@i AS varchar(2)) AS p END
go
SELECT COUNT(*) FROM [hr].[employees]
go
SQL
    q sample_shop Tds-Secret-1 <"$work/q.sql" >"$work/out"
    expect "Chair «Confort»" "$work/out"                      # nvarchar
    expect "49.99" "$work/out"                                 # decimal
    expect "1234567890123456789012345678.0123456789" "$work/out"  # numeric(38,10)
    expect "4006381333931" "$work/out"                         # bigint
    expect "-9223372036854775808" "$work/out"
    expect "Oct 10 2010" "$work/out"                           # date, datetime2, ...
    expect "89504e470d0a1a0a" "$work/out"                      # image
    expect "deadbeef" "$work/out"                              # binary(4)
    expect "Ножки из дуба." "$work/out"                        # ntext
    expect "<datasheet><legs>4</legs></datasheet>" "$work/out" # xml
    expect "variant text" "$work/out"                          # sql_variant
    expect "00000000000007d0" "$work/out"                      # timestamp
    expect "	NULL	NULL	" "$work/out"                       # NULLs
    expect "Émilie Dubois" "$work/out"
    expect "25000.5000" "$work/out"                            # money
    expect "6F9619FF-8B86-D011-B42D-00C04FC964FF" "$work/out"  # uniqueidentifier
    expect "Mar  4 2019 10:11AM" "$work/out"                   # datetime
    expect "70000" "$work/out"                                 # varbinary(max) length
    expect "Invalid object name 'no_such_table'." "$work/out"
    expect "sample_shop" "$work/out"
    expect "pass 1" "$work/out"                                # result sets from a loop
    expect "pass 2" "$work/out"
    if grep -q "^20$" "$work/out"; then fail "the batch went on after error 208"; fi
    # Older protocol versions: dates as text before 7.3, (max) as text before 7.2.
    for v in 7.1 7.2; do
      printf 'SELECT released, updated_at_origin FROM products WHERE product_id = 100\ngo\nSELECT DATALENGTH(long_note), long_note FROM orders WHERE order_id = 1002\ngo\n' |
        TDSVER=$v q sample_shop Tds-Secret-1 >"$work/old"
      expect "2010-10-10	2010-10-10 08:30:15.12 +02:00" "$work/old"
      expect "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx" "$work/old"
    done
    echo "SELECT 1" | q sample_shop wrong-password >"$work/bad"
    expect "Msg 18456" "$work/bad"
    expect "Login failed for user 'tester'." "$work/bad"
    echo "SELECT 1" | q no_such_db Tds-Secret-1 >"$work/nodb"
    expect "Msg 4060" "$work/nodb"
    expect 'Cannot open database "no_such_db" requested by the login. The login failed.' "$work/nodb"
    ;;
  tedious)
    dir=$4
    [ -d "$dir/node_modules/tedious" ] || fail "tedious is not installed in $dir (run scripts/install-deps.sh)"
    timeout 120 node "$dir/check.js" "$port" tester Tds-Secret-1 || fail "tedious checks"
    ;;
  *)
    fail "unknown client $client"
    ;;
esac

if grep -q "Tds-Secret-1\|wrong-password" "$work/server.err"; then fail "a password reached the trace"; fi
kill -TERM "$pid"
wait "$pid" || fail "the server did not exit cleanly"
pid=
grep -q "Stopped" "$work/server.out" || fail "no clean stop"
"$tool" --dir "$work/srv" -d sample_shop query "SELECT COUNT(*) FROM customers" >/dev/null || fail "data unreadable after stop"
echo "ok"
