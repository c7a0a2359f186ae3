#!/usr/bin/env bash
# Checks that the shared library exports the C interface and nothing else,
# under the expected soname.
set -euo pipefail
lib=$1
soname=$2

others=$(nm -D --defined-only "$lib" | awk '{print $3}' | grep -v '^dorvane_' || true)
if [ -n "$others" ]; then
  echo "exported beyond the C interface:"
  echo "$others"
  exit 1
fi
actual=$(readelf -d "$lib" | sed -n 's/.*Library soname: \[\(.*\)\]/\1/p')
if [ "$actual" != "$soname" ]; then
  echo "soname is '$actual', expected '$soname'"
  exit 1
fi
echo "exports: $(nm -D --defined-only "$lib" | grep -c ' T dorvane_') functions, soname $actual"
