# SPDX-FileCopyrightText: 2026 The Kelvane developers
# SPDX-License-Identifier: MIT

# bash completion for kelvane-zip: commands, each command's options, files
# where a file is wanted, and the archive's entry names where an entry or a
# pattern is wanted (list, test, extract, delete, and after -x).

_kelvane_zip_archive_entries()
{
    local archive=$1
    [[ -f $archive ]] || return
    kelvane-zip list "$archive" 2>/dev/null
}

_kelvane_zip()
{
    local cur prev words cword
    if declare -F _init_completion >/dev/null; then
        _init_completion || return
    else
        COMPREPLY=()
        cur=${COMP_WORDS[COMP_CWORD]}
        prev=${COMP_WORDS[COMP_CWORD-1]}
        words=("${COMP_WORDS[@]}")
        cword=$COMP_CWORD
    fi

    if ((cword == 1)); then
        COMPREPLY=($(compgen -W 'list test extract create add delete --help --version' -- "$cur"))
        return
    fi

    local command=${words[1]}
    # The first operand is the archive; after it, entries (or, for create
    # and add, the files and folders to add).
    local i archive=
    for ((i = 2; i < cword; i++)); do
        case ${words[i]} in
            -d|-P|-O|--root|--comment|-j|-x) ((i++)) ;;
            -*) ;;
            *) archive=${words[i]}; break ;;
        esac
    done

    case $prev in
        -d)
            COMPREPLY=($(compgen -d -- "$cur"))
            return ;;
        -P|--root|--comment|-j)
            return ;;
        -O)
            COMPREPLY=($(compgen -W 'CP866 CP437 CP850 CP1251 KOI8-R ISO-8859-1 UTF-8' -- "$cur"))
            return ;;
        -x)
            local IFS=$'\n'
            COMPREPLY=($(compgen -W "$(_kelvane_zip_archive_entries "$archive")" -- "$cur"))
            return ;;
    esac

    local options
    case $command in
        list)
            options='-v -t -O -x --help'
            # -P and -j only go with -t.
            [[ " ${words[*]} " == *' -t '* ]] && options+=' -P -j' ;;
        test) options='-P -j -q -x --help' ;;
        extract) options='-d -P -p -o -n -x --junk-paths -y --symlinks --no-attributes -O -j -q --help' ;;
        create) options='-P --aes -0 -1 -2 -3 -4 -5 -6 -7 -8 -9 --by-type --contents-only --absolute
                         --root --comment -y --symlinks -j --overwrite -q --help' ;;
        add) options='-P --aes -0 -1 -2 -3 -4 -5 -6 -7 -8 -9 -y --symlinks -j -q --help' ;;
        delete) options='-q --help' ;;
        *) return ;;
    esac
    if [[ $cur == -* ]]; then
        COMPREPLY=($(compgen -W "$options" -- "$cur"))
        return
    fi

    if [[ -z $archive ]]; then
        if [[ $command == create ]]; then
            COMPREPLY=($(compgen -f -- "$cur"))
        else
            COMPREPLY=($(compgen -f -X '!*.@(zip|ZIP|jar|JAR)' -- "$cur") $(compgen -d -- "$cur"))
        fi
        return
    fi
    if [[ $command == create || $command == add ]]; then
        COMPREPLY=($(compgen -f -- "$cur"))
        return
    fi
    local IFS=$'\n'
    COMPREPLY=($(compgen -W "$(_kelvane_zip_archive_entries "$archive")" -- "$cur"))
}

complete -F _kelvane_zip kelvane-zip
