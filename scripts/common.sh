# Pieces the build scripts share; sourced, not run.

# Runs a command as root: directly when root, else through sudo.
as_root() {
  if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi
}

# Installs those of the Debian packages named that are missing (messages
# on standard error, so that a script's output stays its answer).
install_packages() {
  local missing=() p
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "ok installed" || missing+=("$p")
  done
  [ ${#missing[@]} -gt 0 ] || return 0
  echo "Installing: ${missing[*]}" >&2
  as_root apt-get update -qq >&2
  DEBIAN_FRONTEND=noninteractive as_root apt-get install -y -qq --no-install-recommends "${missing[@]}" >&2
}

# Makes Debian's source packages reachable by apt-get source.
enable_source_packages() {
  if ! grep -rqs '^Types:.*deb-src' /etc/apt/sources.list.d/ && ! grep -qs '^deb-src' /etc/apt/sources.list; then
    as_root tee /etc/apt/sources.list.d/tessaly-deb-src.sources >/dev/null <<'SOURCES'
Types: deb-src
URIs: http://deb.debian.org/debian
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg
SOURCES
    as_root apt-get update -qq >&2
  fi
}

# A package's version as apt would install it.
package_version() { apt-cache policy "$1" 2>/dev/null | sed -n 's/^ *Candidate: //p' | head -n 1; }

# The folder outside the clone where what takes long to build is kept.
tessaly_cache=${TESSALY_CACHE_DIR:-${XDG_CACHE_HOME:-$HOME/.cache}/tessaly}
