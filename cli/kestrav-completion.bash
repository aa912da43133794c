# Bash completion for kestrav: subcommands, their options, and the values
# of the options that take one of a few words. Installed into
# share/bash-completion/completions/kestrav.

_kestrav() {
  local current=${COMP_WORDS[COMP_CWORD]} previous=${COMP_WORDS[COMP_CWORD - 1]}
  local common="--shard --threads --progress --simd --tail --sync --help"
  if [ "$COMP_CWORD" -eq 1 ]; then
    mapfile -t COMPREPLY < <(compgen -W "run search verify --help" -- "$current")
    return
  fi
  case $previous in
    --layout) mapfile -t COMPREPLY < <(compgen -W "BothEnds HeadOnly TailOnly Bare" -- "$current"); return ;;
    --simd) mapfile -t COMPREPLY < <(compgen -W "scalar sse2 avx2 avx512" -- "$current"); return ;;
    --out | --catalogue | --checks)
      mapfile -t COMPREPLY < <(compgen -f -- "$current")
      return
      ;;
    --gram | --blocks | --total | --multipliers | --shard | --threads | --tail) return ;;
  esac
  local words
  case ${COMP_WORDS[1]} in
    run) words="all --out --catalogue $common" ;;
    search) words="--gram --blocks --layout --total --multipliers --out --count $common" ;;
    verify)
      words="--quiet --catalogue --checks --help"
      [[ $current == -* ]] || { mapfile -t COMPREPLY < <(compgen -d -- "$current"); return; }
      ;;
    *) return ;;
  esac
  mapfile -t COMPREPLY < <(compgen -W "$words" -- "$current")
}
complete -F _kestrav kestrav
