# install_packages.sh - sourced by the scripts that install Debian packages: installs those of
# the given names that are not installed yet (with sudo when not root) and says which.
#
#   install_missing_packages TAG PACKAGE...   (TAG begins its messages)
install_missing_packages() {
  local tag=$1 p
  shift
  local missing=()
  for p in "$@"; do
    dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
  done
  if [ ${#missing[@]} -eq 0 ]; then
    echo "$tag: all $# packages present"
    return 0
  fi
  local sudo=
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  echo "$tag: installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  $sudo apt-get update -qq
  $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}"
}
