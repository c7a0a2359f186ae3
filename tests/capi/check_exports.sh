#!/usr/bin/env bash
# Checks that the shared library exports the C interface and nothing else,
# under the expected soname.
set -euo pipefail
lib=$1
others=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v '^dorvane_' || true)
[ -z "$others" ] || { echo "exported beyond the C interface:"; echo "$others"; exit 1; }
actual=$(readelf -d "$lib" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
[ "$actual" = "$2" ] || { echo "soname is '$actual', expected '$2'"; exit 1; }
echo "exports: $(nm -D --defined-only "$lib" | grep -c ' T dorvane_') functions, soname $actual"
