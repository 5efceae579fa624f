#!/usr/bin/env bash
# The whole story on a fresh machine: installs what the build needs, builds
# the agent and the two embedded servers' tools, creates an embedded SQL
# Server holding the sample database and an embedded Oracle with a user,
# converts the sample with TSLAGENT and shows what arrived in Oracle.
# Safe to run again: the demo data directory is made afresh each time.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh

build=build/release
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DTSL_WERROR=ON
cmake --build "$build" -j "$(nproc)" --target TSLAGENT tsl-mssql tsl-oracle

agent=$build/agent/TSLAGENT
mssql=$build/embedded/mssql_tool/tsl-mssql
oracle=$build/embedded/oracle_tool/tsl-oracle

demo=$PWD/build/demo
rm -rf "$demo"
mkdir -p "$demo"
export TSL_MSSQL_DATA=$demo/mssql
export TSL_ORACLE_DATA=$demo/oracle
export TSL_ORACLE_CLIENT=embedded

echo "== SQL Server: the sample database"
"$mssql" init
"$mssql" run embedded/mssql/samples/sample_shop.sql

echo "== Oracle: database ORCL with user scott"
"$oracle" create-db ORCL
"$oracle" create-user ORCL scott tiger

echo "== TSLAGENT"
"$agent" --src=sample_shop --dest=ORCL --oraclu=scott --oraclp=tiger \
  --logfile="$demo/tslagent.log"

echo "== What arrived"
show() { "$oracle" sql ORCL scott/tiger -e "$1"; }
show "SELECT table_name FROM user_tables ORDER BY table_name"
for t in customers orders order_lines products; do
  show "SELECT '$t' AS table_name, COUNT(*) AS row_count FROM \"$t\""
done
show "SELECT \"customer_id\", \"code\", \"name\", \"city\", \"country\" FROM \"customers\" ORDER BY 1"
show "SELECT \"order_id\", \"line_no\", \"product_id\", \"quantity\", \"unit_price\" FROM \"order_lines\" ORDER BY 1, 2"
show "SELECT \"product_id\", \"sku\", \"title\", \"price\" FROM \"products\" ORDER BY 1"
echo "== Done: the trace log is $demo/tslagent.log"
