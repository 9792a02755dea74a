# bash completion for vorn-cli                                -*- shell-script -*-
#
# Commands, their arguments and options are read from the tool's own help, so
# the completion follows the tool it is installed with. Entry names come from
# `vorn-cli list`, written with "/" between directories and completed one
# directory level at a time.

# The commands of `vorn-cli --help` (the words indented under "... commands"),
# or the subcommands of GROUP ("iff").
_vorn_cli_commands()
{
    local group=$1
    "$2" --help 2>/dev/null | awk -v group="$group" '
        /^[^ ].*commands/ { listing = 1; next }
        /^[^ ]/ { listing = 0 }
        listing && /^  [a-z]/ {
            if (group == "" ) { print $1 }
            else if ($1 == group && $2 ~ /^[a-z]/) { print $2 }
        }' | sort -u
}

# The options that take a value, "--name VALUE" in the help's usage lines, one
# a line with the value's placeholder ("--zoom 1|2|3", "--into DIR", "--palette
# keep|rebuild").
_vorn_cli_value_options()
{
    "$1" --help 2>/dev/null | grep -oE -- '--[a-z][a-z-]* ([A-Z0-9][A-Za-z0-9|]*|[a-z]+(\|[a-z]+)+)' | sort -u
}

# The placeholder of argument N (0 = the first after the command's words) in
# the usage line of COMMAND..., brackets and options (with their values; a
# flag such as "[--opaque]" has none) left out; "PATH..." stands for every
# argument from its place on. Nothing past the last argument.
_vorn_cli_placeholder()
{
    local tool=$1 n=$2
    shift 2
    "$tool" "$@" --help 2>/dev/null | sed -n '1{s/^Usage: vorn-cli \(\[[^]]*\] \)*//;p;}' | awk -v n="$n" -v skip="$#" '
        {
            i = 0
            for (f = skip + 1; f <= NF; f++) {
                word = $f
                gsub(/[][]/, "", word)
                if (word ~ /^--/) { if ($f !~ /\]$/) f++; continue }
                repeated = word ~ /\.\.\.$/
                if (i == n || (repeated && i < n)) { sub(/\.\.\.$/, "", word); print word; exit }
                i++
            }
        }'
}

# The options a command's help names, and the global ones.
_vorn_cli_options()
{
    local tool=$1
    shift
    { "$tool" --help 2>/dev/null | awk '/^Options:/ { o = 1; next } /^[^ ]/ { o = 0 } o'
      [[ $# -gt 0 ]] && "$tool" "$@" --help 2>/dev/null | sed -n '1p'
    } | grep -o -- '--[a-z][a-z-]*' | sort -u
}

# Entry names of ARCHIVE below the typed PREFIX: files whole, directories up to
# and including their next "/", spelt as the archive spells them.
_vorn_cli_entries()
{
    local tool=$1 archive=$2 prefix=$3
    [[ -f $archive ]] || return
    "$tool" list -- "$archive" 2>/dev/null | cut -f2- | tr '\\' '/' | awk -v prefix="$prefix" '
        BEGIN { n = length(prefix); lower = tolower(prefix) }
        tolower(substr($0, 1, n)) == lower {
            rest = substr($0, n + 1)
            slash = index(rest, "/")
            if (slash) print substr($0, 1, n + slash); else print
        }' | sort -u
}

# Offers the entry names of ARCHIVE below CUR, with spaces escaped; a lone
# directory keeps the cursor after its "/" to go on into it.
_vorn_cli_reply_entries()
{
    local tool=$1 archive=$2 cur=${3//\\ / } lead=${4-}
    local IFS=$'\n'
    COMPREPLY=($(_vorn_cli_entries "$tool" "${archive/#\~/$HOME}" "$cur"))
    COMPREPLY=("${COMPREPLY[@]// /\\ }")
    [[ -n $lead ]] && COMPREPLY=("${COMPREPLY[@]/#/$lead}")
    [[ ${#COMPREPLY[@]} -eq 1 && ${COMPREPLY[0]} == */ ]] && compopt -o nospace
    return 0
}

# The chunks of the IFF file INPUT as TYPE:ID, for a chunk argument.
_vorn_cli_reply_chunks()
{
    local tool=$1 input=$2 cur=$3
    local IFS=$'\n'
    COMPREPLY=($(compgen -W "$("$tool" iff chunks -- "$input" 2>/dev/null | awk -F'\t' '{ print $1 ":" $2 }')" -- "$cur"))
    __ltrim_colon_completions "$cur"
    return 0
}

_vorn_cli()
{
    local cur prev words cword
    _init_completion -n := || return
    local tool=${words[0]}

    local values
    values=$(_vorn_cli_value_options "$tool")

    # Split the line into options and positional words, as the tool does.
    local -a positional=()
    local i ended=
    for ((i = 1; i < cword; i++)); do
        if [[ -z $ended && ${words[i]} == -- ]]; then
            ended=1
        elif [[ -z $ended && ${words[i]} == --* ]]; then
            [[ -n $(awk -v option="${words[i]}" '$1 == option' <<<"$values") ]] && ((i++))
        elif [[ -n $ended || ${words[i]} != -?* ]]; then
            positional+=("${words[i]}")
        fi
    done

    # An option's value: the archive directory for --into, the choices the
    # help lists for the others, nothing to offer for free-form ones.
    local choices=
    [[ $prev == --* ]] && choices=$(awk -v option="$prev" '$1 == option { print; exit }' <<<"$values")
    if [[ -z $ended && -n $choices ]]; then
        choices=${choices#* }
        if [[ $prev == --into ]]; then
            [[ ${#positional[@]} -ge 2 ]] && _vorn_cli_reply_entries "$tool" "${positional[1]}" "$cur"
        elif [[ $choices == *"|"* ]]; then
            COMPREPLY=($(compgen -W "${choices//|/ }" -- "$cur"))
        fi
        return
    fi

    local command=${positional[0]-} n=${#positional[@]}
    local -a group=()
    local subcommands=
    [[ -n $command ]] && subcommands=$(_vorn_cli_commands "$command" "$tool")
    if [[ -n $subcommands ]]; then
        if ((n == 1)); then
            [[ $cur == -* ]] || { COMPREPLY=($(compgen -W "$subcommands" -- "$cur")); return; }
        fi
        group=("$command" "${positional[1]-}")
        command="$command ${positional[1]-}"
        positional=("${positional[@]:2}")
    else
        group=("$command")
        positional=("${positional[@]:1}")
    fi
    n=${#positional[@]}

    if [[ -z $ended && $cur == -* ]]; then
        if [[ -n ${positional[*]-} || -n $command ]]; then
            COMPREPLY=($(compgen -W "$(_vorn_cli_options "$tool" "${group[@]}")" -- "$cur"))
        else
            COMPREPLY=($(compgen -W "$(_vorn_cli_options "$tool")" -- "$cur"))
        fi
        return
    fi

    if [[ -z $command ]]; then
        COMPREPLY=($(compgen -W "$(_vorn_cli_commands "" "$tool")" -- "$cur"))
        return
    fi

    # An INPUT or OUTPUT may name an entry inside an archive: ARCHIVE::PATH.
    if [[ $cur == *::* ]]; then
        _vorn_cli_reply_entries "$tool" "${cur%%::*}" "${cur#*::}" "${cur%%::*}::"
        __ltrim_colon_completions "$cur"
        return
    fi

    # What the argument is, by its placeholder in the command's usage line.
    case $(_vorn_cli_placeholder "$tool" "$n" "${group[@]}") in
        ARCHIVE) _filedir '[fF][aA][rR]' ;;
        PATH | OLD | DESTDIR) _vorn_cli_reply_entries "$tool" "${positional[0]}" "$cur" ;;
        TYPE:ID) _vorn_cli_reply_chunks "$tool" "${positional[0]}" "$cur" ;;
        DEST) _filedir -d ;;
        SIZE) COMPREPLY=($(compgen -W "128 256" -- "$cur")) ;;
        NEW | NAME=VALUE | PATTERN | "") ;;
        *) _filedir ;;
    esac
} &&
    complete -F _vorn_cli vorn-cli

# ex: filetype=sh
