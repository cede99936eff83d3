#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, when missing.
# With the argument "fuzz" also clang, for scripts/fuzz.sh; with "format" also
# clang-format, for scripts/check-format.sh; with "browser" also chromium, for
# the test that opens study.html in a headless browser (make test).
set -euo pipefail
needed=(cmake g++ make libgtest-dev libbenchmark-dev libxml2-utils libboost-math-dev nlohmann-json3-dev libcli11-dev libyaml-cpp-dev libeigen3-dev gnuplot-nox graphviz jq openmpi-bin libopenmpi-dev)
for extra in "$@"; do
  case "$extra" in
    fuzz) needed+=(clang libclang-rt-14-dev) ;;
    format) needed+=(clang-format) ;;
    browser) needed+=(chromium) ;;
    *) echo "install-deps.sh: unknown extra '$extra' (fuzz, format, browser)" >&2; exit 2 ;;
  esac
done
missing=()
for p in "${needed[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  SUDO=""; [ "$(id -u)" -ne 0 ] && SUDO="sudo"
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}"
fi
