#!/usr/bin/env bash
# Installs the build into a temporary prefix as a desktop program would be installed, and
# generates the SQL Server sample class with the installed procforge-cli, which finds its
# code library in the prefix's share folder.
# Usage: install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
build=$1
src=$2
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
prefix=$tmp/prefix

cmake --install "$build" --prefix "$prefix" >/dev/null
for f in bin/procforge-cli share/procforge/CodeLib.cls share/procforge/Faultnet31.bas \
         share/procforge/PFG_UserGuide.htm share/applications/procforge.desktop \
         share/icons/hicolor/scalable/apps/procforge.svg; do
  [ -e "$prefix/$f" ] || { echo "not installed: $f"; exit 1; }
done
if [ -e "$build/bin/procforge" ]; then
  [ -x "$prefix/bin/procforge" ] || { echo "not installed: bin/procforge"; exit 1; }
fi
if [ -e "$prefix/bin/CodeLib.cls" ]; then echo "the code library belongs in share/procforge"; exit 1; fi

work=$tmp/work
mkdir -p "$work/out"
cd "$work"
export HOME=$work XDG_CONFIG_HOME=$work/config
unset SOURCE_DATE_EPOCH
cli=$prefix/bin/procforge-cli
"$cli" configure --profile orders.PFG --new --set Server.SrvrType=1 \
  --set "Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=$src/samples/mssql/OrderEntry.sql" \
  --set Code.ClassFile=out/COrderEntryDB.cls >/dev/null
"$cli" generate --profile orders.PFG --yes >/dev/null
grep -q 'Attribute VB_Name = "COrderEntryDB"' out/COrderEntryDB.cls
grep -q 'Public Function' out/COrderEntryDB.cls
echo "installed programs generate from $prefix"
