#!/usr/bin/env bash
# Installs what Tunemark needs, builds it and starts it.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh
bash scripts/build.sh build
exec ./build/shell/tunemark
