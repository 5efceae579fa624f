#!/bin/sh
# tessaly convert with one job and with two: four generated tables of
# 50,000 rows (10 mixed columns) from the embedded SQL Server into the
# embedded Oracle. Reports wall time, rows per second and the peak resident
# memory of the largest process (every job is one).
#   convert_jobs_bench.sh BUILD_DIR [ROWS_PER_TABLE] [JOBS...]
set -eu
build=$1
rows=${2:-50000}
shift $(( $# > 1 ? 2 : 1 ))
jobs=${*:-1 2}
tessaly=$build/tessaly/tessaly
mssql=$build/embedded/mssql_tool/tsl-mssql
oracle=$build/embedded/oracle_tool/tsl-oracle
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

export TSL_MSSQL_DATA="$work/srv" TSL_ORACLE_DATA="$work/ora" TSL_ORACLE_CLIENT=embedded
export TSL_ORACLE_PASSWORD=tiger
"$mssql" init >/dev/null
{
  echo "CREATE DATABASE bench"
  echo "GO"
  echo "USE bench"
  echo "GO"
  echo "CREATE TABLE digits (n int PRIMARY KEY)"
  echo "INSERT INTO digits VALUES (0), (1), (2), (3), (4), (5), (6), (7), (8), (9)"
  for t in t1 t2 t3 t4; do
    echo "CREATE TABLE $t (id int PRIMARY KEY, name nvarchar(50), code varchar(20),
      amount decimal(12,2), price money, ratio float, created datetime, flag bit,
      big bigint, note nvarchar(40))"
    echo "INSERT INTO $t SELECT a.n*10000 + b.n*1000 + c.n*100 + d.n*10 + e.n,
      N'customer ' + CAST(a.n AS nvarchar(10)), 'CODE-' + CAST(b.n AS varchar(10)), 1234.56,
      99.95, 0.125, '2024-02-29 13:14:15', e.n % 2, 1000000000 + c.n, N'Grüße'
      FROM digits a, digits b, digits c, digits d, digits e
      WHERE a.n*10000 + b.n*1000 + c.n*100 + d.n*10 + e.n < $rows"
  done
  echo "DROP TABLE digits"
  echo "GO"
} >"$work/setup.sql"
"$mssql" run "$work/setup.sql" >/dev/null
"$oracle" create-db ORCL >/dev/null
"$oracle" create-user ORCL scott tiger >/dev/null

for j in $jobs; do
  /usr/bin/time -f '%e %M' -o "$work/time" \
    "$tessaly" convert -d bench -o ORCL -u scott --quiet --jobs="$j" --report="$work/r.json"
  read -r wall kb <"$work/time"
  # GNU time's peak is the largest of the process and the jobs it waited for.
  awk -v j="$j" -v w="$wall" -v kb="$kb" -v n="$((rows * 4))" 'BEGIN {
    printf "--jobs %d: %d rows in %.2f s, %.0f rows/s, peak RSS %.1f MB\n", j, n, w, n / w, kb / 1024 }'
done
