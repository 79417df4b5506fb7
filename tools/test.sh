#!/usr/bin/env bash
# From a fresh Debian machine to a full test run: install, build, run every test.
set -euo pipefail
tools=$(dirname "$0")
bash "$tools/setup-debian.sh"
bash "$tools/build.sh"
bash "$tools/run-tests.sh" "$@"
