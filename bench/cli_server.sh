#!/usr/bin/env bash
# Installs easy-rsa when it is missing (Debian), then times `tarvik server` against it and
# against the window:   bench/cli_server.sh [runs]   (after scripts/build)
set -eu
top=$(cd "$(dirname "$0")/.." && pwd)
if [ ! -x /usr/share/easy-rsa/easyrsa ]; then
  SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
  $SUDO apt-get update -qq && DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq easy-rsa >/dev/null
fi
exec "$top/build/bench/cli_server" "$@"
