#!/usr/bin/env bash
# Installs what is missing, builds the programs, and generates the SQL Server sample class
# (samples/mssql) from its catalogue snapshot into build/demo/, then says where it is.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/bootstrap.sh
cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j "$(nproc)"

# A copy of the sample profile whose output files go to build/demo. Its snapshot path is
# relative to the repository root, where this script runs the program.
out=build/demo
cli=build/bin/procforge-cli
mkdir -p "$out"
rm -f "$out/OrderEntry.PFG"
cp samples/mssql/OrderEntry.PFG "$out/OrderEntry.PFG"
"$cli" configure --profile "$out/OrderEntry.PFG" \
  --set "Code.ClassFile=$out/COrderEntryDB.cls" \
  --set "Code.ParamDefsFile=$out/MOrderEntryParams.bas" >/dev/null
"$cli" generate --profile "$out/OrderEntry.PFG" --yes

echo
echo "Generated from samples/mssql/OrderEntry.sql:"
echo "  class:  $(pwd)/$out/COrderEntryDB.cls"
echo "  module: $(pwd)/$out/MOrderEntryParams.bas"
echo "The wizard, on a desktop: $(pwd)/build/bin/procforge"
