# Sourced by the benchmarks that search the Linux 6.1 source tree:
#   linux_tree DIR PACKAGE...
# installs the Debian packages that are missing (the tree's own among them) and
# unpacks the tree into DIR once; sets tree to its folder.
linux_tree() {
  local dir=$1 p
  shift
  local need=()
  for p in linux-source-6.1 "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || need+=("$p")
  done
  if [ ${#need[@]} -gt 0 ]; then apt-get update -qq; DEBIAN_FRONTEND=noninteractive apt-get install -y -qq "${need[@]}" >/dev/null; fi
  tree=$dir/linux-source-6.1
  if [ ! -d "$tree" ]; then
    mkdir -p "$dir"
    echo "unpacking the Linux 6.1 source into $dir (once)"
    tar -xf /usr/src/linux-source-6.1.tar.xz -C "$dir"
  fi
}
