#!/usr/bin/env bash
# How fast a station sends the records an outage of the database left
# waiting: a journal of 1,000 unit records (as a station leaves it while the
# database is down), then the station started with the database back. Prints
# the records a second from the station's start until its cursor (JOURNAL.sent,
# its first word) covers the whole journal. The database is a PostgreSQL server of this run's
# own (Debian's postgresql), on a Unix socket, run as nobody when run as root.
#
#   tools/measure-record-sender.sh [build dir] [records]
set -euo pipefail
export LC_ALL=C  # decimal points in the figures

BUILD=${1:-"$(dirname "$0")/../build"}
RECORDS=${2:-1000}
PG=$(ls -d /usr/lib/postgresql/*/bin | sort -V | tail -n 1)

work=$(mktemp -d)
as_server=()
if [ "$(id -u)" -eq 0 ]; then
  chown nobody "$work"
  as_server=(runuser -u nobody --)
fi
station=""
cleanup() {
  [ -n "$station" ] && kill "$station" 2> /dev/null || true
  wait 2> /dev/null || true
  "${as_server[@]}" "$PG/pg_ctl" -D "$work/data" -m fast -w stop > /dev/null 2>&1 || true
  rm -rf "$work"
}
trap cleanup EXIT

"${as_server[@]}" "$PG/initdb" -D "$work/data" -U gimbal --auth=trust -E UTF8 --no-locale > /dev/null
"${as_server[@]}" "$PG/pg_ctl" -D "$work/data" -l "$work/server.log" \
  -o "-c listen_addresses='' -k $work" -w start > /dev/null
db="host=$work dbname=postgres user=gimbal"
"$PG/psql" -X -q "$db" -f "$(dirname "$0")/../station/units-schema.sql" 2> /dev/null

file="$work/measure.3plov"
"$(dirname "$0")/write-test-firmware.sh" 1 "$file"
journal="$work/units.jsonl"
now=$(date -u +%Y-%m-%dT%H:%M:%SZ)
{
printf '{"journal":"%s","station_uuid":"%s","created":"%s"}\n' \
  "$(cat /proc/sys/kernel/random/uuid)" "$(cat /proc/sys/kernel/random/uuid)" "$now"
for k in $(seq 1 "$RECORDS"); do
  printf '{"time":"%s","station":"measure","sequence":%d,"port":"/dev/serial/by-id/usb-gimbal-%d","usb_serial":"","file":"measure.3plov","file_size":3200,"file_sha256":"0000000000000000000000000000000000000000000000000000000000000000","result":"complete","status":0,"status_word":"ok","detail":"-----Firmware upgrade complete-----","seconds":31.6,"gimbalctl":"0.1"}\n' \
    "$now" "$k" $((k % 8))
done
} > "$journal"
size=$(stat -c %s "$journal")

mkdir "$work/ports"
start=$(date +%s.%N)
"$BUILD/gimbalctl" station --ports-from "$work/ports" --log "$journal" --db "$db" "$file" \
  > /dev/null 2>&1 &
station=$!
until [ "$(cut -d ' ' -f 1 "$journal.sent" 2> /dev/null || echo 0)" = "$size" ]; do sleep 0.002; done
end=$(date +%s.%N)

rows=$("$PG/psql" -X -A -t "$db" -c "SELECT count(*) FROM units")
[ "$rows" = "$RECORDS" ] || { echo "the database holds $rows records, not $RECORDS" >&2; exit 1; }
awk -v n="$RECORDS" -v s="$start" -v e="$end" 'BEGIN {
  printf "%d records sent after an outage in %.3f s (from the station'"'"'s start): %.0f records a second\n", n, e - s, n / (e - s)
}'
