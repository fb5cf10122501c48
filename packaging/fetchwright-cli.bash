# bash completion for fetchwright-cli
_fetchwright_cli() {
  local cur prev
  COMPREPLY=()
  cur=${COMP_WORDS[COMP_CWORD]}
  prev=${COMP_WORDS[COMP_CWORD-1]}
  case $prev in
    -d|--dir)
      COMPREPLY=($(compgen -d -- "$cur"))
      return ;;
    --db)
      COMPREPLY=($(compgen -f -X '!*.[nN][pP][dD]' -- "$cur") $(compgen -d -- "$cur"))
      return ;;
    --proxy)
      COMPREPLY=($(compgen -W 'http:// socks4:// socks5://' -- "$cur"))
      compopt -o nospace 2>/dev/null
      return ;;
    -s|--split|-j|--jobs|-o|--output|--referer|--user|--password|--limit|--retries|--retry-delay|--timeout)
      return ;;
  esac
  if [[ $cur == -* ]]; then
    COMPREPLY=($(compgen -W '-s --split -d --dir -o --output --referer --user --password
      --proxy -j --jobs --limit --retries --retry-delay --timeout --no-verify --pace
      -r --recursive --ftp-category --db --again --resume --list --log -h --help
      --version' -- "$cur"))
  fi
}
complete -F _fetchwright_cli fetchwright-cli
