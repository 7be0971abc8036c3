#!/usr/bin/env bash
# Runs every fuzz seed and every saved crash input once through the sanitizer-built targets.
set -euo pipefail
exec "$(dirname "$0")/../fuzz" replay
