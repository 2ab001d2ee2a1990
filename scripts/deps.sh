#!/bin/sh
# Installs what the project needs from Debian's packages.
# Usage: scripts/deps.sh run|native|all
#   run:    what building and running tarvo-report takes: the host compiler,
#           CMake, make and the XML library (libexpat1-dev)
#   native: also GoogleTest, Google Benchmark, lintian (the Debian package's
#           test), Python with its JSON Schema validator (the JSON output's
#           test)
#   all:    also mingw-w64, Wine, clang with its sanitizer and fuzzer
#           runtime, wixl and msitools (the MSI packages), the tools the
#           tests and benchmarks drive, and the XML library's source for the
#           Windows builds (below)
# Wine comes in two parts: wine64 (the 64-bit loader and server, which the
# 64-bit tests use) and wine32:i386 (the 32-bit ones). The second is
# installed on its own: on a host that cannot run 32-bit programs it may
# fail to install or to run, and the rest must not depend on it; the test
# command then checks the 32-bit build without running it.
#
# Debian builds the XML library, expat, for Linux only. The Windows builds
# compile it from Debian's source package, of the same version as the
# installed libexpat1-dev, which "all" unpacks into build/deps/expat of this
# checkout (build/deps/expat.fetched names the versions); CMake looks there.
# To fetch it, apt needs a deb-src entry for the host's suites: "all" adds
# one, in the form the host's own entries take, for each of the host's
# Debian suites that has none (/etc/apt/sources.list.d/tarvo-deb-src.list or
# .sources).
set -e
set -- ${1:-all}
top=$(cd "$(dirname "$0")/.." && pwd)
run_packages="cmake g++ make libexpat1-dev"
native_packages="$run_packages googletest libbenchmark-dev lintian python3 python3-jsonschema"
all_packages="$native_packages g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine64 xvfb imagemagick icoutils tmux clang libclang-rt-14-dev hyperfine strace time wixl msitools dpkg-dev"
wine32_package=""
case "$1" in
  run) packages=$run_packages ;;
  native) packages=$native_packages ;;
  all) packages=$all_packages wine32_package=wine32:i386 ;;
  *) echo "usage: $0 run|native|all" >&2; exit 2 ;;
esac

installed() {
  case "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null || true)" in
    *"install ok installed"*) return 0 ;;
    *) return 1 ;;
  esac
}
missing=""
for package in $packages; do
  installed "$package" || missing="$missing $package"
done
if [ -n "$wine32_package" ] && ! installed "$wine32_package"; then
  missing32=$wine32_package
else
  missing32=""
fi
line="apt-get install -y --no-install-recommends"
is_root=0
[ "$(id -u)" != 0 ] || is_root=1

install_packages() {
  [ -n "$missing$missing32" ] || return 0
  if [ $is_root = 0 ]; then
    if [ -n "$missing" ]; then
      echo "Missing packages. As root, run:" >&2
      [ -n "$missing32" ] && echo "  dpkg --add-architecture i386" >&2
      echo "  apt-get update && $line$missing $missing32" >&2
      exit 1
    fi
    echo "$missing32 is missing: the 32-bit Windows tests cannot run. As root, run:" >&2
    echo "  dpkg --add-architecture i386 && apt-get update && $line $missing32" >&2
    return 0
  fi
  if [ -n "$missing32" ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
    dpkg --add-architecture i386
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  [ -z "$missing" ] || $line$missing
  if [ -n "$missing32" ] && ! $line $missing32; then
    echo "$missing32 could not be installed: the 32-bit Windows tests cannot run" >&2
  fi
}

# deb_src_entries list|sources SUITES: a deb-src copy of each of the host's
# deb entries of that form (one-line entries, deb822 stanzas) for any of
# SUITES, with its options and keys, narrowed to those suites.
deb_src_entries() {
  if [ "$1" = list ]; then
    set -- "$1" "$2" "$sources_list" "${parts_dir%/}"/*.list
  else
    set -- "$1" "$2" "${parts_dir%/}"/*.sources
  fi
  form=$1 suites=" $2 "
  shift 2
  for file in "$@"; do
    [ -f "$file" ] && [ "$file" != "$own_entries.$form" ] || continue
    if [ "$form" = list ]; then
      # deb [OPTIONS] URI SUITE COMPONENT...
      awk -v suites="$suites" '
        $1 == "deb" {
          rest = $0
          sub(/^[ \t]*deb[ \t]+/, "", rest)
          options = ""
          if (rest ~ /^\[/) {
            options = substr(rest, 1, index(rest, "]")) " "
            rest = substr(rest, index(rest, "]") + 1)
            sub(/^[ \t]+/, "", rest)
          }
          split(rest, field, /[ \t]+/)
          if (index(suites, " " field[2] " ")) print "deb-src " options rest
        }' "$file"
    else
      # Stanzas separated by empty lines; field names in any letter case.
      awk -v suites="$suites" '
        BEGIN { RS = ""; FS = "\n" }
        {
          # field[i]: the field line i belongs to (continuation lines
          # start with a blank).
          types = ""; listed = ""; enabled = 1
          for (i = 1; i <= NF; i++) {
            if ($i !~ /^[ \t]/) current = tolower($i)
            field[i] = current
            value = $i
            if ($i !~ /^[ \t]/) sub(/^[^:]*:/, "", value)
            if (current ~ /^types:/) types = types " " value
            if (current ~ /^suites:/) listed = listed " " value
            if (current ~ /^enabled:/ && tolower(value) ~ /^[ \t]*no/) enabled = 0
          }
          types = types " "
          gsub(/[ \t]+/, " ", types)
          if (!enabled || index(types, " deb ") == 0) next
          n = split(listed, suite, /[ \t]+/)
          wanted = ""
          for (i = 1; i <= n; i++)
            if (suite[i] != "" && index(suites, " " suite[i] " ")) wanted = wanted " " suite[i]
          if (wanted == "") next
          print ""
          for (i = 1; i <= NF; i++) {
            if (field[i] ~ /^(types|suites):/) {
              if ($i ~ /^[ \t]/) continue
              print (field[i] ~ /^types:/) ? "Types: deb-src" : "Suites:" wanted
            } else print $i
          }
        }' "$file"
    fi
  done
}

# write_entries FORM TEXT: the project's own file of that form holds TEXT
# (none when TEXT is empty). Returns 0 when the file changed.
write_entries() {
  file=$own_entries.$1
  if [ -z "$2" ]; then
    [ -f "$file" ] || return 1
    rm -f "$file"
    return 0
  fi
  text="# Written by tarvo's scripts/deps.sh: the source packages of the suites
# of this host's deb entries that had no deb-src entry.
$2"
  [ "$(cat "$file" 2>/dev/null)" != "$text" ] || return 1
  printf '%s\n' "$text" >"$file"
  return 0
}

# Gives apt a deb-src entry for each of the host's suites of its own release
# (bookworm, bookworm-updates, bookworm-security on Debian 12) that has a
# deb entry but no deb-src one. Entries the host has are read through apt
# itself; the project's own file is left out of that reading and rewritten
# only when what it should hold changes, so a second run adds nothing.
# Returns 0 when the entries changed.
add_deb_src_entries() {
  # apt's own sources.list and sources.list.d (/etc/apt/... unless APT_CONFIG
  # says otherwise); the project's file is tarvo-deb-src.list or .sources there.
  sources_list=/etc/apt/sources.list parts_dir=/etc/apt/sources.list.d/
  eval "$(apt-config shell sources_list Dir::Etc::sourcelist/f parts_dir Dir::Etc::sourceparts/d)"
  own_entries=${parts_dir%/}/tarvo-deb-src
  codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
  if [ -z "$codename" ]; then
    echo "$0: /etc/os-release names no VERSION_CODENAME: cannot tell the host's suite" >&2
    exit 1
  fi
  if ! targets=$(apt-get indextargets --no-release-info \
                   --format '$(TARGET_OF) $(RELEASE) $(SOURCESENTRY)'); then
    echo "$0: apt cannot read its list of sources" >&2
    exit 1
  fi
  targets=$(echo "$targets" | grep -v " $own_entries\.[a-z]*:[0-9]*\$" || true)
  suites_without_src=$(echo "$targets" | awk -v codename="$codename" '
    $2 == codename || index($2, codename "-") == 1 { kind[$2] = kind[$2] " " $1 }
    END { for (s in kind) if (kind[s] ~ / deb( |$)/ && kind[s] !~ / deb-src( |$)/) print s }' |
    sort | tr '\n' ' ')
  list="" sources=""
  if [ -n "$suites_without_src" ]; then
    list=$(deb_src_entries list "$suites_without_src")
    sources=$(deb_src_entries sources "$suites_without_src" | sed 1d)
    if [ -z "$list$sources" ]; then
      echo "$0: no deb entry found to copy as deb-src for $suites_without_src" >&2
      exit 1
    fi
  fi
  changed=1
  write_entries list "$list" && changed=0
  write_entries sources "$sources" && changed=0
  return $changed
}

# The versions of Debian's source package expat that apt's lists know.
source_versions() {
  apt-cache showsrc --only-source expat 2>/dev/null | sed -n 's/^Version: //p' | sort -urV
}

# The XML library's source for the Windows builds: Debian's source package of
# the installed libexpat1-dev's version, unpacked (with Debian's patches) into
# build/deps/expat. When the archive no longer serves that version's files,
# the newest version it serves is taken, with a warning. build/deps/expat.fetched
# says for which libexpat1-dev version it was fetched, so that a later run does
# nothing until that changes.
fetch_xml_source() {
  deps=$top/build/deps
  wanted=$(dpkg-query -W -f='${source:Version}' libexpat1-dev)
  if [ -f "$deps/expat/expat/CMakeLists.txt" ] &&
     [ "$(sed -n 1p "$deps/expat.fetched" 2>/dev/null)" = "libexpat1-dev $wanted" ]; then
    return 0
  fi
  if [ $is_root = 1 ]; then
    if add_deb_src_entries || ! source_versions | grep -qx "$wanted"; then
      apt-get update -q
    fi
  elif [ -z "$(source_versions)" ]; then
    echo "The Windows builds need Debian's source package expat, which apt cannot" >&2
    echo "fetch yet (no deb-src entry, or its lists are old). As root, run:" >&2
    echo "  $top/scripts/deps.sh all" >&2
    exit 1
  fi
  mkdir -p "$deps"
  work=$(mktemp -d "$deps/fetch.XXXXXX")
  trap 'rm -rf "$work"' EXIT
  got=""
  for version in $( (echo "$wanted"; source_versions) | awk '!seen[$0]++'); do
    if (cd "$work" && apt-get source -q --only-source "expat=$version"); then
      got=$version
      break
    fi
    echo "$0: Debian's source package expat $version cannot be fetched" >&2
  done
  if [ -z "$got" ]; then
    echo "$0: no version of Debian's source package expat could be fetched" >&2
    exit 1
  fi
  if [ "$got" != "$wanted" ]; then
    echo "$0: warning: the Windows builds get expat $got from its source package," >&2
    echo "  the Linux builds libexpat1-dev $wanted" >&2
  fi
  # What dpkg-source unpacked: expat-VERSION/, holding debian/ and expat/,
  # the library's CMake project.
  unpacked=$(find "$work" -mindepth 1 -maxdepth 1 -type d -name 'expat-*')
  if [ "$(echo "$unpacked" | wc -w)" -ne 1 ] || [ ! -f "$unpacked/expat/CMakeLists.txt" ]; then
    echo "$0: apt-get source expat left no expat-*/expat/CMakeLists.txt in $work" >&2
    exit 1
  fi
  rm -rf "$deps/expat" "$deps/expat.fetched"
  mv "$unpacked" "$deps/expat"
  printf 'libexpat1-dev %s\nexpat source package %s\n' "$wanted" "$got" >"$deps/expat.fetched"
  echo "Debian's source package expat $got unpacked in $deps/expat"
}

install_packages
[ "$1" != all ] || fetch_xml_source
exit 0
