#!/usr/bin/env bash
# Checks the files an install gives the desktop: the desktop entry, the AppStream metadata,
# the MIME type, and the manual pages (no warnings at 80 columns; fetchwright-cli(1)
# documents every option `fetchwright-cli --help` lists).
# Usage: scripts/check-package-files.sh BUILD_DIR
set -euo pipefail
cd "$(dirname "$0")/.."
build=${1:?usage: $0 BUILD_DIR}
fail=0
desktop-file-validate packaging/fetchwright.desktop || fail=1
appstreamcli validate --no-net packaging/org.fetchwright.Fetchwright.metainfo.xml || fail=1
python3 -c 'import sys, xml.dom.minidom; xml.dom.minidom.parse(sys.argv[1])' \
  packaging/fetchwright-mime.xml || fail=1
for page in fetchwright.1 fetchwright-cli.1 snarebolt-host.1; do
  file=$build/packaging/man/$page.gz
  if [ ! -s "$file" ]; then
    echo "missing manual page $file" >&2
    fail=1
    continue
  fi
  warnings=$(MANWIDTH=80 man --warnings -l "$file" 2>&1 >/dev/null)
  if [ -n "$warnings" ]; then
    echo "$page: $warnings" >&2
    fail=1
  fi
done
# Every option of the help text, long and short, is in the manual page's source.
help=$("$build/app/fetchwright-cli/fetchwright-cli" --help)
for opt in $(grep -oE '(^|[ ,])--?[a-z][a-z-]*' <<<"$help" | tr -d ' ,' | sort -u); do
  grep -qF -- "*$opt*" packaging/man/fetchwright-cli.1.scd || {
    echo "fetchwright-cli(1) does not document $opt" >&2
    fail=1
  }
done
exit $fail
