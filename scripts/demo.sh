#!/usr/bin/env bash
# Migrates a copy of the bundled example application and shows what changed.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
bin="$root/build/tolvern"
demo="$root/build/demo"
rm -rf "$demo"
mkdir -p "$demo"
cp -r "$root/examples/orders" "$demo/orders"
echo "\$ tolvern migrate --project build/demo/orders/Orders.dpr"
"$bin" migrate --project "$demo/orders/Orders.dpr"
echo
echo "--- Wiz_Log.txt"
tr -d '\r' < "$demo/orders/Wiz_Log.txt" | grep -v '^$'
echo
echo "--- changes"
diff -r --strip-trailing-cr "$root/examples/orders" "$demo/orders" --exclude=RBackup --exclude=Wiz_Log.txt || true
echo
echo "\$ tolvern restore build/demo/orders/RBackup/ZUvezod.reu"
"$bin" restore "$demo/orders/RBackup/ZUvezod.reu"
