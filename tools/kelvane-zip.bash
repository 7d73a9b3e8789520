# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# bash completion for kelvane-zip: commands, each command's options, files
# where a file is wanted, and entry names of the archive for list, test and
# extract.

_kelvane_zip_archive_entries()
{
    local archive=$1
    [[ -f $archive ]] || return
    kelvane-zip list "$archive" 2>/dev/null
}

_kelvane_zip()
{
    local cur prev words cword
    _init_completion 2>/dev/null || {
        COMPREPLY=()
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD-1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    }

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W 'list test extract create --help --version' -- "$cur"))
        return
    fi

    local command=${words[1]}
    case $prev in
        -d)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        -P|--root|--comment|-j|-x)
            return ;;
        -O)
            COMPREPLY=($(compgen -W 'CP866 CP437 CP850 CP1251 KOI8-R ISO-8859-1 UTF-8' -- "$cur"))
            return ;;
    esac

    local options
    case $command in
        list) options='-v -O -x --help' ;;
        test) options='-P -q -x --help' ;;
        extract) options='-d -P -p -o -n -x --junk-paths -O -q --help' ;;
        create) options='-P --aes -0 -1 -2 -3 -4 -5 -6 -7 -8 -9 --by-type --contents-only --absolute
                         --root --comment -j --overwrite -q --help' ;;
        *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    # The first operand is the archive; after it, entries (or, for create,
    # the files and folders to add).
    local i archive=
    for ((i = 2; i < cword; i++)); do
        case ${words[i]} in
            -d|-P|-O|--root|--comment|-j|-x) ((i++)) ;;
            -*) ;;
            *) archive=${words[i]}; break ;;
        esac
    done
    if [[ -z $archive || $command == create ]]; then
        if [[ -z $archive && $command != create ]]; then
            COMPREPLY=($(compgen -f -X '!*.@(zip|ZIP|jar|JAR)' -- "$cur") $(compgen -d -- "$cur"))
        else
            COMPREPLY=($(compgen -f -- "$cur"))
        fi
        return
    fi
    local IFS=$'\n'
    COMPREPLY=($(compgen -W "$(_kelvane_zip_archive_entries "$archive")" -- "$cur"))
}

complete -F _kelvane_zip kelvane-zip
