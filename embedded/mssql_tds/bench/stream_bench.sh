#!/bin/sh
# Streams a table of 10 mixed columns to FreeTDS's tsql through
# `tsl-mssql serve` and reports rows per second and the server's peak
# resident memory, for several row counts (memory should stay flat).
#   stream_bench.sh TSL_MSSQL [ROWS...]      (default: 10000 100000)
set -eu
tool=$1
shift
counts=${*:-10000 100000}
work=$(mktemp -d)
pid=
trap '[ -n "$pid" ] && kill "$pid" 2>/dev/null; rm -rf "$work"' EXIT

"$tool" --dir "$work/srv" init >/dev/null
echo 'Bench-Secret-1' | "$tool" --dir "$work/srv" add-login bench
cat >"$work/setup.sql" <<'SQL'
CREATE DATABASE bench
GO
USE bench
GO
CREATE TABLE digits (n int PRIMARY KEY)
INSERT INTO digits VALUES (0), (1), (2), (3), (4), (5), (6), (7), (8), (9)
CREATE TABLE wide (
  id int PRIMARY KEY, name nvarchar(50), code varchar(20), amount decimal(12,2),
  price money, ratio float, created datetime, day date, flag bit, tag uniqueidentifier)
SQL
"$tool" --dir "$work/srv" run "$work/setup.sql" >/dev/null

for n in $counts; do
  "$tool" --dir "$work/srv" -d bench query "DELETE FROM wide" >/dev/null
  # Rows from a cross join of digits: as many tens of thousands as asked.
  sql="INSERT INTO wide SELECT a.n*10000 + b.n*1000 + c.n*100 + d.n*10 + e.n, N'customer name ' + CAST(a.n AS nvarchar(10)),
       'CODE-' + CAST(b.n AS varchar(10)), 1234.56, 99.95, 0.125, '2024-02-29 13:14:15.997', '2024-02-29', 1,
       '6F9619FF-8B86-D011-B42D-00C04FC964FF' FROM digits a, digits b, digits c, digits d, digits e
       WHERE a.n*10000 + b.n*1000 + c.n*100 + d.n*10 + e.n < $n"
  "$tool" --dir "$work/srv" -d bench query "$sql" >/dev/null
  rm -f "$work/port"
  "$tool" --dir "$work/srv" serve --port 0 --ready-file "$work/port" >/dev/null 2>"$work/err" &
  pid=$!
  while [ ! -s "$work/port" ]; do sleep 0.05; done
  port=$(cat "$work/port")
  start=$(date +%s.%N)
  printf 'SELECT * FROM wide\ngo\n' |
    tsql -H 127.0.0.1 -p "$port" -U bench -P Bench-Secret-1 -D bench -o q >"$work/out" 2>&1
  end=$(date +%s.%N)
  got=$(grep -c 'customer name' "$work/out" || true)
  peak=$(awk '/VmHWM/ {print $2}' "/proc/$pid/status")
  # User and system CPU of the server, in clock ticks.
  cpu=$(awk '{print $14 + $15}' "/proc/$pid/stat")
  hz=$(getconf CLK_TCK)
  kill "$pid"
  wait "$pid" || true
  pid=
  awk -v n="$n" -v got="$got" -v s="$start" -v e="$end" -v kb="$peak" -v cpu="$cpu" -v hz="$hz" 'BEGIN {
    printf "%7d rows (%d read): %.2f s, %.0f rows/s, server CPU %.2f s, server peak RSS %.1f MB\n",
           n, got, e - s, n / (e - s), cpu / hz, kb / 1024 }'
done
