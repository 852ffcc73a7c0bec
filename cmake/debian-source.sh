#!/usr/bin/env bash
# debian-source.sh DIR PACKAGE...: unpacks Debian's source package of each PACKAGE (with
# Debian's patches applied) into DIR/PACKAGE, unless it is there already. apt reads a private
# source list and keeps its lists under DIR/apt, so the machine's apt setup stays untouched.
set -euo pipefail
dir=$1
shift
mkdir -p "$dir"
dir=$(cd "$dir" && pwd)

wanted=()
for p in "$@"; do
  [ -f "$dir/$p/.unpacked" ] || wanted+=("$p")
done
((${#wanted[@]})) || exit 0

# The archive and suite this machine installs from, as a source entry.
uri=http://deb.debian.org/debian
suite=$(. /etc/os-release && echo "${VERSION_CODENAME:-bookworm}")
if [ -f /etc/apt/sources.list.d/debian.sources ]; then
  uri=$(awk '/^URIs:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
  suite=$(awk '/^Suites:/ {print $2; exit}' /etc/apt/sources.list.d/debian.sources)
fi
apt=$dir/apt
mkdir -p "$apt/lists/partial" "$apt/cache/archives/partial"
echo "deb-src [signed-by=/usr/share/keyrings/debian-archive-keyring.gpg] $uri $suite main" \
  >"$apt/sources.list"
opts=(-o "Dir::Etc::SourceList=$apt/sources.list" -o Dir::Etc::SourceParts=/dev/null
  -o "Dir::State::Lists=$apt/lists" -o "Dir::Cache=$apt/cache" -o APT::Sandbox::User=root)
[ -n "$(ls "$apt/lists" | grep Sources || true)" ] || apt-get "${opts[@]}" -qq update

for p in "${wanted[@]}"; do
  work=$dir/download-$p
  rm -rf "$work" "$dir/$p"
  mkdir -p "$work"
  (cd "$work" && apt-get "${opts[@]}" -qq source --download-only "$p" >/dev/null)
  dpkg-source --no-check --no-copy -x "$work"/*.dsc "$dir/$p" >/dev/null
  rm -rf "$work"
  touch "$dir/$p/.unpacked"
  echo "-- Debian source of $p unpacked in $dir/$p"
done
