# bash completion for varnelo: the commands, each command's options, and file names where a
# file is expected.

_varnelo() {
  local cur prev words cword split
  _init_completion -s || return

  local common='-q --quiet --lang -h --help -V --version'
  local writes='-f --force'
  # The command is the first word that is not an option; the common options may come before it.
  local command='' i
  for ((i = 1; i < cword; i++)); do
    case ${words[i]} in
      --lang) ((i++)) ;;
      --) break ;;
      -*) ;;
      *)
        command=${words[i]}
        break
        ;;
    esac
  done

  case $prev in
    --lang)
      mapfile -t COMPREPLY < <(compgen -W 'en id' -- "$cur")
      return
      ;;
    # A number or a text key: nothing to offer.
    --pieces | --size | --per-line | --key | -j | --jobs) return ;;
    --prefix | --key-file | -o | --output | --files-from | --sums)
      _filedir
      return
      ;;
  esac
  $split && return

  if [[ -z $command ]]; then
    if [[ $cur == -* ]]; then
      mapfile -t COMPREPLY < <(compgen -W "$common $writes" -- "$cur")
    else
      mapfile -t COMPREPLY < <(compgen -W 'sum split join compare find encrypt decrypt encode decode' -- "$cur")
    fi
    return
  fi

  local options
  case $command in
    sum) options="--sha512 --sha384 --sha256 --sha224 --sha1 --ripemd160 --md5 --checksum64 --all
                  --tag -c --check -w --warn --status --strict --ignore-missing
                  -j --jobs -r --recursive --files-from -z --zero $common" ;;
    split) options="--pieces --size --prefix --sums $writes $common" ;;
    join) options="-o --output --sums $writes $common" ;;
    compare) options="-s --silent $common" ;;
    find) options=$common ;;
    encrypt | decrypt) options="--xor --add --key --key-file $writes $common" ;;
    encode) options="--binary --hex --base64 --per-line $writes $common" ;;
    decode) options="--binary --hex --base64 -i --ignore-garbage $writes $common" ;;
    *) return ;;
  esac
  # After "--" every word is a file.
  local word
  for word in "${words[@]:1:cword-1}"; do
    [[ $word == -- ]] && options=''
  done
  if [[ $cur == -* && -n $options ]]; then
    mapfile -t COMPREPLY < <(compgen -W "$options" -- "$cur")
  else
    _filedir
  fi
} &&
  complete -F _varnelo varnelo
