#!/usr/bin/env bash
# Builds the Debian package from the build, checks it with lintian (when installed), unpacks
# it into a temporary root and works with what it installed: the installed procforge-cli
# generates the SQL Server sample class, finding its code library in the root's share
# folder; run as root, it installs the package with dpkg, runs procforge-cli as root and as
# an ordinary user, removes the package and finds nothing left in /usr; the manual pages render without warnings and list the commands and options the
# programs' --help texts do; the bash completion completes them; the AppStream metadata
# validates (when appstreamcli is installed).
# Usage: install_test.sh BUILD_DIR SOURCE_DIR CPACK
set -euo pipefail
export LC_ALL=C  # one sort order for the compared lists
build=$1
src=$2
cpack=$3
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
fail() { echo "$*" >&2; exit 1; }

"$cpack" -G DEB -B "$tmp/pkg" --config "$build/CPackConfig.cmake" >"$tmp/cpack.log" 2>&1 \
  || { cat "$tmp/cpack.log"; fail "cpack failed"; }
debs=("$tmp"/pkg/procforge_*.deb)
deb=${debs[0]}
[ -f "$deb" ] || fail "no package in $tmp/pkg"

# lintian: nothing but informational tags (the maintainer's E/W tags fail the test).
if command -v lintian >/dev/null; then
  lintian -I --fail-on error,warning "$deb" >"$tmp/lintian.log" 2>&1 \
    || { cat "$tmp/lintian.log"; fail "lintian reports errors or warnings"; }
  grep -E '^I: ' "$tmp/lintian.log" || true
fi

root=$tmp/root
dpkg -x "$deb" "$root"
usr=$root/usr
for f in bin/procforge-cli share/procforge/CodeLib.cls share/procforge/Faultnet31.bas \
         share/procforge/PFG_UserGuide.htm share/applications/procforge.desktop \
         share/icons/hicolor/scalable/apps/procforge.svg share/man/man1/procforge.1.gz \
         share/man/man1/procforge-cli.1.gz share/bash-completion/completions/procforge-cli \
         share/doc/procforge/copyright share/doc/procforge/changelog.gz; do
  [ -e "$usr/$f" ] || fail "not installed: $f"
done
metainfo=("$usr"/share/metainfo/*.metainfo.xml)
[ -f "${metainfo[0]}" ] || fail "no AppStream metadata in share/metainfo"
if [ -e "$build/bin/procforge" ]; then
  [ -x "$usr/bin/procforge" ] || fail "not installed: bin/procforge"
fi
[ ! -e "$usr/bin/CodeLib.cls" ] || fail "the code library belongs in share/procforge"
file -L "$usr"/bin/* | grep -q 'not stripped' && fail "the programs are installed with their debugging information"

# The metadata names the wizard's screenshot that the README shows.
grep -q "<image>[^<]*/docs/procforge-wizard.png</image>" "${metainfo[0]}" || fail "no wizard screenshot in the metadata"
[ -f "$src/docs/procforge-wizard.png" ] || fail "docs/procforge-wizard.png is missing"
# The README's excerpt of a generated method is the sample class's text.
excerpt=$(awk '/^```vb/ { n++; next } /^```/ { if (n == 1) exit } n == 1' "$src/README.md")
class=$(tr -d '\r' <"$src/tests/data/golden/classes/COrderEntryDB.cls")
[[ -n $excerpt && $class == *"$excerpt"* ]] || fail "the README's method excerpt is not in the SQL Server sample class"
if command -v appstreamcli >/dev/null; then
  appstreamcli validate --no-net "${metainfo[0]}" >"$tmp/appstream.log" 2>&1 \
    || { cat "$tmp/appstream.log"; fail "appstreamcli validate failed"; }
fi

work=$tmp/work
mkdir -p "$work/out"
cd "$work"
export HOME=$work XDG_CONFIG_HOME=$work/config
unset SOURCE_DATE_EPOCH
cli=$usr/bin/procforge-cli
"$cli" configure --profile orders.PFG --new --set Server.SrvrType=1 \
  --set "Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=$src/samples/mssql/OrderEntry.sql" \
  --set Code.ClassFile=out/COrderEntryDB.cls >/dev/null
"$cli" generate --profile orders.PFG --yes >/dev/null
grep -q 'Attribute VB_Name = "COrderEntryDB"' out/COrderEntryDB.cls
grep -q 'Public Function' out/COrderEntryDB.cls

# The manual pages render without a warning.
for page in "$usr"/share/man/man1/*.1.gz; do
  if command -v man >/dev/null; then
    LC_ALL=C.UTF-8 MANWIDTH=80 man --warnings -E UTF-8 -l "$page" 2>"$tmp/man.log" >/dev/null
    [ ! -s "$tmp/man.log" ] || { cat "$tmp/man.log"; fail "$(basename "$page") has warnings"; }
  fi
done

# What a manual page lists: the subsections of COMMANDS, and the options each subsection
# (or the OPTIONS section, for "") describes in its tagged paragraphs.
man_commands() {
  zcat "$1" | awk '/^\.SH/ { s = $2 } s == "COMMANDS" && /^\.SS/ { print $2 }' | sed 's/\\-/-/g'
}
man_options() {
  zcat "$1" | sed 's/\\-/-/g' | awk -v want="$2" '
    /^\.SH/ { s = $2; sub_ = ""; next }
    /^\.SS/ { sub_ = $2; next }
    /^\.TP/ { tag = 1; next }
    tag { tag = 0
          if ((want == "" && s == "OPTIONS") || (want != "" && s == "COMMANDS" && sub_ == want))
            for (i = 2; i <= NF; i++) { w = $i; gsub(/[",]/, "", w); if (w ~ /^--?[a-zA-Z]/) print w } }'
}
# The long options a help text names.
long_options() { grep -oE -- '--[a-z][a-z-]*' | sort -u; }
same() {  # same WHAT EXPECTED ACTUAL
  [ "$(sort -u <<<"$2")" = "$(sort -u <<<"$3")" ] \
    || fail "$1 differ: the page has $(echo $2), the program $(echo $3)"
}

source "$usr/share/bash-completion/completions/procforge-cli"
cli_page=$usr/share/man/man1/procforge-cli.1.gz
commands=$(_procforge_cli_commands "$cli")
[ -n "$commands" ] || fail "no commands in procforge-cli --help"
same "procforge-cli commands" "$(man_commands "$cli_page")" "$commands"
same "procforge-cli options" "$(man_options "$cli_page" "" | long_options)" "$("$cli" --help | long_options)"
for cmd in $commands; do
  same "options of $cmd" "$(man_options "$cli_page" "$cmd")" "$(_procforge_cli_options "$cli" "$cmd" | grep -vx -- --help)"
done
# The exit statuses the page lists are those the overview names.
man_statuses=$(zcat "$cli_page" | awk '/^\.SH/ { s = $2 " " $3 } s == "EXIT STATUS" && /^\.B [0-9]+$/ { print $2 }')
help_statuses=$("$cli" --help | awk '/^Exit status:/ { on = 1 } on && /^$/ { exit } on' | tr '\n' ' ' \
                | grep -oE '[:,] [0-9]+ ' | grep -oE '[0-9]+')
[ -n "$man_statuses" ] || fail "no exit statuses in the page"
same "exit statuses" "$man_statuses" "$help_statuses"
if [ -x "$usr/bin/procforge" ]; then
  help=$(env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/procforge" --help)
  same "procforge options" "$(man_options "$usr/share/man/man1/procforge.1.gz" "" | long_options)" "$(long_options <<<"$help")"
fi

# Completion: what the cursor's place on the line calls for.
mkdir -p "$work/files/out" && cd "$work/files"
touch orders.PFG orders.pfg Sales.db Sales.sql COrders.cls MOrders.bas notes.txt
complete_line() {
  COMP_WORDS=("$cli" "$@")
  COMP_CWORD=$((${#COMP_WORDS[@]} - 1))
  COMPREPLY=()
  _procforge_cli
  printf '%s\n' "${COMPREPLY[@]}" | sort | tr '\n' ' '
}
while IFS='|' read -r line expected; do
  read -ra words <<<"$line"
  [ "${line: -1}" = " " ] && words+=("")
  got=$(complete_line "${words[@]}")
  [ "$got" = "$expected" ] || fail "completing '$line': got '$got', expected '$expected'"
done < <(grep -v '^#' "$src/tests/data/install/completion.txt")
# A word typed with an escaped blank or quote, or after an opening quote, is read as the
# shell reads it.
mkdir -p quoted && touch "quoted/my orders.PFG" "quoted/it's.PFG"
for word in 'quoted/my\ o' '"quoted/my o' "'quoted/my o" 'quoted/my\ orders.P'; do
  got=$(complete_line generate --profile "$word")
  [ "$got" = "quoted/my orders.PFG " ] || fail "completing '$word': got '$got'"
done
got=$(complete_line generate --profile "quoted/it\\'")
[ "$got" = "quoted/it's.PFG " ] || fail "completing quoted/it\\': got '$got'"
echo "the package unpacks into programs that generate from $root"

# The package installed for real (as root, with dpkg, when no procforge package is there
# yet): procforge-cli run as root and as an ordinary user writes only in their own folders,
# and removing the package leaves nothing of it in /usr. One such test runs at a time.
leftovers() {
  find /usr \( -iname '*procforge*' -o -name 'CodeLib.*' -o -name 'Default.PFG' -o -name 'Errors.txt' \
    -o -name 'Faultnet31.bas' -o -name 'pfgXMLUtils.bas' \) -print 2>/dev/null | sort
}
if [ "$(id -u)" != 0 ] || ! command -v dpkg >/dev/null || dpkg -s procforge >/dev/null 2>&1; then
  echo "not installed for real: needs root, dpkg and no procforge package installed"
  exit 0
fi
exec 9>/var/lock/procforge-install-test.lock
flock 9
before=$(leftovers)
installed=
cleanup() {
  [ -z "$installed" ] || dpkg -r procforge >/dev/null 2>&1 || true
  rm -rf "$tmp"
}
trap cleanup EXIT
installed=yes
dpkg -i "$deb" >"$tmp/dpkg.log" 2>&1 || { cat "$tmp/dpkg.log"; fail "dpkg -i failed"; }
chmod 755 "$tmp"
user=nobody
for who in root "$user"; do
  home=$tmp/home-$who
  mkdir -p "$home/out"
  cp "$src/samples/mssql/OrderEntry.sql" "$home/"
  [ "$who" = root ] || chown -R "$user" "$home"
  as() { if [ "$who" = root ]; then "$@"; else setpriv --reuid="$user" --regid=nogroup --clear-groups "$@"; fi; }
  (
    cd "$home"
    export HOME=$home
    unset XDG_CONFIG_HOME XDG_CACHE_HOME
    as /usr/bin/procforge-cli configure --profile orders.PFG --new --set Server.SrvrType=1 \
      --set "Server.ConnPfg=Provider=Procforge.Snapshot;Data Source=$home/OrderEntry.sql" \
      --set Code.ClassFile=out/COrderEntryDB.cls >/dev/null
    as /usr/bin/procforge-cli generate --yes >/dev/null
  ) || fail "the installed procforge-cli failed as $who"
  grep -q 'Attribute VB_Name = "COrderEntryDB"' "$home/out/COrderEntryDB.cls" || fail "no class generated as $who"
  [ -f "$home/.config/procforge/Procforge.ini" ] || fail "no state file in the configuration folder of $who"
  [ -f "$home/.cache/procforge/CodeLib.dat" ] || fail "no code library cache in the cache folder of $who"
done
extra=$(comm -13 <(sort -u <(echo "$before"; dpkg -L procforge)) <(leftovers))
[ -z "$extra" ] || fail "the installed programs wrote into /usr: $extra"
dpkg -r procforge >"$tmp/dpkg.log" 2>&1 || { cat "$tmp/dpkg.log"; fail "dpkg -r failed"; }
installed=
[ "$(leftovers)" = "$before" ] || fail "left in /usr after dpkg -r: $(comm -13 <(echo "$before") <(leftovers))"
echo "the package installs, runs as root and as $user, and leaves nothing in /usr when removed"
