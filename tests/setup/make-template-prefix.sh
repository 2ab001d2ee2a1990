#!/bin/sh
# Makes the Wine prefix that every setup and end-to-end test copies, once per
# build tree. Usage: make-template-prefix.sh TEMPLATE_DIR WINE_PREFIX_SCRIPT
template=$1
make_prefix=$2
[ -f "$template/.tarvo-template-ready" ] && exit 0
rm -rf "$template"
export WINEARCH=${TARVO_WINEARCH:-win32} WINEPREFIX=$template
. "$(dirname "$make_prefix")/wine-env.sh"
"$make_prefix" "$template" </dev/null >/dev/null 2>&1
timeout 60 "$TARVO_WINESERVER" -w </dev/null >/dev/null 2>&1
if [ ! -f "$template/system.reg" ]; then
  echo "no prefix was made in $template" >&2
  exit 1
fi
touch "$template/.tarvo-template-ready"
